#include "pack/OneFile.h"

#include <windows.h>

#include "pack/Files.h"
#include "pack/Verify.h"
#include "crypto/ImageHash.h"
#include "update/medium/OneFile.h"

namespace {

// Opens path with the updater's reader, its headers read from the file.
TOneFileState OpenOneFile(const std::wstring& path, TOneFile* one) {
  std::string head(4096, '\0');
  TReadFile file(path);
  DWORD got = 0;
  if (!file.Read(&head[0], 4096, &got)) return TOneFileState::Damaged;
  head.resize(got);
  const IMAGE_NT_HEADERS32* headers = PeHeaders(head.data(), head.size());
  return headers ? one->Open(path.c_str(), *headers) : TOneFileState::Damaged;
}

// The updater's image without the signature it may carry: a one-file medium is signed as a
// whole, after it is made.
bool Image(const std::wstring& updater, std::string* image) {
  TOneFile plain;
  if (!ReadWhole(updater, 64 << 20, image) || OpenOneFile(updater, &plain) != TOneFileState::None)
    return false;
  auto* nt = const_cast<IMAGE_NT_HEADERS32*>(PeHeaders(image->data(), image->size()));
  IMAGE_DATA_DIRECTORY& signature =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_SECURITY];
  if (signature.VirtualAddress) image->resize(signature.VirtualAddress);
  signature = {};
  return true;
}

// Appends the file at path to out as a member of that name.
bool Append(TWriteFile& out, const std::wstring& path, const std::string& name,
            std::vector<TCarried>* table) {
  TCarried entry = {};
  name.copy(entry.Name, sizeof entry.Name - 1);
  entry.Offset = static_cast<DWORD>(out.Offset());
  TReadFile in(path);
  static char buffer[64 * 1024];
  for (DWORD got = 0;; entry.Size += got) {
    if (!in.Read(buffer, sizeof buffer, &got) || (got && !out.Write(buffer, got))) return false;
    if (!got) break;
  }
  table->push_back(entry);
  // Offsets and sizes are of 32 bits.
  return out.Offset() < 0xFFFF0000u;
}

TFailure Compose(const std::wstring& folder, const std::wstring& file,
                 const std::vector<TArchivePlan>& plan) {
  std::string image;
  if (!Image(Join(folder, L"TalvoUpdate.exe"), &image))
    return Failed(NotMade, Join(folder, L"TalvoUpdate.exe"),
                  L": не е програма за актуализация без товар.");
  TWriteFile out(file);
  std::vector<TCarried> table;
  bool written = out.Write(image.data(), image.size());
  std::vector<std::string> names = {LibraryName, ManifestName};
  if (GetFileAttributesW(Join(folder, L"MANIFEST.SIG").c_str()) != INVALID_FILE_ATTRIBUTES)
    names.push_back(SignatureName);
  for (const TArchivePlan& archive : plan)
    names.emplace_back(archive.Name.begin(), archive.Name.end());
  for (const std::string& name : names)
    written =
        written && Append(out, Join(folder, std::wstring(name.begin(), name.end())), name, &table);
  // The tail ends on a multiple of 8, where a signing tool puts its certificate table.
  const size_t pad =
      (8 - (out.Offset() + table.size() * sizeof(TCarried) + OneFileTailBytes) % 8) % 8;
  const DWORD tail[2] = {static_cast<DWORD>(table.size()), OneFileVersion};
  written = written && out.Write(std::string(pad, '\0').data(), pad) &&
            out.Write(table.data(), table.size() * sizeof(TCarried)) &&
            out.Write(tail, sizeof tail) && out.Write(OneFileMagic, sizeof OneFileMagic);
  if (out.Close() && written) return {};
  return Failed(NotMade, file, L": не може да се запише.");
}

// The one file read as the updater reads it: every member taken out into work is the same as
// what was put in, and the archives unpack with the library it carries into the edition.
TFailure Prove(const std::wstring& folder, const std::wstring& file,
               const std::vector<TArchivePlan>& plan, const std::string& libraryHash,
               const std::wstring& work) {
  TOneFile one;
  if (OpenOneFile(file, &one) != TOneFileState::Carried ||
      one.MemberCount() != static_cast<int>(plan.size()) + 2 + !!one.Find(SignatureName) ||
      !MakeFolder(work))
    return Failed(NotMade, file,
                  L": програмата за актуализация не може да прочете съдържанието му.");
  for (int i = 0; i < one.MemberCount(); ++i) {
    const std::string name = one.Member(i).Name;
    const std::wstring taken = Join(work, std::wstring(name.begin(), name.end()));
    const HANDLE to = CreateFileW(taken.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    const bool copied = to != INVALID_HANDLE_VALUE && one.CopyOut(one.Member(i), to);
    if (to != INVALID_HANDLE_VALUE) CloseHandle(to);
    if (!copied || !SameBytes(taken, Join(folder, std::wstring(name.begin(), name.end()))))
      return Failed(NotMade, file,
                    L": " + std::wstring(name.begin(), name.end()) + L" в него се различава.");
  }
  std::vector<TMadeArchive> archives;
  for (const TArchivePlan& archive : plan) archives.push_back({Join(work, archive.Name), &archive});
  return VerifyMedium(Join(work, L"UNZDLL.DLL"), libraryHash, archives, Join(work, L"~CHECK"));
}

}  // namespace

TFailure MakeOneFile(const std::wstring& folder, const std::wstring& file,
                     const std::vector<TArchivePlan>& plan, const std::string& libraryHash,
                     const std::wstring& work) {
  TFailure failed = Compose(folder, file, plan);
  if (!failed) failed = Prove(folder, file, plan, libraryHash, work);
  if (!RemoveTree(work)) failed.Add(FailedCall(NotMade, work, L": не може да се изтрие"));
  return failed;
}
