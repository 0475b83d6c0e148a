#include "crypto/Crypto.h"

TCryptProvider::~TCryptProvider() {
  if (Provider) CryptReleaseContext(Provider, 0);
}

bool TCryptProvider::Acquire() {
  return Provider ||
         CryptAcquireContextA(&Provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT);
}

TSha256::~TSha256() {
  if (Hash) CryptDestroyHash(Hash);
}

bool TSha256::Start(TCryptProvider& provider) {
  return provider.Acquire() && CryptCreateHash(provider.Handle(), CALG_SHA_256, 0, 0, &Hash);
}

bool TSha256::Add(const void* data, DWORD size) {
  return CryptHashData(Hash, static_cast<const BYTE*>(data), size, 0);
}

bool TSha256::Finish(BYTE (&hash)[HashBytes]) {
  DWORD size = HashBytes;
  return CryptGetHashParam(Hash, HP_HASHVAL, hash, &size, 0) && size == HashBytes;
}

bool HashFile(TCryptProvider& provider, HANDLE file, ULONGLONG* size, BYTE (&hash)[HashBytes]) {
  BYTE chunk[32 * 1024];
  TSha256 sha;
  *size = 0;
  if (!sha.Start(provider)) return false;
  for (DWORD got = 1; got; *size += got)
    if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr) || !sha.Add(chunk, got)) return false;
  return sha.Finish(hash);
}

bool VerifySignature(TCryptProvider& provider, const BYTE* key, DWORD keySize, const void* data,
                     DWORD dataSize, const BYTE* signature, DWORD size) {
  TSha256 hash;
  if (!hash.Start(provider) || !hash.Add(data, dataSize)) return false;
  // CryptoAPI takes the signature's bytes the other way round.
  BYTE reversed[SignatureMaxBytes];
  if (size > sizeof reversed) {
    SetLastError(static_cast<DWORD>(NTE_BAD_SIGNATURE));
    return false;
  }
  for (DWORD i = 0; i < size; ++i) reversed[i] = signature[size - 1 - i];
  HCRYPTKEY imported = 0;
  if (!provider.Acquire() || !CryptImportKey(provider.Handle(), key, keySize, 0, 0, &imported))
    return false;
  const bool good = CryptVerifySignatureA(hash.Handle(), reversed, size, imported, nullptr, 0);
  const DWORD error = GetLastError();
  CryptDestroyKey(imported);
  SetLastError(error);
  return good;
}

void HexText(const BYTE* bytes, DWORD size, char* out) {
  static const char digits[] = "0123456789abcdef";
  for (DWORD i = 0; i < size; ++i) {
    out[2 * i] = digits[bytes[i] >> 4];
    out[2 * i + 1] = digits[bytes[i] & 15];
  }
  out[2 * size] = '\0';
}
