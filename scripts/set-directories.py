#!/usr/bin/python3
"""set-directories.py FILE MAP: names in FILE's header the two tables that the toolchain's
linker (GNU ld 2.40) leaves out of it, at the addresses that the link's map (-Map) gives:

  - the load configuration, the symbol _load_config_used (update/files/LibrarySearch.cpp),
    with the size 64 that Windows XP takes from an i386 image;
  - the descriptors of the delay-loaded libraries, which cmake/talvo-pe.ld gathers between
    ___delay_import_start and ___delay_import_end and ends with a zero one. The program's own
    delay-load stubs do not need the entry; tools and the checks of tests/pe read it.

A table the map does not give keeps its entry empty. The header checksum is brought up to date.
"""
import re
import sys

import pefile

LOAD_CONFIG = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]
DELAY_IMPORT = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"]
LOAD_CONFIG_SIZE = 64
DESCRIPTOR_SIZE = 32


def symbols(map_path):
    """Every address the map gives a name, as {name: address}."""
    found = {}
    with open(map_path, encoding="utf-8", errors="replace") as f:
        for line in f:
            m = re.match(r"\s+0x([0-9a-f]+)\s+(\S+)(?: = .*)?$", line)
            if m:
                found[m.group(2)] = int(m.group(1), 16)
    return found


def fail(path, why):
    sys.exit(f"{path}: {why}")


def set_directories(path, map_path):
    named = symbols(map_path)
    try:
        pe = pefile.PE(path, fast_load=True)
    except (OSError, pefile.PEFormatError) as e:
        fail(path, f"not a PE file ({e})")
    base = pe.OPTIONAL_HEADER.ImageBase
    directories = pe.OPTIONAL_HEADER.DATA_DIRECTORY

    if "_load_config_used" in named:
        rva = named["_load_config_used"] - base
        if rva % 4 or pe.get_dword_at_rva(rva) != LOAD_CONFIG_SIZE:
            fail(path, f"the load configuration at {rva:#x} is not 4-aligned {LOAD_CONFIG_SIZE} bytes")
        directories[LOAD_CONFIG].VirtualAddress = rva
        directories[LOAD_CONFIG].Size = LOAD_CONFIG_SIZE

    start, end = named.get("___delay_import_start"), named.get("___delay_import_end")
    if start is None or end is None:
        fail(path, "the map names no delay-load table: not linked with cmake/talvo-pe.ld")
    if end > start:
        rva, size = start - base, end - start + DESCRIPTOR_SIZE
        if (end - start) % DESCRIPTOR_SIZE or pe.get_data(rva + size - DESCRIPTOR_SIZE,
                                                          DESCRIPTOR_SIZE) != bytes(DESCRIPTOR_SIZE):
            fail(path, "the delay-load descriptors are not whole or not ended by a zero one")
        directories[DELAY_IMPORT].VirtualAddress = rva
        directories[DELAY_IMPORT].Size = size

    pe.OPTIONAL_HEADER.CheckSum = pe.generate_checksum()
    data = pe.write()
    pe.close()
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    set_directories(sys.argv[1], sys.argv[2])
