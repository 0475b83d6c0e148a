#pragma once
// What a folder holds, as the tests compare it. The updater's log is no file of a product and
// is left out everywhere (the tests of the log read it themselves).
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "Files.h"

namespace support {

// The names in a folder, sorted; folders end in "\".
std::vector<std::wstring> List(const FilePath& dir);
std::vector<std::string> List(const std::string& dir);  // ANSI names

// Every file and folder below a folder by its path (UTF-8, folders end in "\"), with its
// read-only and hidden marks and its bytes: short ones as they are, longer ones by size and
// sum. Two snapshots compare with ==.
using Tree = std::map<std::string, std::string>;
Tree Snapshot(const FilePath& dir);
// A file's entry in a snapshot.
std::string TreeEntry(const std::string& bytes, DWORD attributes = 0);

}  // namespace support
