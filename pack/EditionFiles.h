#pragma once
// An edition of the product as it is installed: the product's files at its top, the forms
// in the forms folder. TalvoPack reads the new edition and the previous one this way.
#include <windows.h>

#include <string>
#include <vector>

#include "pack/Failure.h"

struct TEditionFile {
  std::wstring Name;
  std::wstring Path;   // full
  bool Form;           // in the forms folder
  std::string Cp1251;  // the name in Windows-1251, the updater's names
  bool InCp1251;       // Cp1251 holds the name exactly
  ULONGLONG Size;
  FILETIME Written;
};

struct TEdition {
  std::wstring Root;                  // full path
  std::vector<TEditionFile> Files;    // the top first, then the forms; each by name
  std::vector<std::wstring> Folders;  // any other folder (full paths): the updater fills none
  // Entries that are not plain entries of one name: links (never followed, and in neither
  // list above), files with more names than one, entries that cannot be opened.
  std::vector<TProblem> Entries;
};

// False when the folder or its forms folder cannot be listed.
bool ReadEdition(const std::wstring& root, TEdition* out);

// The file of this edition at this place whose name equals name without regard to case.
const TEditionFile* FindFile(const TEdition& edition, bool form, const std::wstring& name);

// The files of now that previous does not hold with the same bytes at the same place (all of
// them without a previous edition); the paths of previous's files that now lacks go to gone.
std::vector<const TEditionFile*> ChangedFiles(const TEdition& now, const TEdition* previous,
                                              std::vector<std::wstring>* gone);
