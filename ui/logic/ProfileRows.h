#pragma once
// The main list's rows of their own kind after the loaded hives: the hive
// files of the profiles nobody is signed in to that Kelvaro would compact.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "catalogue/HiveRecords.h"
#include "profiles/ProfileHiveAnalysis.h"
#include "profiles/ProfileList.h"
#include "ui/logic/AnalysisColumn.h"

namespace uilogic {

enum class RowKind { kLoadedHive, kProfileHive };

struct ProfileHiveRow {
  // name: "HKU\<SID> (not signed in)", or "HKU\<SID>_Classes (not signed in)"
  // for UsrClass.dat, as Windows would name the hive once the user signs in.
  HiveEntry entry;
  std::wstring sid;
  std::wstring file;
  std::wstring account;     // DOMAIN\user; empty when the SID does not resolve
  std::size_t profile = 0;  // the profile's index in the listing
};

// One row per hive file that exists, in the listing's order, user hive before
// classes hive, for the profiles judged kWouldCompact only. `loadString` reads
// the string table.
std::vector<ProfileHiveRow> ProfileHiveRows(const profiles::ProfileListing& listing,
                                            const std::function<CString(unsigned)>& loadString);

// Loaded hives go before profile rows whichever column sorts and whichever
// way; within a kind, `withinKind` (the sort column's comparison) decides.
int CompareByKindFirst(RowKind first, RowKind second, int withinKind);

// Until Kelvaro can swap a profile's files at once, a profile row starts
// unticked, so a Defragment of the loaded hives goes on as before; once it
// can, a row starts ticked when its file has bytes, as a loaded hive does.
bool ProfileRowStartsTicked(const ProfileHiveRow& row, bool profileSwapWired);

// The row's tip: the account the profile belongs to, or the words saying that
// its SID names no account now.
CString ProfileRowTip(const ProfileHiveRow& row,
                      const std::function<CString(unsigned)>& loadString);

// The "Compact Size" cell of a measured profile hive file: sized when the copy
// was checked and proved equal, refused otherwise (a file in use or unreadable
// counts as not saved; a copy that differs counts as refused).
AnalysisCell CellOf(const AnalyzedProfileHive& hive);

// The cell of each row the analysis measured, as (row index, cell); a row is
// matched by its SID and file.
std::vector<std::pair<std::size_t, AnalysisCell>> ProfileRowCells(
    const std::vector<ProfileHiveRow>& rows, const ProfileAnalysisOutcome& outcome);

}  // namespace uilogic
