#pragma once
// The account a SID belongs to, as the local system names it.
#include <string>

namespace profiles {

// "S-1-5-18" ⇒ "NT AUTHORITY\SYSTEM"; empty when the text is no SID or no
// account has it (a deleted user, a domain that does not answer).
std::wstring LookUpAccountName(const std::wstring& sidText);

}  // namespace profiles
