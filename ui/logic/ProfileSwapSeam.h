#pragma once
// The one place where the main window hands the profiles whose rows are ticked
// for Defragment to the swap of hives nobody has loaded (a swap that needs no
// restart). That swap is not part of this program yet: while
// kProfileSwapWired is false, profile rows start unticked and a Defragment
// with any of them ticked is refused as a whole (DefragmentRefusal) rather
// than done without them unsaid. Wiring it means calling the swap with
// CHiveListDlg::TickedProfiles() on the worker before the loaded hives' run,
// and setting this to true.
namespace uilogic {

inline constexpr bool kProfileSwapWired = false;

}  // namespace uilogic
