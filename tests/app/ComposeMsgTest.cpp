// The message composer, without a box.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "app/ShowMsg.h"

namespace {

std::string Compose(const char* a, const char* b = nullptr, const char* c = nullptr,
                    const char* d = nullptr, const char* e = nullptr,
                    size_t size = MsgTextSize) {
  const char* const lines[5] = {a, b, c, d, e};
  std::string text(size + 8, '#');  // guard bytes past the buffer
  size_t len = ComposeMsg(&text[0], size, lines);
  EXPECT_EQ(std::string(8, '#'), text.substr(size)) << "wrote past the buffer";
  EXPECT_EQ(len, strlen(text.c_str()));
  return text.c_str();
}

TEST(ComposeMsg, NoLinesGiveAnEmptyText) {
  EXPECT_EQ("", Compose(nullptr));
}

TEST(ComposeMsg, LinesAreJoinedByCrLf) {
  EXPECT_EQ("a\r\nb\r\nc\r\nd\r\ne", Compose("a", "b", "c", "d", "e"));
}

TEST(ComposeMsg, NullFirstLineLeadsWithAnEmptyLine) {
  EXPECT_EQ("\r\nDisk 2\r\ndrive", Compose(nullptr, "Disk 2", "drive"));
}

TEST(ComposeMsg, NullMiddleLineLeavesNoEmptyLine) {
  EXPECT_EQ("a\r\nc", Compose("a", nullptr, "c"));
  EXPECT_EQ("a\r\ne", Compose("a", nullptr, nullptr, nullptr, "e"));
}

TEST(ComposeMsg, TwoFullPathsFit) {
  std::string path(259, 'p');
  std::string text = Compose("Грешка при копиране на файл.", path.c_str(), path.c_str());
  EXPECT_EQ(path, text.substr(text.size() - 259));
}

TEST(ComposeMsg, OverlongLinesAreCutNotOverflowed) {
  std::string huge(5000, 'x');
  std::string text = Compose(huge.c_str(), huge.c_str(), huge.c_str());
  EXPECT_EQ(size_t(MsgTextSize - 1), text.size());
  EXPECT_EQ(std::string(MsgTextSize - 1, 'x'), text);

  EXPECT_EQ("abc\r", Compose("abc", "def", nullptr, nullptr, nullptr, 5));
  EXPECT_EQ("", Compose("abc", nullptr, nullptr, nullptr, nullptr, 1));
}

}  // namespace
