// The message composer, without a box.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "update/log/Compose.h"

namespace {

TMsgLine Line(const char* text) { return text ? TMsgLine(Cp1251Text{text}) : TMsgLine(); }

// The composed text as Windows-1251 bytes, for comparison with literals.
std::string Compose(const char* a, const char* b = nullptr, const char* c = nullptr,
                    const char* d = nullptr, const char* e = nullptr, size_t size = MsgTextSize) {
  const TMsgLine lines[5] = {Line(a), Line(b), Line(c), Line(d), Line(e)};
  std::wstring text(size + 8, L'#');  // guard characters past the buffer
  size_t len = ComposeMsg(&text[0], size, lines);
  EXPECT_EQ(std::wstring(8, L'#'), text.substr(size)) << "wrote past the buffer";
  EXPECT_EQ(len, wcslen(text.c_str()));
  std::string narrow(len * 2 + 1, '\0');
  narrow.resize(
      WideCharToMultiByte(1251, 0, text.c_str(), -1, &narrow[0], narrow.size(), nullptr, nullptr) -
      1);
  return narrow;
}

// The lines of a box (null: none), the room, and the text they make.
struct TComposeCase {
  const char* lines[5];
  size_t size;
  const char* text;
};

const TComposeCase kComposed[] = {
    {{}, MsgTextSize, ""},                                               // no lines
    {{"a", "b", "c", "d", "e"}, MsgTextSize, "a\r\nb\r\nc\r\nd\r\ne"},   // CR LF between
    {{nullptr, "Disk 2", "drive"}, MsgTextSize, "\r\nDisk 2\r\ndrive"},  // no first: an empty line
    {{"a", nullptr, "c"}, MsgTextSize, "a\r\nc"},                        // no middle: no line
    {{"a", nullptr, nullptr, nullptr, "e"}, MsgTextSize, "a\r\ne"},
    {{"abc", "def"}, 5, "abc\r"},  // cut at the room, never past it
    {{"abc"}, 1, ""},
};

TEST(ComposeMsg, LinesJoinedAndCutToTheRoom) {
  for (const TComposeCase& c : kComposed)
    EXPECT_EQ(c.text, Compose(c.lines[0], c.lines[1], c.lines[2], c.lines[3], c.lines[4], c.size))
        << c.text;
}

TEST(ComposeMsg, TwoFullPathsFitAndOverlongLinesAreCut) {
  std::string path(259, 'p');
  std::string text = Compose("Грешка при копиране на файл.", path.c_str(), path.c_str());
  EXPECT_EQ(path, text.substr(text.size() - 259));

  std::string huge(5000, 'x');
  EXPECT_EQ(std::string(MsgTextSize - 1, 'x'), Compose(huge.c_str(), huge.c_str(), huge.c_str()));
}

// A path is read in the system's code page and a literal as Windows-1251, whatever the
// system's code page is: under 1252 the same byte is two different letters.
TEST(ComposeMsg, EachLineIsReadInItsOwnCodePage) {
  const TMsgLine lines[5] = {Cp1251Text{"\xE9"}, AnsiText{"\xE9"}};
  wchar_t text[16];
  ComposeMsg(text, 16, lines);
  wchar_t ansi = 0;
  MultiByteToWideChar(CP_ACP, 0, "\xE9", 1, &ansi, 1);
  EXPECT_EQ(std::wstring(text), std::wstring(L"\x0439\r\n") + ansi);
}

}  // namespace
