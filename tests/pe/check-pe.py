#!/usr/bin/env python3
"""Checks the shipped PE files natively, without Wine.

  check-pe.py program FILE   32-bit i386 GUI program, run from swap, imports only what
                             Windows XP SP3 exports (nt5-exports.txt beside this script)
  check-pe.py library FILE   the same for a DLL
  check-pe.py tool FILE      a console program of the publisher's kit: 32-bit i386, imports
                             only what Windows XP SP3 exports and nothing that draws (it
                             never runs from a floppy)
  check-pe.py marker SCRIPT SAMPLE
                             the post-link step sets the flag and changes nothing else
  check-pe.py sizes PROGRAM LIBRARY
                             the two fit the medium's budget: the library under 100 KB,
                             both together under 250 KB (unsigned)
  check-pe.py dist CMAKE BUILD_DIR
                             the dist target signs both files with the certificate it is
                             given (a throwaway one), and without one leaves them unsigned
"""
import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile

RUN_FROM_SWAP = 0x0400
FILE_DLL = 0x2000
MACHINE_I386 = 0x014C
PE32_MAGIC = 0x010B
SUBSYSTEM_GUI = 2
SUBSYSTEM_CONSOLE = 3

# What the system DLLs of Windows XP SP3 export, one "dll name" a line: the only DLLs and the
# only functions a shipped file may import. Anything newer must be looked up at run time.
XP_EXPORTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "nt5-exports.txt")


def xp_exports():
    with open(XP_EXPORTS, encoding="ascii") as f:
        return {tuple(line.split()) for line in f if line.strip() and not line.startswith("#")}


class Pe:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise SystemExit(f"{path}: no MZ header")
        self.pe = self.u32(0x3C)
        if self.data[self.pe:self.pe + 4] != b"PE\0\0":
            raise SystemExit(f"{path}: no PE signature")
        self.machine = self.u16(self.pe + 4)
        sections = self.u16(self.pe + 6)
        optional_size = self.u16(self.pe + 20)
        self.characteristics = self.u16(self.pe + 22)
        self.opt = self.pe + 24
        self.magic = self.u16(self.opt)
        self.subsystem = self.u16(self.opt + 68)
        self.sections = []
        for i in range(sections):
            at = self.opt + optional_size + 40 * i
            vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", self.data, at + 8)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr))

    def u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def directory(self, index):
        """(rva, size) of a PE32 data directory."""
        return struct.unpack_from("<II", self.data, self.opt + 96 + 8 * index)

    def offset(self, rva):
        for vaddr, size, rawptr in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise SystemExit(f"RVA {rva:#x} lies in no section")

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        """(dll, function) for every import, direct or delay-loaded; the dll in lower case,
        the function as "#n" when it is imported by ordinal."""
        found = []
        # Per directory: its index, descriptor size, and where a descriptor keeps the DLL's
        # name, its name table and its address table (the fallback for the name table).
        for index, entry_size, name_at, names_at, addresses_at in ((1, 20, 12, 0, 16),
                                                                  (13, 32, 4, 16, 12)):
            rva, size = self.directory(index)
            if not rva:
                continue
            at = self.offset(rva)
            while any(self.data[at:at + entry_size]):
                dll = self.string(self.u32(at + name_at)).lower()
                thunk = self.offset(self.u32(at + names_at) or self.u32(at + addresses_at))
                while entry := self.u32(thunk):
                    found.append((dll, f"#{entry & 0xFFFF}" if entry & 0x80000000
                                  else self.string(entry + 2)))
                    thunk += 4
                at += entry_size
        return found


def check_common(path, pe, from_floppy=True):
    errors = []
    if pe.magic != PE32_MAGIC:
        errors.append(f"not PE32 (optional header magic {pe.magic:#x})")
    if pe.machine != MACHINE_I386:
        errors.append(f"not i386 (machine {pe.machine:#x})")
    allowed = xp_exports()
    system = {dll for dll, _ in allowed}
    imports = pe.imports()
    for dll in sorted({dll for dll, _ in imports} - system):
        errors.append(f"imports {dll}, which is not a system DLL of Windows XP")
    for dll, name in sorted(set(imports) - allowed):
        if dll in system:
            errors.append(f"imports {dll} {name}, which Windows XP SP3 does not export")
    if from_floppy and not pe.characteristics & RUN_FROM_SWAP:
        errors.append("not marked run from swap: call talvo_run_from_swap() on its target")
    return errors


def check_program(path):
    pe = Pe(path)
    errors = check_common(path, pe)
    if pe.characteristics & FILE_DLL:
        errors.append("is a DLL")
    if pe.subsystem != SUBSYSTEM_GUI:
        errors.append(f"not a GUI program (subsystem {pe.subsystem})")
    return errors


def check_tool(path):
    pe = Pe(path)
    errors = check_common(path, pe, from_floppy=False)
    if pe.subsystem != SUBSYSTEM_CONSOLE:
        errors.append(f"not a console program (subsystem {pe.subsystem})")
    # Under Wine a program of another code page that loads user32 rewrites the prefix's fonts,
    # under the windows of whatever else runs there; TalvoPack runs with UTF-8.
    for dll in sorted({dll for dll, _ in pe.imports()} & {"user32.dll", "gdi32.dll"}):
        errors.append(f"imports {dll}, but a console tool draws nothing")
    return errors


def check_library(path):
    pe = Pe(path)
    errors = check_common(path, pe)
    if not pe.characteristics & FILE_DLL:
        errors.append("not a DLL")
    return errors


def load_module(path):
    spec = importlib.util.spec_from_file_location("marker", path)
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module


def check_marker(script, sample):
    errors = []
    with tempfile.TemporaryDirectory() as tmp:
        marked = os.path.join(tmp, os.path.basename(sample))
        shutil.copyfile(sample, marked)
        before = Pe(sample)
        subprocess.run([sys.executable, script, marked], check=True)
        after = Pe(marked)
        if not after.characteristics & RUN_FROM_SWAP:
            errors.append("the flag was not set")
        if after.characteristics & ~RUN_FROM_SWAP != before.characteristics & ~RUN_FROM_SWAP:
            errors.append("other characteristics changed")
        checksum_at = before.opt + 64
        changed = [i for i, (a, b) in enumerate(zip(before.data, after.data)) if a != b]
        allowed = set(range(before.pe + 22, before.pe + 24)) | set(range(checksum_at, checksum_at + 4))
        if len(before.data) != len(after.data) or not set(changed) <= allowed:
            errors.append(f"bytes outside the flag and the checksum changed: {changed[:8]}")
        # The script's sum must agree with the linker's on the unmarked file, and the
        # marked file must carry the script's sum of its new bytes.
        marker = load_module(script)
        if marker.pe_checksum(before.data, checksum_at) != before.u32(checksum_at):
            errors.append("the script's checksum disagrees with the linker's")
        if marker.pe_checksum(after.data, checksum_at) != after.u32(checksum_at):
            errors.append("the checksum was not brought up to date")
        first = after.data
        subprocess.run([sys.executable, script, marked], check=True)
        if Pe(marked).data != first:
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
        if Pe(path).directory(4) != (0, 0):
            errors.append(f"{path}: carries a signature although no certificate was given")
        errors += check(path)
    return errors


def check_sizes(program, library):
    # Disk 1 of a floppy medium holds both files beside the archives.
    program_size, library_size = os.path.getsize(program), os.path.getsize(library)
    errors = []
    if library_size >= 100 * 1024:
        errors.append(f"{library}: {library_size} bytes, the budget is under 100 KB")
    if program_size + library_size >= 250 * 1024:
        errors.append(f"together {program_size + library_size} bytes, the budget is under 250 KB")
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
