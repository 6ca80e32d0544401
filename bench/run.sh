#!/usr/bin/env bash
# Builds, starts a Firebird server of the run's own (as scripts/test.sh does), runs the session
# benchmark against it and stops the server again, leaving nothing running.
#   bench/run.sh [--insert-rows N] [--insert-rounds N] [--read-rows N] [--read-rounds N]
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

build_project bench_database_session

server_dir=$(mktemp -d /tmp/oekaki-bench-fb.XXXXXX)
trap '"$ROOT_DIR/scripts/firebird-private.sh" stop "$server_dir"' EXIT
port=$("$ROOT_DIR/scripts/firebird-private.sh" start "$server_dir")

export OEKAKI_TEST_SERVER="127.0.0.1/$port:"
export OEKAKI_TEST_DATA="$server_dir/data/"

"$BUILD_DIR/bench/bench_database_session" "$@"
