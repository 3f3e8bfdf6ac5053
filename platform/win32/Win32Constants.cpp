// Compiled only in the Windows builds: each constant the portable code copies
// equals the value <windows.h> gives it. Nothing here runs.
#include "platform/Win32Constants.h"

#include <windows.h>

#include <commctrl.h>

namespace {

using namespace platform;

// Compares as numbers, whatever integer or enumeration type either side has.
template <class Ours, class Theirs>
constexpr bool Same(Ours ours, Theirs theirs) {
  return static_cast<long long>(ours) == static_cast<long long>(theirs);
}

static_assert(Same(kErrorSuccess, ERROR_SUCCESS));
static_assert(Same(kErrorNoneMapped, ERROR_NONE_MAPPED));
static_assert(Same(kErrorBadDb, ERROR_BADDB));
static_assert(Same(kErrorUnableToRemoveReplaced, ERROR_UNABLE_TO_REMOVE_REPLACED));
static_assert(Same(kErrorUnableToMoveReplacement, ERROR_UNABLE_TO_MOVE_REPLACEMENT));
static_assert(Same(kErrorUnableToMoveReplacement2, ERROR_UNABLE_TO_MOVE_REPLACEMENT_2));
static_assert(Same(kErrorFileNotFound, ERROR_FILE_NOT_FOUND));
static_assert(Same(kErrorPathNotFound, ERROR_PATH_NOT_FOUND));
static_assert(Same(kErrorAccessDenied, ERROR_ACCESS_DENIED));
static_assert(Same(kErrorInvalidHandle, ERROR_INVALID_HANDLE));
static_assert(Same(kErrorNotEnoughMemory, ERROR_NOT_ENOUGH_MEMORY));
static_assert(Same(kErrorNoMoreFiles, ERROR_NO_MORE_FILES));
static_assert(Same(kErrorInvalidParameter, ERROR_INVALID_PARAMETER));
static_assert(Same(kErrorInsufficientBuffer, ERROR_INSUFFICIENT_BUFFER));
static_assert(Same(kErrorAlreadyExists, ERROR_ALREADY_EXISTS));
static_assert(Same(kErrorMoreData, ERROR_MORE_DATA));
static_assert(Same(kErrorNoMoreItems, ERROR_NO_MORE_ITEMS));
static_assert(Same(kErrorNoToken, ERROR_NO_TOKEN));
static_assert(Same(kErrorNoSuchPrivilege, ERROR_NO_SUCH_PRIVILEGE));
static_assert(Same(kErrorNotAllAssigned, ERROR_NOT_ALL_ASSIGNED));
static_assert(Same(kErrorPrivilegeNotHeld, ERROR_PRIVILEGE_NOT_HELD));
static_assert(Same(kErrorNotSameDevice, ERROR_NOT_SAME_DEVICE));
static_assert(Same(kErrorBadNetPath, ERROR_BAD_NETPATH));
static_assert(Same(kErrorInvalidName, ERROR_INVALID_NAME));
static_assert(Same(kErrorDirNotEmpty, ERROR_DIR_NOT_EMPTY));
static_assert(Same(kErrorBadPathname, ERROR_BAD_PATHNAME));
static_assert(Same(kErrorDirectory, ERROR_DIRECTORY));
static_assert(Same(kErrorInvalidFlags, ERROR_INVALID_FLAGS));
static_assert(Same(kErrorKeyDeleted, ERROR_KEY_DELETED));
static_assert(Same(kErrorSharingViolation, ERROR_SHARING_VIOLATION));
static_assert(Same(kErrorFileExists, ERROR_FILE_EXISTS));
static_assert(Same(kErrorCallNotImplemented, ERROR_CALL_NOT_IMPLEMENTED));
static_assert(Same(kErrorUnknownRevision, ERROR_UNKNOWN_REVISION));

static_assert(Same(kTokenElevationClass, TokenElevation));
static_assert(sizeof(TOKEN_ELEVATION) == sizeof(std::uint32_t));

static_assert(Same(kRegNone, REG_NONE));
static_assert(Same(kRegSz, REG_SZ));
static_assert(Same(kRegExpandSz, REG_EXPAND_SZ));
static_assert(Same(kRegBinary, REG_BINARY));
static_assert(Same(kRegDword, REG_DWORD));
static_assert(Same(kRegMultiSz, REG_MULTI_SZ));

static_assert(Same(kKeyQueryValue, KEY_QUERY_VALUE));
static_assert(Same(kKeySetValue, KEY_SET_VALUE));
static_assert(Same(kKeyEnumerateSubKeys, KEY_ENUMERATE_SUB_KEYS));
static_assert(Same(kKeyRead, KEY_READ));
static_assert(Same(kKeyWrite, KEY_WRITE));
static_assert(Same(kKeyAllAccess, KEY_ALL_ACCESS));
static_assert(Same(kKeyWow64_64Key, KEY_WOW64_64KEY));
static_assert(Same(kRegOptionNonVolatile, REG_OPTION_NON_VOLATILE));
static_assert(Same(kRegOptionVolatile, REG_OPTION_VOLATILE));
static_assert(Same(kRegOptionBackupRestore, REG_OPTION_BACKUP_RESTORE));
static_assert(Same(kRegOptionOpenLink, REG_OPTION_OPEN_LINK));
static_assert(Same(kRegStandardFormat, REG_STANDARD_FORMAT));
static_assert(Same(kRegLatestFormat, REG_LATEST_FORMAT));
static_assert(Same(kRegCreatedNewKey, REG_CREATED_NEW_KEY));
static_assert(Same(kRegOpenedExistingKey, REG_OPENED_EXISTING_KEY));

static_assert(Same(kTokenQuery, TOKEN_QUERY));
static_assert(Same(kTokenAdjustPrivileges, TOKEN_ADJUST_PRIVILEGES));
static_assert(Same(kTokenGroupsClass, TokenGroups));
static_assert(Same(kTokenPrivilegesClass, TokenPrivileges));

static_assert(Same(kSeGroupEnabled, SE_GROUP_ENABLED));
static_assert(Same(kSeGroupUseForDenyOnly, SE_GROUP_USE_FOR_DENY_ONLY));
static_assert(Same(kSePrivilegeEnabledByDefault, SE_PRIVILEGE_ENABLED_BY_DEFAULT));
static_assert(Same(kSePrivilegeEnabled, SE_PRIVILEGE_ENABLED));

static_assert(Same(kProcessorArchitectureIntel, PROCESSOR_ARCHITECTURE_INTEL));
static_assert(Same(kProcessorArchitectureIa64, PROCESSOR_ARCHITECTURE_IA64));
static_assert(Same(kProcessorArchitectureAmd64, PROCESSOR_ARCHITECTURE_AMD64));
static_assert(Same(kProcessorArchitectureArm64, PROCESSOR_ARCHITECTURE_ARM64));

static_assert(Same(kInvalidFileAttributes, INVALID_FILE_ATTRIBUTES));
static_assert(Same(kFileAttributeReadOnly, FILE_ATTRIBUTE_READONLY));
static_assert(Same(kFileAttributeHidden, FILE_ATTRIBUTE_HIDDEN));
static_assert(Same(kFileAttributeSystem, FILE_ATTRIBUTE_SYSTEM));
static_assert(Same(kFileAttributeDirectory, FILE_ATTRIBUTE_DIRECTORY));
static_assert(Same(kFileAttributeArchive, FILE_ATTRIBUTE_ARCHIVE));
static_assert(Same(kFileAttributeNormal, FILE_ATTRIBUTE_NORMAL));
static_assert(Same(kFileAttributeTemporary, FILE_ATTRIBUTE_TEMPORARY));
static_assert(Same(kFileAttributeReparsePoint, FILE_ATTRIBUTE_REPARSE_POINT));
static_assert(Same(kFileAttributeOffline, FILE_ATTRIBUTE_OFFLINE));
static_assert(Same(kFileAttributeNotContentIndexed, FILE_ATTRIBUTE_NOT_CONTENT_INDEXED));

static_assert(Same(kLocaleSystemDefault, LOCALE_SYSTEM_DEFAULT));
static_assert(Same(kLocaleUserDefault, LOCALE_USER_DEFAULT));
static_assert(Same(kLocaleReturnNumber, LOCALE_RETURN_NUMBER));
static_assert(Same(kLocaleSDecimal, LOCALE_SDECIMAL));
static_assert(Same(kLocaleSThousand, LOCALE_STHOUSAND));
static_assert(Same(kLocaleSGrouping, LOCALE_SGROUPING));
static_assert(Same(kLocaleIDigits, LOCALE_IDIGITS));
static_assert(Same(kLocaleILZero, LOCALE_ILZERO));
static_assert(Same(kLocaleSNegativeSign, LOCALE_SNEGATIVESIGN));
static_assert(Same(kLocaleINegNumber, LOCALE_INEGNUMBER));
static_assert(Same(kNormIgnoreCase, NORM_IGNORECASE));
static_assert(Same(kCompareLessThan, CSTR_LESS_THAN));
static_assert(Same(kCompareEqual, CSTR_EQUAL));
static_assert(Same(kCompareGreaterThan, CSTR_GREATER_THAN));

constexpr SID_IDENTIFIER_AUTHORITY kNtAuthority = SECURITY_NT_AUTHORITY;
constexpr bool SameAuthority() {
  for (int index = 0; index < 6; ++index) {
    if (kSecurityNtAuthority[index] != kNtAuthority.Value[index]) return false;
  }
  return true;
}
static_assert(SameAuthority());
static_assert(Same(kSecurityBuiltinDomainRid, SECURITY_BUILTIN_DOMAIN_RID));
static_assert(Same(kDomainAliasRidAdmins, DOMAIN_ALIAS_RID_ADMINS));

static_assert(Same(kSidRevision, SID_REVISION));
static_assert(Same(kAclRevision, ACL_REVISION));
static_assert(Same(kDescriptorRevision, SECURITY_DESCRIPTOR_REVISION));
static_assert(Same(kAccessAllowedAceType, ACCESS_ALLOWED_ACE_TYPE));
static_assert(Same(kAccessDeniedAceType, ACCESS_DENIED_ACE_TYPE));
static_assert(Same(kObjectAndContainerInherit, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE));
static_assert(Same(kSeDaclPresent, SE_DACL_PRESENT));
static_assert(Same(kSeDaclProtected, SE_DACL_PROTECTED));
static_assert(Same(kSeSelfRelative, SE_SELF_RELATIVE));
static_assert(Same(kFileAllAccess, FILE_ALL_ACCESS));
static_assert(Same(kFileGenericRead, FILE_GENERIC_READ));
static_assert(Same(kModifyingRights, FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_WRITE_EA |
                                         FILE_DELETE_CHILD | FILE_WRITE_ATTRIBUTES | DELETE |
                                         WRITE_DAC | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL));

static_assert(Same(kSizeMaximized, SIZE_MAXIMIZED));
static_assert(Same(kHitTestClient, HTCLIENT));
static_assert(Same(kHitTestBottomRight, HTBOTTOMRIGHT));
static_assert(Same(kStateImageMask, LVIS_STATEIMAGEMASK));
static_assert(Same(kHitOnStateIcon, LVHT_ONITEMSTATEICON));
static_assert(Same(kHitOnLabel, LVHT_ONITEMLABEL));
static_assert(Same(kVirtualKeySpace, VK_SPACE));

static_assert(Same(kWmVKeyToItem, WM_VKEYTOITEM));
static_assert(Same(kWmCharToItem, WM_CHARTOITEM));
static_assert(Same(kWmQueryDragIcon, WM_QUERYDRAGICON));
static_assert(Same(kWmCompareItem, WM_COMPAREITEM));
static_assert(Same(kWmInitDialog, WM_INITDIALOG));
static_assert(Same(kWmCtlColorMsgBox, WM_CTLCOLORMSGBOX));
static_assert(Same(kWmCtlColorStatic, WM_CTLCOLORSTATIC));

// Not here: the predefined roots (HKEY_LOCAL_MACHINE, HKEY_USERS) and
// INVALID_HANDLE_VALUE (kInvalidFindHandle, kInvalidFileHandle) are pointer
// casts, which no constant expression can read.

}  // namespace
