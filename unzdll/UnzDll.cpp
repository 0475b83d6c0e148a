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

const int LibraryVersion = 100;
const size_t WideNameUnits = 65536;  // a stored name has at most 65,535 bytes
const size_t ShownNameLength = 200;  // longer names are cut in reports
const int MaxReports = 20;  // each report is a box the user must close; the rest are counted

// Bounded text building for report messages.
struct TText {
  char Chars[sizeof(UnzCallbackInfo::MessageText)];
  size_t Length = 0;
  TText() { Chars[0] = 0; }
  TText& Add(const char* s) {
    for (size_t i = 0; s[i] && Length + 1 < sizeof(Chars); ++i) Chars[Length++] = s[i];
    Chars[Length] = 0;
    return *this;
  }
  TText& Add(unsigned n) {
    char digits[12];
    char* p = digits + sizeof(digits) - 1;
    *p = 0;
    do *--p = char('0' + n % 10);
    while (n /= 10);
    return Add(p);
  }
};

class TUnpacker {
public:
  TUnpacker(TUnzCallback callback) : Callback(callback) {}
  ~TUnpacker() { free(WideName); }
  int Run(const UnzParams& p);

private:
  void Report(TUnzReport number, const TText& text);
  void Show(TUnzReport number, const TText& text);
  void ReportMember(TUnzReport number, const char* what, const unz::TEntry& e);
  void ReportArchive(TUnzReport number, const char* before, const char* after);
  void Member(const unz::TEntry& e);
  size_t DecodeName(const unz::TEntry& e);
  bool Wanted(const char16_t* name, size_t n);

  TUnzCallback Callback;
  int Reports = 0;
  unsigned Unshown = 0;  // reports past MaxReports
  char Archive[MAX_PATH] = "";
  const char* const* Specs = nullptr;
  int SpecCount = 0;
  size_t FolderLength = 0;       // length of the current folder's path
  char16_t* WideName = nullptr;  // the member's decoded name
  unz::TReader Reader;
};

void TUnpacker::Report(TUnzReport number, const TText& text) {
  if (Reports == MaxReports) {
    ++Unshown;
    return;
  }
  ++Reports;
  Show(number, text);
}

void TUnpacker::Show(TUnzReport number, const TText& text) {
  if (!Callback) return;
  UnzCallbackInfo info = {};
  info.StructSize = sizeof(info);
  info.ErrorNumber = int32_t(number);
  memcpy(info.MessageText, text.Chars, text.Length + 1);
  Callback(&info);
}

void TUnpacker::ReportArchive(TUnzReport number, const char* before, const char* after) {
  TText t;
  Report(number, t.Add(before).Add(Archive).Add(after));
}

// Names the member by its whole stored name, as readable as the ANSI code page allows.
void TUnpacker::ReportMember(TUnzReport number, const char* what, const unz::TEntry& e) {
  char shown[ShownNameLength + 1];
  int len = 0;
  size_t n = DecodeName(e);
  if (n != unz::BadName && n > 0) {
    len = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(WideName),
                              int(n < ShownNameLength ? n : ShownNameLength), shown,
                              ShownNameLength, NULL, NULL);
  }
  if (len <= 0) {
    for (len = 0; size_t(len) < e.NameLen && len < int(ShownNameLength); ++len) {
      uint8_t c = e.Name[len];
      shown[len] = c >= 0x20 && c < 0x7F ? char(c) : '?';
    }
  }
  shown[len] = 0;
  TText t;
  t.Add(what).Add(": ").Add(shown);
  if (e.NameLen > ShownNameLength) t.Add("...");
  Report(number, t);
}

// UTF-8 when flagged or given by a Unicode path field; else the OEM code page, which is
// what Windows' own tools write.
size_t TUnpacker::DecodeName(const unz::TEntry& e) {
  if (e.UnicodeName)
    return unz::Utf8ToUtf16(e.UnicodeName, e.UnicodeNameLen, WideName, WideNameUnits);
  if (e.Utf8) return unz::Utf8ToUtf16(e.Name, e.NameLen, WideName, WideNameUnits);
  if (e.NameLen == 0) return 0;
  int n =
      MultiByteToWideChar(CP_OEMCP, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(e.Name),
                          int(e.NameLen), reinterpret_cast<LPWSTR>(WideName), int(WideNameUnits));
  return n > 0 ? size_t(n) : unz::BadName;
}

// Matches the first FileSpecCount specifications, case-insensitively, against the base name
// (a name too long for a path matches only the catch-all specifications).
bool TUnpacker::Wanted(const char16_t* name, size_t n) {
  if (SpecCount == 0) return true;
  WCHAR upper[MAX_PATH];
  int un = LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, reinterpret_cast<LPCWSTR>(name), int(n),
                        upper, MAX_PATH);
  for (int i = 0; i < SpecCount; ++i) {
    const char* spec = Specs[i];
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

void TUnpacker::Member(const unz::TEntry& e) {
  if (e.IsDir) return;
  size_t n = DecodeName(e);
  if (n == unz::BadName) return ReportMember(TUnzReport::CodePage, "Name cannot be decoded", e);
  size_t start = unz::BaseNameStart(WideName, n);
  const char16_t* base = WideName + start;
  size_t bn = n - start;
  if (!Wanted(base, bn)) return;
  if (bn >= MAX_PATH) return ReportMember(TUnzReport::TooLong, "Name too long", e);
  if (!unz::IsSafeName(base, bn))
    return ReportMember(TUnzReport::UnsafeName, "Unsafe name refused", e);

  // The name must come back unchanged from the ANSI code page, or it would land elsewhere.
  char name[MAX_PATH];
  BOOL lossy = FALSE;
  bool utf8Acp = GetACP() == CP_UTF8;  // best-fit flags and the lossy flag are not allowed there
  int len = WideCharToMultiByte(CP_ACP, utf8Acp ? 0 : WC_NO_BEST_FIT_CHARS,
                                reinterpret_cast<LPCWSTR>(base), int(bn), NULL, 0, NULL,
                                utf8Acp ? NULL : &lossy);
  // The temporary name must fit in the folder too.
  size_t longer = size_t(len) > TempNameLength ? size_t(len) : TempNameLength;
  if (FolderLength + 1 + longer >= MAX_PATH)
    return ReportMember(TUnzReport::TooLong, "Path too long", e);
  WCHAR back[MAX_PATH];
  if (len > 0)
    len = WideCharToMultiByte(CP_ACP, utf8Acp ? 0 : WC_NO_BEST_FIT_CHARS,
                              reinterpret_cast<LPCWSTR>(base), int(bn), name, MAX_PATH - 1, NULL,
                              utf8Acp ? NULL : &lossy);
  if (len <= 0 || lossy || MultiByteToWideChar(CP_ACP, 0, name, len, back, MAX_PATH) != int(bn) ||
      memcmp(back, base, bn * sizeof(WCHAR)) != 0)
    return ReportMember(TUnzReport::CodePage, "Name not representable in this code page", e);
  name[len] = 0;

  switch (unz::TReader::Supported(e)) {
    case unz::TStatus::Ok: break;
    case unz::TStatus::Encrypted:
      return ReportMember(TUnzReport::Encrypted, "Encrypted member skipped", e);
    default: return ReportMember(TUnzReport::Method, "Unsupported compression method", e);
  }
  TMemberFile out;
  if (!out.Create()) return ReportMember(TUnzReport::Write, "Cannot create file", e);
  switch (Reader.Extract(e, out)) {
    case unz::TStatus::Ok: break;
    case unz::TStatus::BadCrc: return ReportMember(TUnzReport::Crc, "CRC error", e);
    case unz::TStatus::BadSize: return ReportMember(TUnzReport::Size, "Size mismatch", e);
    case unz::TStatus::WriteError: return ReportMember(TUnzReport::Write, "Cannot write file", e);
    case unz::TStatus::ReadError: return ReportMember(TUnzReport::Read, "Archive read error", e);
    case unz::TStatus::NoMemory: return ReportMember(TUnzReport::Memory, "Out of memory", e);
    default: return ReportMember(TUnzReport::Data, "Damaged data", e);
  }
  if (!out.Commit(name, e.DosDate, e.DosTime))
    ReportMember(TUnzReport::Replace, "Cannot replace file", e);
}

int TUnpacker::Run(const UnzParams& p) {
  if (!p.ArchiveName) {
    TText t;
    Report(TUnzReport::Request, t.Add("No archive name given"));
    return Reports;
  }
  size_t nameLen = strnlen(p.ArchiveName, MAX_PATH);
  lstrcpynA(Archive, p.ArchiveName, MAX_PATH);
  if (p.FileSpecCount < 0 || p.FileSpecCount > UnzMaxFileSpecs) {
    ReportArchive(TUnzReport::Request, "Bad file specification count for ", "");
    return Reports;
  }
  Specs = p.FileSpecs;
  SpecCount = p.FileSpecCount;
  if (nameLen >= MAX_PATH) {
    ReportArchive(TUnzReport::TooLong, "Archive path too long: ", "...");
    return Reports;
  }
  DWORD dirSize = GetCurrentDirectoryA(0, NULL);  // counts the terminator
  FolderLength = dirSize ? dirSize - 1 : 0;
  WideName = static_cast<char16_t*>(malloc(WideNameUnits * sizeof(char16_t)));
  if (!WideName) {
    ReportArchive(TUnzReport::Memory, "Out of memory for ", "");
    return Reports;
  }

  TArchiveFile file;
  if (!file.Open(Archive)) {
    ReportArchive(TUnzReport::Open, "Cannot open archive ", "");
    return Reports;
  }
  switch (Reader.Open(file)) {
    case unz::TStatus::Ok: break;
    case unz::TStatus::NotZip:
      ReportArchive(TUnzReport::NotZip, "", " is not a ZIP archive");
      return Reports;
    case unz::TStatus::NoMemory:
      ReportArchive(TUnzReport::Memory, "Out of memory for ", "");
      return Reports;
    case unz::TStatus::ReadError:
      ReportArchive(TUnzReport::Read, "Cannot read archive ", "");
      return Reports;
    default:
      ReportArchive(TUnzReport::Directory, "Damaged central directory in ", "");
      return Reports;
  }
  // Walk the whole directory once first, so a damaged archive gets one report and no files.
  unz::TEntry e;
  unz::TStatus s;
  while ((s = Reader.Next(e)) == unz::TStatus::Ok) {
  }
  if (s != unz::TStatus::End) {
    ReportArchive(
        s == unz::TStatus::ReadError ? TUnzReport::Read : TUnzReport::Directory,
        s == unz::TStatus::ReadError ? "Cannot read archive " : "Damaged central directory in ",
        "");
    return Reports;
  }
  // Members are taken in directory order, so of two that flatten to one name the later wins.
  Reader.Rewind();
  while (Reader.Next(e) == unz::TStatus::Ok) Member(e);
  if (Unshown) {
    TText t;
    t.Add(Unshown).Add(Unshown == 1 ? " more problem in " : " more problems in ").Add(Archive);
    Show(TUnzReport::More, t);
  }
  return Reports + int(Unshown);
}

}  // namespace

extern "C" int __stdcall GetUnzDllVersion() { return LibraryVersion; }

// Returns the number of reports made (the caller does not use it).
extern "C" int __stdcall UnzDllExec(const UnzParams* params) {
  if (!params) return 1;
  TUnpacker unpacker(params->Callback);
  return unpacker.Run(*params);
}

// The library's entry point. It has no constructors, no thread-local data and throws
// nothing, so the C runtime's start-up has nothing to do here (and would bring the unwinder
// in): the link starts the library here instead.
extern "C" BOOL WINAPI UnzDllEntry(HINSTANCE, DWORD, LPVOID) { return TRUE; }
