#include "update/run/NameList.h"

#include <stdlib.h>
#include <string.h>

TNameList::~TNameList() { free(Data); }

bool TNameList::Add(const char* name) {
  const size_t n = strlen(name) + 1;
  if (Size - Used < n) {
    size_t grown = Size ? Size * 2 : 1024;
    while (grown - Used < n) grown *= 2;
    char* data = static_cast<char*>(realloc(Data, grown));
    if (!data) return false;
    Data = data;
    Size = grown;
  }
  memcpy(Data + Used, name, n);
  Used += n;
  return true;
}

const char* TNameList::Next(const char* name) const {
  const char* next = name + strlen(name) + 1;
  return next < Data + Used ? next : nullptr;
}
