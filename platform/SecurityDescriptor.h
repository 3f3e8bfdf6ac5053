#pragma once
// Security identifiers and self-relative security descriptors in the platform's
// own byte layout (SID, ACL, ACCESS_ALLOWED_ACE, SECURITY_DESCRIPTOR_RELATIVE),
// built and read without the platform: what Kelvaro hands to CreateDirectoryW
// and RegSaveKeyExW, and what it reads back from GetKernelObjectSecurity.
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Win32Constants.h"

namespace platform {

using SidBytes = std::vector<std::uint8_t>;
using DescriptorBytes = std::vector<std::uint8_t>;

SidBytes LocalSystemSid();         // S-1-5-18
SidBytes AdministratorsSid();      // S-1-5-32-544
SidBytes UsersSid();               // S-1-5-32-545
SidBytes EveryoneSid();            // S-1-1-0
SidBytes AuthenticatedUsersSid();  // S-1-5-11

// The well-formed SID at the front of `bytes`, or nothing.
std::optional<SidBytes> ReadSid(const std::uint8_t* bytes, std::size_t size);

// One allow entry of a DACL.
struct AllowEntry {
  SidBytes sid;
  std::uint32_t mask;
  std::uint8_t flags;  // inheritance flags of the ACE header
};

// A self-relative descriptor with the owner, the group and a DACL of allow
// entries. `protectedDacl` sets SE_DACL_PROTECTED so nothing is inherited.
DescriptorBytes MakeDescriptor(const SidBytes& owner, const SidBytes& group,
                               const std::vector<AllowEntry>& allowed, bool protectedDacl);

// SYSTEM and Administrators full control, nothing inherited, owner and group
// Administrators: every file and folder Kelvaro makes for a run.
DescriptorBytes ProtectedDescriptor();

// What a self-relative descriptor says. Nothing when the bytes are not one.
struct DescriptorFacts {
  std::optional<SidBytes> owner;
  bool hasDacl = false;  // no DACL grants everyone everything
  std::vector<AllowEntry> allowed;
  bool hasDenyEntries = false;
};
std::optional<DescriptorFacts> ReadDescriptor(const DescriptorBytes& descriptor);

// Owned by SYSTEM or Administrators.
bool IsOwnedByAdministration(const DescriptorBytes& descriptor);

// Whether a holder of one of `sids` may have any of `rights` on the object: a
// missing DACL, ownership (the owner may rewrite the DACL), or an allow entry
// with one of the rights. Deny entries are not subtracted: the answer errs
// towards "may".
bool GrantsAccess(const DescriptorBytes& descriptor, const std::vector<SidBytes>& sids,
                  std::uint32_t rights);

// GrantsAccess for the modifying rights.
bool GrantsModify(const DescriptorBytes& descriptor, const std::vector<SidBytes>& sids);

// Whether anyone but SYSTEM and Administrators may change the object: a
// missing or unreadable DACL, or an allow entry with a modifying right for
// any other identifier.
bool GrantsModifyBeyondAdministration(const DescriptorBytes& descriptor);

}  // namespace platform
