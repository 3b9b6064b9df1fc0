#!/bin/sh
# Installs the Debian packages the build and the tests need, as root; does
# nothing when all of them are there already.
set -eu
packages="cmake ninja-build g++ python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 googletest
    xvfb xdotool x11-utils imagemagick python3-xlib python3-pefile libbenchmark-dev clang libclang-rt-14-dev"
# The virtual machine that runs the i686 build's tests (tools/guest32.sh).
packages="$packages qemu-system-x86 debootstrap busybox-static cpio"
# The picture tool reads and writes PNG through libpng.
packages="$packages libpng-dev"
# The host tests check that the C++ is formatted (tools/check-format.sh).
packages="$packages clang-format"
# Releases: libpng's and zlib's static libraries go into the released tool,
# groff renders its manual page in the release test, git gives the commit.
packages="$packages zlib1g-dev groff-base git"
missing=""
for package in $packages; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing="$missing $package"
done
if [ -n "$missing" ]; then
    echo "installing:$missing"
    apt-get update -q
    # wine64 alone: wine32 cannot start on this kernel.
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi
