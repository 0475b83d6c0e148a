#include "pack/Signing.h"

#include <vector>

#include "pack/Files.h"
#include "update/medium/Manifest.h"
#include "update/files/SystemEntry.h"

const wchar_t* const PrivateKeyFile = L"private.pem";
const wchar_t* const PublicKeyFile = L"public.pem";

namespace {

const DWORD Encoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
const DWORD KeyBits = 3072;

// The DER of PKCS#8's AlgorithmIdentifier for RSA: rsaEncryption with no parameters.
const BYTE RsaAlgorithm[] = {0x30, 0x0d, 0x06, 0x09, 0x2a, 0x86, 0x48, 0x86,
                              0xf7, 0x0d, 0x01, 0x01, 0x01, 0x05, 0x00};

// crypt32 is no KnownDLL: its entries come from the system folder's copy, never through the
// library search (update/files/LibrarySearch.cpp).
template <typename Fn>
Fn Crypt32(const char* name) {
  Fn entry = SystemEntry<Fn>("crypt32.dll", name);
  if (!entry) SetLastError(ERROR_PROC_NOT_FOUND);
  return entry;
}
#define CRYPT32(name) Crypt32<decltype(&name)>(#name)

BOOL EncodeObject(LPCSTR type, const void* value, BYTE* out, DWORD* size) {
  auto encode = CRYPT32(CryptEncodeObjectEx);
  return encode && encode(Encoding, type, value, 0, nullptr, out, size);
}

BOOL DecodeObject(LPCSTR type, const std::string& der, void* out, DWORD* size) {
  auto decode = CRYPT32(CryptDecodeObjectEx);
  return decode &&
         decode(Encoding, type, reinterpret_cast<const BYTE*>(der.data()),
                static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, out, size);
}

BOOL ToBase64(const BYTE* bytes, DWORD count, char* out, DWORD* size) {
  auto convert = CRYPT32(CryptBinaryToStringA);
  return convert && convert(bytes, count, CRYPT_STRING_BASE64, out, size);
}

BOOL FromBase64(const char* text, DWORD chars, BYTE* out, DWORD* size) {
  auto convert = CRYPT32(CryptStringToBinaryA);
  return convert && convert(text, chars, CRYPT_STRING_BASE64, out, size, nullptr, nullptr);
}

// One of CryptoAPI's encodings of value; empty when it fails.
std::string Encode(LPCSTR type, const void* value) {
  DWORD size = 0;
  if (!EncodeObject(type, value, nullptr, &size)) return {};
  std::string out(size, '\0');
  if (!EncodeObject(type, value, reinterpret_cast<BYTE*>(&out[0]), &size)) return {};
  out.resize(size);
  return out;
}

// A value decoded by CryptoAPI, freed with the object.
class TDecoded {
public:
  TDecoded(LPCSTR type, const std::string& der) {
    if (!DecodeObject(type, der, &Value, &Size)) Value = nullptr;
  }
  ~TDecoded() { LocalFree(Value); }
  TDecoded(const TDecoded&) = delete;
  TDecoded& operator=(const TDecoded&) = delete;

  template <typename T>
  T* As() const {
    return static_cast<T*>(Value);
  }
  DWORD Size = 0;

private:
  void* Value = nullptr;
};

std::string Blob(const CRYPT_DER_BLOB& blob) {
  return std::string(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
}

// RSAPrivateKey (PKCS#1) of a PRIVATEKEYBLOB: the version, then the modulus, the exponents,
// the primes and the CRT values as unsigned integers, encoded by CryptoAPI's own DER coders
// (PKCS_RSA_PRIVATE_KEY has none for writing under Wine).
std::string PrivateKeyDer(const std::string& blob) {
  const auto* rsa = reinterpret_cast<const RSAPUBKEY*>(blob.data() + sizeof(BLOBHEADER));
  const DWORD bytes = rsa->bitlen / 8, half = bytes / 2;
  if (blob.size() < sizeof(BLOBHEADER) + sizeof(RSAPUBKEY) + bytes * 2 + half * 5) return {};
  BYTE* at = reinterpret_cast<BYTE*>(const_cast<RSAPUBKEY*>(rsa) + 1);
  BYTE exponent[4];
  memcpy(exponent, &rsa->pubexp, 4);
  // In the blob: modulus, prime 1, prime 2, exponent 1, exponent 2, coefficient, private
  // exponent. In PKCS#1: modulus, public and private exponent, then the five others.
  CRYPT_UINT_BLOB fields[8] = {{bytes, at},
                               {4, exponent},
                               {bytes, at + bytes + 5 * half},
                               {half, at + bytes},
                               {half, at + bytes + half},
                               {half, at + bytes + 2 * half},
                               {half, at + bytes + 3 * half},
                               {half, at + bytes + 4 * half}};
  const int version = 0;
  std::vector<std::string> items{Encode(X509_INTEGER, &version)};
  for (const CRYPT_UINT_BLOB& f : fields) items.push_back(Encode(X509_MULTI_BYTE_UINT, &f));
  std::vector<CRYPT_DER_BLOB> der;
  for (std::string& item : items) {
    if (item.empty()) return {};
    der.push_back({static_cast<DWORD>(item.size()), reinterpret_cast<BYTE*>(&item[0])});
  }
  const CRYPT_SEQUENCE_OF_ANY sequence{static_cast<DWORD>(der.size()), der.data()};
  return Encode(X509_SEQUENCE_OF_ANY, &sequence);
}

// SubjectPublicKeyInfo of a PUBLICKEYBLOB, as OpenSSL writes a public key.
std::string PublicKeyDer(const std::string& blob) {
  std::string rsa = Encode(RSA_CSP_PUBLICKEYBLOB, blob.data());
  if (rsa.empty()) return {};
  BYTE null[] = {0x05, 0x00};
  CERT_PUBLIC_KEY_INFO info = {};
  info.Algorithm.pszObjId = const_cast<LPSTR>(szOID_RSA_RSA);
  info.Algorithm.Parameters = {sizeof null, null};
  info.PublicKey = {static_cast<DWORD>(rsa.size()), reinterpret_cast<BYTE*>(&rsa[0]), 0};
  return Encode(X509_PUBLIC_KEY_INFO, &info);
}

std::string Pem(const char* label, const std::string& der) {
  DWORD size = 0;
  const BYTE* bytes = reinterpret_cast<const BYTE*>(der.data());
  if (der.empty() || !ToBase64(bytes, static_cast<DWORD>(der.size()), nullptr, &size)) return {};
  std::string base64(size, '\0');
  if (!ToBase64(bytes, static_cast<DWORD>(der.size()), &base64[0], &size)) return {};
  base64.resize(size);
  return std::string("-----BEGIN ") + label + "-----\r\n" + base64 + "-----END " + label +
         "-----\r\n";
}

// The label of a PEM text's first block and its bytes.
bool FromPem(const std::string& text, std::string* label, std::string* der) {
  const size_t begin = text.find("-----BEGIN ");
  const size_t labelEnd = begin == text.npos ? begin : text.find("-----", begin + 11);
  if (labelEnd == text.npos) return false;
  *label = text.substr(begin + 11, labelEnd - begin - 11);
  const size_t body = labelEnd + 5;
  const size_t end = text.find("-----END " + *label + "-----", body);
  if (end == text.npos) return false;
  DWORD size = 0;
  const DWORD chars = static_cast<DWORD>(end - body);
  if (!FromBase64(text.data() + body, chars, nullptr, &size)) return false;
  der->assign(size, '\0');
  return FromBase64(text.data() + body, chars, reinterpret_cast<BYTE*>(&(*der)[0]), &size) &&
         size == der->size();
}

std::string Export(HCRYPTKEY key, DWORD type) {
  DWORD size = 0;
  if (!CryptExportKey(key, 0, type, 0, nullptr, &size)) return {};
  std::string blob(size, '\0');
  if (!CryptExportKey(key, 0, type, 0, reinterpret_cast<BYTE*>(&blob[0]), &size)) return {};
  blob.resize(size);
  return blob;
}

}  // namespace

std::string Sha256Hex(TCryptProvider& provider, const std::string& bytes) {
  TSha256 sha;
  BYTE hash[HashBytes];
  char hex[2 * HashBytes + 1];
  if (!sha.Start(provider) || !sha.Add(bytes.data(), static_cast<DWORD>(bytes.size())) ||
      !sha.Finish(hash))
    return {};
  HexText(hash, HashBytes, hex);
  return hex;
}

TFailure MakeKeyPair(const std::wstring& folder) {
  const std::wstring privatePath = Join(folder, PrivateKeyFile);
  const std::wstring publicPath = Join(folder, PublicKeyFile);
  if (!MakeFolder(folder) && !IsFolder(folder))
    return FailedCall(NotMade, folder, L": папката не може да се създаде");
  TCryptProvider crypto;
  HCRYPTKEY key = 0;
  if (!crypto.Acquire() ||
      !CryptGenKey(crypto.Handle(), AT_SIGNATURE, KeyBits << 16 | CRYPT_EXPORTABLE, &key))
    return FailedCall(NotMade, L"", L"Ключът не може да се направи");
  const std::string privatePem = Pem("RSA PRIVATE KEY", PrivateKeyDer(Export(key, PRIVATEKEYBLOB)));
  const std::string publicPem = Pem("PUBLIC KEY", PublicKeyDer(Export(key, PUBLICKEYBLOB)));
  CryptDestroyKey(key);
  if (privatePem.empty() || publicPem.empty())
    return FailedCall(NotMade, L"", L"Ключът не може да се запише във вид PEM");
  // The private key first: without it the public one is of no use. Each is made new: a
  // file of that name, whoever wrote it, stays as it is (the caller removes only what this
  // run made).
  if (!WriteNew(privatePath, privatePem) || !WriteNew(publicPath, publicPem))
    return FailedCall(NotMade, folder, L": ключът не може да се запише");
  return {};
}

TSigningKey::~TSigningKey() {
  if (Key) CryptDestroyKey(Key);
}

TFailure TSigningKey::Load(const std::wstring& file) {
  std::string text, label, der;
  if (!ReadWhole(file, 64 * 1024, &text))
    return FailedCall(BadCommandLine, file, L": не може да се прочете");
  if (!FromPem(text, &label, &der) || (label != "RSA PRIVATE KEY" && label != "PRIVATE KEY"))
    return Failed(BadCommandLine, file,
                  L": не е частен ключ RSA във вид PEM (BEGIN RSA PRIVATE KEY или BEGIN "
                  L"PRIVATE KEY, без парола).");
  if (label == "PRIVATE KEY") {
    // PKCS#8: the version, the algorithm, and PKCS#1 in an octet string.
    TDecoded outer(X509_SEQUENCE_OF_ANY, der);
    const auto* items = outer.As<CRYPT_SEQUENCE_OF_ANY>();
    if (!items || items->cValue < 3 ||
        Blob(items->rgValue[1]) !=
            std::string(reinterpret_cast<const char*>(RsaAlgorithm), sizeof RsaAlgorithm))
      return Failed(BadCommandLine, file, L": не е ключ RSA.");
    TDecoded inner(X509_OCTET_STRING, Blob(items->rgValue[2]));
    der = inner.As<CRYPT_DATA_BLOB>() ? Blob(*inner.As<CRYPT_DATA_BLOB>()) : std::string();
  }
  TDecoded blob(PKCS_RSA_PRIVATE_KEY, der);
  BLOBHEADER* header = blob.As<BLOBHEADER>();
  if (!header) return FailedCall(BadCommandLine, file, L": ключът не може да се разчете");
  header->aiKeyAlg = CALG_RSA_SIGN;
  if (!Crypto.Acquire() || !CryptImportKey(Crypto.Handle(), blob.As<BYTE>(), blob.Size, 0, 0, &Key))
    return FailedCall(BadCommandLine, file, L": ключът не може да се зареди");
  return {};
}

bool TSigningKey::Sign(const std::string& data, std::string* signature) {
  TSha256 sha;
  DWORD size = 0;
  if (!sha.Start(Crypto) || !sha.Add(data.data(), static_cast<DWORD>(data.size())) ||
      !CryptSignHashA(sha.Handle(), AT_SIGNATURE, nullptr, 0, nullptr, &size))
    return false;
  std::string little(size, '\0');
  if (!CryptSignHashA(sha.Handle(), AT_SIGNATURE, nullptr, 0, reinterpret_cast<BYTE*>(&little[0]),
                      &size))
    return false;
  // CryptoAPI gives its bytes the other way round.
  signature->assign(little.rbegin(), little.rend());
  return true;
}

std::string TSigningKey::PublicBlob() const { return Export(Key, PUBLICKEYBLOB); }

std::string TSigningKey::Fingerprint() const {
  TCryptProvider crypto;
  const std::string der = PublicKeyDer(PublicBlob());
  return der.empty() ? std::string() : Sha256Hex(crypto, der);
}
