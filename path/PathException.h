#pragma once
// The path library's only exception, thrown by value and caught by reference.
// Inside the library only CPathName::SetPath catches it (and reports a false
// result); every other call lets it reach the caller, so whoever builds a
// component or combines paths from text it does not control catches it there
// (the catalogue, the results, the live log and the results window do).
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
