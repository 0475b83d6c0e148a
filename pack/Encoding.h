#pragma once
// Names between UTF-16, in which TalvoPack reads and writes every file, and the single-byte
// forms that others need: Windows-1251 for the updater's naming rules, the ANSI code page
// for UNZDLL.DLL, UTF-8 for the archives and for output that is not a console.
#include <string>

// The text in this code page (CP_ACP: the process's ANSI code page); false when a character
// does not come back unchanged, in which case out holds the nearest form.
bool ToCodePage(unsigned codePage, const std::wstring& text, std::string* out);

std::wstring FromCodePage(unsigned codePage, const std::string& text);

std::string Utf8(const std::wstring& text);

// Upper case as the file system compares names, without regard to the user's language.
std::wstring Upper(const std::wstring& text);
