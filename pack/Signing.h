#pragma once
// The publisher's RSA key, with the system's CryptoAPI and in the PEM files that OpenSSL
// reads and writes: a new pair for /NEWKEY, the private key of /KEY that signs each disk's
// description (RSA PKCS#1 v1.5 over SHA-256).
#include <windows.h>
#include <wincrypt.h>

#include <string>

#include "crypto/Crypto.h"
#include "pack/Failure.h"

// The names of a new pair in its folder.
extern const wchar_t* const PrivateKeyFile;
extern const wchar_t* const PublicKeyFile;

// Makes a pair of 3072 bits in folder (made when missing): PrivateKeyFile (PKCS#1) for the
// publisher's safe, PublicKeyFile (SubjectPublicKeyInfo) for the build. Never writes over a
// file; on a failure, what it made is left for RemoveMade.
TFailure MakeKeyPair(const std::wstring& folder);

class TSigningKey {
public:
  TSigningKey() = default;
  ~TSigningKey();
  TSigningKey(const TSigningKey&) = delete;
  TSigningKey& operator=(const TSigningKey&) = delete;

  // Reads a private key from a PEM file as OpenSSL writes it, PKCS#1 (RSA PRIVATE KEY) or
  // PKCS#8 (PRIVATE KEY), unencrypted; a key that cannot be used refuses the command line.
  TFailure Load(const std::wstring& file);
  // The signature of data, big-endian as OpenSSL writes it.
  bool Sign(const std::string& data, std::string* signature);
  // The public half as a PUBLICKEYBLOB, and its fingerprint as the updater logs it: SHA-256
  // of its DER form, in hexadecimal.
  std::string PublicBlob() const;
  std::string Fingerprint() const;

  TCryptProvider& Provider() { return Crypto; }

private:
  TCryptProvider Crypto;
  HCRYPTKEY Key = 0;
};

// The SHA-256 of bytes in hexadecimal; empty when the system cannot hash.
std::string Sha256Hex(TCryptProvider& provider, const std::string& bytes);
