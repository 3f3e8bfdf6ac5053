#include "catalogue/HiveRecords.h"

CString HiveLeafName(const CString& name) { return name.Mid(name.ReverseFind(L'\\') + 1); }

bool StartsTicked(const HiveEntry& entry) { return entry.size != 0; }
