#!/bin/sh
# Installs the Debian packages the build and the tests need, as root; does
# nothing when all of them are there already.
set -eu
packages="cmake ninja-build g++ python3 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64 googletest
    xvfb xdotool x11-utils imagemagick python3-xlib python3-pefile libbenchmark-dev clang libclang-rt-14-dev"
# A compositing manager, with which wine blends layered windows as Windows does.
packages="$packages xcompmgr"
# The virtual machine that runs the i686 build's tests (tools/guest32.sh).
packages="$packages qemu-system-x86 debootstrap busybox-static cpio"
# libpng for the system-libs build; every other build has its own copy.
packages="$packages libpng-dev"
# The host tests check that the C++ is formatted (tools/check-format.sh).
packages="$packages clang-format"
# The system-libs build links the system's libpng and zlib (libpng-dev above);
# groff renders the manual page in the release test, git gives the commit.
packages="$packages zlib1g-dev groff-base git"
# The web page: emscripten compiles it; its tests drive it in Chromium.
packages="$packages emscripten chromium chromium-driver python3-selenium"
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
