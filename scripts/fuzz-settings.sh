#!/usr/bin/env bash
# Loads hostile settings files, made from seeds, into a main window wired as the program wires
# it, and checks each one written back (tools/settings_fuzz.h). Not part of the test command,
# which runs 300 of the same files. Needs no database server.
#   bash scripts/fuzz-settings.sh [COUNT (10000)] [FIRST_SEED (1)]
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT_DIR/scripts/setup.sh"
build_project fuzz_settings
QT_QPA_PLATFORM=offscreen exec "$BUILD_DIR/tools/fuzz_settings" "$@"
