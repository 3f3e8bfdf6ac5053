#pragma once
// The path library's only exception, thrown by value and caught by reference.
// Only CPathName::SetPath catches it; everywhere else it reaches the caller.
#include <cstdint>

class CPathException {
 public:
  enum Cause : std::int32_t {
    none = 0,         // never thrown: SetPath's record when something else escaped
    invalidName = 1,  // a component fails its rule, or would be empty
    noMemory = 2,     // no memory for a new component while parsing
    badCombine = 3,   // a drive appended to a non-empty path, or ".." above the root
  };

  explicit CPathException(std::int32_t cause = none) : m_cause(cause) {}
  CPathException(const CPathException& other) = default;
  CPathException& operator=(const CPathException& other) = default;
  virtual ~CPathException() = default;

  std::int32_t m_cause;
};
