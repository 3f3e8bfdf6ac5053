#pragma once
// Security identifiers and self-relative security descriptors in the platform's
// own byte layout (SID, ACL, ACCESS_ALLOWED_ACE, SECURITY_DESCRIPTOR_RELATIVE),
// built and read without the platform: what Kelvaro hands to CreateDirectoryW
// and RegSaveKeyExW, and what it reads back from GetKernelObjectSecurity.
#include <cstdint>
#include <optional>
#include <vector>

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

inline constexpr std::uint32_t kFileAllAccess = 0x1F01FF;
inline constexpr std::uint32_t kFileGenericRead = 0x120089;
// Rights that let the holder change a file or what a folder holds: write or
// append data, write attributes or extended attributes, delete, delete a
// child, change the DACL or the owner, and the generic write and all bits.
inline constexpr std::uint32_t kModifyingRights =
    0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;
inline constexpr std::uint8_t kObjectAndContainerInherit = 0x1 | 0x2;

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

// Whether a holder of one of `sids` (and not the owner) may change the object:
// a missing DACL, or an allow entry with a modifying right. Deny entries are
// not subtracted: the answer errs towards "may".
bool GrantsModify(const DescriptorBytes& descriptor, const std::vector<SidBytes>& sids);

}  // namespace platform
