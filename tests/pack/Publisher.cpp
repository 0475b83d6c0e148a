#include "Publisher.h"

namespace pack {

std::wstring Pack() { return support::WindowsPath(TALVO_PACK_EXE); }
std::string Vanto(const char* built) { return support::Read(support::WindowsPath(built)); }

std::string Noise(size_t size, uint32_t seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>((seed = seed * 1103515245u + 12345u) >> 24);
  return bytes;
}

std::string Words(size_t count, uint32_t seed) {
  static const char* const words[] = {u8"сметка ", u8"фактура ", u8"дата ", "2026 ", u8"сума\r\n"};
  std::string text;
  for (size_t i = 0; i < count; ++i)
    text += words[((seed = seed * 1103515245u + 12345u) >> 16) % 5];
  return text + std::to_string(seed);
}

void Lay(const std::wstring& dir, const Files& files) {
  FILETIME written{0x06898100, 0x01DCAC78};  // 2026-03-05 08:14:02 UTC
  support::MakeDir(dir);
  support::MakeDir(support::Join(dir, L"Blanks"));
  for (const auto& f : files) {
    const std::wstring path = support::Join(dir, f.first);
    ASSERT_TRUE(support::WriteFile(path, f.second)) << ui::Utf8(path);
    HANDLE h =
        CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetFileTime(h, nullptr, nullptr, &written);
    CloseHandle(h);
  }
}

Files FilesIn(const std::wstring& dir) {
  Files files;
  for (const std::wstring& name : support::List(dir)) {
    if (name.back() != L'\\')
      files[name] = support::Read(support::Join(dir, name));
    else if (name == L"Blanks\\")
      for (const std::wstring& form : support::List(support::Join(dir, L"Blanks")))
        files[L"Blanks\\" + form] = support::Read(support::Join(dir, L"Blanks\\" + form));
  }
  return files;
}

std::wstring Kit(const support::TempDir& t, const wchar_t* name, const std::wstring& updater) {
  const std::wstring kit = t.Sub(name);
  EXPECT_TRUE(support::CopyInto(Pack(), kit) && !ui::MakeMedium(kit).empty());
  if (!updater.empty()) {
    EXPECT_TRUE(support::CopyInto(updater, kit));
  }
  return support::Join(kit, L"TalvoPack.exe");
}

DWORD RunPack(const std::wstring& exe, const std::wstring& dir, const std::wstring& args,
              std::string* output) {
  // A file of its own for each run: under Wine the streams of the run before may still be
  // held for a moment after it ended.
  static LONG runs = 0;  // runs may be started side by side
  const std::wstring log = exe + L"." + std::to_wstring(InterlockedIncrement(&runs)) + L".out";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE out =
      CreateFileW(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = out;
  PROCESS_INFORMATION pi{};
  std::wstring line = L"\"" + exe + L"\" " + args;
  DWORD code = 99;
  if (CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     dir.c_str(), &si, &pi)) {
    WaitForSingleObject(pi.hProcess, 120000);
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
  }
  CloseHandle(out);
  *output = support::Read(log);
  return code;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

}  // namespace pack
