#include "pack/EditionFiles.h"

#include <algorithm>

#include "pack/Encoding.h"
#include "pack/Files.h"
#include "unzdll/ZipNames.h"
#include "update/files/ProductNames.h"

namespace {

const wchar_t LinkRule[] = L": е връзка към друго място; TalvoPack не следва връзки в изданието.";

// The files of one folder of the edition, by name; its folders go to folders.
bool ReadFolder(const std::wstring& folder, bool forms, TEdition* out, std::wstring* formsFolder) {
  std::vector<TFound> found;
  if (!ListFolder(folder, &found)) return false;
  std::sort(found.begin(), found.end(),
            [](const TFound& a, const TFound& b) { return a.Name < b.Name; });
  for (const TFound& f : found) {
    const std::wstring path = Join(folder, f.Name);
    // A name the system cannot keep, or a device's, opens something else: never opened, the
    // edition's rules name it for what it is.
    DWORD names = 1;
    const TEntry entry =
        unz::IsSafeName(reinterpret_cast<const char16_t*>(f.Name.c_str()), f.Name.size())
            ? OpenAsEntry(folder, f.Name, &names)
            : TEntry::Own;
    const DWORD error = GetLastError();
    if (f.Link || entry == TEntry::Elsewhere) {
      out->Entries.push_back({path, LinkRule, std::nullopt});
      continue;
    }
    if (entry == TEntry::Unopened)
      out->Entries.push_back({path, L": не може да се отвори", error});
    else if (!f.Folder && names > 1)
      out->Entries.push_back(
          {path,
           L": файлът има и други имена (твърда връзка); TalvoPack пакетира само файлове с "
           L"едно име.",
           std::nullopt});
    if (f.Folder) {
      // Blanks in any case: the file system finds it so.
      if (!forms && formsFolder->empty() && Upper(f.Name) == Upper(FromCodePage(1251, FormsFolder)))
        *formsFolder = path;
      else
        out->Folders.push_back(path);
      continue;
    }
    TEditionFile file{f.Name, path, forms, std::string(), false, f.Size, f.Written};
    file.InCp1251 = ToCodePage(1251, f.Name, &file.Cp1251);
    out->Files.push_back(file);
  }
  return true;
}

}  // namespace

bool ReadEdition(const std::wstring& root, TEdition* out) {
  out->Root = FullPath(root);
  out->Files.clear();
  out->Folders.clear();
  out->Entries.clear();
  std::wstring forms;
  return ReadFolder(out->Root, false, out, &forms) &&
         (forms.empty() || ReadFolder(forms, true, out, &forms));
}

const TEditionFile* FindFile(const TEdition& edition, bool form, const std::wstring& name) {
  const std::wstring key = Upper(name);
  for (const TEditionFile& f : edition.Files)
    if (f.Form == form && Upper(f.Name) == key) return &f;
  return nullptr;
}

std::vector<const TEditionFile*> ChangedFiles(const TEdition& now, const TEdition* previous,
                                              std::vector<std::wstring>* gone) {
  std::vector<const TEditionFile*> changed;
  for (const TEditionFile& f : now.Files) {
    const TEditionFile* before = previous ? FindFile(*previous, f.Form, f.Name) : nullptr;
    if (!before || before->Size != f.Size || !SameBytes(before->Path, f.Path))
      changed.push_back(&f);
  }
  if (previous)
    for (const TEditionFile& f : previous->Files)
      if (!FindFile(now, f.Form, f.Name)) gone->push_back(f.Path);
  return changed;
}
