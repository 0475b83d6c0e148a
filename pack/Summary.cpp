#include "pack/Summary.h"

#include <windows.h>

#include "pack/Console.h"
#include "pack/Files.h"

namespace {

std::wstring Plural(unsigned long long n, const wchar_t* one, const wchar_t* more) {
  return Count(n) + (n == 1 ? one : more);
}

}  // namespace

void Summary(const std::wstring& out, bool floppy, bool oneFile,
             const std::vector<TArchivePlan>& plan, const TSigning& signing) {
  const std::wstring file = Join(out, KitUpdater);
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (oneFile && GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data))
    Say(L"Един файл: " + file + L", " + Count(data.nFileSizeLow) + L" байта.");
  unsigned long long files = 0, raw = 0, packed = 0;
  for (size_t i = 0; i < plan.size(); ++i) {
    unsigned long long size = 0;
    for (const TMember* m : plan[i].Members) size += m->Size;
    Say(plan[i].Name + L": " + Plural(plan[i].Members.size(), L" файл", L" файла") + L", " +
        Count(plan[i].Bytes) + L" байта (разархивирани " + Count(size) + L").");
    files += plan[i].Members.size();
    raw += size;
    packed += plan[i].Bytes;
  }
  Say(L"Носителят е готов в " + out + L": " + Plural(files, L" файл", L" файла") + L" (" +
      Count(raw) + L" байта) в " + Plural(plan.size(), L" архив", L" архива") + L" (" +
      Count(packed) + L" байта).");
  const std::string print = signing.Key ? signing.Key->Fingerprint() : std::string();
  const std::wstring described = L"Описанието на всеки диск (MANIFEST.TXT) е ";
  Say(signing.Key ? described + L"подписано с ключа SHA-256 " +
                        std::wstring(print.begin(), print.end()) + L" (MANIFEST.SIG)."
                  : described + L"без подпис (без /KEY).");
  if (!floppy) return;
  for (size_t i = 0; i < plan.size(); ++i) {
    const std::wstring disk = Join(out, L"DISK" + std::to_wstring(i + 1));
    std::vector<TFound> files;
    unsigned long long used = 0;
    if (ListFolder(disk, &files))
      for (const TFound& f : files) used += OnDisk(f.Size);
    Say(L"Дискета " + std::to_wstring(i + 1) + L": заети " + Count(used) + L" от " +
        Count(DiskBytes) + L" байта.");
  }
}
