#pragma once
// The two kinds of narrow text that reach the user. The program's own words are literals,
// stored as Windows-1251; what the system gives (paths, file names, the library's words) is
// in the ANSI code page. On a Bulgarian system the two coincide, which hides a mix-up, so
// each kind has its own type and a line on screen is always one or the other, never a bare
// char pointer.

struct Cp1251Text {
  const char* Str;
};

struct AnsiText {
  const char* Str;
};

// One line of a message box: either kind of narrow text, a text already in UTF-16, or no
// line at all. Two words, as every box and log line passes several.
class TMsgLine {
public:
  enum : unsigned { Utf16 = 1200 };

  constexpr TMsgLine() = default;
  constexpr TMsgLine(Cp1251Text text) : Text(text.Str), CodePage(1251) {}
  constexpr TMsgLine(AnsiText text) : Text(text.Str), CodePage(0 /* CP_ACP */) {}
  constexpr explicit TMsgLine(const wchar_t* text) : Text(text), CodePage(Utf16) {}

  bool Present() const { return Text; }
  bool IsWide() const { return CodePage == Utf16; }
  const char* Str() const { return static_cast<const char*>(Text); }
  const wchar_t* Wide() const { return static_cast<const wchar_t*>(Text); }

  const void* Text = nullptr;
  unsigned CodePage = 0;  // of narrow text: 1251, or 0 for the ANSI code page
};
