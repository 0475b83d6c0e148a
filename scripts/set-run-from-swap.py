#!/usr/bin/env python3
"""set-run-from-swap.py FILE...: marks PE files "run from swap".

Windows then copies such a program whole into the page file when it starts from removable
media, so swapping the disk cannot take away pages it has not read yet. The linker has no
option for the flag, hence this post-link step. The header checksum is brought up to date.
"""
import struct
import sys

RUN_FROM_SWAP = 0x0400  # IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP


def pe_checksum(data, checksum_at):
    """The image checksum: 16-bit one's-complement-style sum plus the file length."""
    padded = data + b"\0" * (len(data) % 2)
    total = 0
    for i, (word,) in enumerate(struct.iter_unpack("<H", padded)):
        if checksum_at <= 2 * i < checksum_at + 4:
            continue
        total += word
        total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def mark(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    if data[:2] != b"MZ" or len(data) < 0x40:
        sys.exit(f"{path}: not a PE file")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"{path}: not a PE file")
    characteristics_at = pe + 4 + 18
    checksum_at = pe + 24 + 64
    characteristics = struct.unpack_from("<H", data, characteristics_at)[0]
    struct.pack_into("<H", data, characteristics_at, characteristics | RUN_FROM_SWAP)
    struct.pack_into("<I", data, checksum_at, pe_checksum(bytes(data), checksum_at))
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for arg in sys.argv[1:]:
        mark(arg)
