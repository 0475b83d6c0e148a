#!/usr/bin/python3
"""image-hash.py IMAGE OUT: writes the SHA-256 of a 32-bit PE image as Authenticode takes it
(every byte but the header's checksum, the certificate table's entry and the table) to OUT,
32 bytes. The updater carries it and loads only a UNZDLL.DLL of that hash (unzip/ImageHash)."""
import hashlib
import struct
import sys


def image_hash(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    optional = pe + 24
    if data[pe:pe + 4] != b"PE\0\0" or struct.unpack_from("<H", data, optional)[0] != 0x10B:
        sys.exit("not a 32-bit PE image")
    checksum, certificates = optional + 64, optional + 128
    end = struct.unpack_from("<I", data, certificates)[0]
    if end < certificates + 8 or end > len(data):
        end = len(data)
    return hashlib.sha256(data[:checksum] + data[checksum + 4:certificates] +
                          data[certificates + 8:end]).digest()


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    with open(sys.argv[1], "rb") as f:
        digest = image_hash(f.read())
    with open(sys.argv[2], "wb") as f:
        f.write(digest)
