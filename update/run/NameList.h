#pragma once
#include <stddef.h>

// A growing list of file names, kept in one heap block.
class TNameList {
public:
  TNameList() = default;
  ~TNameList();
  TNameList(const TNameList&) = delete;
  TNameList& operator=(const TNameList&) = delete;

  // False when memory runs out; the list is then unchanged.
  bool Add(const char* name);
  void Clear() { Used = 0; }
  // The names one after another: First(), then Next(name) until null.
  const char* First() const { return Used ? Data : nullptr; }
  const char* Next(const char* name) const;

private:
  char* Data = nullptr;
  size_t Used = 0, Size = 0;
};
