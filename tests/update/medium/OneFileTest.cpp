// The table of a one-file medium as the updater reads it from a file anyone may have changed:
// a sound one, found with or without a signature after it, and each way of breaking one.
#include <gtest/gtest.h>

#include <string.h>

#include <functional>
#include <string>

#include "Files.h"
#include "update/medium/OneFile.h"

namespace {

const DWORD kImage = 512;

// An image of kImage bytes, then the members, the table and the tail as TalvoPack writes them.
std::string Medium(const std::vector<std::pair<std::string, std::string>>& members) {
  std::string file(kImage, 'I'), table;
  for (const auto& m : members) {
    TCarried entry = {};
    strncpy(entry.Name, m.first.c_str(), sizeof entry.Name);
    entry.Offset = file.size();
    entry.Size = m.second.size();
    file += m.second;
    table.append(reinterpret_cast<const char*>(&entry), sizeof entry);
  }
  const DWORD tail[2] = {static_cast<DWORD>(members.size()), OneFileVersion};
  return file + table + std::string(reinterpret_cast<const char*>(tail), 8) + "TalvoOne";
}

struct Case {
  const char* what;
  std::function<void(std::string& file, IMAGE_NT_HEADERS32& headers)> change;
  TOneFileState state;
};

TEST(OneFile, ASoundTableIsFoundAndEveryBrokenOneIsDamaged) {
  const std::string sound = Medium(
      {{"UNZDLL.DLL", "library"}, {"MANIFEST.TXT", "description"}, {"TALVO.ZIP", "archive"}});
  const auto entry = [](std::string& f, int i) { return &f[f.size() - 16 - (3 - i) * 24]; };
  const auto sign = [](std::string& f, IMAGE_NT_HEADERS32& h, size_t pad) {
    h.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY] = {
        static_cast<DWORD>(f.size() + pad), 1000};
    f += std::string(pad, '\0') + std::string(1000, 'C');
  };
  const Case cases[] = {
      {"as made", nullptr, TOneFileState::Carried},
      {"signed after", [&](std::string& f, IMAGE_NT_HEADERS32& h) { sign(f, h, 0); },
       TOneFileState::Carried},
      {"signed after 7 bytes of padding",
       [&](std::string& f, IMAGE_NT_HEADERS32& h) { sign(f, h, 7); }, TOneFileState::Carried},
      {"a plain program", [](std::string& f, IMAGE_NT_HEADERS32&) { f.resize(kImage); },
       TOneFileState::None},
      {"a signed plain program",
       [&](std::string& f, IMAGE_NT_HEADERS32& h) {
         f.resize(kImage);
         sign(f, h, 0);
       },
       TOneFileState::None},
      {"its signature cut short",
       [&](std::string& f, IMAGE_NT_HEADERS32& h) {
         sign(f, h, 0);
         f.resize(f.size() - 10);
       },
       TOneFileState::Damaged},
      {"cut short", [](std::string& f, IMAGE_NT_HEADERS32&) { f.resize(f.size() - 30); },
       TOneFileState::Damaged},
      {"8 bytes of padding", [&](std::string& f, IMAGE_NT_HEADERS32& h) { sign(f, h, 8); },
       TOneFileState::Damaged},
      {"another version", [](std::string& f, IMAGE_NT_HEADERS32&) { f[f.size() - 12] = 2; },
       TOneFileState::Damaged},
      {"more members than the file holds",
       [](std::string& f, IMAGE_NT_HEADERS32&) { f[f.size() - 16] = 30; }, TOneFileState::Damaged},
      {"a member past the table",
       [&](std::string& f, IMAGE_NT_HEADERS32&) { entry(f, 2)[20] = 100; }, TOneFileState::Damaged},
      {"a member inside the image",
       [&](std::string& f, IMAGE_NT_HEADERS32&) { entry(f, 0)[17] = 0; }, TOneFileState::Damaged},
      {"a name without its end",
       [&](std::string& f, IMAGE_NT_HEADERS32&) { memset(entry(f, 2), 'A', 16); },
       TOneFileState::Damaged},
      {"an archive's name that leaves the folder",
       [&](std::string& f, IMAGE_NT_HEADERS32&) { memcpy(entry(f, 2), "..\\T.ZIP", 9); },
       TOneFileState::Damaged},
      {"the library twice",
       [&](std::string& f, IMAGE_NT_HEADERS32&) { memcpy(entry(f, 2), "unzdll.dll", 11); },
       TOneFileState::Damaged},
      {"no archive",
       [&](std::string& f, IMAGE_NT_HEADERS32&) { memcpy(entry(f, 2), "MANIFEST.SIG", 13); },
       TOneFileState::Damaged},
  };
  support::TempDir t;
  const std::wstring path = support::Join(t.Path(), L"Талво 2026.exe");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string file = sound;
    IMAGE_NT_HEADERS32 headers = {};
    headers.OptionalHeader.SizeOfHeaders = kImage;
    if (c.change) c.change(file, headers);
    ASSERT_TRUE(support::WriteFile(path, file));
    TOneFile one;
    EXPECT_EQ(one.Open(path.c_str(), headers), c.state);
    if (c.state != TOneFileState::Carried) continue;
    char bytes[16];
    DWORD size = 0;
    EXPECT_EQ(one.Read("manifest.txt", bytes, sizeof bytes, &size), TMediumFile::Read);
    EXPECT_EQ(std::string(bytes, size), "description");
    EXPECT_EQ(one.Read("MANIFEST.SIG", bytes, sizeof bytes, &size), TMediumFile::Absent);
  }
}

}  // namespace
