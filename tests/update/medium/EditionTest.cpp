// The edition of a program, read from real programs and from damaged copies of one.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "Driver.h"
#include "Scenario.h"
#include "update/medium/Edition.h"

namespace {

std::string Edition(const std::wstring& path) {
  TVersion v;
  char text[VersionTextSize] = "none";
  if (ReadFileVersion(ui::Narrow(path, CP_ACP).c_str(), &v)) FormatVersion(v, text);
  return text;
}

// Each damage lies in another place: the header, the resource's own lengths, its signature,
// or the end of the file, which comes inside the resource.
TEST(Edition, ReadsTheFileVersionOnlyFromAWholeResource) {
  EXPECT_EQ(Edition(support::WindowsPath(TALVO_FAKE_VANTO_2026)), "2026.1.2.3");
  EXPECT_EQ(Edition(support::WindowsPath(TALVO_FAKE_VANTO)), "none");

  std::string good;
  ASSERT_TRUE(support::ReadFile(support::WindowsPath(TALVO_FAKE_VANTO_2026), &good));
  const size_t key = good.find(std::string(reinterpret_cast<const char*>(L"VS_VERSION_INFO"), 30));
  ASSERT_NE(key, std::string::npos);
  const size_t head = key - 6, fixed = key + 34;
  const struct {
    size_t at;
    std::string bytes;
  } damages[] = {{0x3C, std::string("\xF0\xFF\xFF\xFF", 4)},  // PE header beyond the file
                 {head, std::string("\xFF\xFF", 2)},          // longer than its data
                 {head + 2, std::string(2, '\0')},            // no fixed information
                 {fixed, std::string(4, '\0')}};              // signature
  support::TempDir t;
  const std::wstring path = support::Join(t.Path(), L"Vanto.exe");
  for (const auto& d : damages) {
    ASSERT_TRUE(support::WriteFile(path, std::string(good).replace(d.at, d.bytes.size(), d.bytes)));
    EXPECT_EQ(Edition(path), "none") << "damage at " << d.at;
  }
  ASSERT_TRUE(support::WriteFile(path, good.substr(0, fixed + 10)));
  EXPECT_EQ(Edition(path), "none") << "cut inside the resource";
}

}  // namespace
