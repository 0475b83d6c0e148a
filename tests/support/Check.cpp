#include "Check.h"

#include <algorithm>

#include "Driver.h"
#include "Scenario.h"
#include "Tree.h"

namespace check {

namespace {

std::string Quoted(const std::wstring& windowsPath) {
  const std::string path = support::UnixPath(windowsPath);
  if (path.empty() || path.find('\'') != std::string::npos) return std::string();
  return "'" + path + "'";
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(const std::wstring& folder) : folder_(folder) {
  const std::string path = Quoted(folder);
  ok_ = !path.empty() && ui::RunUnix("chattr +i " + path);
}

ReadOnlyFolder::~ReadOnlyFolder() {
  if (ok_) ui::RunUnix("chattr -i " + Quoted(folder_));
}

std::vector<std::wstring> TempEntries(const std::wstring& folder) {
  std::vector<std::wstring> names = support::List(folder);
  names.erase(std::remove_if(names.begin(), names.end(),
                             [](const std::wstring& name) { return name.rfind(L"Temp", 0) != 0; }),
              names.end());
  return names;
}

std::wstring MakeDeepFolder(const std::wstring& dir, size_t length) {
  std::wstring path = dir;
  char letter = 'a';
  while (path.size() < length) {
    const size_t room = length - path.size() - 1;  // after the backslash
    // Leave no remainder too short for a name of its own.
    size_t n = room > 200 ? std::min<size_t>(150, room - 1) : room;
    path = support::Join(path, std::wstring(n, static_cast<wchar_t>(letter++)));
    if (!CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr)) return std::wstring();
  }
  return path.size() == length ? path : std::wstring();
}

}  // namespace check
