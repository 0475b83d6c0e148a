// The library's two entries. UnzDllExec unpacks one archive into the current folder: every
// wanted member becomes a plain, verified file directly there, or is reported and left out.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

#include "UnzReports.h"
#include "unzdll/UnzRecords.h"
#include "WinFiles.h"
#include "ZipNames.h"
#include "ZipReader.h"

namespace {

const int kVersion = 100;
const size_t kWideName = 65536;  // a stored name has at most 65,535 bytes
const size_t kShownName = 200;   // longer names are cut in reports
const int kMaxReports = 20;      // each report is a box the user must close; the rest are counted

// Bounded text building for report messages.
struct Text {
  char buf[sizeof(UnzCallbackInfo::MessageText)];
  size_t len = 0;
  Text() { buf[0] = 0; }
  Text& Add(const char* s) {
    for (size_t i = 0; s[i] && len + 1 < sizeof(buf); ++i) buf[len++] = s[i];
    buf[len] = 0;
    return *this;
  }
  Text& Add(unsigned n) {
    char digits[12];
    char* p = digits + sizeof(digits) - 1;
    *p = 0;
    do *--p = char('0' + n % 10);
    while (n /= 10);
    return Add(p);
  }
};

class Unpacker {
public:
  Unpacker(UnzCallback cb) : cb_(cb) {}
  ~Unpacker() { free(wide_); }
  int Run(const UnzParams& p);

private:
  void Report(UnzReport number, const Text& text);
  void Show(UnzReport number, const Text& text);
  void ReportMember(UnzReport number, const char* what, const unz::Entry& e);
  void ReportArchive(UnzReport number, const char* before, const char* after);
  void Member(const unz::Entry& e);
  size_t DecodeName(const unz::Entry& e);
  bool Wanted(const char16_t* name, size_t n);

  UnzCallback cb_;
  int reports_ = 0;
  unsigned unshown_ = 0;  // reports past kMaxReports
  char archive_[MAX_PATH] = "";
  const char* const* specs_ = nullptr;
  int specCount_ = 0;
  size_t dirLen_ = 0;         // length of the current folder's path
  char16_t* wide_ = nullptr;  // the member's decoded name
  unz::Reader reader_;
};

void Unpacker::Report(UnzReport number, const Text& text) {
  if (reports_ == kMaxReports) {
    ++unshown_;
    return;
  }
  ++reports_;
  Show(number, text);
}

void Unpacker::Show(UnzReport number, const Text& text) {
  if (!cb_) return;
  UnzCallbackInfo info = {};
  info.StructSize = sizeof(info);
  info.ErrorNumber = number;
  memcpy(info.MessageText, text.buf, text.len + 1);
  cb_(&info);
}

void Unpacker::ReportArchive(UnzReport number, const char* before, const char* after) {
  Text t;
  Report(number, t.Add(before).Add(archive_).Add(after));
}

// Names the member by its whole stored name, as readable as the ANSI code page allows.
void Unpacker::ReportMember(UnzReport number, const char* what, const unz::Entry& e) {
  char shown[kShownName + 1];
  int len = 0;
  size_t n = DecodeName(e);
  if (n != unz::kBadName && n > 0) {
    len = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(wide_),
                              int(n < kShownName ? n : kShownName), shown, kShownName, NULL, NULL);
  }
  if (len <= 0) {
    for (len = 0; size_t(len) < e.nameLen && len < int(kShownName); ++len) {
      uint8_t c = e.name[len];
      shown[len] = c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
  }
  shown[len] = 0;
  Text t;
  t.Add(what).Add(": ").Add(shown);
  if (e.nameLen > kShownName) t.Add("...");
  Report(number, t);
}

// UTF-8 when flagged or given by a Unicode path field; else the OEM code page, which is
// what Windows' own tools write.
size_t Unpacker::DecodeName(const unz::Entry& e) {
  if (e.unicodeName) return unz::Utf8ToUtf16(e.unicodeName, e.unicodeNameLen, wide_, kWideName);
  if (e.utf8) return unz::Utf8ToUtf16(e.name, e.nameLen, wide_, kWideName);
  if (e.nameLen == 0) return 0;
  int n = MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(e.name),
                              int(e.nameLen), reinterpret_cast<LPWSTR>(wide_), int(kWideName));
  return n > 0 ? size_t(n) : unz::kBadName;
}

// Matches the first FileSpecCount specifications, case-insensitively, against the base name
// (a name too long for a path matches only the catch-all specifications).
bool Unpacker::Wanted(const char16_t* name, size_t n) {
  if (specCount_ == 0) return true;
  WCHAR upper[MAX_PATH];
  int un = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, reinterpret_cast<LPCWSTR>(name), int(n),
                        upper, MAX_PATH);
  for (int i = 0; i < specCount_; ++i) {
    const char* spec = specs_[i];
    if (!spec) continue;
    if (!strcmp(spec, "*") || !strcmp(spec, "*.*")) return true;
    WCHAR ws[MAX_PATH], us[MAX_PATH];
    int wn = MultiByteToWideChar(CP_ACP, 0, spec, int(strnlen(spec, MAX_PATH)), ws, MAX_PATH);
    int sn = wn > 0 ? LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, ws, wn, us, MAX_PATH) : 0;
    if (sn > 0 && un > 0 &&
        unz::MatchSpec(reinterpret_cast<char16_t*>(us), size_t(sn),
                       reinterpret_cast<char16_t*>(upper), size_t(un)))
      return true;
  }
  return false;
}

void Unpacker::Member(const unz::Entry& e) {
  if (e.isDir) return;
  size_t n = DecodeName(e);
  if (n == unz::kBadName) return ReportMember(kRepCodePage, "Name cannot be decoded", e);
  size_t start = unz::BaseNameStart(wide_, n);
  const char16_t* base = wide_ + start;
  size_t bn = n - start;
  if (!Wanted(base, bn)) return;
  if (bn >= MAX_PATH) return ReportMember(kRepTooLong, "Name too long", e);
  if (!unz::IsSafeName(base, bn)) return ReportMember(kRepUnsafeName, "Unsafe name refused", e);

  // The name must come back unchanged from the ANSI code page, or it would land elsewhere.
  char name[MAX_PATH];
  BOOL lossy = FALSE;
  bool utf8Acp = GetACP() == CP_UTF8;  // best-fit flags and the lossy flag are not allowed there
  int len = WideCharToMultiByte(CP_ACP, utf8Acp ? 0 : WC_NO_BEST_FIT_CHARS,
                                reinterpret_cast<LPCWSTR>(base), int(bn), NULL, 0, NULL,
                                utf8Acp ? NULL : &lossy);
  // The temporary name must fit in the folder too.
  size_t longer = size_t(len) > kTempNameLen ? size_t(len) : kTempNameLen;
  if (dirLen_ + 1 + longer >= MAX_PATH) return ReportMember(kRepTooLong, "Path too long", e);
  WCHAR back[MAX_PATH];
  if (len > 0)
    len = WideCharToMultiByte(CP_ACP, utf8Acp ? 0 : WC_NO_BEST_FIT_CHARS,
                              reinterpret_cast<LPCWSTR>(base), int(bn), name, MAX_PATH - 1, NULL,
                              utf8Acp ? NULL : &lossy);
  if (len <= 0 || lossy || MultiByteToWideChar(CP_ACP, 0, name, len, back, MAX_PATH) != int(bn) ||
      memcmp(back, base, bn * sizeof(WCHAR)) != 0)
    return ReportMember(kRepCodePage, "Name not representable in this code page", e);
  name[len] = 0;

  switch (unz::Reader::Supported(e)) {
    case unz::kOk: break;
    case unz::kEncrypted: return ReportMember(kRepEncrypted, "Encrypted member skipped", e);
    default: return ReportMember(kRepMethod, "Unsupported compression method", e);
  }
  MemberFile out;
  if (!out.Create()) return ReportMember(kRepWrite, "Cannot create file", e);
  switch (reader_.Extract(e, out)) {
    case unz::kOk: break;
    case unz::kBadCrc: return ReportMember(kRepCrc, "CRC error", e);
    case unz::kBadSize: return ReportMember(kRepSize, "Size mismatch", e);
    case unz::kWriteError: return ReportMember(kRepWrite, "Cannot write file", e);
    case unz::kReadError: return ReportMember(kRepRead, "Archive read error", e);
    case unz::kNoMemory: return ReportMember(kRepMemory, "Out of memory", e);
    default: return ReportMember(kRepData, "Damaged data", e);
  }
  if (!out.Commit(name, e.dosDate, e.dosTime)) ReportMember(kRepReplace, "Cannot replace file", e);
}

int Unpacker::Run(const UnzParams& p) {
  if (!p.ArchiveName) {
    Text t;
    Report(kRepRequest, t.Add("No archive name given"));
    return reports_;
  }
  size_t nameLen = strnlen(p.ArchiveName, MAX_PATH);
  lstrcpynA(archive_, p.ArchiveName, MAX_PATH);
  if (p.FileSpecCount < 0 || p.FileSpecCount > kUnzMaxFileSpecs) {
    ReportArchive(kRepRequest, "Bad file specification count for ", "");
    return reports_;
  }
  specs_ = p.FileSpecs;
  specCount_ = p.FileSpecCount;
  if (nameLen >= MAX_PATH) {
    ReportArchive(kRepTooLong, "Archive path too long: ", "...");
    return reports_;
  }
  DWORD dirSize = GetCurrentDirectoryA(0, NULL);  // counts the terminator
  dirLen_ = dirSize ? dirSize - 1 : 0;
  wide_ = static_cast<char16_t*>(malloc(kWideName * sizeof(char16_t)));
  if (!wide_) {
    ReportArchive(kRepMemory, "Out of memory for ", "");
    return reports_;
  }

  ArchiveFile file;
  if (!file.Open(archive_)) {
    ReportArchive(kRepOpen, "Cannot open archive ", "");
    return reports_;
  }
  switch (reader_.Open(file)) {
    case unz::kOk: break;
    case unz::kNotZip: ReportArchive(kRepNotZip, "", " is not a ZIP archive"); return reports_;
    case unz::kNoMemory: ReportArchive(kRepMemory, "Out of memory for ", ""); return reports_;
    case unz::kReadError: ReportArchive(kRepRead, "Cannot read archive ", ""); return reports_;
    default: ReportArchive(kRepDirectory, "Damaged central directory in ", ""); return reports_;
  }
  // Walk the whole directory once first, so a damaged archive gets one report and no files.
  unz::Entry e;
  unz::Status s;
  while ((s = reader_.Next(e)) == unz::kOk) {
  }
  if (s != unz::kEnd) {
    ReportArchive(s == unz::kReadError ? kRepRead : kRepDirectory,
                  s == unz::kReadError ? "Cannot read archive " : "Damaged central directory in ",
                  "");
    return reports_;
  }
  // Members are taken in directory order, so of two that flatten to one name the later wins.
  reader_.Rewind();
  while (reader_.Next(e) == unz::kOk) Member(e);
  if (unshown_) {
    Text t;
    t.Add(unshown_).Add(unshown_ == 1 ? " more problem in " : " more problems in ").Add(archive_);
    Show(kRepMore, t);
  }
  return reports_ + int(unshown_);
}

}  // namespace

extern "C" int __stdcall GetUnzDllVersion() { return kVersion; }

// Returns the number of reports made (the caller does not use it).
extern "C" int __stdcall UnzDllExec(const UnzParams* params) {
  if (!params) return 1;
  Unpacker unpacker(params->Callback);
  return unpacker.Run(*params);
}

// The library's entry point. It has no constructors, no thread-local data and throws
// nothing, so the C runtime's start-up has nothing to do here (and would bring the unwinder
// in): the link starts the library here instead.
extern "C" BOOL WINAPI UnzDllEntry(HINSTANCE, DWORD, LPVOID) { return TRUE; }
