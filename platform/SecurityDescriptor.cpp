#include "platform/SecurityDescriptor.h"

#include <algorithm>
#include <initializer_list>

namespace platform {

namespace {

constexpr std::size_t kDescriptorHeaderSize = 20;
constexpr std::size_t kAclHeaderSize = 8;
constexpr std::size_t kAceHeaderSize = 4;
constexpr std::size_t kMaxSubAuthorities = 15;

SidBytes MakeSid(std::uint8_t authority, std::initializer_list<std::uint32_t> rids) {
  SidBytes sid = {kSidRevision, static_cast<std::uint8_t>(rids.size()), 0, 0, 0, 0, 0, authority};
  for (std::uint32_t rid : rids) {
    for (int shift = 0; shift < 32; shift += 8)
      sid.push_back(static_cast<std::uint8_t>(rid >> shift));
  }
  return sid;
}

void Put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t Get16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | (bytes[1] << 8));
}

std::uint32_t Get32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
         (static_cast<std::uint32_t>(bytes[2]) << 16) |
         (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::vector<std::uint8_t> MakeAcl(const std::vector<AllowEntry>& allowed) {
  std::vector<std::uint8_t> acl(kAclHeaderSize, 0);
  acl[0] = kAclRevision;
  for (const AllowEntry& entry : allowed) {
    std::size_t at = acl.size();
    acl.resize(at + kAceHeaderSize + 4);
    acl[at] = kAccessAllowedAceType;
    acl[at + 1] = entry.flags;
    Put16(acl, at + 2, static_cast<std::uint16_t>(kAceHeaderSize + 4 + entry.sid.size()));
    Put32(acl, at + 4, entry.mask);
    acl.insert(acl.end(), entry.sid.begin(), entry.sid.end());
  }
  Put16(acl, 2, static_cast<std::uint16_t>(acl.size()));
  Put16(acl, 4, static_cast<std::uint16_t>(allowed.size()));
  return acl;
}

bool ContainsSid(const std::vector<SidBytes>& sids, const SidBytes& sid) {
  return std::find(sids.begin(), sids.end(), sid) != sids.end();
}

}  // namespace

SidBytes LocalSystemSid() { return MakeSid(5, {18}); }
SidBytes AdministratorsSid() { return MakeSid(5, {32, 544}); }
SidBytes UsersSid() { return MakeSid(5, {32, 545}); }
SidBytes EveryoneSid() { return MakeSid(1, {0}); }
SidBytes AuthenticatedUsersSid() { return MakeSid(5, {11}); }

std::optional<SidBytes> ReadSid(const std::uint8_t* bytes, std::size_t size) {
  if (size < 8 || bytes[0] != kSidRevision || bytes[1] > kMaxSubAuthorities) return std::nullopt;
  std::size_t length = 8 + 4 * static_cast<std::size_t>(bytes[1]);
  if (size < length) return std::nullopt;
  return SidBytes(bytes, bytes + length);
}

DescriptorBytes MakeDescriptor(const SidBytes& owner, const SidBytes& group,
                               const std::vector<AllowEntry>& allowed, bool protectedDacl) {
  const std::vector<std::uint8_t> acl = MakeAcl(allowed);
  // Sized once and filled in place: the parts follow the header in order.
  DescriptorBytes descriptor(kDescriptorHeaderSize + owner.size() + group.size() + acl.size(), 0);
  descriptor[0] = kDescriptorRevision;
  std::uint16_t control = kSeSelfRelative | kSeDaclPresent;
  if (protectedDacl) control |= kSeDaclProtected;
  Put16(descriptor, 2, control);
  std::size_t at = kDescriptorHeaderSize;
  auto place = [&descriptor, &at](const std::vector<std::uint8_t>& part, std::size_t offsetField) {
    Put32(descriptor, offsetField, static_cast<std::uint32_t>(at));
    std::copy(part.begin(), part.end(), descriptor.begin() + static_cast<std::ptrdiff_t>(at));
    at += part.size();
  };
  place(owner, 4);
  place(group, 8);
  place(acl, 16);
  return descriptor;
}

DescriptorBytes ProtectedDescriptor() {
  return MakeDescriptor(AdministratorsSid(), AdministratorsSid(),
                        {{LocalSystemSid(), kFileAllAccess, kObjectAndContainerInherit},
                         {AdministratorsSid(), kFileAllAccess, kObjectAndContainerInherit}},
                        true);
}

std::optional<DescriptorFacts> ReadDescriptor(const DescriptorBytes& descriptor) {
  const std::uint8_t* bytes = descriptor.data();
  const std::size_t size = descriptor.size();
  if (size < kDescriptorHeaderSize || bytes[0] != kDescriptorRevision) return std::nullopt;
  const std::uint16_t control = Get16(bytes + 2);
  if ((control & kSeSelfRelative) == 0) return std::nullopt;
  DescriptorFacts facts;
  if (std::uint32_t ownerAt = Get32(bytes + 4); ownerAt != 0) {
    if (ownerAt >= size) return std::nullopt;
    facts.owner = ReadSid(bytes + ownerAt, size - ownerAt);
    if (!facts.owner) return std::nullopt;
  }
  const std::uint32_t aclAt = Get32(bytes + 16);
  facts.hasDacl = (control & kSeDaclPresent) != 0 && aclAt != 0;
  if (!facts.hasDacl) return facts;
  if (aclAt > size || size - aclAt < kAclHeaderSize) return std::nullopt;
  const std::size_t aclSize = Get16(bytes + aclAt + 2);
  const std::size_t aceCount = Get16(bytes + aclAt + 4);
  if (aclSize < kAclHeaderSize || aclSize > size - aclAt) return std::nullopt;
  std::size_t at = aclAt + kAclHeaderSize;
  const std::size_t aclEnd = aclAt + aclSize;
  for (std::size_t index = 0; index < aceCount; ++index) {
    if (aclEnd - at < kAceHeaderSize) return std::nullopt;
    const std::uint8_t type = bytes[at];
    const std::size_t aceSize = Get16(bytes + at + 2);
    if (aceSize < kAceHeaderSize || aceSize > aclEnd - at) return std::nullopt;
    if (type == kAccessAllowedAceType) {
      if (aceSize < kAceHeaderSize + 4) return std::nullopt;
      std::optional<SidBytes> sid = ReadSid(bytes + at + 8, aceSize - 8);
      if (!sid) return std::nullopt;
      facts.allowed.push_back(AllowEntry{*sid, Get32(bytes + at + 4), bytes[at + 1]});
    } else if (type == kAccessDeniedAceType) {
      facts.hasDenyEntries = true;
    }
    at += aceSize;
  }
  return facts;
}

bool IsOwnedByAdministration(const DescriptorBytes& descriptor) {
  std::optional<DescriptorFacts> facts = ReadDescriptor(descriptor);
  if (!facts || !facts->owner) return false;
  return *facts->owner == LocalSystemSid() || *facts->owner == AdministratorsSid();
}

bool GrantsAccess(const DescriptorBytes& descriptor, const std::vector<SidBytes>& sids,
                  std::uint32_t rights) {
  std::optional<DescriptorFacts> facts = ReadDescriptor(descriptor);
  // Bytes nobody can read protect nothing.
  if (!facts) return true;
  if (facts->owner && ContainsSid(sids, *facts->owner)) return true;
  if (!facts->hasDacl) return true;
  for (const AllowEntry& entry : facts->allowed) {
    if ((entry.mask & rights) != 0 && ContainsSid(sids, entry.sid)) return true;
  }
  return false;
}

bool GrantsModify(const DescriptorBytes& descriptor, const std::vector<SidBytes>& sids) {
  return GrantsAccess(descriptor, sids, kModifyingRights);
}

bool GrantsModifyBeyondAdministration(const DescriptorBytes& descriptor) {
  std::optional<DescriptorFacts> facts = ReadDescriptor(descriptor);
  if (!facts || !facts->hasDacl) return true;
  const std::vector<SidBytes> administration = {LocalSystemSid(), AdministratorsSid()};
  for (const AllowEntry& entry : facts->allowed) {
    if ((entry.mask & kModifyingRights) != 0 && !ContainsSid(administration, entry.sid)) {
      return true;
    }
  }
  return false;
}

}  // namespace platform
