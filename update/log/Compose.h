#pragma once
#include <stddef.h>

#include "update/log/Text.h"

// The size of the text of one box: text beyond it is cut.
enum { MsgTextSize = 1280 };

// Joins up to five lines into text (size characters, always NUL-terminated), each widened
// from its own code page, one CR LF between lines; absent lines are skipped, but an absent
// first line still leads with CR LF when a later line follows. Text that does not fit is
// cut. Returns the length written.
size_t ComposeMsg(wchar_t* text, size_t size, const TMsgLine lines[5]);
