#!/usr/bin/env bash
# Builds what is stale and writes the downloads into dist/, named after the
# CMake project's VERSION:
#
#   cindral-VERSION-windows.zip   both savers, stripped, and a read-me for Windows
#   cindral-VERSION-setup.exe     the Windows installer (NSIS)
#   cindral_VERSION_ARCH.deb      the Linux hack and cindral-render, for Debian
#   cindral-VERSION-web.zip       the web page, for any static web host
#   SHA256SUMS                    of those four
#
# They are written anew each time, beside dist/web/, the web build's own
# output; the files they are made of are left in build/package/. The savers and programs in the build
# folders stay as they are (the tests use them); the downloads get stripped
# copies. File times inside the archives are the last commit's.
#
# The Windows programs (both savers, the installer and its uninstaller) are
# signed when tools/sign.sh is given the publisher's certificate; it says
# first of all which it will be.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash tools/setup.sh package
source tools/env.sh
bash tools/sign.sh --check

echo "== builds"
# All of the native build, as the tests build it: what its install rules put
# into the package is named there only.
cindral_build native
cindral_build win-i686 cindral
cindral_build win-x86_64 cindral
cindral_build web

version=$(<build/native/cindral-version.txt)
for build in win-i686 win-x86_64 web; do
    if [ "$(<"build/$build/cindral-version.txt")" != "$version" ]; then
        echo "package: build/$build has version $(<"build/$build/cindral-version.txt"), build/native $version" >&2
        exit 1
    fi
done
arch=$(dpkg --print-architecture)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}

work=${CINDRAL_PACKAGE_WORK:-$root/build/package}
dist=${CINDRAL_DIST:-$root/dist}
zip_file=cindral-$version-windows.zip
setup_file=cindral-$version-setup.exe
setup64_file=cindral-$version-setup-amd64.exe
setup_arm64_file=cindral-$version-setup-arm64-test.exe
deb_file=cindral_${version}_$arch.deb
web_file=cindral-$version-web.zip
rm -rf "$work"
rm -f "$dist"/cindral-*-windows.zip "$dist"/cindral-*-setup.exe "$dist"/cindral_*.deb \
    "$dist"/cindral-*-web.zip "$dist"/SHA256SUMS
mkdir -p "$work" "$dist"

# Text for Windows: CRLF line ends, which every Notepad shows.
windows_text() { # source destination
    sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$1" >"$2"
}

# Gives every file under a folder the same time, so that the archives depend
# on the contents only.
set_times() { # folder
    find "$1" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
}

echo "== $zip_file"
top=cindral-$version-windows
savers=$work/windows/$top
mkdir -p "$savers/32-bit Windows" "$savers/64-bit Windows"
scr32="$savers/32-bit Windows/cindral.scr"
scr64="$savers/64-bit Windows/cindral.scr"
i686-w64-mingw32-strip -o "$scr32" build/win-i686/host/cindral.scr
x86_64-w64-mingw32-strip -o "$scr64" build/win-x86_64/host/cindral.scr
bash tools/sign.sh "$scr32" "$scr64"
chmod 644 "$scr32" "$scr64"
tools/check_scr.sh --stripped "$scr32" "$scr64"
windows_text packaging/windows/README.txt.in "$savers/README.txt"
windows_text LICENSE "$savers/LICENSE.txt"
set_times "$savers"
(cd "$work/windows" && find "$top" | LC_ALL=C sort | zip -X -q -@ "$dist/$zip_file")

echo "== $setup_file"
# Windows wants four numbers in a program's version resource.
version_quad=$version
while [ "$(tr -cd . <<<"$version_quad" | wc -c)" -lt 3 ]; do
    version_quad=$version_quad.0
done
# The flame of the wizard's welcome and finish pages, in their size, as a
# 24-bit BMP, which is what NSIS reads. Frame 900 has the flame across the
# middle of so narrow a view.
wizard_bitmap=$work/wizard.bmp
MESA_SHADER_CACHE_DISABLE=true build/native/host_headless/cindral-render --frames 900 --size 164x314 --png "$work/wizard.png" 2>/dev/null
convert "$work/wizard.png" BMP3:"$wizard_bitmap"
kilobytes() { echo $((($(stat -c %s "$1") + 1023) / 1024)); }
installer() { # target outfile [makensis option...]
    makensis -V2 -WX -NOCD -DTARGET="$1" \
        -DVERSION="$version" -DVERSION_QUAD="$version_quad" \
        -DSCR32="$scr32" -DSCR64="$scr64" \
        -DSIZE32_KB="$(kilobytes "$scr32")" -DSIZE64_KB="$(kilobytes "$scr64")" \
        -DICON="$root/resources/cindral.ico" -DWIZARD_BITMAP="$wizard_bitmap" \
        -DSIGN="$root/tools/sign.sh" -DOUTFILE="$2" "${@:3}" \
        packaging/windows/installer.nsi
}
installer x86-unicode "$dist/$setup_file"
bash tools/sign.sh "$dist/$setup_file"
# For the download tests only, not shipped. The installer is a 32-bit program;
# where those cannot run, the tests check the same script built as a 64-bit
# one. And the branch for 64-bit ARM Windows, taken on this machine's Wine.
test_target=x86-unicode
if ! cindral_runs_32bit; then
    echo "== $work/$setup64_file, for the tests only: $CINDRAL_NO_32BIT"
    test_target=amd64-unicode
    installer "$test_target" "$work/$setup64_file"
fi
echo "== $work/$setup_arm64_file, for the tests only: as on 64-bit ARM Windows"
installer "$test_target" "$work/$setup_arm64_file" -DAS_ARM64

echo "== $deb_file"
changelog_version=$(sed -n '1s/^cindral (\([^)]*\)).*/\1/p' packaging/debian/changelog)
if [ "$changelog_version" != "$version" ]; then
    echo "package: packaging/debian/changelog's latest entry is for '$changelog_version'," \
        "the project is $version: add an entry for this release" >&2
    exit 1
fi
deb=$work/deb
staged=$deb/debian/cindral
for component in xscreensaver render; do
    DESTDIR=$staged cmake --install build/native --prefix /usr --component "$component" >/dev/null
done
mapfile -t programs < <(cd "$deb" && find debian/cindral -type f -perm -u+x | LC_ALL=C sort)
# As Debian's own packages are stripped: no symbols, no debugging
# information, no compiler version notes.
(cd "$deb" && strip --remove-section=.comment --remove-section=.note "${programs[@]}")
doc=$staged/usr/share/doc/cindral
install -d "$doc"
install -m 644 packaging/debian/copyright packaging/debian/README.Debian "$doc/"
gzip -9n <packaging/debian/changelog >"$doc/changelog.gz"
find "$staged/usr/share/man" -type f ! -name '*.gz' -exec gzip -9n {} +
find "$staged" -type d -exec chmod 755 {} +
find "$staged" -type f -exec chmod go-w {} +

# dpkg-shlibdeps reads the package names from a debian/control, and finds
# the package's root by its DEBIAN folder.
mkdir -p "$staged/DEBIAN"
printf 'Source: cindral\n\nPackage: cindral\nArchitecture: any\n' >"$deb/debian/control"
depends=$(cd "$deb" && dpkg-shlibdeps -O "${programs[@]}" | sed -n 's/^shlibs:Depends=//p')
[ -n "$depends" ] || { echo "package: dpkg-shlibdeps found no dependencies" >&2; exit 1; }

installed_size=$(du -s -k --apparent-size --exclude=DEBIAN "$staged" | cut -f1)
sed -e "s/@VERSION@/$version/" -e "s/@ARCH@/$arch/" -e "s/@INSTALLED_SIZE@/$installed_size/" \
    -e "s%@DEPENDS@%$depends%" packaging/debian/control.in >"$staged/DEBIAN/control"
(cd "$staged" && find usr -type f | LC_ALL=C sort | xargs md5sum) >"$staged/DEBIAN/md5sums"
chmod 644 "$staged/DEBIAN/control" "$staged/DEBIAN/md5sums"
set_times "$staged"
dpkg-deb --root-owner-group --build "$staged" "$dist/$deb_file" >/dev/null

echo "== $web_file"
top=cindral-$version-web
page=$work/web/$top
mkdir -p "$page"
# The files the web build names as the site, not whatever else dist/web holds.
mapfile -t site <build/web/web-site-files.txt
cp "${site[@]/#/dist/web/}" "$page/"
cp LICENSE "$page/LICENSE.txt"
chmod 644 "$page"/*
set_times "$page"
(cd "$work/web" && find "$top" | LC_ALL=C sort | zip -X -q -@ "$dist/$web_file")

(cd "$dist" && sha256sum "$zip_file" "$setup_file" "$deb_file" "$web_file" >SHA256SUMS)
echo "== the downloads, in $dist:"
for file in "$zip_file" "$setup_file" "$deb_file" "$web_file" SHA256SUMS; do
    printf '%9d bytes  %s\n' "$(stat -c %s "$dist/$file")" "$file"
done
