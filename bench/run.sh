#!/usr/bin/env bash
# Builds, starts a Firebird server of the run's own (as scripts/test.sh does), runs one benchmark
# against it and stops the server again, leaving nothing running.
#   bench/run.sh [NAME] [options of that benchmark]
# NAME is the benchmark without its "bench_" prefix (default: database_session); --help after it
# lists its options. The benchmarks are the bench_* targets of bench/CMakeLists.txt.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

name=database_session
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
  name=$1
  shift
fi

build_project "bench_$name"

server_dir=$(mktemp -d /tmp/oekaki-bench-fb.XXXXXX)
trap '"$ROOT_DIR/scripts/firebird-private.sh" stop "$server_dir"' EXIT
port=$("$ROOT_DIR/scripts/firebird-private.sh" start "$server_dir")

export OEKAKI_TEST_SERVER="127.0.0.1/$port:"
export OEKAKI_TEST_DATA="$server_dir/data/"

"$BUILD_DIR/bench/bench_$name" "$@"
