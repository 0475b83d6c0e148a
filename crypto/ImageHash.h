#pragma once
// The fingerprint of a program file as Authenticode takes it: SHA-256 of every byte of the
// file but the header's checksum, the entry of the certificate table and the table itself.
// A signature changes only those, so the hash of a library holds whether it was signed or not.
#include <windows.h>

#include "crypto/Crypto.h"

// The PE32 headers at the start of bytes (size of them), with the section table after them,
// checked to lie inside; null when they do not.
const IMAGE_NT_HEADERS32* PeHeaders(const void* bytes, size_t size);

// The hash of the 32-bit image read through file, from its start. False when it is no
// such image (or larger than any library of ours) or cannot be read.
bool ImageHash(HANDLE file, BYTE (&hash)[HashBytes]);
