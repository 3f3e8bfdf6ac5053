#pragma once
// One thing the validator noticed about a hive or a log, with where it is.

#include <cstdint>
#include <string>

namespace hive {

enum class Severity { Note, Warning, Error };

struct Finding {
  Severity severity = Severity::Note;
  std::uint64_t offset = 0;  // in the file (base block included)
  std::string code;          // stable short name, e.g. "cell-crosses-bin"
  std::string message;
};

const char* SeverityName(Severity severity);

}  // namespace hive
