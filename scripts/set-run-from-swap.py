#!/usr/bin/python3
"""set-run-from-swap.py FILE...: marks PE files "run from swap".

Windows then copies such a program whole into the page file when it starts from removable
media, so swapping the disk cannot take away pages it has not read yet. The linker has no
option for the flag, hence this post-link step. The header checksum is brought up to date.
"""
import sys

import pefile

RUN_FROM_SWAP = pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP"]


def mark(path):
    try:
        pe = pefile.PE(path, fast_load=True)
    except (OSError, pefile.PEFormatError) as e:
        sys.exit(f"{path}: not a PE file ({e})")
    pe.FILE_HEADER.Characteristics |= RUN_FROM_SWAP
    pe.OPTIONAL_HEADER.CheckSum = pe.generate_checksum()
    data = pe.write()
    pe.close()
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    for arg in sys.argv[1:]:
        mark(arg)
