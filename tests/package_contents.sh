#!/usr/bin/env bash
# Builds the Debian package from this build tree and checks what a fresh Debian needs of it:
# the dependencies (Qt with its X11 plugin and Japanese translations, the Firebird client, the
# Japanese font; never the Firebird server), the program, its menu entry (valid, with the
# Japanese name) and its icon at every size, the server set-up script, and nothing of the tests.
#   package_contents.sh BUILD_DIR
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package_contents: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >/dev/null
deb=$(ls "$work"/oekaki_*_amd64.deb) || fail "no oekaki_<version>_amd64.deb"

depends=$(dpkg-deb -f "$deb" Depends)
for needed in libqt6widgets6 libqt6gui6 libfbclient2 qt6-qpa-plugins qt6-translations-l10n \
  fonts-ipafont-gothic; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "does not depend on $needed: $depends"
done
[[ $depends != *firebird3.0-server* ]] || fail "depends on the server: $depends"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/oekaki ./usr/share/applications/oekaki.desktop \
  ./usr/sbin/oekaki-server-setup ./usr/share/oekaki/office-database.sh \
  ./usr/share/doc/oekaki/README.ja.md; do
  grep -qxF "$f" <<<"$files" || fail "missing $f"
done
! grep -E '^\./usr/bin/(test_|bench_)' <<<"$files" || fail "tests or benchmarks installed"

dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/oekaki.desktop" ||
  fail "the menu entry is not valid"
grep -qx 'Name=お絵描きソフト' "$work/root/usr/share/applications/oekaki.desktop" ||
  fail "the menu entry lacks the Japanese name"
for size in 16 22 24 32 48 64 128 256; do
  icon=$work/root/usr/share/icons/hicolor/${size}x${size}/apps/oekaki.png
  [ "$(identify -format '%wx%h' "$icon" 2>/dev/null)" = "${size}x${size}" ] ||
    fail "no ${size}x${size} icon"
done
echo "package_contents: $(basename "$deb") is complete"
