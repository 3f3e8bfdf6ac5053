#pragma once
// The saving compacting a profile's hive files would bring, measured while
// nobody is signed in to it and with nothing swapped: each file is read as it
// stands (with its logs), loaded privately, saved by Windows in the latest
// format into a protected folder, the copy checked as a live hive's copy is
// and proved to hold what the file held, then deleted.
//
// RegLoadAppKeyW is tried first: it needs no privilege, puts nothing where
// other programs look, and the hive unloads with its last handle, so no load
// outlives a failure. Whether RegSaveKeyExW accepts a private hive's key is
// not documented either way; where it refuses, the file is loaded under HKU
// with a name of Kelvaro's own (RegLoadKeyW), saved and unloaded
// (RegUnLoadKeyW).
#include <cstdint>
#include <string>
#include <vector>

#include "compaction/RunFolder.h"
#include "compaction/RunOutcome.h"
#include "platform/IFileSystem.h"
#include "profiles/ProfileList.h"

enum class ProfileHiveResult {
  kAnalysed,
  kInUse,           // someone holds the file: the user may be signing in
  kUnreadable,      // the file or its logs could not be read as they stand
  kNotSaved,        // neither load nor save went through
  kRefused,         // the copy failed the check
  kContentDiffers,  // the copy does not hold what the file held
  kChanged,         // the file holds other content after the unload than before the load
};

struct AnalyzedProfileHive {
  std::wstring sid;
  std::wstring file;
  std::uint64_t size = 0;         // the file as read
  std::uint64_t compactSize = 0;  // the checked copy; 0 unless analysed
  ProfileHiveResult result = ProfileHiveResult::kAnalysed;
  bool loadedUnderUsers = false;  // the fallback load was used
  // The fallback load still opens after RegUnLoadKeyW (Wine's reports
  // success and unloads nothing), with what RegUnLoadKeyW answered.
  bool leftLoaded = false;
  std::uint32_t unloadStatus = 0;
};

struct ProfileAnalysisOutcome {
  StoppedAt stoppedAt = StoppedAt::kNothing;
  FolderProblem folderProblem = FolderProblem::kNone;
  std::vector<AnalyzedProfileHive> hives;  // none when the folder stopped it
};

// The hive file as it was read before the load, for the swap's last look.
struct ProfileHiveAsRead {
  std::vector<std::uint8_t> bytes;
  platform::FileFacts facts;
  // The file's own (owner, group and DACL), read through the same handle;
  // empty when it could not be read.
  std::vector<std::uint8_t> descriptor;
};

// Reads `file`, loads it, saves it to `copy` and checks the copy as above.
// When the result is kAnalysed the checked copy stays at `copy` and `read`
// holds the file as it stands after the unload (read again, and proved to
// hold what the copy holds); otherwise no copy is left.
AnalyzedProfileHive CopyProfileHive(const std::wstring& sid, const std::wstring& file,
                                    const CPathName& copy, const RunFolder& run,
                                    ProfileHiveAsRead* read);

// Every hive file of the profiles Kelvaro would compact, in order; the others
// are not touched.
ProfileAnalysisOutcome AnalyzeProfileHives(const std::vector<profiles::UserProfile>& profiles);
