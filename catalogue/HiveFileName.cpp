#include "catalogue/HiveFileName.h"

#include "catalogue/HiveRecords.h"
#include "path/PathException.h"

std::optional<CPathComponent> HiveFileName(const CString& hiveName) {
  const CString leaf = HiveLeafName(hiveName);
  if (leaf.IsEmpty() || leaf == kDot || leaf == kDotDot) return std::nullopt;
  for (int index = 0; index < leaf.GetLength(); ++index) {
    const wchar_t ch = leaf.GetAt(index);
    if (ch < 0x20 || ch == L'*' || ch == L'?' || ch == L':') return std::nullopt;
  }
  try {
    return CPathComponent(leaf.GetString());
  } catch (const CPathException&) {
    return std::nullopt;
  }
}
