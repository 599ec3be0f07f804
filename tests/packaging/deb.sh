#!/usr/bin/env bash
# The Debian package, unpacked into a scratch root as dpkg would: its binaries run from there,
# its desktop entry validates, its MIME type is found by name and by content, and it names the
# runtime packages it needs.
set -uo pipefail
build="$1"
mimetest="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

cpack --config "$build/CPackConfig.cmake" -B "$work/dist" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb="$(ls "$work"/dist/*.deb)"
[ -f "$deb" ] || { echo "FAIL: no .deb made"; exit 1; }
dpkg-deb -x "$deb" "$work/root" || { echo "FAIL: dpkg-deb -x"; exit 1; }
root="$work/root"

depends="$(dpkg-deb -f "$deb" Depends)"
for needed in libqt6widgets6 libqt6serialport6 liblzma5 libc6; do
    [[ $depends == *"$needed"* ]] || fail "Depends lacks $needed: $depends"
done
[ "$(dpkg-deb -f "$deb" Version)" = "1.0.0-11" ] || fail "version $(dpkg-deb -f "$deb" Version)"

out="$("$root/usr/bin/quillan-cli" --version)" || fail "quillan-cli --version failed"
[ "$out" = "quillan-cli 1.0.0-11" ] || fail "quillan-cli --version said '$out'"
"$root/usr/bin/zav-gateway-sim" --help >/dev/null || fail "zav-gateway-sim --help"
"$root/usr/bin/quillan-cli" new --name Packaged --folder "$work/p" >/dev/null ||
    fail "the installed quillan-cli cannot make a project"
[ -x "$root/usr/bin/quillan" ] || fail "no quillan"

for f in share/applications/quillan.desktop share/mime/packages/quillan.xml \
    share/icons/hicolor/scalable/apps/quillan.svg share/icons/hicolor/48x48/apps/quillan.png \
    share/icons/hicolor/256x256/apps/quillan.png share/bash-completion/completions/quillan-cli \
    share/doc/quillan/user-guide.md; do
    [ -s "$root/usr/$f" ] || fail "missing $f"
done
ls "$root"/usr/share/man/man1/quillan-cli.1* >/dev/null 2>&1 || fail "no man page"
desktop-file-validate "$root/usr/share/applications/quillan.desktop" || fail "desktop-file-validate"
file -b "$root/usr/share/icons/hicolor/48x48/apps/quillan.png" | grep -q '48 x 48' ||
    fail "the 48 px icon is not 48 x 48"

update-mime-database "$root/usr/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
XDG_DATA_DIRS="$root/usr/share" XDG_DATA_HOME="$work/nohome" "$mimetest" || fail "MIME type"

[ "$failures" = 0 ] || exit 1
echo "deb: $(basename "$deb") installs and runs"
