#pragma once
#include <stddef.h>

// A set of file names, compared without regard to case as the file system compares them
// (the ANSI code page's upper case). Adding and looking up cost the same however many names
// it holds.
class TNameSet {
public:
  TNameSet() = default;
  ~TNameSet();
  TNameSet(const TNameSet&) = delete;
  TNameSet& operator=(const TNameSet&) = delete;

  // False when memory runs out; the set is then unchanged.
  bool Add(const char* name);
  bool Contains(const char* name) const;

private:
  bool Grow();
  size_t Find(const char* key, unsigned hash) const;

  char** Slots = nullptr;  // upper-cased copies; null where free
  size_t Size = 0, Used = 0;
};
