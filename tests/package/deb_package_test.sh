#!/usr/bin/env bash
# The Debian package from the outside: its control fields and contents, lintian, and (as root) an
# apt install, the installed programs and desktop files at work, then a purge that leaves nothing.
# Usage: tests/package/deb_package_test.sh PATH/lumara_VERSION_ARCH.deb
# Single-threaded; the package is purged on every exit once installed, so later tests see the
# machine as it was.
set -euo pipefail

deb=$(realpath "${1:?usage: deb_package_test.sh PATH/lumara_VERSION_ARCH.deb}")
tmp=$(mktemp -d)
installed_by_us=0

cleanup() {
  if [ "$installed_by_us" = 1 ]; then
    echo "deb_package_test: removing the package after a failure"
    DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq lumara >/dev/null || true
  fi
  rm -rf "$tmp"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }

field() { dpkg-deb --field "$deb" "$1"; }

# --- The archive -------------------------------------------------------------------------------

version=$(field Version)
[ "$(basename "$deb")" = "lumara_${version}_$(dpkg --print-architecture).deb" ] ||
  fail "file name $(basename "$deb") does not follow lumara_<version>_<arch>.deb"
for name in Package Version Architecture Maintainer Installed-Size Section Priority Homepage Depends Description; do
  [ -n "$(field "$name")" ] || fail "control field $name is missing"
done
[ "$(field Description | wc -l)" -ge 3 ] || fail "the description has no long description"
# Libraries only the shared library scan of both binaries names: Qt Widgets (the editor), FFmpeg
# (video export), libdeflate (PNG and design codes), the C++ runtime; the platform plugin by hand.
depends=$(field Depends)
for library in 'libqt6widgets6(t64)?' 'libqt6openglwidgets6(t64)?' 'libavcodec[0-9]+' 'libdeflate[0-9]+' 'libplist[-.0-9]*' \
  'libstdc\+\+6' libc6 qt6-qpa-plugins; do
  grep -Eq "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done
pass "control fields (Depends: $depends)"

# Exactly these files, owned by root, executables 0755 and the rest 0644.
expected_files="./usr/bin/lumara
./usr/bin/lumara-thumbnailer
./usr/share/applications/com.quillfen.Lumara.desktop
./usr/share/bash-completion/completions/lumara
./usr/share/doc/lumara/changelog.Debian.gz
./usr/share/doc/lumara/copyright
./usr/share/fish/vendor_completions.d/lumara.fish
./usr/share/icons/hicolor/scalable/apps/com.quillfen.Lumara.svg
./usr/share/icons/hicolor/scalable/mimetypes/application-x-lumara-project.svg
./usr/share/man/man1/lumara-thumbnailer.1.gz
./usr/share/man/man1/lumara.1.gz
./usr/share/metainfo/com.quillfen.Lumara.metainfo.xml
./usr/share/mime/packages/com.quillfen.Lumara.xml
./usr/share/thumbnailers/com.quillfen.Lumara.thumbnailer
./usr/share/zsh/vendor-completions/_lumara"
[ -f "$(dirname "$0")/../../packaging/debian/lintian-overrides" ] &&
  expected_files=$(printf '%s\n%s' "$expected_files" ./usr/share/lintian/overrides/lumara | LC_ALL=C sort)
contents=$(dpkg-deb --contents "$deb")
actual_files=$(awk '$1 ~ /^-/ {print $6}' <<<"$contents" | LC_ALL=C sort)
[ "$actual_files" = "$expected_files" ] ||
  fail "the package's files differ from the expected ones:$(diff <(echo "$expected_files") <(echo "$actual_files") | sed 's/^/\n  /')"
awk '$2 != "root/root" {print; bad=1} END {exit bad}' <<<"$contents" || fail "files not owned by root"
awk '$1 ~ /^-/ && $6 ~ /^\.\/usr\/bin\// && $1 != "-rwxr-xr-x" {print; bad=1}
     $1 ~ /^-/ && $6 !~ /^\.\/usr\/bin\// && $1 != "-rw-r--r--" {print; bad=1}
     $1 ~ /^d/ && $1 != "drwxr-xr-x" {print; bad=1} END {exit bad}' <<<"$contents" || fail "unexpected permissions"
pass "contents: $(wc -l <<<"$actual_files") files in their standard places, root-owned, 0755/0644"

# --- lintian: no error and no warning (a kept warning is overridden, with its reason, in
# packaging/debian/lintian-overrides) ---------------------------------------------------------------
echo "lintian $deb:"
status=0
lintian --fail-on error,warning --display-info "$deb" >"$tmp/lintian.log" 2>&1 || status=$?
sed 's/^/  /' "$tmp/lintian.log"
[ "$status" = 0 ] || fail "lintian reports errors or warnings"
overridden=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/lintian/overrides/lumara 2>/dev/null | grep -v '^#' | xargs)
pass "lintian (overridden, each with its reason in packaging/debian/lintian-overrides: ${overridden:-none})"

# --- Installed ---------------------------------------------------------------------------------

if [ "$(id -u)" != 0 ]; then
  echo "SKIPPED: installing, running and purging the package need root (apt-get install); the checks above passed"
  exit 0
fi
if dpkg-query -W -f='${Status}' lumara 2>/dev/null | grep -q 'ok installed'; then
  echo "SKIPPED: lumara is already installed on this machine; the test does not replace or remove it"
  exit 0
fi

installed_by_us=1
# Recommends left out: what the test needs is there, and it must not reach for the network.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$deb" >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log"; fail "apt-get install"; }
dpkg-query -W -f='${Status}' lumara | grep -q 'install ok installed' || fail "dpkg does not list lumara as installed"
dpkg -L lumara >"$tmp/installed"
pass "installed with apt-get ($(grep -c . "$tmp/installed") paths)"

# The programs as a user runs them: from PATH, without a display.
run() { env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM PATH=/usr/bin:/bin "$@"; }
[ "$(run lumara --version)" = "lumara ${version%-*}" ] || fail "lumara --version printed '$(run lumara --version)'"
[ "$(run lumara-thumbnailer --version)" = "lumara-thumbnailer ${version%-*}" ] ||
  fail "lumara-thumbnailer --version printed '$(run lumara-thumbnailer --version)'"
pass "lumara --version"

# A PNG of a round orb: an opaque centre, corners clear but for the soft shadow's edge.
# Debian's Python, which has Debian's imaging library (python3-pil).
png_is_orb() {
  /usr/bin/python3 - "$1" "$2" <<'PY'
import sys
from PIL import Image
image = Image.open(sys.argv[1])
side = int(sys.argv[2])
assert image.mode == "RGBA", image.mode
assert image.width == image.height and (side == 0 or image.width == side), image.size
w = image.width
corners = [image.getpixel(p)[3] for p in ((0, 0), (w - 1, 0), (0, w - 1), (w - 1, w - 1))]
assert max(corners) < 48, corners
assert image.getpixel((w // 2, w // 2))[3] > 200, image.getpixel((w // 2, w // 2))
PY
}
run lumara render --preset "Deep Sea" --scale 1 -o "$tmp/orb.png" || fail "lumara render"
png_is_orb "$tmp/orb.png" 0 || fail "lumara render wrote no orb"
pass "lumara render"

# The thumbnailer exactly as a file manager runs it: the installed entry's Exec line.
run lumara export code --preset "Deep Sea" | run lumara convert - "$tmp/orb.lumara" || fail "lumara convert"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/com.quillfen.Lumara.thumbnailer)
read -r -a command <<<"$exec_line"
for i in "${!command[@]}"; do
  case ${command[$i]} in %i) command[$i]=$tmp/orb.lumara ;; %o) command[$i]=$tmp/thumb.png ;; %s) command[$i]=96 ;; esac
done
[ "$(command -v "${command[0]}")" = /usr/bin/lumara-thumbnailer ] || fail "the thumbnailer entry runs '${command[0]}'"
run "${command[@]}" || fail "the thumbnailer entry's command: ${command[*]}"
png_is_orb "$tmp/thumb.png" 96 || fail "lumara-thumbnailer wrote no 96 px orb"
pass "lumara-thumbnailer through its entry"

desktop-file-validate /usr/share/applications/com.quillfen.Lumara.desktop || fail "desktop-file-validate"
appstreamcli validate --no-net /usr/share/metainfo/com.quillfen.Lumara.metainfo.xml >"$tmp/appstream.log" ||
  { cat "$tmp/appstream.log"; fail "appstreamcli validate"; }
pass "desktop entry and metainfo validate"

# dpkg's triggers rebuilt the MIME database and the desktop's MIME cache: *.lumara is the project
# type, and the editor opens it.
grep -qx '[0-9]*:application/x-lumara-project:\*\.lumara' /usr/share/mime/globs2 || fail "the MIME database has no *.lumara"
[ -f /usr/share/mime/application/x-lumara-project.xml ] || fail "update-mime-database did not run"
grep -q '^application/x-lumara-project=.*com\.quillfen\.Lumara\.desktop' /usr/share/applications/mimeinfo.cache ||
  fail "the desktop's MIME cache does not open projects with the editor"
pass "the MIME database knows .lumara"

zcat /usr/share/man/man1/lumara.1.gz | grep -q '^\.TH LUMARA 1' || fail "manual page lumara(1)"
bash -c 'source /usr/share/bash-completion/completions/lumara && complete -p lumara' >/dev/null ||
  fail "the bash completion does not register for lumara"
pass "manual page and bash completion"

# --- Purged: every file gone, and every folder that remains belongs to another package ---------
while read -r path; do
  if [ -d "$path" ] && [ ! -L "$path" ]; then echo "$path" >>"$tmp/dirs"; else echo "$path" >>"$tmp/files"; fi
done <"$tmp/installed"
DEBIAN_FRONTEND=noninteractive apt-get remove --purge -y -qq lumara >"$tmp/apt.log" 2>&1 ||
  { cat "$tmp/apt.log"; fail "apt-get remove --purge"; }
installed_by_us=0
! dpkg-query -W lumara >/dev/null 2>&1 || fail "dpkg still knows lumara after the purge"
while read -r path; do
  [ ! -e "$path" ] && [ ! -L "$path" ] || fail "$path is left after the purge"
done <"$tmp/files"
while read -r dir; do
  [ "$dir" = /. ] || [ ! -d "$dir" ] || dpkg-query -S "$dir" >/dev/null 2>&1 ||
    fail "the folder $dir is left after the purge and belongs to no package"
done <"$tmp/dirs"
[ ! -e /usr/share/mime/application/x-lumara-project.xml ] || fail "the MIME database still has the project type"
! grep -q 'com\.quillfen\.Lumara' /usr/share/applications/mimeinfo.cache 2>/dev/null ||
  fail "the desktop's MIME cache still names the editor"
pass "purged: $(grep -c . "$tmp/files") files gone, no folder of its own left"
