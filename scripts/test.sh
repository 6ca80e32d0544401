#!/usr/bin/env bash
# Installs what is missing, builds, starts a Firebird server of the test run's own, runs every
# test offscreen against it, and stops the server again, leaving nothing running.
#   bash scripts/test.sh [--sanitize] [ctest arguments]
# --sanitize builds in build-sanitize/ with AddressSanitizer and UndefinedBehaviorSanitizer and
# fails a test on any report; only the Firebird client's own deliberate leaks are suppressed.
set -euo pipefail
source "$(dirname "$0")/common.sh"

if [ "${1:-}" = "--sanitize" ]; then
  shift
  BUILD_DIR="$ROOT_DIR/build-sanitize"
  flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
  CMAKE_OPTIONS=("-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=$flags"
    "-DCMAKE_SHARED_LINKER_FLAGS=$flags")
  export LSAN_OPTIONS="suppressions=$ROOT_DIR/scripts/lsan-suppressions.txt:print_suppressions=0"
  export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
  export ASAN_OPTIONS="detect_leaks=1"
fi

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
