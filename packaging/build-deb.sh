#!/usr/bin/env bash
# Builds the Debian package lumara_<version>_<arch>.deb: a Release build with the editor's update
# checks off, staged by `cmake --install`, with Depends computed from the binaries by dpkg-shlibdeps.
# Usage: packaging/build-deb.sh [BUILD_DIR]   (default build-deb; the package is written there)
set -euo pipefail

src=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$src/build-deb}")
jobs=${JOBS:-$(nproc)}
debian=$src/packaging/debian

fail() { echo "build-deb: $*" >&2; exit 1; }

# The package's version is the project's with a Debian revision; the changelog names it.
deb_version=$(dpkg-parsechangelog -l "$debian/changelog" -S Version)
# The files carry the changelog entry's time rather than the build's (dpkg-deb reads this).
export SOURCE_DATE_EPOCH
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$debian/changelog" -S Timestamp)
arch=$(dpkg --print-architecture)

# Debian's hardening flags (stack protector, fortified libc calls, read-only relocations, immediate
# binding). Without -g: the package ships stripped binaries and no debug symbols package.
flags() {
  (cd "$src" && DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g \
    dpkg-buildflags --get "$1")
}
cppflags=$(flags CPPFLAGS)
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX=/usr \
  -DLUMARA_UPDATE_CHECKS=OFF \
  -DLUMARA_BENCH=OFF \
  "-DCMAKE_C_FLAGS=$cppflags $(flags CFLAGS)" \
  "-DCMAKE_CXX_FLAGS=$cppflags $(flags CXXFLAGS)" \
  "-DCMAKE_EXE_LINKER_FLAGS=$(flags LDFLAGS)"
# Only what the package installs; the tests run in the main build.
cmake --build "$build" -j "$jobs" --target lumara lumara-thumbnailer lumara_completions

project_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "${deb_version%-*}" = "$project_version" ] ||
  fail "packaging/debian/changelog is at $deb_version but the project is at $project_version: add a changelog entry"

# The layout dpkg-shlibdeps and dpkg-gencontrol expect: debian/control, and the package's tree in
# debian/lumara, under the folder they run in.
work=$build/deb
root=$work/debian/lumara
rm -rf "$work"
mkdir -p "$root"
umask 022
DESTDIR=$root cmake --install "$build"
# Stripped as Debian's own packaging strips programs: the symbols and the compiler's notes go.
strip --remove-section=.comment --remove-section=.note "$root"/usr/bin/*

# Debian's documentation files, and manual pages compressed as policy asks (-n: no name or time).
doc=$root/usr/share/doc/lumara
install -d "$doc"
install -m 0644 "$debian/copyright" "$doc/copyright"
gzip -9n <"$debian/changelog" >"$doc/changelog.Debian.gz"
find "$root/usr/share/man" -type f -name '*.[0-9]' -exec gzip -9n {} +
if [ -f "$debian/lintian-overrides" ]; then
  install -D -m 0644 "$debian/lintian-overrides" "$root/usr/share/lintian/overrides/lumara"
fi
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$root"/usr/bin/*

cp "$debian/control" "$debian/changelog" "$work/debian/"
cd "$work"
# dpkg-shlibdeps knows a package's tree by its DEBIAN folder.
mkdir -p "$root/DEBIAN"
dpkg-shlibdeps -Tdebian/lumara.substvars debian/lumara/usr/bin/*
dpkg-gencontrol -plumara -cdebian/control -ldebian/changelog -Tdebian/lumara.substvars -fdebian/files -Pdebian/lumara
(cd "$root" && find usr -type f -print0 | LC_ALL=C sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb=$build/lumara_${deb_version}_${arch}.deb
dpkg-deb --root-owner-group -Zxz --build "$root" "$deb"
echo "$deb"
