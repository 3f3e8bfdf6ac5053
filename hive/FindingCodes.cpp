#include "hive/FindingCodes.h"

namespace hive {

namespace {

constexpr FindingCodeInfo kCodes[] = {
    {FindingCode::BadBinHeader, "bad-bin-header", Severity::Error,
     "no valid hive bin header where a bin should start; the scanner skips to the next one"},
    {FindingCode::BadBinsSize, "bad-bins-size", Severity::Error,
     "the hive bins data size in the base block is not a non-zero multiple of 4096"},
    {FindingCode::BadCell, "bad-cell", Severity::Error,
     "a cell size is zero, not a multiple of 8 or crosses its bin; the scanner skips to the next "
     "cell that fits"},
    {FindingCode::DamagedCellUsed, "damaged-cell-used", Severity::Error,
     "a cell's size field is damaged, but the cell holds the record its referrer expects: the "
     "record is read from it"},
    {FindingCode::BadChecksum, "bad-checksum", Severity::Error, "the base block checksum is wrong"},
    {FindingCode::BadFileFormat, "bad-file-format", Severity::Error,
     "the base block's file format field is not 1"},
    {FindingCode::BadInlineSize, "bad-inline-size", Severity::Error,
     "a value keeps more than 4 bytes of data in its record"},
    {FindingCode::BadKey, "bad-key", Severity::Error, "a cell used as a key holds no key record"},
    {FindingCode::BadKeyName, "bad-key-name", Severity::Error,
     "a key's name is empty or starts with NUL: Windows drops such a key at load"},
    {FindingCode::BadLfHint, "bad-lf-hint", Severity::Error,
     "an lf list holds a wrong name hint, so lookups by name miss the key"},
    {FindingCode::BadLhHash, "bad-lh-hash", Severity::Error,
     "an lh list holds a wrong name hash, so lookups by name miss the key"},
    {FindingCode::BadParent, "bad-parent", Severity::Error,
     "a key's parent field names another key than the one listing it"},
    {FindingCode::BadReference, "bad-reference", Severity::Error,
     "a reference that should name an allocated cell does not"},
    {FindingCode::BadRoot, "bad-root", Severity::Error,
     "the root cell is not a readable key: nothing can be reached"},
    {FindingCode::BadSecurity, "bad-security", Severity::Error,
     "a key's security reference holds no whole security record"},
    {FindingCode::BadSubkeyList, "bad-subkey-list", Severity::Error,
     "a subkey list is not an li, lf, lh or ri list"},
    {FindingCode::BadSymbolicLink, "bad-symbolic-link", Severity::Error,
     "a symbolic-link key holds more than one value, or one not named SymbolicLinkValue: "
     "Windows drops its values at load"},
    {FindingCode::BadValue, "bad-value", Severity::Error,
     "a cell used as a value holds no value record"},
    {FindingCode::BigValueInOneCell, "big-value-in-one-cell", Severity::Error,
     "data over 16,344 bytes in one cell where the format needs a big-data record"},
    {FindingCode::BinSizeMismatch, "bin-size-mismatch", Severity::Error,
     "a hive bin ends past the hive bins data size"},
    {FindingCode::BinSpare, "bin-spare", Severity::Warning, "a hive bin's spare field is not zero"},
    {FindingCode::BinsPastEnd, "bins-past-end", Severity::Error,
     "the hive bins data reach past the end of the file"},
    {FindingCode::CellShared, "cell-shared", Severity::Error, "one cell is used by two records"},
    {FindingCode::ClassShort, "class-short", Severity::Error,
     "a class name cell is shorter than the key claims"},
    {FindingCode::DbSegments, "db-segments", Severity::Error,
     "a big-data record's segment count or list is wrong"},
    {FindingCode::Dirty, "dirty", Severity::Warning,
     "the hive is dirty and no log brought it up to date: the latest unflushed changes are "
     "missing"},
    {FindingCode::KeyTwice, "key-twice", Severity::Error,
     "a key is reached twice: a cycle or a shared subkey"},
    {FindingCode::LargestTooLarge, "largest-too-large", Severity::Note,
     "a largest-length field is larger than what is there (it counts volatile children and never "
     "shrinks)"},
    {FindingCode::LargestTooSmall, "largest-too-small", Severity::Error,
     "a largest-length field is smaller than what is there"},
    {FindingCode::ListTooLong, "list-too-long", Severity::Error,
     "a list claims more elements than its cell holds"},
    {FindingCode::SubkeyCount, "subkey-count", Severity::Error,
     "a key's subkey count disagrees with its lists"},
    {FindingCode::SubkeysOutOfOrder, "subkeys-out-of-order", Severity::Error,
     "a subkey list is not sorted by name, so lookups miss keys"},
    {FindingCode::RootFlags, "root-flags", Severity::Warning,
     "the root key is not marked as the hive's entry key; readers find it through the base "
     "block, and a compaction sets the mark"},
    {FindingCode::SkRefcount, "sk-refcount", Severity::Error,
     "a security record counts fewer references than keys use it"},
    {FindingCode::SkRefcountHigh, "sk-refcount-high", Severity::Warning,
     "a security record counts more references than keys in the file use it"},
    {FindingCode::SkRing, "sk-ring", Severity::Error, "the ring of security records is broken"},
    {FindingCode::SkUnused, "sk-unused", Severity::Warning,
     "a security record is in the ring but no key in the file uses it: leaked space"},
    {FindingCode::TooDeep, "too-deep", Severity::Error, "keys nested deeper than Windows allows"},
    {FindingCode::UnreferencedCell, "unreferenced-cell", Severity::Warning,
     "an allocated cell is not reached from the root key: leaked space"},
    {FindingCode::ValueCount, "value-count", Severity::Error,
     "a key's value count is larger than its value list holds"},
    {FindingCode::ValueDataShort, "value-data-short", Severity::Error,
     "a value's data cell is shorter than its data size"},
    {FindingCode::VolatileFields, "volatile-fields", Severity::Note,
     "a key carries volatile subkey counts or list offsets, memory-only values a running system "
     "flushes"},
    {FindingCode::BaseBlockReserved, "base-block-reserved", Severity::Note,
     "bytes outside every known base block field are not zero"},
    {FindingCode::DataAfterBins, "data-after-bins", Severity::Note,
     "remnant data after the last bin (often old bins left when the hive shrank)"},
    {FindingCode::ZeroPaddingAfterBins, "zero-padding-after-bins", Severity::Note,
     "zero bytes after the last bin"},
    {FindingCode::LogsNotReplayed, "logs-not-replayed", Severity::Error,
     "the hive is marked clean but its logs hold newer entries"},
    {FindingCode::LogBad, "log-bad", Severity::Warning,
     "a log file is not a usable transaction log"},
    {FindingCode::LogEntryBad, "log-entry-bad", Severity::Warning,
     "a log entry is damaged; later entries of that log are not used"},
    {FindingCode::LogGap, "log-gap", Severity::Warning,
     "log entries the hive needs are gone: its content cannot be brought fully up to date"},
    {FindingCode::LogNothingToApply, "log-nothing-to-apply", Severity::Warning,
     "no log entry is new enough for the dirty hive"},
    {FindingCode::LogEmpty, "log-empty", Severity::Note, "a log file is empty"},
    {FindingCode::LogNotApplicable, "log-not-applicable", Severity::Note,
     "an old-format log belongs to another write"},
    {FindingCode::LogNotNeeded, "log-not-needed", Severity::Note,
     "the hive is clean and its logs hold nothing newer"},
    {FindingCode::LogStop, "log-stop", Severity::Note,
     "log recovery stops where the sequence numbers stop following each other"},
    {FindingCode::LogStale, "log-stale", Severity::Note,
     "a log holds only entries older than the hive: it was already written to the hive"},
    {FindingCode::LogSkippedEntries, "log-skipped-entries", Severity::Note,
     "entries before the logs' first one are missing, but the hive already holds their results"},
    {FindingCode::BadClusteringFactor, "bad-clustering-factor", Severity::Error,
     "the base block's clustering factor is not 1: Windows refuses the hive"},
    {FindingCode::BigDataTooEarly, "big-data-too-early", Severity::Error,
     "a big-data record in a hive of format 1.3, which knows none: Windows reads the record "
     "itself as the data"},
    {FindingCode::BigDataTooSmall, "big-data-too-small", Severity::Error,
     "a big-data record for 16,344 bytes or less, which fit one cell: Windows reads the record "
     "itself as the data"},
    {FindingCode::VolatileKey, "volatile-key", Severity::Warning,
     "a key on disk is marked volatile, which only keys kept in memory are: Windows leaves it out "
     "of the next save it makes of the hive"},
};

}  // namespace

std::span<const FindingCodeInfo> AllFindingCodes() { return kCodes; }

const FindingCodeInfo& Describe(FindingCode code) { return kCodes[static_cast<std::size_t>(code)]; }

const FindingCodeInfo* FindFindingCode(std::string_view name) {
  for (const FindingCodeInfo& info : kCodes)
    if (info.name == name) return &info;
  return nullptr;
}

}  // namespace hive
