#pragma once
// The form layer's small rules, apart from any window so that they can be checked alone.
#include <windows.h>

// The application's title: the file name without folder and extension, every letter after
// the first in lower case (C:\x\TalvoUpdate.exe gives Talvoupdate). Cut to fit size.
void TitleFromPath(const wchar_t* path, wchar_t* title, int size);

// The text of the standard exception report: the message, with a full stop appended when it
// is not empty and its last character sorts after ".". Cut to fit size.
void ReportText(const wchar_t* message, wchar_t* text, int size);

// The offset that centres an inner extent in an outer one, truncated toward zero (an inner
// extent 7 pixels larger than the outer gives -3).
int CentreOffset(int outer, int inner);

// A layout rectangle scaled by num/den. The edges are scaled, not the sizes, so that
// controls that share an edge at design size still share it.
RECT ScaleRect(const RECT& r, int num, int den);
