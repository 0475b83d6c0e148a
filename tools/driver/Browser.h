#pragma once
// The folder browser (the system's dialog the "..." button opens), worked from outside its
// process.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace ui {

// The tree of a folder browser in another process. Item texts are read through memory
// lent in that process, since a tree view fills caller buffers only in its own.
class BrowserTree {
public:
  explicit BrowserTree(HWND dialog);
  ~BrowserTree();
  BrowserTree(const BrowserTree&) = delete;
  BrowserTree& operator=(const BrowserTree&) = delete;

  HWND Handle() const { return tree_; }
  bool Ready() const { return tree_ && remote_; }
  std::wstring TextOf(HTREEITEM item) const;
  HTREEITEM Root() const;
  // Expands the item (the browser lists a folder's subfolders when it first opens) and
  // returns its children.
  std::vector<HTREEITEM> Children(HTREEITEM item) const;
  HTREEITEM Selected() const;
  bool Select(HTREEITEM item) const;
  // The computer's item (the drives' parent) under the desktop.
  HTREEITEM Computer() const;
  // The item of a drive's root ("C:\\"), found under the computer's item by its "(C:)".
  HTREEITEM Drive(wchar_t letter) const;
  // The item of a folder path, one level at a time from its drive; null if not found.
  HTREEITEM Folder(const std::wstring& path) const;
  // The items' texts to depth levels below item, one per line, for failure messages.
  std::string Dump(HTREEITEM item, int depth) const;

private:
  LRESULT Send(UINT msg, WPARAM wp, LPARAM lp) const;

  HWND tree_ = nullptr;
  HANDLE process_ = nullptr;
  void* remote_ = nullptr;
};

// The static text of a dialog that reads exactly text, or null.
HWND FindStatic(HWND dialog, const std::wstring& text);

}  // namespace ui
