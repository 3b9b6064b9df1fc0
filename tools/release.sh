#!/bin/sh
# Builds the release of the last commit into dist/, which it empties first:
#   brimshade-VERSION-win32.zip                      brimshade.exe, brimshade-picture.exe, README.txt,
#                                                    LICENSE.txt and the licences of libpng and zlib
#   brimshade-picture-VERSION-linux-x86_64.tar.gz    brimshade-picture, its manual page, LICENSE, the
#                                                    licences of libpng and zlib, and brimshade.exe
#                                                    as make's template
#   brimshade-web-VERSION.zip                        the web page (index.html, style.css,
#                                                    brimshade.js) and the three licences
#   SHA256SUMS                                       for sha256sum -c
#
# Any clone of the same commit gives the same bytes: the build is a fresh copy
# of the commit in a temporary directory (so no build option or local edit of
# this checkout gets in), the binaries hold no paths or link times, and the
# archives' members have fixed order, owners, modes and times, the times from
# SOURCE_DATE_EPOCH, which is the commit's time unless set.
#
# The program and the Windows tool are built with the win32 preset's own
# settings, so they are the very files that preset builds and tests; the
# release test holds them together.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "release.sh: this checkout has uncommitted changes; a release is made from a commit alone:" \
         "commit or stash them first" >&2
    exit 1
fi
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
export SOURCE_DATE_EPOCH
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# An interrupt or a termination would end this shell without its EXIT trap;
# exiting from theirs runs it.
trap 'exit 130' INT
trap 'exit 143' TERM
mkdir "$work/source" "$work/stage" "$work/dist"
git archive HEAD | tar -x -C "$work/source"

# Each step's output goes to a log, shown when the step fails.
step() {
    echo "release.sh: $1"
    shift
    (cd "$work/source" && "$@") >"$work/log" 2>&1 || { cat "$work/log"; echo "release.sh: failed" >&2; exit 1; }
}
step "configuring the program (win32 preset)" cmake --preset win32
step "building the program and the Windows tool" cmake --build --preset win32 --target brimshade brimshade-picture
step "configuring the picture tool (tool preset)" cmake --preset tool
step "building the picture tool" cmake --build --preset tool
# The page carries the program just built as make's template.
step "configuring the web page (web preset)" cmake --preset web
step "building the web page" cmake --build --preset web --target web_page

program=$work/source/build/win32/brimshade.exe
windows_tool=$work/source/build/win32/brimshade-picture.exe
tool=$work/source/build/tool/src/tool/brimshade-picture
libpng_licence=$work/source/third_party/libpng/LICENSE
zlib_licence=$work/source/third_party/zlib/LICENSE
version=$("$tool" --version | sed 's/^brimshade-picture //')
stage=$work/stage
# Windows readers get CRLF line ends in text files.
sed 's/$/\r/' "$work/source/docs/windows-readme.txt" >"$stage/README.txt"
sed 's/$/\r/' "$work/source/LICENSE" >"$stage/LICENSE.txt"
sed 's/$/\r/' "$libpng_licence" >"$stage/LICENSE-libpng.txt"
sed 's/$/\r/' "$zlib_licence" >"$stage/LICENSE-zlib.txt"

zip=brimshade-$version-win32.zip
tarball=brimshade-picture-$version-linux-x86_64.tar.gz
web_zip=brimshade-web-$version.zip
page=$work/source/build/web/page
pack="python3 $work/source/tools/pack_release.py"
$pack zip "$work/dist/$zip" \
    brimshade.exe="$program" brimshade-picture.exe="$windows_tool" README.txt="$stage/README.txt" \
    LICENSE.txt="$stage/LICENSE.txt" LICENSE-libpng.txt="$stage/LICENSE-libpng.txt" \
    LICENSE-zlib.txt="$stage/LICENSE-zlib.txt"
$pack tar "$work/dist/$tarball" "${tarball%.tar.gz}" \
    brimshade-picture="$tool" brimshade-picture.1="$work/source/build/tool/src/tool/brimshade-picture.1" \
    LICENSE="$work/source/LICENSE" LICENSE-libpng="$libpng_licence" LICENSE-zlib="$zlib_licence" \
    brimshade.exe="$program"
$pack zip "$work/dist/$web_zip" \
    index.html="$page/index.html" style.css="$page/style.css" brimshade.js="$page/brimshade.js" \
    LICENSE.txt="$work/source/LICENSE" LICENSE-libpng.txt="$libpng_licence" LICENSE-zlib.txt="$zlib_licence"
(cd "$work/dist" && sha256sum "$zip" "$tarball" "$web_zip" >SHA256SUMS)

rm -rf dist
mkdir dist
cp "$work/dist/$zip" "$work/dist/$tarball" "$work/dist/$web_zip" "$work/dist/SHA256SUMS" dist/
echo "release.sh: dist/ holds the release of $(git rev-parse --short HEAD), version $version:"
cat dist/SHA256SUMS
