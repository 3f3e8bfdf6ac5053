#pragma once
// The main window hands the profiles whose rows are ticked for Defragment to
// the swap of hives nobody has loaded (SwapProfileHives), on the worker,
// before the loaded hives' run; with the swap wired, profile rows whose file
// has bytes start ticked like the loaded hives.
namespace uilogic {

inline constexpr bool kProfileSwapWired = true;

}  // namespace uilogic
