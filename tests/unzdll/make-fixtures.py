#!/usr/bin/env python3
"""Makes the archives the library tests unpack: make-fixtures.py OUTDIR.

Several independent writers (Python's zipfile, 7z, bsdtar, Info-ZIP zip and a small writer of
our own for what the tools will not produce: code page 866 names, Unicode path fields, ZIP64
records on small members, damaged archives). Output is deterministic except for the tools'
own time stamps.
"""
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

OUT = os.path.abspath(sys.argv[1])
DOS_TIME = (2024, 3, 15, 12, 30, 0)


def crc32(b):
    return zlib.crc32(b) & 0xFFFFFFFF


def deflate(b):
    c = zlib.compressobj(6, zlib.DEFLATED, -15)
    return c.compress(b) + c.flush()


def dos_stamp():
    y, mo, d, h, mi, s = DOS_TIME
    return (h << 11) | (mi << 5) | (s // 2), ((y - 1980) << 9) | (mo << 5) | d


def write(name, data):
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)


def craft(members, zip64=False, descriptor=False, comment=b''):
    """Our own writer. A member is (name bytes, data bytes, options dict): method 0 or 8,
    utf8 flag, extra (central and local), unicode_path (str or (str, name it claims))."""
    out = bytearray()
    central = bytearray()
    t, d = dos_stamp()
    for name, data, opt in members:
        method = opt.get('method', 8)
        comp = deflate(data) if method == 8 else data
        flags = (0x0800 if opt.get('utf8') else 0) | (0x0008 if descriptor else 0)
        crc = crc32(data)
        extra = opt.get('extra', b'')
        if 'unicode_path' in opt:
            up = opt['unicode_path']
            text, claimed = (up, name) if isinstance(up, str) else up
            body = b'\x01' + struct.pack('<I', crc32(claimed)) + text.encode('utf-8')
            extra += struct.pack('<HH', 0x7075, len(body)) + body
        offset = len(out)
        if zip64:
            lextra = extra + struct.pack('<HHQQ', 1, 16, len(data), len(comp))
            lcrc, lcs, lus = (0, 0xFFFFFFFF, 0xFFFFFFFF)
            if not descriptor:
                lcrc = crc
        else:
            lextra = extra
            lcrc, lcs, lus = (0, 0, 0) if descriptor else (crc, len(comp), len(data))
        out += struct.pack('<IHHHHHIIIHH', 0x04034b50, 45 if zip64 else 20, flags, method, t, d,
                           lcrc, lcs, lus, len(name), len(lextra)) + name + lextra + comp
        if descriptor:
            fmt = '<IIQQ' if zip64 else '<IIII'
            out += struct.pack(fmt, 0x08074b50, crc, len(comp), len(data))
        if zip64:
            cextra = extra + struct.pack('<HHQQQ', 1, 24, len(data), len(comp), offset)
            ccs, cus, coff = 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF
        else:
            cextra, ccs, cus, coff = extra, len(comp), len(data), offset
        central += struct.pack('<IHHHHHHIIIHHHHHII', 0x02014b50, 45 if zip64 else 20, 45 if zip64 else 20,
                               flags, method, t, d, crc, ccs, cus, len(name), len(cextra), 0, 0, 0, 0,
                               coff) + name + cextra
    cd_offset = len(out)
    out += central
    n = len(members)
    if zip64:
        end64 = len(out)
        out += struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, n, n, len(central), cd_offset)
        out += struct.pack('<IIQI', 0x07064b50, 0, end64, 1)
        out += struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, len(comment))
    else:
        out += struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, n, n, len(central), cd_offset, len(comment))
    return bytes(out + comment)


def pyzip(path, members, method=zipfile.ZIP_DEFLATED, comment=b''):
    """members: (name, data[, compress_type])."""
    with zipfile.ZipFile(path, 'w', method) as z:
        for m in members:
            info = zipfile.ZipInfo(m[0], DOS_TIME)
            info.compress_type = m[2] if len(m) > 2 else method
            z.writestr(info, m[1])
        z.comment = comment


def tree(root, files):
    for rel, data in files.items():
        p = os.path.join(root, rel)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, 'wb') as f:
            f.write(data)


def run(args, cwd):
    subprocess.run(args, cwd=cwd, check=True, stdout=subprocess.DEVNULL)


def patch_crc(data, member, xor=1):
    """Flips the CRC-32 of one member in its local and central headers."""
    b = bytearray(data)
    z = zipfile.ZipFile(io.BytesIO(data))
    info = z.getinfo(member)
    bad = struct.pack('<I', info.CRC ^ xor)
    lh = info.header_offset
    b[lh + 14:lh + 18] = bad
    cd = data.find(b'PK\x01\x02')
    while True:
        n, m, k = struct.unpack('<HHH', b[cd + 28:cd + 34])
        if b[cd + 46:cd + 46 + n] == member.encode():
            b[cd + 16:cd + 20] = bad
            return bytes(b)
        cd += 46 + n + m + k


def patch_size(data, member, delta):
    b = bytearray(data)
    cd = data.find(b'PK\x01\x02')
    while True:
        n, m, k = struct.unpack('<HHH', b[cd + 28:cd + 34])
        if b[cd + 46:cd + 46 + n] == member.encode():
            size = struct.unpack('<I', b[cd + 24:cd + 28])[0]
            b[cd + 24:cd + 28] = struct.pack('<I', size + delta)
            return bytes(b)
        cd += 46 + n + m + k


def main():
    os.makedirs(OUT, exist_ok=True)
    work = tempfile.mkdtemp()
    try:
        make_all(work)
    finally:
        shutil.rmtree(work)


def make_all(work):
    p = lambda name: os.path.join(OUT, name)
    payload = b''.join(b'line %06d of the payload\n' % i for i in range(12000))  # about 300 KB

    # Folders flattened; of two members with one base name the later wins; a name without a dot.
    pyzip(p('nested.zip'), [('top.txt', b'top\n'), ('a/', b''), ('a/b/c/deep.txt', b'deep\n'),
                            ('one/same.txt', b'first\n'), ('two/same.txt', b'second\n'),
                            ('noext', b'no dot\n'), ('docs/Readme.TXT', b'readme\n'),
                            ('a/b/payload.txt', payload)])

    # The same small tree through the other tools; bsdtar into a pipe writes data descriptors.
    src = os.path.join(work, 'src')
    tree(src, {'t/x/one.txt': b'one\n', 't/y/two.bin': bytes(range(256)) * 800, 't/three.txt': payload})
    run(['7z', 'a', '-tzip', '-bd', p('seven.zip'), 't'], src)
    run(['bsdtar', '--format', 'zip', '-cf', p('bsd.zip'), 't'], src)
    with open(p('bsd_stream.zip'), 'wb') as f:
        f.write(subprocess.run(['bsdtar', '--format', 'zip', '-cf', '-', 't'], cwd=src, check=True,
                               stdout=subprocess.PIPE).stdout)
    run(['bsdtar', '--format', 'zip', '--options', 'zip:zip64', '-cf', p('zip64_bsd.zip'), 't'], src)
    write('descriptor.zip', craft([(b'dd/one.txt', b'one\n', {}), (b'three.txt', payload, {}),
                                   (b'two.bin', bytes(range(256)) * 800, {'method': 0})], descriptor=True))
    write('zip64.zip', craft([(b'one.txt', b'one\n', {}), (b't/three.txt', payload, {}),
                              (b'two.bin', bytes(range(256)) * 800, {'method': 0})], zip64=True))
    write('zip64_descriptor.zip', craft([(b'one.txt', b'one\n', {}), (b'three.txt', payload, {})],
                                        zip64=True, descriptor=True))

    # Cyrillic names: UTF-8 with the flag, code page 866 without it, the Unicode path field.
    pyzip(p('cyr_utf8.zip'), [('Папка/Файл.txt', 'утф\n'.encode('utf-8'))])
    write('cyr_866.zip', craft([('Отчет.txt'.encode('cp866'), b'866\n', {}),
                                ('Папка\\Ёлка.txt'.encode('cp866'), b'yolka\n', {})]))
    write('cyr_7075.zip', craft([(b'Danni.txt', b'unicode\n', {'unicode_path': 'Данни.txt'}),
                                 ('Стар.txt'.encode('cp866'), b'stale\n',
                                  {'unicode_path': ('Грешно.txt', b'other name')})]))
    write('names_bad.zip', craft([('日本.txt'.encode('utf-8'), b'jp\n', {'utf8': True}),
                                  (b'bad\xc0\xafname.txt', b'overlong\n', {'utf8': True}),
                                  (b'ok.txt', b'ok\n', {})]))

    # Hostile names.
    pyzip(p('hostile.zip'), [('../../evil1.txt', b'1\n'), ('/abs/evil2.txt', b'2\n'),
                             ('C:\\evil3.txt', b'3\n'), ('CON', b'con\n'), ('aux.txt', b'aux\n'),
                             ('a:b', b'stream\n'), ('..', b'dotdot\n'), ('sub/..', b'dotdot\n'),
                             ('bad?.txt', b'q\n'), ('trail.', b'dot\n'), ('lpt1', b'lpt\n'),
                             ('safe.txt', b'safe\n')])

    # More problems than a user should have to click through.
    pyzip(p('many_bad.zip'), [('bad%02d?.txt' % i, b'x') for i in range(30)] + [('good.txt', b'good\n')])

    # Damaged members among good ones.
    good = [('good.txt', b'good\n'), ('bad.txt', payload)]
    buf = io.BytesIO()
    pyzip(buf, good)
    write('crc.zip', patch_crc(buf.getvalue(), 'bad.txt'))
    write('size.zip', patch_size(buf.getvalue(), 'bad.txt', 1))
    buf = io.BytesIO()
    pyzip(buf, [('good.txt', b'good\n'), ('stored.txt', b'stored data\n')], zipfile.ZIP_STORED)
    write('size_stored.zip', patch_size(buf.getvalue(), 'stored.txt', -1))
    data = bytearray(craft([(b'good.txt', b'good\n', {}), (b'bad.txt', payload, {})]))
    mid = data.find(b'bad.txt') + 7 + 2000
    data[mid:mid + 64] = bytes(64)
    write('damaged.zip', bytes(data))

    # Unreadable archives: cut short, directory cut, wrong count, not a ZIP.
    nested = open(p('nested.zip'), 'rb').read()
    write('truncated.zip', nested[:len(nested) * 6 // 10])
    cd = nested.find(b'PK\x01\x02')
    write('cdcut.zip', nested[:cd + 30] + nested[cd + 60:])
    end = nested.rfind(b'PK\x05\x06')
    count = struct.unpack('<H', nested[end + 10:end + 12])[0] + 1
    write('cdcount.zip', nested[:end + 8] + struct.pack('<HH', count, count) + nested[end + 12:])
    write('notzip.zip', b'This is a text file, not an archive.\n' * 10)
    write('empty.zip', craft([]))

    # Encrypted and bzip2 members beside plain ones, from Info-ZIP and 7z; other methods from Python.
    tree(work, {'m/secret.txt': b'secret\n', 'm/plain.txt': b'plain\n', 'm/bz.txt': b'bzip2 ' * 100})
    m = os.path.join(work, 'm')
    run(['zip', '-q', '-P', 'password', p('methods.zip'), 'secret.txt'], m)
    run(['zip', '-q', p('methods.zip'), 'plain.txt'], m)
    run(['7z', 'a', '-tzip', '-bd', '-mm=BZip2', p('methods.zip'), 'bz.txt'], m)
    pyzip(p('methods_py.zip'), [('lz.txt', b'lzma ' * 100, zipfile.ZIP_LZMA),
                                ('bz2.txt', b'bzip2 ' * 100, zipfile.ZIP_BZIP2),
                                ('st.txt', b'stored\n', zipfile.ZIP_STORED)])

    # Self-extractor style: a program stub before the archive, with offsets as the archive had
    # them (concatenated) and adjusted by zip -A; junk after the end record; a comment that holds
    # a false end signature.
    stub = b'MZ' + bytes(4094) + b'PK\x05\x06 not a record' + bytes(4000)
    write('sfx_cat.exe', stub + nested)
    write('sfx_zip64.exe', stub + open(p('zip64.zip'), 'rb').read())
    shutil.copy(p('sfx_cat.exe'), p('sfx_adjusted.exe'))
    subprocess.run(['zip', '-q', '-A', p('sfx_adjusted.exe')], check=True)
    buf = io.BytesIO()
    pyzip(buf, [('commented.txt', b'comment\n')], comment=b'See PK\x05\x06 here')
    write('comment_junk.zip', buf.getvalue() + b'junk PK\x05\x06 junk' + bytes(3000))

    # 100 MB in one member, for bounded memory: lines "%09d\n", so any offset can be checked.
    with zipfile.ZipFile(p('big.zip'), 'w', zipfile.ZIP_DEFLATED, compresslevel=1) as z:
        info = zipfile.ZipInfo('big.bin', DOS_TIME)
        info.compress_type = zipfile.ZIP_DEFLATED
        with z.open(info, 'w', force_zip64=True) as f:
            per = 1 << 17
            for start in range(0, 100 * 1024 * 1024 // 10, per):
                f.write(b''.join(b'%09d\n' % i for i in range(start, start + per)))

    # An archive holding a member of its own name, for unpacking in its own folder.
    pyzip(p('self.zip'), [('self.zip', b'not the archive\n'), ('other.txt', b'other\n')])


main()
