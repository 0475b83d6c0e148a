#pragma once
// The form layer's small rules, apart from any window so that they can be checked alone.
#include <windows.h>
#include <string>

// The application's title: the file name without folder and extension, every letter after
// the first in lower case (C:\x\TalvoUpdate.exe gives Talvoupdate).
std::wstring TitleFromPath(const wchar_t* path);

// The text of the standard exception report: the message, with a full stop appended when it
// is not empty and its last character sorts after ".".
std::wstring ReportText(const std::wstring& message);

// The offset that centres an inner extent in an outer one, truncated toward zero (an inner
// extent 7 pixels larger than the outer gives -3).
int CentreOffset(int outer, int inner);

// A layout rectangle scaled by num/den. The edges are scaled, not the sizes, so that
// controls that share an edge at design size still share it.
RECT ScaleRect(const RECT& r, int num, int den);
