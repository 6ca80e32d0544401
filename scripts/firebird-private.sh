#!/usr/bin/env bash
# A Firebird server of its own for a test run: its own folder, port, lock files and copy of the
# user database, so it neither disturbs nor depends on a server the user runs.
#   firebird-private.sh start DIR            starts it; prints the port
#   firebird-private.sh stop DIR             stops it and removes DIR
# Tests of faults use a server without a guardian, so that a killed server stays dead:
#   firebird-private.sh bare-start DIR [PORT]  starts one (again, on PORT); prints the port
#   firebird-private.sh bare-signal DIR SIG    sends TERM, KILL, STOP or CONT to it; TERM and
#                                              KILL wait until it has ended
#   firebird-private.sh aux-port DIR [PORT]    the port it sends event alerts from, from its next
#                                              start (none: one the server picks each time)
set -euo pipefail
source "$(dirname "$0")/common.sh"

FB_ROOT=/usr/lib/x86_64-linux-gnu/firebird/3.0
[ -d "$FB_ROOT" ] || FB_ROOT=$(dirname "$(readlink -f "$(dpkg -L firebird3.0-common 2>/dev/null | grep '/firebird.msg$' | head -1)")")

cmd=${1:?usage: $0 start|stop|bare-start|bare-signal|aux-port DIR}
dir=${2:?usage: $0 start|stop|bare-start|bare-signal|aux-port DIR}

# A port stays with its server's folder until `stop`: while a test has its own server stopped or
# killed, another test's new server must not take the port and answer in its place (it would
# open the first server's database files by their paths).
RESERVED_PORTS=/tmp/oekaki-test-ports.d

free_port() {
  local p
  for p in $(seq 3051 3199); do
    if [ -f "$RESERVED_PORTS/$p" ] && [ -d "$(cat "$RESERVED_PORTS/$p")" ]; then continue; fi
    port_open "$p" || { echo "$p"; return 0; }
  done
  echo "no free port for the test server" >&2
  return 1
}

# The folder of a server of its own: configuration, lock and temporary folders, its own copy of
# the user database, a data folder anyone may create databases in.
prepare_dir() {
  local port=$1
  mkdir -p "$RESERVED_PORTS"
  echo "$dir" >"$RESERVED_PORTS/$port"
  $SUDO mkdir -p "$dir"/{lock,tmp,data}
  for f in firebird.msg intl lib plugins UDF plugins.conf fbtrace.conf; do
    [ -e "$FB_ROOT/$f" ] && $SUDO ln -sfn "$FB_ROOT/$f" "$dir/$f"
  done
  # Its own user database too: two servers with different lock folders cannot share one file,
  # and the one that opened it first would lock the other out.
  printf 'RemoteServicePort = %s\nRemoteBindAddress = 127.0.0.1\nIpcName = oekaki_test_%s\nUdfAccess = None\nSecurityDatabase = %s\n' \
    "$port" "$port" "$dir/security3.fdb" | $SUDO tee "$dir/firebird.conf" >/dev/null
  echo "security.db = $dir/security3.fdb" | $SUDO tee "$dir/databases.conf" >/dev/null
  $SUDO cp /var/lib/firebird/3.0/system/security3.fdb "$dir/security3.fdb"
  $SUDO chown -R firebird:firebird "$dir"
  $SUDO chmod 0755 "$dir"
  $SUDO chmod 0777 "$dir/data"
}

server_env() {
  $SUDO env FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" FIREBIRD_TMP="$dir/tmp" "$@"
}

reset_password() {
  echo "create or alter user SYSDBA password 'quillnest';" |
    server_env runuser -u firebird -- isql-fb -q -user SYSDBA "$dir/security3.fdb" >/dev/null
}

# Starts the server through the guardian (pidfile guardian.pid) or bare (server.pid) and waits
# until it answers; the copied user database may carry another password, so set the known one
# and try once more.
launch() {
  local how=$1 port=$2
  local run=(start-stop-daemon --start --background --make-pidfile --chuid firebird:firebird)
  if [ "$how" = guarded ]; then
    run+=(--pidfile "$dir/guardian.pid" --exec /usr/sbin/fbguard -- -forever -pidfile "$dir/tmp/firebird.pid")
  else
    run+=(--pidfile "$dir/server.pid" --exec /usr/sbin/firebird)
  fi
  server_env "${run[@]}"
  wait_for_firebird "$port" && return 0
  if [ "$how" = guarded ]; then stop_guardian "$dir/guardian.pid"; else signal_bare TERM; fi
  reset_password
  server_env "${run[@]}"
  wait_for_firebird "$port" || { echo "the test server did not start" >&2; return 1; }
}

# Sends a signal to the server started without guardian. TERM and KILL return only once it has
# ended: a server still shutting down when the next one starts would answer in its place. A TERM
# that is not done in ten seconds (attachments in the middle of something) becomes a KILL. So does
# one whose server has closed its port and cut every attachment but still waits, a second later,
# for a client to close its connection for event alerts: Firebird 3 does not close those itself
# when it stops, and the client closes its own only at its next call to the server.
signal_bare() {
  local sig=$1 pid i port closed=0
  [ -f "$dir/server.pid" ] || return 0
  pid=$(cat "$dir/server.pid")
  port=$(sed -n 's/^RemoteServicePort = //p' "$dir/firebird.conf")
  # A stopped process acts on TERM only once it runs again.
  [ "$sig" = TERM ] && { $SUDO kill -CONT "$pid" 2>/dev/null || true; }
  $SUDO kill "-$sig" "$pid" 2>/dev/null || true
  if [ "$sig" = TERM ] || [ "$sig" = KILL ]; then
    for i in $(seq 1 200); do
      gone "$pid" && break
      if [ "$sig" = TERM ] && ! port_open "$port"; then closed=$((closed + 1)); fi
      if [ "$sig" = TERM ] && { [ "$i" = 200 ] || [ "$closed" = 20 ]; }; then
        $SUDO kill -KILL "$pid" 2>/dev/null || true
      fi
      sleep 0.05
    done
    while ! gone "$pid"; do sleep 0.05; done
    $SUDO rm -f "$dir/server.pid"
  fi
}

# Ended, or only a zombie waiting to be reaped.
gone() {
  local state
  state=$(ps -o stat= -p "$1" 2>/dev/null) || return 0
  [ -z "$state" ] || [ "${state#Z}" != "$state" ]
}

# Choosing a port and taking it is one step for all test servers of this machine at once.
lock_ports() {
  exec 9>/tmp/oekaki-test-ports.lock
  flock 9
}

case "$cmd" in
start)
  lock_ports
  port=$(free_port)
  prepare_dir "$port"
  launch guarded "$port"
  echo "$port"
  ;;
stop)
  stop_guardian "$dir/guardian.pid"
  signal_bare KILL
  port=$(sed -n 's/^RemoteServicePort = //p' "$dir/firebird.conf" 2>/dev/null || true)
  [ -n "$port" ] && rm -f "$RESERVED_PORTS/$port"
  $SUDO rm -rf "$dir"
  ;;
bare-start)
  lock_ports
  if [ -n "${3:-}" ]; then port=$3; else port=$(free_port); fi
  [ -f "$dir/firebird.conf" ] || prepare_dir "$port"
  launch bare "$port"
  echo "$port"
  ;;
bare-signal)
  signal_bare "${3:?usage: $0 bare-signal DIR TERM|KILL|STOP|CONT}"
  ;;
aux-port)
  $SUDO sed -i '/^RemoteAuxPort/d' "$dir/firebird.conf"
  [ -z "${3:-}" ] || echo "RemoteAuxPort = $3" | $SUDO tee -a "$dir/firebird.conf" >/dev/null
  ;;
*)
  echo "usage: $0 start|stop|bare-start|bare-signal|aux-port DIR" >&2
  exit 2
  ;;
esac
