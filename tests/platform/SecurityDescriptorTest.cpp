// The descriptors Kelvaro builds and the facts it reads from the ones the
// platform hands back: built ones read back whole, damaged ones are refused
// rather than misread, and the owner and write checks answer per row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SecurityDescriptor.h"

namespace {

using namespace platform;

const SidBytes kUser = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0,    0, 7, 0,
                        0, 0, 8, 0, 0, 0, 9, 0, 0,  0, 0xE9, 3, 0, 0};

TEST(SecurityDescriptorTest, ProtectedDescriptorReadsBackWhole) {
  std::optional<DescriptorFacts> facts = ReadDescriptor(ProtectedDescriptor());
  ASSERT_TRUE(facts.has_value());
  EXPECT_EQ(facts->owner, AdministratorsSid());
  EXPECT_TRUE(facts->hasDacl);
  ASSERT_EQ(facts->allowed.size(), 2u);
  EXPECT_EQ(facts->allowed[0].sid, LocalSystemSid());
  EXPECT_EQ(facts->allowed[1].sid, AdministratorsSid());
  for (const AllowEntry& entry : facts->allowed) EXPECT_EQ(entry.mask, kFileAllAccess);
  // SE_DACL_PROTECTED: nothing inherited from the folder above.
  EXPECT_NE(ProtectedDescriptor()[3] & 0x10, 0);
}

TEST(SecurityDescriptorTest, OwnerAndWriteChecksPerDescriptor) {
  struct Row {
    const char* what;
    DescriptorBytes descriptor;
    bool ownedByAdministration;
    bool userMayModify;
  };
  const std::vector<SidBytes> user = {kUser, UsersSid(), EveryoneSid()};
  const std::vector<Row> rows = {
      {"protected", ProtectedDescriptor(), true, false},
      {"system owner, users read",
       MakeDescriptor(LocalSystemSid(), LocalSystemSid(),
                      {{AdministratorsSid(), kFileAllAccess, 0}, {UsersSid(), kFileGenericRead, 0}},
                      false),
       true, false},
      {"user owner", MakeDescriptor(kUser, kUser, {{AdministratorsSid(), kFileAllAccess, 0}}, true),
       false, true},
      {"everyone may write",
       MakeDescriptor(AdministratorsSid(), AdministratorsSid(), {{EveryoneSid(), 0x2, 0}}, false),
       true, true},
      {"users may delete",
       MakeDescriptor(AdministratorsSid(), AdministratorsSid(), {{UsersSid(), 0x10000, 0}}, false),
       true, true},
      {"users may change the owner",
       MakeDescriptor(AdministratorsSid(), AdministratorsSid(), {{UsersSid(), 0x80000, 0}}, false),
       true, true},
      {"empty DACL", MakeDescriptor(AdministratorsSid(), AdministratorsSid(), {}, false), true,
       false},
      {"not a descriptor", DescriptorBytes{1, 2, 3}, false, true},
      {"no bytes", DescriptorBytes{}, false, true},
  };
  for (std::size_t index = 0; index < rows.size(); ++index) {
    const Row& row = rows[index];
    EXPECT_EQ(IsOwnedByAdministration(row.descriptor), row.ownedByAdministration)
        << "row " << index << ": " << row.what;
    EXPECT_EQ(GrantsModify(row.descriptor, user), row.userMayModify)
        << "row " << index << ": " << row.what;
  }
}

TEST(SecurityDescriptorTest, DamagedDescriptorsAreRefused) {
  struct Row {
    const char* what;
    std::size_t at;
    std::uint8_t value;
  };
  const DescriptorBytes good = ProtectedDescriptor();
  // Offsets: 0 revision, 2 control, 4 owner offset, 16 DACL offset; the owner
  // SID starts at 20, the DACL after owner and group.
  const std::size_t daclAt = good[16];
  const std::vector<Row> rows = {
      {"revision", 0, 2},
      {"not self-relative", 3, 0x10},
      {"owner beyond the end", 4, 0xF0},
      {"owner SID revision", 20, 9},
      {"owner SID with too many parts", 21, 40},
      {"DACL beyond the end", 16, 0xF0},
      {"DACL size beyond the end", daclAt + 2, 0xF0},
      {"ACE size beyond the ACL", daclAt + 8 + 2, 0xF0},
      {"ACE count beyond the ACL", daclAt + 4, 9},
  };
  ASSERT_TRUE(ReadDescriptor(good).has_value());
  for (std::size_t index = 0; index < rows.size(); ++index) {
    DescriptorBytes damaged = good;
    damaged[rows[index].at] = rows[index].value;
    EXPECT_FALSE(ReadDescriptor(damaged).has_value())
        << "row " << index << ": " << rows[index].what;
  }
}

TEST(SecurityDescriptorTest, EveryCutDescriptorIsRefused) {
  const DescriptorBytes good = ProtectedDescriptor();
  for (std::size_t length = 0; length < good.size(); ++length) {
    DescriptorBytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(ReadDescriptor(cut).has_value()) << "cut to " << length << " bytes";
  }
}

}  // namespace
