#!/usr/bin/env bash
# Installs what is missing, builds, makes sure the local Firebird server answers on
# 127.0.0.1:3050, and starts the program.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT_DIR/scripts/setup.sh"
build_project oekaki
"$ROOT_DIR/scripts/firebird-local.sh" ensure

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Built and ready, but there is no display to open the window on (DISPLAY is not set)." >&2
  exit 1
fi
exec "$BUILD_DIR/oekaki"
