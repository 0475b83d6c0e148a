#!/usr/bin/env python3
"""Lays out the demo's two editions of the sample product, and the product as a user has it.

make-sample.py PRODUCT EDITIONS OLD_VANTO NEW_VANTO
make-sample.py --installer MEDIUM

EDITIONS gets 2025, the edition users have now, and 2026, the new one, each as it is installed:
Vanto.exe carrying its edition as its file version, the data files, Blanks with the forms. The
demo makes the medium from them with TalvoPack, 2025 being the previous edition. PRODUCT gets
edition 2025 with a read-only data file. --installer puts the product's installation archive,
which an update never takes, on the medium beside the update.
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


def edition(folder, vanto, data, forms):
    os.makedirs(os.path.join(folder, "Blanks"), exist_ok=True)
    with open(vanto, "rb") as src, open(os.path.join(folder, "Vanto.exe"), "wb") as dst:
        dst.write(src.read())
    for name, text in data.items():
        path = os.path.join(folder, name)
        if os.path.exists(path):
            os.chmod(path, stat.S_IWRITE | stat.S_IREAD)
        with open(path, "w") as f:
            f.write(text)
    for title in forms:
        with open(os.path.join(folder, "Blanks", title + ".rtf"), "wb") as f:
            f.write(rtf(forms[title]))


def editions(product, folder, old_vanto, new_vanto):
    old = ({"Tarifi.dat": "tariffs 2025\r\n"}, {"Фактура": "Фактура 2025"})
    new = ({"Tarifi.dat": "tariffs 2026\r\n", "Kursove.dat": "exchange rates 2026\r\n"},
           {t: t + " 2026" for t in ("Фактура", "Протокол", "Платежно нареждане")})
    edition(os.path.join(folder, "2025"), old_vanto, *old)
    edition(os.path.join(folder, "2026"), new_vanto, *new)
    edition(product, old_vanto, *old)
    # Read-only, as files copied from a CD are: the update must still replace it.
    os.chmod(os.path.join(product, "Tarifi.dat"), stat.S_IREAD)


def installer(medium):
    with zipfile.ZipFile(os.path.join(medium, "WinTalvo.zip"), "w") as z:
        z.writestr("install.txt", "installation archive: never taken by the updater\r\n")


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--installer":
        installer(sys.argv[2])
    elif len(sys.argv) == 5:
        editions(*sys.argv[1:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main()
