#!/usr/bin/python3
"""Reads an ISO image with independent readers and compares what they see with the source files.

usage: check_iso.py ISO SOURCE_ROOT [--no-joliet] [--big]

SOURCE_ROOT holds exactly what the image was built from (its entries are the image's root). With
Joliet, every reader must return every file under its own name, byte for byte. Without Joliet the ISO
names are mangled, so each tree's files are compared as the multiset of their contents. --big checks
byte ranges of large sparse files instead of extracting them."""

import hashlib
import os
import subprocess
import sys
import tempfile

import pycdlib


def digest_file(path):
    h = hashlib.sha256()
    with open(path, 'rb') as f:
        for chunk in iter(lambda: f.read(1 << 20), b''):
            h.update(chunk)
    return h.hexdigest()


def tree(root):
    """Relative path -> sha256 of every file, and the set of folders."""
    files, dirs = {}, set()
    for dirpath, dirnames, filenames in os.walk(root):
        rel = os.path.relpath(dirpath, root)
        if rel != '.':
            dirs.add(rel)
        for name in filenames:
            full = os.path.join(dirpath, name)
            files[os.path.normpath(os.path.join(rel, name))] = digest_file(full)
    return files, dirs


def fail(reader, message):
    print('%s: %s' % (reader, message))
    sys.exit(1)


def compare(reader, got, want, by_name):
    got_files, got_dirs = got
    want_files, want_dirs = want
    if by_name:
        if got_files != want_files:
            missing = sorted(set(want_files) - set(got_files))[:5]
            extra = sorted(set(got_files) - set(want_files))[:5]
            differ = sorted(k for k in want_files if k in got_files and got_files[k] != want_files[k])[:5]
            fail(reader, 'files differ: missing %r extra %r changed %r' % (missing, extra, differ))
        if got_dirs != want_dirs:
            fail(reader, 'folders differ: %r' % sorted(got_dirs ^ want_dirs)[:5])
    else:
        if sorted(got_files.values()) != sorted(want_files.values()):
            fail(reader, 'file contents differ')
        if len(got_dirs) != len(want_dirs):
            fail(reader, 'folder count differs')


def run(args, reader):
    done = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    if done.returncode != 0:
        fail(reader, 'exit %d: %s' % (done.returncode, done.stdout.decode(errors='replace')[-2000:]))
    return done.stdout.decode('utf-8', errors='replace')


def check_pycdlib(iso, want, joliet):
    """pycdlib checks descriptors, path tables and records while it opens the image."""
    image = pycdlib.PyCdlib()
    image.open(iso)
    try:
        if joliet and image.joliet_vd is None:
            fail('pycdlib', 'no Joliet descriptor')
        for facade, key in ([(image.get_joliet_facade(), 'joliet_path')] if joliet else []) + \
                           [(image.get_iso9660_facade(), 'iso_path')]:
            files, dirs = {}, set()
            for path, dirnames, filenames in facade.walk('/'):
                for d in dirnames:
                    dirs.add(os.path.normpath(os.path.join(path, d).lstrip('/')))
                for name in filenames:
                    full = os.path.join(path, name)
                    h = hashlib.sha256()
                    with facade.open_file_from_iso(full) as f:
                        for chunk in iter(lambda: f.read(1 << 20), b''):
                            h.update(chunk)
                    files[os.path.normpath(full.lstrip('/'))] = h.hexdigest()
            compare('pycdlib ' + key, (files, dirs), want, key == 'joliet_path')
    finally:
        image.close()


def check_extractors(iso, want, joliet):
    with tempfile.TemporaryDirectory() as out:
        target = os.path.join(out, 'x')
        run(['osirrox', '-indev', iso, '-extract', '/', target], 'osirrox')
        compare('osirrox', tree(target), want, joliet)
    with tempfile.TemporaryDirectory() as out:
        run(['7z', 'x', '-y', '-o' + out, iso], '7z')
        compare('7z', tree(out), want, joliet)


def check_isoinfo(iso, want_files, joliet):
    listing = run(['isoinfo', '-l', '-i', iso], 'isoinfo -l')
    if 'Directory listing of /' not in listing:
        fail('isoinfo -l', 'no root listing')
    if joliet:
        jlisting = run(['isoinfo', '-J', '-j', 'iso8859-1', '-l', '-i', iso], 'isoinfo -J')
        for rel in want_files:
            name = os.path.basename(rel)
            if name.isascii() and name.isprintable() and (' ' + name + ' ') not in jlisting + ' ':
                fail('isoinfo -J', 'does not list %r' % name)


def check_big(iso, source_root):
    """Large sparse files: sizes from every reader, contents by ranges around their extent boundaries."""
    listing = run(['xorriso', '-indev', iso, '-find', '/', '-type', 'f', '-exec', 'lsdl'], 'xorriso')
    seven = run(['7z', 'l', iso], '7z l')
    image = pycdlib.PyCdlib()
    image.open(iso)
    try:
        for name in sorted(os.listdir(source_root)):
            path = os.path.join(source_root, name)
            size = os.path.getsize(path)
            if (' %d ' % size) not in listing or (' %d ' % size) not in seven:
                fail('size', '%s: %d bytes not reported by xorriso and 7z' % (name, size))
            # A multi-extent file is several records of one name; their lengths add up to the file.
            for key in ('joliet_path', 'iso_path'):
                total = sum(child.get_data_length() for child in image.get_record(**{key: '/'}).children
                            if child.file_identifier().decode('utf-16_be' if key == 'joliet_path' else 'ascii')
                            .lower().rstrip('.').split(';')[0] == name)
                if total != size:
                    fail('pycdlib ' + key, '%s: records hold %d bytes, not %d' % (name, total, size))
            with open(path, 'rb') as src, tempfile.TemporaryDirectory() as out:
                for offset in (0, (4 << 30) - 4096, (4 << 30) - 2048 - 7, size - 5000):
                    if offset < 0 or offset >= size:
                        continue
                    length = min(10000, size - offset)
                    piece = os.path.join(out, 'piece')
                    run(['osirrox', '-indev', iso, '-extract_cut', '/' + name, str(offset), str(length), piece],
                        'osirrox -extract_cut')
                    src.seek(offset)
                    with open(piece, 'rb') as got:
                        if got.read() != src.read(length):
                            fail('osirrox', '%s differs at %d' % (name, offset))
                    os.unlink(piece)
    finally:
        image.close()


def main():
    iso, source_root = sys.argv[1], sys.argv[2]
    joliet = '--no-joliet' not in sys.argv
    if '--big' in sys.argv:
        check_big(iso, source_root)
        print('ok')
        return
    want = tree(source_root)
    check_pycdlib(iso, want, joliet)
    check_extractors(iso, want, joliet)
    check_isoinfo(iso, want[0], joliet)
    print('ok')


if __name__ == '__main__':
    main()
