#pragma once
// One component of a path (the text between two backslashes) and the rules a
// component's text must pass when it is made.
#include "path/PathString.h"

// Shared texts of the library.
inline constexpr wchar_t kDot[] = L".";
inline constexpr wchar_t kDotDot[] = L"..";
inline constexpr wchar_t kUncPrefix[] = L"\\\\";
inline constexpr wchar_t kDriveRoot[] = L":\\";
// Forbidden in an ordinary component. The wildcards are allowed there, so that a
// path can be a search pattern.
inline constexpr wchar_t kInvalidNameChars[] = L"\"\\/|<>";
// Forbidden in a UNC server name.
inline constexpr wchar_t kInvalidServerChars[] = L"\"\\/[]:;|=,+*?<>";

inline constexpr std::uint32_t kMaxNameLength = 260;
inline constexpr std::uint32_t kMaxServerNameLength = 64;

// The ordinary component rule: 1 to 260 characters, none of kInvalidNameChars,
// and a colon only as the second of exactly two characters ("C:").
//   "Windows" ⇒ true, "C:" ⇒ true, "a:b" ⇒ false, ":" ⇒ false, "a/b" ⇒ false
bool IsValidName(const wchar_t* text);
// The UNC server-name rule: 1 to 64 characters, none of kInvalidServerChars.
bool IsValidServerName(const wchar_t* text);

class CPathComponent {
 public:
  CPathComponent() = default;
  CPathComponent(const CPathComponent& other) = default;
  CPathComponent(CPathComponent&& other) noexcept = default;
  CPathComponent& operator=(const CPathComponent& other) = default;
  CPathComponent& operator=(CPathComponent&& other) noexcept = default;
  virtual ~CPathComponent() = default;

  // Validates a non-empty text with IsValidName and throws
  // CPathException::invalidName when it fails. Null or empty: an empty component.
  explicit CPathComponent(const wchar_t* text);
  explicit CPathComponent(const CPathString& text);

  const CPathString& GetText() const { return m_text; }
  bool IsEmpty() const { return m_text.IsEmpty(); }

 protected:
  using Rule = bool (*)(const wchar_t*);
  CPathComponent(const CPathString& text, Rule rule);

 private:
  CPathString m_text;
};

// A UNC server name: made under the server-name rule, stored as a plain component.
class CServerComponent : public CPathComponent {
 public:
  explicit CServerComponent(const wchar_t* text);
  explicit CServerComponent(const CPathString& text);
};
