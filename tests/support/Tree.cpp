#include "Tree.h"

#include <zlib.h>

#include <algorithm>

#include "Driver.h"

namespace support {

namespace {

void Walk(const std::wstring& dir, const std::string& prefix, Tree* tree) {
  for (const std::wstring& name : List(dir)) {
    const std::wstring path = Join(dir, name);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const std::string key = prefix + ui::Utf8(name);
    if (name.back() == L'\\') {
      (*tree)[key] = TreeEntry("", attributes & FILE_ATTRIBUTE_HIDDEN);
      Walk(path.substr(0, path.size() - 1), key, tree);
    } else {
      (*tree)[key] = TreeEntry(Read(path), attributes);
    }
  }
}

}  // namespace

std::vector<std::wstring> List(const FilePath& dir) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW d;
  HANDLE h = FindFirstFileW(Join(dir.wide(), L"*").c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = d.cFileName;
    if (name == L"." || name == L".." || name == L"TalvoUpdate.log") continue;
    if (d.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) name += L"\\";
    names.push_back(name);
  } while (FindNextFileW(h, &d));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<std::string> List(const std::string& dir) {
  std::vector<std::string> names;
  for (const std::wstring& name : List(FilePath(dir))) names.push_back(ui::Narrow(name, CP_ACP));
  return names;
}

Tree Snapshot(const FilePath& dir) {
  Tree tree;
  Walk(dir.wide(), "", &tree);
  return tree;
}

std::string TreeEntry(const std::string& bytes, DWORD attributes) {
  std::string value = attributes & FILE_ATTRIBUTE_READONLY ? "R " : "";
  if (attributes & FILE_ATTRIBUTE_HIDDEN) value += "H ";
  if (bytes.size() <= 40) return value + "'" + bytes + "'";
  return value + std::to_string(bytes.size()) + " bytes, crc " +
         std::to_string(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size()));
}

}  // namespace support
