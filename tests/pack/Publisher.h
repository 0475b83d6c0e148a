#pragma once
// The publisher's side of the scenarios: editions laid out as files, a kit of this build,
// and TalvoPack run on them as a publisher runs it.
#include <map>
#include <string>

#include "Update.h"

namespace pack {

// An edition as relative paths ("Blanks\\x.rtf") and bytes.
using Files = std::map<std::wstring, std::string>;

std::wstring Pack();
// The bytes of a program of the build (a fake product of one edition).
std::string Vanto(const char* built);
// Bytes that do not compress, and text that does, both the same for the same seed.
std::string Noise(size_t size, uint32_t seed);
std::string Words(size_t count, uint32_t seed);

// Writes the files into dir, each with one fixed time of change.
void Lay(const std::wstring& dir, const Files& files);
// The files of a product folder or an edition, its forms included, as Lay takes them.
Files FilesIn(const std::wstring& dir);

// A kit of this build in the folder name of t: TalvoPack with an updater (this build's, or
// the one given) and the library. TalvoPack's path there.
std::wstring Kit(const support::TempDir& t, const wchar_t* name = L"kit",
                 const std::wstring& updater = L"");

// Runs TalvoPack in dir with these arguments; its exit code, and what it wrote to both streams.
DWORD RunPack(const std::wstring& exe, const std::wstring& dir, const std::wstring& args,
              std::string* output);

std::wstring Quoted(const std::wstring& path);

}  // namespace pack
