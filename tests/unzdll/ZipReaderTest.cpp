// The reader without any operating system: name rules, file spec matching, and archives
// built in memory whose damage the reader must notice.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "Zip.h"
#include "ZipNames.h"
#include "ZipReader.h"

namespace {

std::u16string U(const char* ascii) { return std::u16string(ascii, ascii + strlen(ascii)); }

bool Safe(const std::u16string& s) { return unz::IsSafeName(s.data(), s.size()); }

bool Match(const char* spec, const char* name) {
  std::u16string s = U(spec), n = U(name);
  return unz::MatchSpec(s.data(), s.size(), n.data(), n.size());
}

TEST(ZipNames, RefusesNamesThatLeaveTheFolderOrReachADevice) {
  for (const char* bad :
       {"",     ".",        "..",       "a:b",        "c:",      "x<y",       "x>y",  "a\"b",
        "a|b",  "a?b",      "a*b",      "a/b",        "a\\b",    "tab\there", "dot.", "blank ",
        "CON",  "con",      "Con.txt",  "aux.tar.gz", "NUL",     "prn.log",   "COM1", "com9.txt",
        "LPT1", "lpt5.doc", "CON .txt", "CONOUT$",    "conin$.x"})
    EXPECT_FALSE(Safe(U(bad))) << bad;
  EXPECT_FALSE(Safe(u"COM\u00b9"));
  for (const char* good : {"a", "a.txt", ".hidden", "..x", "CONSOLE", "con1", "COM0", "COM10",
                           "LPT", "aux_", "x.con", " lead", "a b.c"})
    EXPECT_TRUE(Safe(U(good))) << good;
  EXPECT_TRUE(Safe(u"\u0424\u0430\u0439\u043b.txt"));
}

TEST(ZipNames, BaseNameIsThePartAfterTheLastSeparator) {
  for (auto [name, base] : {std::pair<const char*, const char*>{"../../x", "x"},
                            {"/abs/x", "x"},
                            {"C:\\x", "x"},
                            {"a/b\\c", "c"},
                            {"plain", "plain"},
                            {"dir/", ""}}) {
    std::u16string n = U(name);
    EXPECT_EQ(n.substr(unz::BaseNameStart(n.data(), n.size())), U(base)) << name;
  }
}

TEST(ZipNames, Utf8IsDecodedStrictly) {
  char16_t out[8];
  const uint8_t ok[] = {'a', 0xD0, 0xA4, 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80};
  ASSERT_EQ(unz::Utf8ToUtf16(ok, sizeof(ok), out, 8), 5u);
  EXPECT_EQ(std::u16string(out, 5), u"a\u0424\u20ac\U0001F600");
  const std::string bad[] = {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                             "\xD0",     "\x80",         "\xFF"};
  for (const std::string& b : bad)
    EXPECT_EQ(unz::Utf8ToUtf16(reinterpret_cast<const uint8_t*>(b.data()), b.size(), out, 8),
              unz::BadName);
  EXPECT_EQ(unz::Utf8ToUtf16(ok, sizeof(ok), out, 4), unz::BadName);  // no room
}

TEST(ZipNames, SpecificationsMatchWithStarAndQuestionMark) {
  EXPECT_TRUE(Match("*.*", "noext"));
  EXPECT_TRUE(Match("*.*", "a.b.c"));
  EXPECT_TRUE(Match("*", ""));
  EXPECT_TRUE(Match("*.TXT", "A.TXT"));
  EXPECT_FALSE(Match("*.TXT", "A.TXT.BAK"));
  EXPECT_TRUE(Match("T?P.*", "TOP.TXT"));
  EXPECT_TRUE(Match("T?P.*", "TOP"));
  EXPECT_FALSE(Match("T?P.*", "TP.TXT"));
  EXPECT_FALSE(Match("T?P.*", "TOPS"));
  EXPECT_TRUE(Match("*A*B*C", "XAYBZC"));
  EXPECT_FALSE(Match("*A*B*C", "XAYBZCD"));
  EXPECT_TRUE(Match("*.*", "*AFE.TXT"));  // a star in the name is a plain character
  EXPECT_TRUE(Match("*.TXT", "A*.TXT"));
  std::string many(3000, 'A');
  EXPECT_FALSE(Match("*A*A*A*A*A*A*A*A*B", many.c_str()));  // no blow-up
}

struct TStringSink : unz::TSink {
  std::string Data;
  bool Write(const uint8_t* p, size_t n) override {
    Data.append(reinterpret_cast<const char*>(p), n);
    return true;
  }
};

// Walks an archive and unpacks every member; returns the members' statuses and texts.
std::string UnpackAll(const std::string& zip) {
  unz::TMemorySource src(zip.data(), zip.size());
  unz::TReader reader;
  unz::TStatus s = reader.Open(src);
  if (s != unz::TStatus::Ok) return unz::StatusText(s);
  std::string out;
  unz::TEntry e;
  while ((s = reader.Next(e)) == unz::TStatus::Ok) {
    TStringSink sink;
    unz::TStatus x = reader.Extract(e, sink);
    out += std::string(reinterpret_cast<const char*>(e.Name), e.NameLen) + "=" +
           (x == unz::TStatus::Ok ? sink.Data : unz::StatusText(x)) + ";";
  }
  return s == unz::TStatus::End ? out : out + unz::StatusText(s);
}

TEST(ZipReader, UnpacksStoredAndDeflatedMembers) {
  const std::string zip = support::Zip({{"s.txt", "stored"},
                                        {"d/d.txt", std::string(100000, 'x') + "end", true},
                                        {"e.txt", "", true}});
  EXPECT_EQ(UnpackAll(zip), "s.txt=stored;d/d.txt=" + std::string(100000, 'x') + "end;e.txt=;");
}

TEST(ZipReader, NoticesDamageInMembersAndDirectory) {
  const std::string zip = support::Zip({{"s.txt", "stored"}, {"x.txt", "secret", false, 1}});
  EXPECT_EQ(UnpackAll(zip), "s.txt=stored;x.txt=encrypted;");

  std::string flipped = zip;
  flipped[30 + 5] ^= 1;  // first byte of s.txt's data
  EXPECT_EQ(UnpackAll(flipped), "s.txt=CRC error;x.txt=encrypted;");

  std::string shifted = zip;
  shifted.erase(zip.find("PK\x01\x02") + 10, 1);
  EXPECT_EQ(UnpackAll(shifted), "damaged central directory");
  EXPECT_EQ(UnpackAll(zip.substr(0, zip.size() - 1)), "not a ZIP archive");
  EXPECT_EQ(UnpackAll(zip.substr(0, 40)), "not a ZIP archive");
  EXPECT_EQ(UnpackAll(""), "not a ZIP archive");

  // A member whose data would run into the central directory.
  std::string cut = support::Zip({{"big.txt", std::string(5000, 'y'), true}});
  size_t cd = cut.find("PK\x01\x02");
  cut[cd + 20] = char(0xFF);  // compressed size far past the directory
  cut[cd + 21] = char(0xFF);
  EXPECT_EQ(UnpackAll(cut), "big.txt=damaged data;");
}

// Small members share the reads of the input buffer: members that straddle a buffer's end,
// members skipped between others, and a reader opened again on another archive must each get
// their own bytes and nothing stale.
TEST(ZipReader, SmallMembersAcrossReadsSkipsAndArchives) {
  std::vector<support::ZipEntry> archives[2];
  std::vector<std::string> data[2];
  uint32_t seed = 1;
  for (int i = 0; i < 3000; ++i) {
    std::string d;
    for (int k = 0; k < 120; ++k) d += char((seed = seed * 1103515245 + 12345) >> 24);
    for (int n = 0; n < 2; ++n) {
      data[n].push_back(d + std::string(n, '+'));
      archives[n].push_back({std::to_string(i), data[n].back(), i % 2 == 0});
    }
  }
  std::string zips[2] = {support::Zip(archives[0]), support::Zip(archives[1])};
  ASSERT_GT(zips[0].size(), 300000u);  // past one buffer
  unz::TReader reader;
  for (int n = 0; n < 2; ++n) {
    unz::TMemorySource src(zips[n].data(), zips[n].size());
    ASSERT_EQ(reader.Open(src), unz::TStatus::Ok);
    unz::TEntry e;
    for (int i = 0; reader.Next(e) == unz::TStatus::Ok; ++i) {
      if (i % 7 == 3 || (n == 1 && i < 2900))
        continue;  // the second starts inside the first's last read
      TStringSink sink;
      ASSERT_EQ(reader.Extract(e, sink), unz::TStatus::Ok) << n << " " << i;
      ASSERT_EQ(sink.Data, data[n][i]) << n << " " << i;
    }
  }
}

TEST(ZipReader, ReadsBehindAPrefixTheOffsetsDoNotCount) {
  EXPECT_EQ(UnpackAll(std::string(777, 'M') + support::Zip({{"p.txt", "prefixed", true}})),
            "p.txt=prefixed;");
}

}  // namespace
