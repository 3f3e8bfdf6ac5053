#pragma once
// The copy of the program the start-up value starts, elevated, at the next
// logon: it lies in the protected <Windows>\Kelvaro folder, not wherever the
// user started the program from (a downloads folder any program of the user
// can rewrite). The results mode has the copy deleted at the restart after.
//
// The copy is read from a handle opened at start-up, sharing read only:
// while it is open nobody can write, delete or rename the file, so a file
// renamed away and replaced after the start never becomes the copy.
#include <optional>

#include "path/PathName.h"
#include "platform/Platform.h"
#include "platform/Types.h"

// The results window's program: the running program itself (the window
// program), or the window program of the same architecture beside the
// running one (the console tool, which has no results window of its own).
enum class ResultsProgram { kRunningProgram, kWindowProgramBeside };

// The window program's file name for this build's architecture.
inline constexpr const wchar_t* kWindowProgramName =
    sizeof(void*) == 8 ? L"Kelvaro64.exe" : L"Kelvaro.exe";

// Holds the results program's file open for as long as it lives (the entry
// point keeps one for the process's life): PlaceProgramCopy copies from it.
// Holds nothing when the file is missing or cannot be opened. Holds nest:
// the one made last counts, and the one before counts again when it goes.
class ResultsProgramHold {
 public:
  explicit ResultsProgramHold(ResultsProgram which);
  ~ResultsProgramHold();
  ResultsProgramHold(const ResultsProgramHold&) = delete;
  ResultsProgramHold& operator=(const ResultsProgramHold&) = delete;

  bool Held() const { return m_file != platform::kInvalidFileHandle; }
  const CPathName& Path() const { return m_path; }
  platform::FileHandle Get() const { return m_file; }
  bool HeldOver(const platform::Platform& installed) const { return &m_platform == &installed; }

 private:
  platform::Platform& m_platform;
  ResultsProgramHold* m_previous;
  CPathName m_path;
  platform::FileHandle m_file = platform::kInvalidFileHandle;
};

// Whether a results program is held now.
bool ResultsProgramHeld();

// Copies the held results program into <Windows>\Kelvaro (made or checked as
// ProtectedFolders.h says), replacing an earlier copy. The copy's path, or
// nothing when nothing is held or any step failed.
std::optional<CPathName> PlaceProgramCopy();

// When the running program is that copy, has it deleted at the next start.
void RemoveProgramCopyAtRestart();
