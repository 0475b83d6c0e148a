// A disk's description as the updater reads it from a medium that anyone may have written:
// a well-formed one, and each way of breaking one, which then lists nothing.
#include <gtest/gtest.h>

#include <string>

#include "update/medium/Manifest.h"

namespace {

const std::string kHash(64, 'a');
const std::string kGood =
    "TalvoPack 1\r\n"
    "medium 0123456789abcdef0123456789abcdef\r\n"
    "edition 2026.1.2.3\r\n"
    "disk 2 3\r\n"
    "archive TALVO2.ZIP 729072 00ff" +
    std::string(60, '1') +
    "\r\n"
    "archive extra.zip 0 " +
    kHash + "\r\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

TEST(Manifest, AWellFormedDescriptionGivesEveryField) {
  TManifest m;
  ASSERT_TRUE(m.Parse(kGood.data(), static_cast<DWORD>(kGood.size())));
  EXPECT_STREQ(m.Medium, "0123456789abcdef0123456789abcdef");
  EXPECT_STREQ(m.Edition, "2026.1.2.3");
  EXPECT_EQ(m.Disk, 2);
  EXPECT_EQ(m.Disks, 3);
  ASSERT_EQ(m.Count, 2);
  EXPECT_EQ(m.Archives[0].Size, 729072u);
  EXPECT_EQ(m.Archives[0].Hash[0], 0x00);
  EXPECT_EQ(m.Archives[0].Hash[1], 0xff);
  EXPECT_EQ(m.Archives[0].Hash[31], 0x11);
  // Names as the file system compares them; each found is marked.
  EXPECT_EQ(m.Find("talvo2.zip"), &m.Archives[0]);
  EXPECT_TRUE(m.Archives[0].Seen);
  EXPECT_FALSE(m.Archives[1].Seen);
  EXPECT_EQ(m.Find("TALVO3.ZIP"), nullptr);
}

TEST(Manifest, EveryFlawListsNothing) {
  std::string many = Replaced(kGood, "archive extra.zip 0 " + kHash + "\r\n", "");
  for (int i = 1; i < 32; ++i) many += "archive a" + std::to_string(i) + ".zip 1 " + kHash + "\r\n";
  const struct {
    const char* flaw;
    std::string text;
  } cases[] = {
      {"no CR LF at the end", kGood.substr(0, kGood.size() - 2)},
      {"another format", Replaced(kGood, "TalvoPack 1", "TalvoPack 2")},
      {"capitals in the medium", Replaced(kGood, "abcdef\r\n", "ABCDEF\r\n")},
      {"letters in the edition", Replaced(kGood, "2026.1.2.3", "2026.1.2.3b")},
      {"disk 0", Replaced(kGood, "disk 2 3", "disk 0 3")},
      {"a disk past the count", Replaced(kGood, "disk 2 3", "disk 3 2")},
      {"four disks", Replaced(kGood, "disk 2 3", "disk 2 4")},
      {"fields in another order",
       Replaced(Replaced(kGood, "medium", "edition"), "edition 2026", "medium 2026")},
      {"two blanks", Replaced(kGood, "disk 2 3", "disk 2  3")},
      {"a NUL in a line", Replaced(kGood, "edition 2026", std::string("edition\0 2026", 13))},
      {"no archive", kGood.substr(0, kGood.find("archive"))},
      {"the installer's archive", Replaced(kGood, "extra.zip", "WinTalvo.zip")},
      {"a name twice", Replaced(kGood, "extra.zip", "Talvo2.zip")},
      {"a signed size", Replaced(kGood, "zip 0 ", "zip +0 ")},
      {"a size of 19 digits", Replaced(kGood, "zip 0 ", "zip 1000000000000000000 ")},
      {"a capital in the hash", Replaced(kGood, kHash, "A" + kHash.substr(1))},
      {"a line after the archives", kGood + "note x\r\n"},
      {"33 archives", many + "archive b.zip 1 " + kHash + "\r\n"},
      {"past the size", kGood + std::string(ManifestMaxBytes, ' ')},
  };
  TManifest check;
  ASSERT_TRUE(check.Parse(many.data(), static_cast<DWORD>(many.size()))) << "32 archives";
  for (const auto& c : cases) {
    TManifest m;
    EXPECT_FALSE(m.Parse(c.text.data(), static_cast<DWORD>(c.text.size()))) << c.flaw;
    EXPECT_FALSE(m.Valid()) << c.flaw;
    EXPECT_EQ(m.Find("TALVO2.ZIP"), nullptr) << c.flaw;
  }
}

}  // namespace
