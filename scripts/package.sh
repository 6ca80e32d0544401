#!/usr/bin/env bash
# Builds the Debian package every PC installs, in build-package/ (a release build without the
# tests), and prints its path. On each PC: sudo apt install ./oekaki_*.deb
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT_DIR/scripts/setup.sh"
out=$ROOT_DIR/build-package
cmake -S "$ROOT_DIR" -B "$out" -DCMAKE_BUILD_TYPE=Release -DOEKAKI_TESTS=OFF >/dev/null
cmake --build "$out" -j "$(nproc)"
rm -f "$out"/oekaki_*.deb
(cd "$out" && cpack -G DEB >/dev/null)
ls "$out"/oekaki_*.deb
