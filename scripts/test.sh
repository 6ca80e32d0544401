#!/usr/bin/env bash
# Installs what is missing, builds, starts a Firebird server of the test run's own, runs every
# test offscreen against it, and stops the server again, leaving nothing running.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT_DIR/scripts/setup.sh"
build_project

server_dir=$(mktemp -d /tmp/oekaki-test-fb.XXXXXX)
trap '"$ROOT_DIR/scripts/firebird-private.sh" stop "$server_dir"' EXIT
port=$("$ROOT_DIR/scripts/firebird-private.sh" start "$server_dir")

# The tests reach the server through these; the program itself reads no environment.
export OEKAKI_TEST_SERVER="127.0.0.1/$port:"
export OEKAKI_TEST_DATA="$server_dir/data/"
export QT_QPA_PLATFORM=offscreen
export QTEST_FUNCTION_TIMEOUT=120000

cd "$BUILD_DIR"
ctest --output-on-failure -j "$(nproc)" "$@"
