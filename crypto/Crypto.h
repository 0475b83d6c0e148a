#pragma once
// SHA-256 and the check of an RSA signature with the system's own cryptography (CryptoAPI and
// its provider of RSA and AES, on Windows XP SP3 and later): no cryptographic code of ours.
// A false result leaves the system's reason in GetLastError.
#include <windows.h>
#include <wincrypt.h>

enum : DWORD {
  HashBytes = 32,            // SHA-256
  SignatureMaxBytes = 1024,  // RSA keys up to 8192 bits
};

// The system's provider, without a key container of its own.
class TCryptProvider {
public:
  TCryptProvider() = default;
  ~TCryptProvider();
  TCryptProvider(const TCryptProvider&) = delete;
  TCryptProvider& operator=(const TCryptProvider&) = delete;

  // Acquires it on the first call; false when the system has none.
  bool Acquire();
  HCRYPTPROV Handle() const { return Provider; }

private:
  HCRYPTPROV Provider = 0;
};

class TSha256 {
public:
  TSha256() = default;
  ~TSha256();
  TSha256(const TSha256&) = delete;
  TSha256& operator=(const TSha256&) = delete;

  bool Start(TCryptProvider& provider);
  bool Add(const void* data, DWORD size);
  // The hash of what was added; nothing may be added after.
  bool Finish(BYTE (&hash)[HashBytes]);
  HCRYPTHASH Handle() const { return Hash; }

private:
  HCRYPTHASH Hash = 0;
};

// The size and SHA-256 of what is left to read of an open file, read through that handle.
bool HashFile(TCryptProvider& provider, HANDLE file, ULONGLONG* size, BYTE (&hash)[HashBytes]);

// Whether signature (big-endian, as OpenSSL writes it) is the RSA PKCS#1 v1.5 signature of
// the SHA-256 of data, made with the private half of key (a PUBLICKEYBLOB).
bool VerifySignature(TCryptProvider& provider, const BYTE* key, DWORD keySize, const void* data,
                     DWORD dataSize, const BYTE* signature, DWORD size);

// Lower-case hexadecimal digits of the bytes into out (2 * size + 1 chars).
void HexText(const BYTE* bytes, DWORD size, char* out);
