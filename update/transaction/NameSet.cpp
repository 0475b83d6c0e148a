#include "update/transaction/NameSet.h"

#include <windows.h>
#include <stdlib.h>
#include <string.h>

namespace {

// The name in upper case, in a block of its own; null when memory runs out.
char* Key(const char* name) {
  const size_t n = strlen(name);
  char* key = static_cast<char*>(malloc(n + 1));
  if (!key) return nullptr;
  memcpy(key, name, n + 1);
  CharUpperBuffA(key, static_cast<DWORD>(n));
  return key;
}

unsigned Hash(const char* key) {
  unsigned h = 2166136261u;
  for (; *key; ++key) h = (h ^ static_cast<unsigned char>(*key)) * 16777619u;
  return h;
}

}  // namespace

TNameSet::~TNameSet() {
  for (size_t i = 0; i < Size; ++i) free(Slots[i]);
  free(Slots);
}

// The slot of key, or the free slot where it would go.
size_t TNameSet::Find(const char* key, unsigned hash) const {
  size_t i = hash & (Size - 1);
  while (Slots[i] && strcmp(Slots[i], key) != 0) i = (i + 1) & (Size - 1);
  return i;
}

bool TNameSet::Grow() {
  const size_t size = Size ? Size * 2 : 256;
  char** slots = static_cast<char**>(calloc(size, sizeof(char*)));
  if (!slots) return false;
  char** old = Slots;
  const size_t oldSize = Size;
  Slots = slots;
  Size = size;
  for (size_t i = 0; i < oldSize; ++i)
    if (old[i]) Slots[Find(old[i], Hash(old[i]))] = old[i];
  free(old);
  return true;
}

bool TNameSet::Add(const char* name) {
  // At most half full, so that a search ends soon.
  if ((Used + 1) * 2 > Size && !Grow()) return false;
  char* key = Key(name);
  if (!key) return false;
  const size_t i = Find(key, Hash(key));
  if (Slots[i]) {
    free(key);
    return true;
  }
  Slots[i] = key;
  ++Used;
  return true;
}

bool TNameSet::Contains(const char* name) const {
  if (!Size) return false;
  char key[MAX_PATH * 2];
  const size_t n = strlen(name);
  if (n >= sizeof key) return false;
  memcpy(key, name, n + 1);
  CharUpperBuffA(key, static_cast<DWORD>(n));
  return Slots[Find(key, Hash(key))] != nullptr;
}
