#!/usr/bin/env bash
# Installs what the program and its tests need on Debian 12: Qt 6 (with the Japanese
# translations of its own dialogs), the Firebird 3 server, client and headers, the Japanese
# font, Xvfb and screenshot tools, and what the tests that run the real program on a display of
# their own use: a window manager that draws captions (the guide's pictures use it too), and the
# accessibility bus with its Python binding for finding widgets by name; the desktop-entry
# checker, and debootstrap for trying the package on a clean Debian.
# Does nothing when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake
  qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
  firebird3.0-server firebird3.0-utils firebird-dev
  fonts-ipafont-gothic
  xvfb xauth x11-utils xdotool imagemagick
  openbox python3 dbus-x11 at-spi2-core python3-pyatspi
  desktop-file-utils debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# The administrator password must be known before the server package is configured.
echo "firebird3.0-server shared/firebird/sysdba_password/first_install password quillnest" |
  $SUDO debconf-set-selections
echo "firebird3.0-server shared/firebird/enabled boolean true" | $SUDO debconf-set-selections 2>/dev/null || true

$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
