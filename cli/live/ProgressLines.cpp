#include "cli/live/Commands.h"

RunProgress ProgressTo(std::ostream& out) {
  RunProgress progress;
  progress.hiveStarting = [&out](int position, int count, const CString& name) {
    out << '[' << position << '/' << count << "] " << Utf8(name) << std::endl;
  };
  return progress;
}
