#include "update/log/Compose.h"

#include <string.h>
#include <windows.h>

namespace {

// Appends src, widened from its code page, at *len, cutting it so that text stays
// NUL-terminated within size. A single-byte code page gives one character per byte, so
// the cut is made on the bytes before the conversion.
void Append(wchar_t* text, size_t size, size_t* len, const char* src, unsigned codePage) {
  const size_t room = size - 1 - *len;
  size_t n = strlen(src);
  if (n > room) n = room;
  int made = n ? MultiByteToWideChar(codePage, 0, src, static_cast<int>(n), text + *len,
                                     static_cast<int>(room))
               : 0;
  *len += made > 0 ? made : 0;
  text[*len] = L'\0';
}

void AppendLine(wchar_t* text, size_t size, size_t* len, const TMsgLine& line) {
  if (!line.IsWide()) return Append(text, size, len, line.Str(), line.CodePage);
  const size_t room = size - 1 - *len;
  size_t n = wcslen(line.Wide());
  if (n > room) n = room;
  memcpy(text + *len, line.Wide(), n * sizeof(wchar_t));
  *len += n;
  text[*len] = L'\0';
}

}  // namespace

size_t ComposeMsg(wchar_t* text, size_t size, const TMsgLine lines[5]) {
  if (size == 0) return 0;
  size_t len = 0;
  text[0] = L'\0';
  if (lines[0].Present()) AppendLine(text, size, &len, lines[0]);
  for (int i = 1; i < 5; ++i) {
    if (!lines[i].Present()) continue;
    Append(text, size, &len, "\r\n", 1251);
    AppendLine(text, size, &len, lines[i]);
  }
  return len;
}
