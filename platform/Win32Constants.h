#pragma once
// Every Win32 constant the portable code copies, with the platform's own value.
// The Windows builds check each against <windows.h> (platform/win32/
// Win32Constants.cpp), so a copy cannot drift from the real value.
#include <cstdint>

#include "platform/Types.h"

namespace platform {

inline constexpr Status kErrorSuccess = 0;
inline constexpr Status kErrorFileNotFound = 2;
inline constexpr Status kErrorPathNotFound = 3;
inline constexpr Status kErrorAccessDenied = 5;
inline constexpr Status kErrorInvalidHandle = 6;
inline constexpr Status kErrorNotEnoughMemory = 8;
inline constexpr Status kErrorNoMoreFiles = 18;
inline constexpr Status kErrorInvalidParameter = 87;
inline constexpr Status kErrorInsufficientBuffer = 122;
inline constexpr Status kErrorAlreadyExists = 183;
inline constexpr Status kErrorMoreData = 234;
inline constexpr Status kErrorNoMoreItems = 259;
inline constexpr Status kErrorNoToken = 1008;
inline constexpr Status kErrorNoSuchPrivilege = 1313;
inline constexpr Status kErrorNotAllAssigned = 1300;
inline constexpr Status kErrorPrivilegeNotHeld = 1314;
inline constexpr Status kErrorNotSameDevice = 17;
inline constexpr Status kErrorBadNetPath = 53;
inline constexpr Status kErrorInvalidName = 123;
inline constexpr Status kErrorDirNotEmpty = 145;
inline constexpr Status kErrorBadPathname = 161;
inline constexpr Status kErrorDirectory = 267;
inline constexpr Status kErrorInvalidFlags = 1004;
inline constexpr Status kErrorKeyDeleted = 1018;
inline constexpr Status kErrorSharingViolation = 32;
inline constexpr Status kErrorFileExists = 80;
inline constexpr Status kErrorCallNotImplemented = 120;
inline constexpr Status kErrorUnknownRevision = 1305;
inline constexpr Status kErrorNoneMapped = 1332;
inline constexpr Status kErrorBadDb = 1009;
// ReplaceFileW's own failures (see IFileSystem::ReplaceKeepingBackup).
inline constexpr Status kErrorUnableToRemoveReplaced = 1175;
inline constexpr Status kErrorUnableToMoveReplacement = 1176;
inline constexpr Status kErrorUnableToMoveReplacement2 = 1177;

// Predefined registry roots (HKEY_LOCAL_MACHINE, HKEY_USERS).
inline constexpr KeyHandle kHKeyLocalMachine = 0x80000002u;
inline constexpr KeyHandle kHKeyUsers = 0x80000003u;

// Registry value types.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

// Registry access masks and options.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyWrite = 0x20006;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;
inline constexpr std::uint32_t kKeyWow64_64Key = 0x0100;
inline constexpr std::uint32_t kRegOptionNonVolatile = 0;
inline constexpr std::uint32_t kRegOptionVolatile = 1;
inline constexpr std::uint32_t kRegOptionBackupRestore = 4;
inline constexpr std::uint32_t kRegOptionOpenLink = 8;
// RegSaveKeyExW formats: the Windows 2000 one, or the hive's own newest.
inline constexpr std::uint32_t kRegStandardFormat = 1;
inline constexpr std::uint32_t kRegLatestFormat = 2;
// RegCreateKeyExW's dispositions.
inline constexpr std::uint32_t kRegCreatedNewKey = 1;
inline constexpr std::uint32_t kRegOpenedExistingKey = 2;

// Token access rights and information classes.
inline constexpr std::uint32_t kTokenQuery = 0x0008;
inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x0020;
inline constexpr std::uint32_t kTokenGroupsClass = 2;      // TokenGroups
inline constexpr std::uint32_t kTokenPrivilegesClass = 3;  // TokenPrivileges
// TokenElevation: a TOKEN_ELEVATION, one 32-bit word, non-zero when elevated.
inline constexpr std::uint32_t kTokenElevationClass = 20;

// Group and privilege attribute words.
inline constexpr std::uint32_t kSeGroupEnabled = 0x4;
inline constexpr std::uint32_t kSeGroupUseForDenyOnly = 0x10;
inline constexpr std::uint32_t kSePrivilegeEnabledByDefault = 0x1;
inline constexpr std::uint32_t kSePrivilegeEnabled = 0x2;

// Processor architectures of SYSTEM_INFO.
inline constexpr std::uint16_t kProcessorArchitectureIntel = 0;
inline constexpr std::uint16_t kProcessorArchitectureIa64 = 6;
inline constexpr std::uint16_t kProcessorArchitectureAmd64 = 9;
inline constexpr std::uint16_t kProcessorArchitectureArm64 = 12;

// File attributes.
inline constexpr std::uint32_t kInvalidFileAttributes = 0xFFFFFFFFu;
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kFileAttributeHidden = 0x2;
inline constexpr std::uint32_t kFileAttributeSystem = 0x4;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileAttributeTemporary = 0x100;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kFileAttributeOffline = 0x1000;
inline constexpr std::uint32_t kFileAttributeNotContentIndexed = 0x2000;
inline constexpr FindHandle kInvalidFindHandle = static_cast<FindHandle>(-1);
inline constexpr FileHandle kInvalidFileHandle = static_cast<FileHandle>(-1);

// Locale identifiers and information types.
inline constexpr std::uint32_t kLocaleSystemDefault = 0x800;
inline constexpr std::uint32_t kLocaleUserDefault = 0x400;
inline constexpr std::uint32_t kLocaleReturnNumber = 0x20000000;
inline constexpr std::uint32_t kLocaleSDecimal = 0x0E;
inline constexpr std::uint32_t kLocaleSThousand = 0x0F;
inline constexpr std::uint32_t kLocaleSGrouping = 0x10;
inline constexpr std::uint32_t kLocaleIDigits = 0x11;
inline constexpr std::uint32_t kLocaleILZero = 0x12;
inline constexpr std::uint32_t kLocaleSNegativeSign = 0x51;
inline constexpr std::uint32_t kLocaleINegNumber = 0x1010;
inline constexpr std::uint32_t kNormIgnoreCase = 0x1;
// CompareStringW's answers.
inline constexpr int kCompareLessThan = 1;
inline constexpr int kCompareEqual = 2;
inline constexpr int kCompareGreaterThan = 3;

// Security identifier parts of the built-in Administrators alias.
inline constexpr std::uint8_t kSecurityNtAuthority[6] = {0, 0, 0, 0, 0, 5};
inline constexpr std::uint32_t kSecurityBuiltinDomainRid = 32;
inline constexpr std::uint32_t kDomainAliasRidAdmins = 544;

// Self-relative security descriptors: revisions, control bits, entry types and
// flags, and the access rights Kelvaro grants or looks for.
inline constexpr std::uint8_t kSidRevision = 1;
inline constexpr std::uint8_t kAclRevision = 2;
inline constexpr std::uint8_t kDescriptorRevision = 1;
inline constexpr std::uint8_t kAccessAllowedAceType = 0;
inline constexpr std::uint8_t kAccessDeniedAceType = 1;
inline constexpr std::uint8_t kObjectAndContainerInherit = 0x1 | 0x2;
inline constexpr std::uint16_t kSeDaclPresent = 0x0004;
inline constexpr std::uint16_t kSeDaclProtected = 0x1000;
inline constexpr std::uint16_t kSeSelfRelative = 0x8000;
inline constexpr std::uint32_t kFileAllAccess = 0x1F01FF;
inline constexpr std::uint32_t kFileGenericRead = 0x120089;
// Rights that let the holder change a file or what a folder holds: write or
// append data, write attributes or extended attributes, delete, delete a
// child, change the DACL or the owner, and the generic write and all bits.
inline constexpr std::uint32_t kModifyingRights =
    0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 | 0x40000000 | 0x10000000;
// Rights that let the holder read a file's bytes: read data, and the generic
// read and all bits.
inline constexpr std::uint32_t kReadingRights = 0x1 | 0x80000000 | 0x10000000;

// Window message parameters, list-view bits and keys the windows' rules work with.
inline constexpr std::uint32_t kSizeMaximized = 2;        // SIZE_MAXIMIZED
inline constexpr int kHitTestClient = 1;                  // HTCLIENT
inline constexpr int kHitTestBottomRight = 17;            // HTBOTTOMRIGHT
inline constexpr std::uint32_t kStateImageMask = 0xF000;  // LVIS_STATEIMAGEMASK
inline constexpr std::uint32_t kHitOnStateIcon = 0x8;     // LVHT_ONITEMSTATEICON
inline constexpr std::uint32_t kHitOnLabel = 0x4;         // LVHT_ONITEMLABEL
inline constexpr std::uint16_t kVirtualKeySpace = 0x20;   // VK_SPACE

// Dialog messages whose answer is the dialog procedure's return value.
inline constexpr std::uint32_t kWmVKeyToItem = 0x002E;
inline constexpr std::uint32_t kWmCharToItem = 0x002F;
inline constexpr std::uint32_t kWmQueryDragIcon = 0x0037;
inline constexpr std::uint32_t kWmCompareItem = 0x0039;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;
inline constexpr std::uint32_t kWmCtlColorMsgBox = 0x0132;
inline constexpr std::uint32_t kWmCtlColorStatic = 0x0138;

}  // namespace platform
