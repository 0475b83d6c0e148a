// The installed product against what a description says of its files.
#include "update/medium/Installed.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "Files.h"

namespace {

std::string Sha256(const std::string& bytes) {
  TCryptProvider crypto;
  TSha256 sha;
  BYTE hash[HashBytes];
  EXPECT_TRUE(sha.Start(crypto) && sha.Add(bytes.data(), static_cast<DWORD>(bytes.size())) &&
              sha.Finish(hash));
  return std::string(reinterpret_cast<const char*>(hash), HashBytes);
}

TEST(InstalledFiles, EachFileIsMissingAnotherOrTheOneDescribed) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  ASSERT_TRUE(support::WriteFile(product + L"\\a.dat", "edition 2026"));
  t.Sub(L"WinTalvo\\Blanks");
  ASSERT_TRUE(support::WriteFile(product + L"\\Blanks\\\x0424\x043e\x0440\x043c\x0430 1.rtf", "{\\rtf1}"));
  ASSERT_TRUE(support::MakeDir(product + L"\\folder.dat"));
  const std::string ansi = support::Join(t.Ansi(), "WinTalvo");
  const struct {
    const char* name;
    std::string bytes;
    TInstalled state;
  } cases[] = {
      {"a.dat", "edition 2026", TInstalled::Same},
      {"A.DAT", "edition 2026", TInstalled::Same},
      {"a.dat", "edition 2027", TInstalled::Other},      // the same size, other bytes
      {"a.dat", "edition 2026.1", TInstalled::Other},    // another size
      {"b.dat", "edition 2026", TInstalled::Missing},
      {"Blanks\\\xd0\xa4\xd0\xbe\xd1\x80\xd0\xbc\xd0\xb0 1.rtf", "{\\rtf1}", TInstalled::Same},
      {"folder.dat", "", TInstalled::Other},
  };
  TInstalledFiles installed(ansi.c_str());
  for (const auto& c : cases) {
    const std::string hash = Sha256(c.bytes);
    EXPECT_EQ(installed.Compare(c.name, c.bytes.size(), reinterpret_cast<const BYTE*>(hash.data())),
              c.state)
        << c.name << " / " << c.bytes;
  }
}

TEST(InstalledFiles, AHeldFileIsReadFromItsStartAndNobodyWritesIt) {
  support::TempDir t;
  const std::wstring product = t.Sub(L"WinTalvo");
  ASSERT_TRUE(support::WriteFile(product + L"\\Vanto.exe", "MZ 2026"));
  TInstalledFiles installed(support::Join(t.Ansi(), "WinTalvo").c_str());
  const std::string hash = Sha256("MZ 2026");
  HANDLE held;
  ASSERT_EQ(installed.Hold("Vanto.exe", 7, reinterpret_cast<const BYTE*>(hash.data()), &held),
            TInstalled::Same);
  char bytes[8] = {};
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(held, bytes, sizeof bytes, &got, nullptr));
  EXPECT_EQ(std::string(bytes, got), "MZ 2026");
  const HANDLE writer = CreateFileW((product + L"\\Vanto.exe").c_str(), GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                    nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  CloseHandle(held);
}

}  // namespace
