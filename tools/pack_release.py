#!/usr/bin/env python3
"""Writes a release archive whose bytes depend only on what goes in: members in
the order given, each with the time SOURCE_DATE_EPOCH, owner 0 and mode 0755
when the file is executable by its owner, else 0644.

usage: pack_release.py zip OUT.zip NAME=FILE...
       pack_release.py tar OUT.tar.gz DIR NAME=FILE...

A zip's members lie at its top, as Windows' "Extract All" expects; a tarball's
lie in the directory DIR, as Unix users expect.
"""
import gzip
import io
import os
import stat
import sys
import tarfile
import time
import zipfile


def members(pairs):
    """(name, bytes, mode) for each NAME=FILE."""
    for pair in pairs:
        name, path = pair.split("=", 1)
        executable = os.stat(path).st_mode & stat.S_IXUSR
        with open(path, "rb") as f:
            yield name, f.read(), 0o755 if executable else 0o644


def write_zip(out, epoch, pairs):
    # A zip holds local times with no zone: the epoch's UTC time, from 1980,
    # the earliest a zip can hold.
    date_time = time.gmtime(max(epoch, 315532800))[:6]
    with zipfile.ZipFile(out, "w") as archive:
        for name, data, mode in members(pairs):
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, so that the mode below counts
            info.external_attr = (stat.S_IFREG | mode) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data, compresslevel=9)


def write_tar(out, epoch, directory, pairs):
    def info(name, kind, mode, size=0):
        entry = tarfile.TarInfo(name)
        entry.type, entry.mode, entry.size, entry.mtime = kind, mode, size, epoch
        entry.uid = entry.gid = 0
        entry.uname = entry.gname = ""
        return entry

    # No file name and no time in the gzip header.
    with open(out, "wb") as raw, gzip.GzipFile(filename="", mode="wb", fileobj=raw, mtime=0) as packed:
        with tarfile.open(fileobj=packed, mode="w", format=tarfile.GNU_FORMAT) as archive:
            archive.addfile(info(directory, tarfile.DIRTYPE, 0o755))
            for name, data, mode in members(pairs):
                archive.addfile(info(f"{directory}/{name}", tarfile.REGTYPE, mode, len(data)), io.BytesIO(data))


def main(argv):
    epoch = int(os.environ["SOURCE_DATE_EPOCH"])
    if len(argv) > 3 and argv[1] == "zip":
        write_zip(argv[2], epoch, argv[3:])
    elif len(argv) > 4 and argv[1] == "tar":
        write_tar(argv[2], epoch, argv[3], argv[4:])
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv)
