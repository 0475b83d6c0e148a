#include "app/ShowMsg.h"

#include <string.h>
#include <windows.h>

#include "app/UMain.h"

namespace {

// Appends src at *len, cutting it so that text stays NUL-terminated within size.
void Append(char* text, size_t size, size_t* len, const char* src) {
  size_t room = size - 1 - *len;
  size_t n = strlen(src);
  if (n > room) n = room;
  memcpy(text + *len, src, n);
  *len += n;
  text[*len] = '\0';
}

}  // namespace

size_t ComposeMsg(char* text, size_t size, const char* const lines[5]) {
  if (size == 0) return 0;
  size_t len = 0;
  text[0] = '\0';
  if (lines[0]) Append(text, size, &len, lines[0]);
  for (int i = 1; i < 5; ++i) {
    if (!lines[i]) continue;
    Append(text, size, &len, "\r\n");
    Append(text, size, &len, lines[i]);
  }
  return len;
}

int ShowMsg(unsigned style, const char* line1, const char* line2, const char* line3,
            const char* line4, const char* line5) {
  const char* const lines[5] = {line1, line2, line3, line4, line5};
  char text[MsgTextSize];
  ComposeMsg(text, sizeof text, lines);
  char caption[256];
  FMain->GetCaption(caption, sizeof caption);
  return MessageBoxW(FMain->Handle(), Widen1251(text).c_str(), Widen1251(caption).c_str(), style);
}
