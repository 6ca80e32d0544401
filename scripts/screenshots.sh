#!/usr/bin/env bash
# Takes the Japanese guide's screenshots again, in one command: builds the screenshot tool,
# starts a Firebird server and an X display (Xvfb with the openbox window manager, so dialogs
# have their title bars) of its own, lets the tool photograph every window into docs/ja/images/,
# and stops them again. Look at the pictures before committing them.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT_DIR/scripts/setup.sh"
build_project oekaki_guide_screenshots
out=$ROOT_DIR/docs/ja/images
mkdir -p "$out"

display=140
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
  display=$((display + 1))
done
server_dir=$(mktemp -d /tmp/oekaki-shots-fb.XXXXXX)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$ROOT_DIR/scripts/firebird-private.sh" stop "$server_dir"
}
trap cleanup EXIT

Xvfb ":$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY=":$display" openbox >/dev/null 2>&1 &
pids+=($!)
port=$("$ROOT_DIR/scripts/firebird-private.sh" start "$server_dir")
sleep 1

DISPLAY=":$display" QT_QPA_PLATFORM=xcb \
  "$BUILD_DIR/tools/oekaki_guide_screenshots" "$out" "127.0.0.1/$port:" "$server_dir/data/"
