#!/usr/bin/env bash
# Builds, starts a Firebird server of the run's own (as scripts/test.sh does), runs one benchmark
# against it and stops the server again, leaving nothing running.
#   bench/run.sh [NAME] [options of that benchmark]
#   bench/run.sh all
# NAME is the benchmark without its "bench_" prefix (default: database_session); --help after it
# lists its options. The benchmarks are the bench_* targets of bench/CMakeLists.txt. "all" runs
# every benchmark with its default counts, one after the other on one server, keeps each one's
# output in a log, and prints one table of every figure with its goal.
set -euo pipefail
source "$(dirname "$0")/../scripts/common.sh"

name=database_session
if [ $# -gt 0 ] && [ "${1#-}" = "$1" ]; then
  name=$1
  shift
fi

all=(database_session drawing_board image_list chat pointer_tick events)
if [ "$name" = all ]; then
  build_project "${all[@]/#/bench_}"
else
  build_project "bench_$name"
fi

server_dir=$(mktemp -d /tmp/oekaki-bench-fb.XXXXXX)
trap '"$ROOT_DIR/scripts/firebird-private.sh" stop "$server_dir"' EXIT
port=$("$ROOT_DIR/scripts/firebird-private.sh" start "$server_dir")

export OEKAKI_TEST_SERVER="127.0.0.1/$port:"
export OEKAKI_TEST_DATA="$server_dir/data/"

if [ "$name" != all ]; then
  "$BUILD_DIR/bench/bench_$name" "$@"
  exit
fi

logs=$(mktemp -d /tmp/oekaki-bench-logs.XXXXXX)
failed=0
for bench in "${all[@]}"; do
  echo "running $bench (log: $logs/$bench.log)" >&2
  started=$(date +%s)
  if ! OEKAKI_BENCH_SUMMARY="$logs/$bench.tsv" "$BUILD_DIR/bench/bench_$bench" >"$logs/$bench.log" 2>&1; then
    echo "  $bench failed; see its log" >&2
    failed=1
  fi
  echo "  $(( $(date +%s) - started )) s" >&2
done

echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"
echo
echo "| benchmark | figure | value | goal | |"
echo "|---|---|---|---|---|"
for bench in "${all[@]}"; do
  [ -f "$logs/$bench.tsv" ] || { echo "| $bench | (no figures: see $logs/$bench.log) | | | |"; continue; }
  while IFS=$'\t' read -r figure value goal verdict; do
    echo "| $bench | $figure | $value | $goal | $verdict |"
  done <"$logs/$bench.tsv"
done
exit $failed
