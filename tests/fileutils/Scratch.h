#pragma once
// Real files for tests: a fresh scratch folder per test, and small file helpers.
#include <windows.h>
#include <stdio.h>
#include <string.h>

#include <string>

inline std::string Join(const std::string& folder, const std::string& name) {
  return folder + "\\" + name;
}

inline DWORD Attributes(const std::string& path) { return GetFileAttributesA(path.c_str()); }

inline bool Exists(const std::string& path) {
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

inline bool WriteText(const std::string& path, const std::string& text) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  const bool ok = fwrite(text.data(), 1, text.size(), f) == text.size();
  return fclose(f) == 0 && ok;
}

inline std::string ReadText(const std::string& path) {
  std::string text;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return text;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
  fclose(f);
  return text;
}

inline std::string CurrentDir() {
  char dir[MAX_PATH];
  const DWORD n = GetCurrentDirectoryA(MAX_PATH, dir);
  return n > 0 && n < MAX_PATH ? std::string(dir) : std::string();
}

// The folder of the running test program, where its helper programs are put.
inline std::string OwnFolder() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  *strrchr(path, '\\') = '\0';
  return path;
}

// Puts the current directory back at the end of a test that changes it.
class CurrentDirGuard {
public:
  CurrentDirGuard() : Saved(CurrentDir()) {}
  ~CurrentDirGuard() { SetCurrentDirectoryA(Saved.c_str()); }

private:
  std::string Saved;
};

// Removes a tree without ever entering a linked folder (a link is left in place).
inline void RemoveScratch(const std::string& folder) {
  WIN32_FIND_DATAA e;
  HANDLE h = FindFirstFileA(Join(folder, "*").c_str(), &e);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = e.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = Join(folder, name);
      SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (e.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
      if (e.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveScratch(path);
      else
        DeleteFileA(path.c_str());
    } while (FindNextFileA(h, &e));
    FindClose(h);
  }
  SetFileAttributesA(folder.c_str(), FILE_ATTRIBUTE_NORMAL);
  RemoveDirectoryA(folder.c_str());
}

// A fresh, empty folder under the temporary folder for one test.
class ScratchFolder {
public:
  ScratchFolder() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    char name[64];
    snprintf(name, sizeof name, "talvo-%lu-%lu-%d", GetCurrentProcessId(), GetTickCount(),
             ++counter);
    Root = std::string(temp) + name;
    CreateDirectoryA(Root.c_str(), nullptr);
  }
  ~ScratchFolder() { RemoveScratch(Root); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& Path() const { return Root; }
  std::string operator/(const std::string& name) const { return Join(Root, name); }

private:
  std::string Root;
};
