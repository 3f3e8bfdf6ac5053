#pragma once
// A parsed Windows path: four flags that say what kind of path it is and its
// components from the root outward. Parsing validates every component but
// resolves nothing; appending resolves "." and "..".
//   C:\Windows\System32 ⇒ drive, rooted; [C:, Windows, System32]
//   \\server\share\dir\ ⇒ UNC, rooted; [server, share, dir]
//   \Temp ⇒ rooted, relative; [Temp]      C: ⇒ drive, relative; [C:]
#include <cstdint>
#include <vector>

#include "path/PathComponent.h"
#include "path/PathException.h"
#include "path/PathString.h"

class CPathName {
 public:
  CPathName() = default;
  CPathName(const CPathName& other) = default;
  CPathName(CPathName&& other) noexcept = default;
  CPathName& operator=(const CPathName& other) = default;
  CPathName& operator=(CPathName&& other) noexcept = default;
  virtual ~CPathName() = default;

  // Replaces this path by the parse of `text`. Throws CPathException
  // (invalidName, noMemory) and then leaves the path empty.
  void Parse(const CPathString& text);
  // Parse without throwing: false on failure, with the path empty and the cause
  // written to `error` when given (CPathException::none for anything else caught).
  bool SetPath(const wchar_t* text, CPathException* error = nullptr);

  // The path's text: components joined by backslashes behind the UNC prefix or
  // the root backslash; no trailing backslash except for a drive root (C:\).
  CPathString GetText() const;
  // Appends one component in place: "." changes nothing, ".." removes the last
  // component. Throws CPathException::badCombine for a drive that would not be
  // first, or ".." at a drive root or a UNC share; the path is then unchanged.
  CPathName& Append(const CPathComponent& component);
  // \\server\share of a UNC path with both; otherwise the empty path.
  CPathName GetUncRoot() const;
  // The drive (C:) of a drive path; otherwise an empty component.
  CPathComponent GetDriveComponent() const;
  // The component at `index`; an empty component past the end.
  CPathComponent GetComponent(std::uint32_t index) const;
  void Clear();
  // Removes every component and keeps the flags, as appending ".." to each would.
  void RemoveComponents() { m_components.clear(); }

  bool IsUnc() const { return m_bUnc; }
  bool HasDrive() const { return m_bDrive; }
  bool IsRooted() const { return m_bRooted; }
  bool IsRelative() const { return m_bRelative; }
  std::uint32_t GetComponentCount() const {
    return static_cast<std::uint32_t>(m_components.size());
  }
  bool IsEmpty() const { return m_components.empty(); }

 private:
  void ParseComponents(const CPathString& text);

  bool m_bUnc = false;
  bool m_bDrive = false;
  bool m_bRooted = false;
  bool m_bRelative = false;
  std::vector<CPathComponent> m_components;
};

// `path` with `component` appended, as CPathName::Append does; `path` is unchanged.
CPathName Combine(const CPathName& path, const CPathComponent& component);
