#pragma once
// What start-up does, decided before any window exists.

enum class StartupOutcome {
  RefuseWindows64,         // string 110, then end
  RefuseNotAdministrator,  // string 108, then end
  NormalMode,              // the main window
  ResultsMode,             // the results window
};

// The checks in their order: the 64-bit refusal first (only for a build that
// makes it), then the administrator test, then the switch in the tail.
StartupOutcome DecideStartup(const wchar_t* commandLineTail, bool refusesWindows64);

// The 64-bit build is the version the refusal points to, so only the 32-bit one refuses.
constexpr bool kBuildRefusesWindows64 = sizeof(void*) == 4;
