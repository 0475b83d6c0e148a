#!/usr/bin/python3
"""Checks the shipped PE files natively, without Wine.

  check-pe.py program FILE   32-bit i386 GUI program, run from swap, imports only what
                             Windows XP SP3 exports (nt5-exports.txt beside this script),
                             resolves at start only kernel32 and msvcrt and delay-loads only
                             DLLs Windows takes from its KnownDLLs, and asks Windows 10 for
                             the system folder only (its load configuration)
  check-pe.py library FILE   a DLL: the same imports, without the load configuration
  check-pe.py tool FILE      a console program of the publisher's kit: as a program, but
                             nothing that draws and not run from swap (it never runs from a
                             floppy)
  check-pe.py marker SCRIPT SAMPLE
                             the post-link step sets the flag and changes nothing else
  check-pe.py sizes PROGRAM LIBRARY
                             the two fit the medium's budget: the library under 100 KB,
                             both together within 272 KiB (unsigned), the network and patch code included
  check-pe.py dist CMAKE BUILD_DIR
                             the dist target signs both files with the certificate it is
                             given (a throwaway one), and without one leaves them unsigned
"""
import os
import shutil
import subprocess
import sys
import tempfile

import pefile

RUN_FROM_SWAP = 0x0400
FILE_DLL = 0x2000
MACHINE_I386 = 0x014C
PE32_MAGIC = 0x010B
SUBSYSTEM_GUI = 2
SUBSYSTEM_CONSOLE = 3

# What the system resolves before the program's first instruction, while the search for
# libraries still looks beside the program: only these, which every Windows takes from its
# KnownDLLs (update/files/LibrarySearch.cpp says what is loaded when).
AT_START = {"kernel32.dll", "msvcrt.dll"}
# The system DLLs Windows takes from its KnownDLLs (comctl32 through the manifest), which a
# shipped file may delay-load by name: loaded after the search is limited, or, where the system
# cannot limit it, found there all the same. Any other is a library that one left beside the
# program would stand in for: it is loaded by full path.
KNOWN_DLLS = AT_START | {"user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "ole32.dll",
                         "comctl32.dll"}
# The load configuration: the size Windows XP takes from an i386 image, and DependentLoadFlags
# LOAD_LIBRARY_SEARCH_SYSTEM32 (pefile knows the field by its older name).
LOAD_CONFIG_SIZE = 64
SEARCH_SYSTEM32 = 0x800

# What the system DLLs of Windows XP SP3 export, one "dll name" a line: the only DLLs and the
# only functions a shipped file may import. Anything newer must be looked up at run time.
XP_EXPORTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "nt5-exports.txt")


def xp_exports():
    with open(XP_EXPORTS, encoding="ascii") as f:
        return {tuple(line.split()) for line in f if line.strip() and not line.startswith("#")}


def load(path):
    """The PE file with its import tables read; the tool's own exit when it is none."""
    try:
        pe = pefile.PE(path, fast_load=True)
    except (OSError, pefile.PEFormatError) as e:
        raise SystemExit(f"{path}: not a PE file ({e})")
    pe.parse_data_directories(directories=[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"],
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT"],
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]])
    return pe


def imports(pe, kinds=("DIRECTORY_ENTRY_IMPORT", "DIRECTORY_ENTRY_DELAY_IMPORT")):
    """(dll, function) for every import of the kinds, by default direct and delay-loaded; the
    dll in lower case, the function as "#n" when it is imported by ordinal."""
    found = []
    for kind in kinds:
        for entry in getattr(pe, kind, []):
            dll = entry.dll.decode("ascii").lower()
            for symbol in entry.imports:
                found.append((dll, symbol.name.decode("ascii") if symbol.name
                              else f"#{symbol.ordinal}"))
    return found


def signature(pe):
    """(rva, size) of the security directory, which holds an Authenticode signature."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    return entry.VirtualAddress, entry.Size


def check_common(path, pe, from_floppy=True):
    errors = []
    magic, machine = pe.OPTIONAL_HEADER.Magic, pe.FILE_HEADER.Machine
    if magic != PE32_MAGIC:
        errors.append(f"not PE32 (optional header magic {magic:#x})")
    if machine != MACHINE_I386:
        errors.append(f"not i386 (machine {machine:#x})")
    allowed = xp_exports()
    system = {dll for dll, _ in allowed}
    found = imports(pe)
    for dll in sorted({dll for dll, _ in found} - system):
        errors.append(f"imports {dll}, which is not a system DLL of Windows XP")
    for dll, name in sorted(set(found) - allowed):
        if dll in system:
            errors.append(f"imports {dll} {name}, which Windows XP SP3 does not export")
    for dll in sorted(({dll for dll, _ in found} & system) - KNOWN_DLLS):
        errors.append(f"imports {dll}, which Windows does not take from its KnownDLLs: "
                      "load it by full path")
    for dll in sorted({dll for dll, _ in imports(pe, ["DIRECTORY_ENTRY_IMPORT"])} - AT_START):
        errors.append(f"imports {dll} at start, before the program limits the library search "
                      f"(only {' and '.join(sorted(AT_START))} may be)")
    if from_floppy and not pe.FILE_HEADER.Characteristics & RUN_FROM_SWAP:
        errors.append("not marked run from swap: call talvo_run_from_swap() on its target")
    return errors


def check_load_config(pe):
    """The image asks the loader of Windows 10 (1607 on) for the system folder only, in a load
    configuration that Windows XP takes: 64 bytes (its safe exception handler table, which
    would have to list every handler, lies past them)."""
    entry = pe.OPTIONAL_HEADER.DATA_DIRECTORY[
        pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG"]]
    config = getattr(pe, "DIRECTORY_ENTRY_LOAD_CONFIG", None)
    if config is None:
        return ["no load configuration: link it with talvo_delay_load()"]
    errors = []
    if entry.Size != LOAD_CONFIG_SIZE or config.struct.Size != LOAD_CONFIG_SIZE:
        errors.append(f"a load configuration of {config.struct.Size} bytes named as {entry.Size}: "
                      f"Windows XP takes {LOAD_CONFIG_SIZE}")
    if config.struct.Reserved1 != SEARCH_SYSTEM32:
        errors.append(f"DependentLoadFlags {config.struct.Reserved1:#x}, not "
                      f"LOAD_LIBRARY_SEARCH_SYSTEM32 ({SEARCH_SYSTEM32:#x})")
    return errors


def check_program(path):
    pe = load(path)
    errors = check_common(path, pe) + check_load_config(pe)
    subsystem = pe.OPTIONAL_HEADER.Subsystem
    if pe.FILE_HEADER.Characteristics & FILE_DLL:
        errors.append("is a DLL")
    if subsystem != SUBSYSTEM_GUI:
        errors.append(f"not a GUI program (subsystem {subsystem})")
    return errors


def check_tool(path):
    pe = load(path)
    errors = check_common(path, pe, from_floppy=False) + check_load_config(pe)
    subsystem = pe.OPTIONAL_HEADER.Subsystem
    if subsystem != SUBSYSTEM_CONSOLE:
        errors.append(f"not a console program (subsystem {subsystem})")
    # Under Wine a program of another code page that loads user32 rewrites the prefix's fonts,
    # under the windows of whatever else runs there; TalvoPack runs with UTF-8.
    for dll in sorted({dll for dll, _ in imports(pe)} & {"user32.dll", "gdi32.dll"}):
        errors.append(f"imports {dll}, but a console tool draws nothing")
    return errors


def check_library(path):
    pe = load(path)
    errors = check_common(path, pe)
    if not pe.FILE_HEADER.Characteristics & FILE_DLL:
        errors.append("not a DLL")
    return errors


def read(path):
    with open(path, "rb") as f:
        return f.read()


def check_marker(script, sample):
    errors = []
    with tempfile.TemporaryDirectory() as tmp:
        marked = os.path.join(tmp, os.path.basename(sample))
        shutil.copyfile(sample, marked)
        before, before_data = load(sample), read(sample)
        subprocess.run([sys.executable, script, marked], check=True)
        after, after_data = load(marked), read(marked)
        flags_before = before.FILE_HEADER.Characteristics
        flags_after = after.FILE_HEADER.Characteristics
        if not flags_after & RUN_FROM_SWAP:
            errors.append("the flag was not set")
        if flags_after & ~RUN_FROM_SWAP != flags_before & ~RUN_FROM_SWAP:
            errors.append("other characteristics changed")
        flags_at = before.FILE_HEADER.get_file_offset() + 18
        checksum_at = before.OPTIONAL_HEADER.get_file_offset() + 64
        changed = [i for i, (a, b) in enumerate(zip(before_data, after_data)) if a != b]
        allowed = set(range(flags_at, flags_at + 2)) | set(range(checksum_at, checksum_at + 4))
        if len(before_data) != len(after_data) or not set(changed) <= allowed:
            errors.append(f"bytes outside the flag and the checksum changed: {changed[:8]}")
        # The sum must agree with the linker's on the unmarked file, and the marked file
        # must carry the sum of its new bytes.
        if not before.verify_checksum():
            errors.append("the checksum disagrees with the linker's")
        if not after.verify_checksum():
            errors.append("the checksum was not brought up to date")
        subprocess.run([sys.executable, script, marked], check=True)
        if read(marked) != after_data:
            errors.append("marking twice changed the file again")
    return errors


def build_dist(cmake, build, env):
    run = subprocess.run([cmake, "--build", build, "--target", "dist"], env=env,
                         capture_output=True, text=True)
    if run.returncode:
        raise SystemExit(f"dist failed:\n{run.stdout}{run.stderr}")
    return run.stdout


def check_dist(cmake, build):
    errors = []
    shipped = [(os.path.join(build, "dist", name), check)
               for name, check in (("TalvoUpdate.exe", check_program), ("UNZDLL.DLL", check_library))]
    unsigned = {k: v for k, v in os.environ.items() if not k.startswith("TALVO_SIGN_")}
    with tempfile.TemporaryDirectory() as tmp:
        cert, key, password = (os.path.join(tmp, n) for n in ("cert.pem", "key.pem", "password"))
        with open(password, "w") as f:
            f.write("throwaway\n")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-days", "1",
                        "-subj", "/CN=TalvoUpdate test signer",
                        "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", key, "-passout", "file:" + password, "-out", cert],
                       check=True, capture_output=True)
        serial = subprocess.run(["openssl", "x509", "-in", cert, "-noout", "-serial"], check=True,
                                capture_output=True, text=True).stdout.split("=")[1].strip()
        try:
            build_dist(cmake, build, dict(unsigned, TALVO_SIGN_CERT=cert, TALVO_SIGN_KEY=key,
                                          TALVO_SIGN_PASS_FILE=password))
            for path, check in shipped:
                verify = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", path],
                                        capture_output=True, text=True)
                if verify.returncode or f"Serial : {serial}" not in verify.stdout:
                    errors.append(f"{path}: no valid signature by the test certificate\n"
                                  f"{verify.stdout}{verify.stderr}")
                errors += [f"{path} (signed): {e}" for e in check(path)]
        finally:
            # Never leave a throwaway signature on the shipping files.
            output = build_dist(cmake, build, unsigned)
    if "Unsigned" not in output:
        errors.append("dist without a certificate does not say that the files are unsigned")
    for path, check in shipped:
        if signature(load(path)) != (0, 0):
            errors.append(f"{path}: carries a signature although no certificate was given")
        errors += check(path)
    return errors


def check_sizes(program, library):
    # Disk 1 of a floppy medium holds both files beside the archives.
    program_size, library_size = os.path.getsize(program), os.path.getsize(library)
    errors = []
    if library_size >= 100 * 1024:
        errors.append(f"{library}: {library_size} bytes, the budget is under 100 KB")
    if program_size + library_size > 272 * 1024:
        errors.append(f"together {program_size + library_size} bytes, the budget is 272 KiB")
    return errors


def main(argv):
    if len(argv) == 3 and argv[1] == "program":
        errors = check_program(argv[2])
    elif len(argv) == 3 and argv[1] == "library":
        errors = check_library(argv[2])
    elif len(argv) == 3 and argv[1] == "tool":
        errors = check_tool(argv[2])
    elif len(argv) == 4 and argv[1] == "marker":
        errors = check_marker(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == "sizes":
        errors = check_sizes(argv[2], argv[3])
    elif len(argv) == 4 and argv[1] == "dist":
        errors = check_dist(argv[2], argv[3])
    else:
        raise SystemExit(__doc__)
    for e in errors:
        print(f"{argv[-1]}: {e}")
    if not errors:
        print(f"{argv[-1]}: ok")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
