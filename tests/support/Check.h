#pragma once
// What the folder check and folder selection scenarios need beside the UI driver and its
// folder browser: a folder nobody can write to, and the work folders found in a product
// folder.
#include <windows.h>

#include <string>
#include <vector>

#include "Browser.h"

namespace check {

// A folder that nobody, root included, can create anything in, while this lives (the Linux
// immutable attribute). Ok() is false where the file system or rights do not allow it.
class ReadOnlyFolder {
public:
  explicit ReadOnlyFolder(const std::wstring& folder);
  ~ReadOnlyFolder();
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  bool Ok() const { return ok_; }

private:
  std::wstring folder_;
  bool ok_ = false;
};

// The names of the folder's entries that begin with "Temp", sorted; folders end in "\".
std::vector<std::wstring> TempEntries(const std::wstring& folder);

// A Windows path of exactly length characters inside dir, made as folders (each name at
// most 200 characters).
std::wstring MakeDeepFolder(const std::wstring& dir, size_t length);

}  // namespace check
