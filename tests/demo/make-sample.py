#!/usr/bin/env python3
"""Lays out the demo's sample product and its update medium.

make-sample.py PRODUCT MEDIUM OLD_VANTO NEW_VANTO

PRODUCT gets the installed edition: Vanto.exe, a read-only data file, Blanks with an old form.
MEDIUM gets the archives of the new edition beside the updater (which the caller copies there).
"""
import os
import stat
import sys
import zipfile

RTF = "{\\rtf1\\ansi\\ansicpg1251 {\\fonttbl\\f0 Times New Roman;}\\f0 %s\\par}"


def rtf(title):
    # Cyrillic as RTF escapes of its Windows-1251 bytes, as word processors write it.
    body = "".join("\\'%02x" % b if b > 127 else chr(b) for b in title.encode("cp1251"))
    return (RTF % body).encode("ascii")


def product(folder, old_vanto):
    os.makedirs(os.path.join(folder, "Blanks"), exist_ok=True)
    with open(old_vanto, "rb") as src, open(os.path.join(folder, "Vanto.exe"), "wb") as dst:
        dst.write(src.read())
    tariffs = os.path.join(folder, "Tarifi.dat")
    if os.path.exists(tariffs):
        os.chmod(tariffs, stat.S_IWRITE | stat.S_IREAD)
    with open(tariffs, "w") as f:
        f.write("tariffs 2025\r\n")
    with open(os.path.join(folder, "Blanks", "Фактура.rtf"), "wb") as f:
        f.write(rtf("Фактура 2025"))


def medium(folder, new_vanto):
    os.makedirs(folder, exist_ok=True)
    with zipfile.ZipFile(os.path.join(folder, "Talvo2026.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        z.write(new_vanto, "Program/Vanto.exe")
        z.writestr("Data/Tarifi.dat", "tariffs 2026\r\n")
        z.writestr("Data/Kursove.dat", "exchange rates 2026\r\n")
    with zipfile.ZipFile(os.path.join(folder, "Blanki2026.zip"), "w", zipfile.ZIP_DEFLATED) as z:
        for title in ("Фактура", "Протокол", "Платежно нареждане"):
            z.writestr("Бланки/%s.rtf" % title, rtf(title + " 2026"))
    # The product's installation archive lies on many media; an update never takes it.
    with zipfile.ZipFile(os.path.join(folder, "WinTalvo.zip"), "w") as z:
        z.writestr("install.txt", "installation archive: never taken by the updater\r\n")


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    product_dir, medium_dir, old_vanto, new_vanto = sys.argv[1:]
    product(product_dir, old_vanto)
    # Read-only, as files copied from a CD are: the update must still replace it.
    os.chmod(os.path.join(product_dir, "Tarifi.dat"), stat.S_IREAD)
    medium(medium_dir, new_vanto)


if __name__ == "__main__":
    main()
