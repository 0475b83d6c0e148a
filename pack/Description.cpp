#include "pack/Description.h"

#include <string.h>

#include "pack/Files.h"
#include "update/medium/Manifest.h"

namespace {

std::wstring Wide(const char* text) { return std::wstring(text, text + strlen(text)); }

// The size and SHA-256 (hexadecimal) of a file.
bool HashHex(TCryptProvider& crypto, const std::wstring& path, ULONGLONG* size, std::string* hex) {
  TReadFile file(path);
  BYTE hash[HashBytes];
  char digits[2 * HashBytes + 1];
  if (!file.Opened() || !HashFile(crypto, file.Handle(), size, hash)) return false;
  HexText(hash, HashBytes, digits);
  *hex = digits;
  return true;
}

// The description read back as the updater reads it, signature and all.
bool Proven(TCryptProvider& crypto, const std::wstring& folder, const std::string& text,
            const std::string& archive, const std::string& check) {
  TManifest read;
  std::string written, signature;
  if (!ReadWhole(Join(folder, Wide(ManifestName)), ManifestMaxBytes, &written) || written != text ||
      !read.Parse(written.data(), static_cast<DWORD>(written.size())) ||
      !read.Find(archive.c_str()))
    return false;
  if (check.empty()) return true;
  return ReadWhole(Join(folder, Wide(SignatureName)), SignatureMaxBytes, &signature) &&
         VerifySignature(
             crypto, reinterpret_cast<const BYTE*>(check.data()), static_cast<DWORD>(check.size()),
             written.data(), static_cast<DWORD>(written.size()),
             reinterpret_cast<const BYTE*>(signature.data()), static_cast<DWORD>(signature.size()));
}

}  // namespace

TFailure DescribeMedium(const std::vector<TDescribed>& disks, const std::string& edition,
                        TSigningKey* key, const std::string& check) {
  TCryptProvider crypto;
  // Each archive's name, size and hash; the medium is known by all of them together.
  std::vector<std::string> lines;
  std::string all = edition + "\n";
  for (const TDescribed& disk : disks) {
    ULONGLONG size;
    std::string hash;
    const std::wstring name = disk.Archive.substr(disk.Archive.find_last_of(L'\\') + 1);
    if (!HashHex(crypto, disk.Archive, &size, &hash))
      return FailedCall(NotMade, disk.Archive, L": не може да се прочете");
    lines.push_back("archive " + std::string(name.begin(), name.end()) + " " +
                    std::to_string(size) + " " + hash + "\r\n");
    all += lines.back();
  }
  const std::string medium = Sha256Hex(crypto, all).substr(0, MediumIdChars);
  for (size_t i = 0; i < disks.size(); ++i) {
    const std::string text = std::string(ManifestHeader) + "\r\nmedium " + medium + "\r\nedition " +
                             edition + "\r\ndisk " + std::to_string(i + 1) + " " +
                             std::to_string(disks.size()) + "\r\n" + lines[i];
    const std::wstring path = Join(disks[i].Folder, Wide(ManifestName));
    std::string signature;
    if (!WriteNew(path, text) ||
        (key && (!key->Sign(text, &signature) ||
                 !WriteNew(Join(disks[i].Folder, Wide(SignatureName)), signature))))
      return FailedCall(NotMade, path,
                        L": описанието на носителя не може да се запише или подпише");
    const std::string archive = lines[i].substr(8, lines[i].find(' ', 8) - 8);
    if (!Proven(crypto, disks[i].Folder, text, archive, key ? check : std::string()))
      return Failed(NotMade, path,
                    L": програмата за актуализация не би приела описанието или подписа му.");
  }
  return {};
}
