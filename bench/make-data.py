#!/usr/bin/env python3
"""make-data.py DIR: the benchmark's three archives, made once (kept while DIR/stamp exists).

mixed.zip  about 200 MB in 2,000 files, half text, half binary (part random, part structured)
big.zip    one member of 500 MB of the same mix
many.zip   20,000 files of 1 KB of text
All names are plain and distinct, so every tool writes the same files whether or not it keeps
folders. Deflated at zlib's default level, as most writers do. Seeded: the same bytes each time.
"""
import os
import random
import struct
import sys
import zipfile

OUT = sys.argv[1]
STAMP = os.path.join(OUT, 'stamp-1')
DOS_TIME = (2024, 3, 15, 12, 30, 0)
rng = random.Random(20261207)

WORDS = ('update archive folder member file version setup program floppy window report error '
         'the of and to in is that for with on as by at from this be are or was which will an '
         'data size name time date read write check system library table value index buffer').split()


def text_pool(size):
    out, n = [], 0
    while n < size:
        line = ' '.join(rng.choice(WORDS) for _ in range(rng.randint(4, 14))) + '\n'
        out.append(line)
        n += len(line)
    return ''.join(out).encode()[:size]


POOL = text_pool(8 << 20)


def text(n):
    at = rng.randrange(len(POOL) - n)
    return POOL[at:at + n]


def binary(n):
    """Blocks of random bytes between blocks of little-endian counters and small records."""
    out = bytearray()
    while len(out) < n:
        if rng.random() < 0.5:
            out += rng.randbytes(4096)
        else:
            base = rng.randrange(1 << 20)
            out += struct.pack('<1024I', *range(base, base + 1024))
    return bytes(out[:n])


def mixed(n):
    return text(n) if rng.random() < 0.5 else binary(n)


def info(name):
    i = zipfile.ZipInfo(name, DOS_TIME)
    i.compress_type = zipfile.ZIP_DEFLATED
    return i


def main():
    if os.path.exists(STAMP):
        return
    os.makedirs(OUT, exist_ok=True)
    with zipfile.ZipFile(os.path.join(OUT, 'mixed.zip'), 'w') as z:
        for i in range(2000):
            n = rng.randint(20_000, 180_000)
            if i % 2:
                z.writestr(info('b%04d.bin' % i), binary(n))
            else:
                z.writestr(info('t%04d.txt' % i), text(n))
    with zipfile.ZipFile(os.path.join(OUT, 'big.zip'), 'w') as z:
        with z.open(info('big.bin'), 'w', force_zip64=True) as f:
            left = 500 << 20
            while left:
                n = min(left, 1 << 20)
                f.write(mixed(n))
                left -= n
    with zipfile.ZipFile(os.path.join(OUT, 'many.zip'), 'w') as z:
        for i in range(20000):
            z.writestr(info('m%05d.txt' % i), text(1024))
    open(STAMP, 'w').close()


main()
