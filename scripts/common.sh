# Shared by the scripts: privilege helper and the build.
# shellcheck shell=bash

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

ROOT_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="$ROOT_DIR/build"

# Extra CMake options of a build (the sanitizer build of the tests sets them).
CMAKE_OPTIONS=()

# Builds everything, or only the targets named.
build_project() {
  cmake -S "$ROOT_DIR" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    ${CMAKE_OPTIONS[@]+"${CMAKE_OPTIONS[@]}"} >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build "$BUILD_DIR" -j "$(nproc)" --target "$@"
  else
    cmake --build "$BUILD_DIR" -j "$(nproc)"
  fi
}

# True when something accepts TCP connections on 127.0.0.1:$1.
port_open() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

# True when a Firebird server on 127.0.0.1:$1 takes SYSDBA / quillnest.
firebird_answers() {
  fbsvcmgr "127.0.0.1/$1:service_mgr" -user SYSDBA -password quillnest \
    -info_server_version >/dev/null 2>&1
}

wait_for_firebird() {
  local port=$1 i
  for i in $(seq 1 100); do
    firebird_answers "$port" && return 0
    sleep 0.1
  done
  return 1
}

# Stops a guardian started by these scripts and waits for it and its server child to end.
# Never SIGKILL the guardian: its server child would stay behind.
stop_guardian() {
  local pidfile=$1 pid i
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    $SUDO kill -TERM "$pid"
    for i in $(seq 1 100); do
      kill -0 "$pid" 2>/dev/null || break
      sleep 0.1
    done
  fi
  $SUDO rm -f "$pidfile"
}
