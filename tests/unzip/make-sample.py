#!/usr/bin/env python3
"""Writes the small archive the adapter tests unpack with the real library."""
import sys
import zipfile

with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("docs/readme.txt", "hello\r\n")
    z.writestr("form.rtf", "{\\rtf1 form}")
