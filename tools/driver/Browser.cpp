#include "Browser.h"

#include <shlobj.h>

#include "Driver.h"

namespace ui {

namespace {

constexpr UINT kSendMs = 5000;
constexpr size_t kTextChars = 260;

// A TVITEMW followed by its text buffer, in the tree's process.
struct RemoteItem {
  TVITEMW item;
  wchar_t text[kTextChars];
};

std::wstring Lower(std::wstring s) {
  CharLowerBuffW(&s[0], static_cast<DWORD>(s.size()));
  return s;
}

}  // namespace

BrowserTree::BrowserTree(HWND dialog) : tree_(ui::FindChild(dialog, L"SysTreeView32")) {
  DWORD pid = 0;
  if (!tree_ || !GetWindowThreadProcessId(tree_, &pid)) return;
  process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
  if (!process_) return;
  remote_ = VirtualAllocEx(process_, nullptr, sizeof(RemoteItem), MEM_COMMIT | MEM_RESERVE,
                           PAGE_READWRITE);
}

BrowserTree::~BrowserTree() {
  if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
  if (process_) CloseHandle(process_);
}

LRESULT BrowserTree::Send(UINT msg, WPARAM wp, LPARAM lp) const {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(tree_, msg, wp, lp, SMTO_NORMAL, kSendMs, &result)) return 0;
  return static_cast<LRESULT>(result);
}

std::wstring BrowserTree::TextOf(HTREEITEM item) const {
  if (!Ready() || !item) return std::wstring();
  RemoteItem local{};
  RemoteItem* remote = static_cast<RemoteItem*>(remote_);
  local.item.mask = TVIF_TEXT | TVIF_HANDLE;
  local.item.hItem = item;
  local.item.pszText = remote->text;
  local.item.cchTextMax = kTextChars;
  SIZE_T n = 0;
  if (!WriteProcessMemory(process_, remote, &local, sizeof local, &n)) return std::wstring();
  if (!Send(TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote))) return std::wstring();
  if (!ReadProcessMemory(process_, remote, &local, sizeof local, &n)) return std::wstring();
  local.text[kTextChars - 1] = L'\0';
  // The tree may answer with its own buffer instead of filling ours.
  if (local.item.pszText != remote->text) {
    wchar_t own[kTextChars] = L"";
    ReadProcessMemory(process_, local.item.pszText, own, sizeof own - sizeof(wchar_t), &n);
    return own;
  }
  return local.text;
}

HTREEITEM BrowserTree::Root() const {
  return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

std::vector<HTREEITEM> BrowserTree::Children(HTREEITEM item) const {
  std::vector<HTREEITEM> list;
  if (!item) return list;
  Send(TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
  for (LRESULT c = Send(TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)); c;
       c = Send(TVM_GETNEXTITEM, TVGN_NEXT, c)) {
    list.push_back(reinterpret_cast<HTREEITEM>(c));
  }
  return list;
}

HTREEITEM BrowserTree::Selected() const {
  return reinterpret_cast<HTREEITEM>(Send(TVM_GETNEXTITEM, TVGN_CARET, 0));
}

bool BrowserTree::Select(HTREEITEM item) const {
  Send(TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
  return Selected() == item;
}

namespace {

// The name the shell shows for the computer's drives (it follows the locale, as the
// browser's tree does).
std::wstring ComputerName() {
  PIDLIST_ABSOLUTE drives = nullptr;
  if (FAILED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) return std::wstring();
  SHFILEINFOW info{};
  const bool ok = SHGetFileInfoW(reinterpret_cast<LPCWSTR>(drives), 0, &info, sizeof info,
                                 SHGFI_PIDL | SHGFI_DISPLAYNAME) != 0;
  CoTaskMemFree(drives);
  return ok ? info.szDisplayName : std::wstring();
}

}  // namespace

HTREEITEM BrowserTree::Computer() const {
  const std::wstring name = ComputerName();
  for (HTREEITEM top : Children(Root())) {
    if (TextOf(top) == name) return top;
  }
  return nullptr;
}

HTREEITEM BrowserTree::Drive(wchar_t letter) const {
  // Only the computer's item is opened: the others can be slow to list (the whole Linux
  // file system hangs under the desktop in Wine).
  const std::wstring mark = std::wstring(L"(") + letter + L":)";
  for (HTREEITEM drive : Children(Computer())) {
    if (TextOf(drive).find(mark) != std::wstring::npos) return drive;
  }
  return nullptr;
}

HTREEITEM BrowserTree::Folder(const std::wstring& path) const {
  if (path.size() < 3 || path.compare(1, 2, L":\\") != 0) return nullptr;
  HTREEITEM item = Drive(static_cast<wchar_t>(towupper(path[0])));
  size_t start = 3;
  while (item && start < path.size()) {
    size_t end = path.find(L'\\', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring name = Lower(path.substr(start, end - start));
    HTREEITEM next = nullptr;
    for (HTREEITEM child : Children(item)) {
      if (Lower(TextOf(child)) == name) next = child;
    }
    item = next;
    start = end + 1;
  }
  return item;
}

std::string BrowserTree::Dump(HTREEITEM item, int depth) const {
  std::string out;
  std::vector<std::pair<HTREEITEM, int>> stack{{item, 0}};
  while (!stack.empty()) {
    auto [at, level] = stack.back();
    stack.pop_back();
    out += std::string(2 * level, ' ') + ui::Utf8(TextOf(at)) + "\n";
    if (level == depth) continue;
    std::vector<HTREEITEM> children = Children(at);
    for (auto c = children.rbegin(); c != children.rend(); ++c) stack.push_back({*c, level + 1});
  }
  return out;
}

namespace {

struct StaticSearch {
  const std::wstring* text;
  HWND found;
};

BOOL CALLBACK FindStaticProc(HWND w, LPARAM lp) {
  StaticSearch* s = reinterpret_cast<StaticSearch*>(lp);
  if (ui::ClassName(w) != L"Static" || ui::Text(w) != *s->text) return TRUE;
  s->found = w;
  return FALSE;
}

}  // namespace

HWND FindStatic(HWND dialog, const std::wstring& text) {
  StaticSearch s{&text, nullptr};
  EnumChildWindows(dialog, FindStaticProc, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace ui
