#!/bin/sh
# Fetches the source packages of libpng and zlib named below from Debian 12,
# with Debian's patches applied, and copies the files the build needs into
# third_party/libpng and third_party/zlib, replacing what is there; then
# applies this project's own patches (third_party/patches). Run as root on
# Debian 12: it adds a deb-src entry for Debian's archive when apt has none.
#
# To update, set the versions to those `apt-cache showsrc libpng1.6 zlib`
# lists, run this, build and run the tests, and update README.md here.
set -eu
libpng_version=1.6.39-2+deb12u5
zlib_version=1:1.2.13.dfsg-1

here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    cat >/etc/apt/sources.list.d/debian-src.sources <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
fi
command -v dpkg-source >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q dpkg-dev
apt-get update -q
# dpkg-source applies Debian's patches (debian/patches/series) on extraction.
(cd "$work" && apt-get source -q "libpng1.6=$libpng_version" "zlib=$zlib_version")

# copy FROM TO FILE...: the files, and nothing else, in a fresh TO.
copy() {
    from=$1 to=$2
    shift 2
    rm -rf "$to"
    mkdir -p "$to"
    for file in "$@"; do cp "$from/$file" "$to/"; done
}
libpng=$(echo "$work"/libpng1.6-*/)
copy "$libpng" "$here/libpng" LICENSE png.h pngconf.h pngdebug.h pnginfo.h pngpriv.h pngstruct.h \
    png.c pngerror.c pngget.c pngmem.c pngpread.c pngread.c pngrio.c pngrtran.c pngrutil.c pngset.c \
    pngtrans.c pngwio.c pngwrite.c pngwtran.c pngwutil.c
# libpng's build configuration, as its own build writes it by default.
cp "$libpng/scripts/pnglibconf.h.prebuilt" "$here/libpng/pnglibconf.h"
zlib=$(echo "$work"/zlib-*/)
copy "$zlib" "$here/zlib" LICENSE zlib.h zconf.h crc32.h deflate.h inffast.h inffixed.h inflate.h \
    inftrees.h trees.h zutil.h gzguts.h adler32.c compress.c crc32.c deflate.c infback.c inffast.c inflate.c \
    inftrees.c trees.c uncompr.c zutil.c

for patch in "$here"/patches/*.patch; do
    [ -e "$patch" ] || continue
    echo "applying ${patch##*/}"
    patch -d "$here" -p1 --no-backup-if-mismatch <"$patch"
done
echo "third_party: libpng $libpng_version and zlib $zlib_version are in place"
