// The second format of a description, as the updater reads it from a medium or a server that
// anyone may have written: a well-formed one of each kind, and each way of breaking one, which
// then lists nothing.
#include <gtest/gtest.h>

#include <string>

#include "update/medium/Description.h"

namespace {

const std::string kHash(64, 'a');
const std::string kOther(64, 'b');
// A medium of the changes since 2026, its first disk.
const std::string kMedium =
    "TalvoPack 2\r\n"
    "medium 0123456789abcdef0123456789abcdef\r\n"
    "product Talvo\r\n"
    "edition 2027.0.0.0\r\n"
    "base 2026.0.0.0\r\n"
    "disk 1 2\r\n"
    "archive TALVO1.ZIP 1000 " + kHash + "\r\n"
    "file 12 " + kHash + " TALVO1.ZIP b.dat\r\n"
    "patch 5000 " + kOther + " 5100 " + kHash + " TALVO2.ZIP Vanto.exe\r\n"
    "file 7 " + kHash + " TALVO1.ZIP Blanks\\\xd0\xa4\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0 1.rtf\r\n";
// An edition on a server, with a patch from each of two earlier editions.
const std::string kServer =
    "TalvoPack 2\r\n"
    "medium 0123456789abcdef0123456789abcdef\r\n"
    "product Talvo\r\n"
    "edition 2027.0.0.0\r\n"
    "issued 2026-12-08\r\n"
    "expires 2027-01-22\r\n"
    "archive " + kHash + ".zip 900 " + kHash + "\r\n"
    "archive " + kOther + ".zip 80 " + kOther + "\r\n"
    "file 5100 " + kHash + " " + kHash + ".zip Vanto.exe\r\n"
    "patch 5000 " + kOther + " 5100 " + kHash + " " + kOther + ".zip Vanto.exe\r\n"
    "patch 4000 " + kHash + " 5100 " + kHash + " " + kOther + ".zip Vanto.exe\r\n"
    "basefile 4000 " + kHash + " Vanto.exe\r\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

bool Parses(TDescription& d, const std::string& text) {
  return d.Parse(text.data(), static_cast<DWORD>(text.size()));
}

TEST(Description, AMediumOfChangesGivesItsBaseAndEachFile) {
  TDescription d;
  ASSERT_TRUE(Parses(d, kMedium));
  EXPECT_EQ(d.FormatVersion(), 2);
  EXPECT_STREQ(d.Edition, "2027.0.0.0");
  EXPECT_STREQ(d.Base, "2026.0.0.0");
  EXPECT_FALSE(d.Published);
  EXPECT_EQ(d.Disk, 1);
  EXPECT_EQ(d.Disks, 2);
  ASSERT_EQ(d.FileCount, 2);
  EXPECT_STREQ(d.Files[1].Name, "Blanks\\\xd0\xa4\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0 1.rtf");
  EXPECT_STREQ(d.Files[0].Archive, "TALVO1.ZIP");
  ASSERT_EQ(d.PatchCount, 1);
  EXPECT_EQ(d.Patches[0].BaseSize, 5000u);
  EXPECT_EQ(d.Patches[0].BaseHash[0], 0xbb);
  EXPECT_EQ(d.Patches[0].Size, 5100u);
  EXPECT_STREQ(d.Patches[0].Archive, "TALVO2.ZIP");
  EXPECT_EQ(std::string(d.Bytes(), d.Size()), kMedium);
}

TEST(Description, AnEditionOnAServerGivesItsDays) {
  TDescription d;
  ASSERT_TRUE(Parses(d, kServer));
  EXPECT_TRUE(d.Published);
  EXPECT_EQ(d.Disk, 0);
  EXPECT_EQ(d.Expires.Year, 2027);
  EXPECT_EQ(d.Expires.Month, 1);
  EXPECT_EQ(d.Expires.Day, 22);
  EXPECT_EQ(d.ArchiveCount, 2);
  EXPECT_EQ(d.PatchCount, 2);
  EXPECT_EQ(d.BaseFileCount, 1);
  EXPECT_TRUE(d.Find((kOther + ".ZIP").c_str()));
}

TEST(Description, EveryFlawListsNothing) {
  const struct {
    const char* flaw;
    std::string text;
  } cases[] = {
      {"another product", Replaced(kMedium, "product Talvo", "product Other")},
      {"no product", Replaced(kMedium, "product Talvo\r\n", "")},
      {"the base after the disk",
       Replaced(Replaced(kMedium, "base 2026.0.0.0\r\n", ""), "disk 1 2\r\n", "disk 1 2\r\nbase 2026.0.0.0\r\n")},
      {"a base of letters", Replaced(kMedium, "base 2026.0.0.0", "base new")},
      {"neither disk nor days", Replaced(kMedium, "disk 1 2\r\n", "")},
      {"both disk and days", Replaced(kServer, "archive", "disk 1 1\r\narchive")},
      {"issued without expires", Replaced(kServer, "expires 2027-01-22\r\n", "")},
      {"expires before issued", Replaced(kServer, "2027-01-22", "2026-12-07")},
      {"no such day", Replaced(kServer, "2027-01-22", "2027-02-29")},
      {"a day of another form", Replaced(kServer, "2027-01-22", "22.01.2027")},
      {"a file twice, another case", kMedium + "file 1 " + kHash + " TALVO1.ZIP B.DAT\r\n"},
      {"a patch twice for one base", kServer + "patch 5000 " + kOther + " 1 " + kHash + " a.zip Vanto.exe\r\n"},
      {"a base file twice", kServer + "basefile 1 " + kHash + " vanto.exe\r\n"},
      {"a name in a subfolder", Replaced(kMedium, " b.dat", " sub\\b.dat")},
      {"a name that climbs", Replaced(kMedium, " b.dat", " Blanks\\..")},
      {"a name with a colon", Replaced(kMedium, " b.dat", " b:dat")},
      {"a name ending in a dot", Replaced(kMedium, " b.dat", " b.")},
      {"a name ending in a blank", Replaced(kMedium, " b.dat", " b.dat ")},
      {"a name of broken UTF-8", Replaced(kMedium, " b.dat", " b\xd0.dat")},
      {"a name cut in its UTF-8", Replaced(kMedium, " b.dat", " b\xd0")},
      {"a name too long", Replaced(kMedium, " b.dat", " " + std::string(201, 'x'))},
      {"no name", Replaced(kMedium, " TALVO1.ZIP b.dat", " TALVO1.ZIP")},
      {"an archive of a file not a zip", Replaced(kMedium, "TALVO1.ZIP b.dat", "b.txt b.dat")},
      {"a key the format lacks", kMedium + "note x\r\n"},
      {"a tab in a line", Replaced(kMedium, "file 12", "file\t12")},
      {"the first format's lists", Replaced(kMedium, "TalvoPack 2", "TalvoPack 1")},
      {"past the size", kServer + std::string(DescriptionMaxBytes, 'x') + "\r\n"},
  };
  for (const auto& c : cases) {
    TDescription d;
    EXPECT_FALSE(Parses(d, c.text)) << c.flaw;
    EXPECT_FALSE(d.Valid()) << c.flaw;
    EXPECT_EQ(d.FileCount + d.PatchCount + d.ArchiveCount, 0) << c.flaw;
  }
}

}  // namespace
