// The edition of a program, read from real programs and from damaged copies of one.
#include <gtest/gtest.h>

#include <windows.h>
#include <string.h>

#include <string>

#include "Scenario.h"
#include "update/Edition.h"

namespace {

std::string Read(const std::wstring& path) {
  TVersion v;
  if (!ReadFileVersion(ui::Narrow(path, CP_ACP).c_str(), &v)) return "none";
  char text[VersionTextSize];
  FormatVersion(v, text);
  return text;
}

TEST(Edition, ReadsTheFileVersionOfAProgramAndNoneWhereThereIsNone) {
  ui::TempDir t;
  EXPECT_EQ(Read(ui::WindowsPath(TALVO_FAKE_VANTO_2026)), "2026.1.2.3");
  EXPECT_EQ(Read(ui::WindowsPath(TALVO_FAKE_VANTO_2025)), "2025.4.5.6");
  EXPECT_EQ(Read(ui::WindowsPath(TALVO_FAKE_VANTO)), "none") << "a program without the resource";
  EXPECT_EQ(Read(t.Sub(L"missing") + L"\\Vanto.exe"), "none");
  ASSERT_TRUE(ui::WriteFile(ui::Join(t.Path(), L"text.exe"), "MZ not a program"));
  EXPECT_EQ(Read(ui::Join(t.Path(), L"text.exe")), "none");
}

// Each damage lies to the reader in another place: the header, the resource's own length,
// its signature, or the end of the file inside the resource.
TEST(Edition, ADamagedOrCutCopyGivesNoVersion) {
  ui::TempDir t;
  std::string good;
  ASSERT_TRUE(ui::ReadFile(ui::WindowsPath(TALVO_FAKE_VANTO_2026), &good));
  const std::string key(reinterpret_cast<const char*>(L"VS_VERSION_INFO"), 30);
  const size_t at = good.find(key);
  ASSERT_NE(at, std::string::npos);
  const size_t head = at - 6, fixed = at + 34;

  auto damaged = [&](const char* what, size_t offset, const std::string& bytes) {
    std::string copy = good;
    copy.replace(offset, bytes.size(), bytes);
    const std::wstring path = ui::Join(t.Path(), L"Vanto.exe");
    EXPECT_TRUE(ui::WriteFile(path, copy));
    EXPECT_EQ(Read(path), "none") << what;
  };
  damaged("PE header beyond the file", 0x3C, std::string("\xF0\xFF\xFF\xFF", 4));
  damaged("resource longer than its data", head, std::string("\xFF\xFF", 2));
  damaged("no fixed information", head + 2, std::string("\0\0", 2));
  damaged("signature", fixed, std::string("\0\0\0\0", 4));
  ASSERT_TRUE(ui::WriteFile(ui::Join(t.Path(), L"cut.exe"), good.substr(0, fixed + 10)));
  EXPECT_EQ(Read(ui::Join(t.Path(), L"cut.exe")), "none") << "file ends inside the resource";
}

TEST(Edition, ComparesPartByPartAndFormatsEachPartWhole) {
  const TVersion v2025{MAKELONG(4, 2025), MAKELONG(6, 5)}, v2026{MAKELONG(1, 2026), MAKELONG(3, 2)};
  EXPECT_TRUE(v2025 < v2026);
  EXPECT_FALSE(v2026 < v2025);
  EXPECT_FALSE(v2026 < v2026);
  EXPECT_TRUE((TVersion{v2026.Ms, 0}) < v2026) << "the last two parts decide";
  char text[VersionTextSize];
  FormatVersion({0xFFFFFFFF, 0xFFFFFFFF}, text);
  EXPECT_STREQ(text, "65535.65535.65535.65535");
}

}  // namespace
