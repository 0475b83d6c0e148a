#pragma once
#include <stddef.h>

// The size of the text buffer of one box: text beyond it is cut.
enum { MsgTextSize = 1280 };

// Joins up to five lines into text (size bytes, always NUL-terminated), one CR LF between
// lines; null lines are skipped, but a null first line still leads with CR LF when a later
// line follows. Text that does not fit is cut. Returns the length written.
size_t ComposeMsg(char* text, size_t size, const char* const lines[5]);

// The one way the update procedure talks to the user: the composed lines in a message box
// owned by the main window and titled with its caption. Returns IDOK or IDCANCEL.
int ShowMsg(unsigned style, const char* line1, const char* line2 = nullptr,
            const char* line3 = nullptr, const char* line4 = nullptr,
            const char* line5 = nullptr);
