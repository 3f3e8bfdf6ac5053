#include "cli/ExitCodes.h"

int ExitCodeFor(hive::Verdict verdict) {
  switch (verdict) {
    case hive::Verdict::Sound: return kExitSound;
    case hive::Verdict::Warnings: return kExitWarnings;
    case hive::Verdict::Errors: return kExitErrors;
    case hive::Verdict::Dirty: return kExitDirty;
    case hive::Verdict::Unreadable: return kExitCannotRead;
  }
  return kExitCannotRead;
}

int ExitCodeFor(hive::CompactStatus status) {
  switch (status) {
    case hive::CompactStatus::Written: return kExitWritten;
    case hive::CompactStatus::Refused: return kExitRefused;
    case hive::CompactStatus::Unreadable: return kExitCannotRead;
  }
  return kExitCannotRead;
}
