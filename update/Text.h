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
// line at all.
class TMsgLine {
public:
  constexpr TMsgLine() = default;
  constexpr TMsgLine(Cp1251Text text) : Str(text.Str), CodePage(1251) {}
  constexpr TMsgLine(AnsiText text) : Str(text.Str), CodePage(0 /* CP_ACP */) {}
  constexpr explicit TMsgLine(const wchar_t* text) : Wide(text) {}

  bool Present() const { return Str || Wide; }

  const char* Str = nullptr;
  unsigned CodePage = 0;
  const wchar_t* Wide = nullptr;
};
