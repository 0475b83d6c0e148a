#pragma once
// The fingerprint of a program file as Authenticode takes it: SHA-256 of every byte of the
// file but the header's checksum, the entry of the certificate table and the table itself.
// A signature changes only those, so the hash of a library holds whether it was signed or not.
#include <windows.h>

#include <memory>

#include "crypto/Crypto.h"

// No library of ours comes near: a larger file is no image to hash.
enum : DWORD { LargestImage = 4 * 1024 * 1024 };

// The PE32 headers at the start of bytes (size of them), with the section table after them,
// checked to lie inside; null when they do not.
const IMAGE_NT_HEADERS32* PeHeaders(const void* bytes, size_t size);

// The whole file read through the handle, from its start, into *bytes (*size of them). False
// when it is larger than LargestImage or cannot be read.
bool ReadImage(HANDLE file, std::unique_ptr<BYTE[]>* bytes, DWORD* size);

// The hash of the 32-bit image in bytes (size of them). False when it is no such image.
bool ImageHash(const BYTE* bytes, DWORD size, BYTE (&hash)[HashBytes]);
// The same for the image read through file, from its start.
bool ImageHash(HANDLE file, BYTE (&hash)[HashBytes]);
