#include "app/StartupDecision.h"

#include "app/CommandLine.h"
#include "app/EnvironmentChecks.h"

StartupOutcome DecideStartup(const wchar_t* commandLineTail, bool refusesWindows64) {
  if (refusesWindows64 && IsWindows64Bit()) return StartupOutcome::RefuseWindows64;
  if (!IsAdministrator()) return StartupOutcome::RefuseNotAdministrator;
  return IsResultsSwitchPresent(commandLineTail) ? StartupOutcome::ResultsMode
                                                 : StartupOutcome::NormalMode;
}
