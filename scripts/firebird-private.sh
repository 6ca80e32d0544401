#!/usr/bin/env bash
# A Firebird server of its own for a test run: its own folder, port, lock files and copy of the
# user database, so it neither disturbs nor depends on a server the user runs.
#   firebird-private.sh start DIR   starts it; prints the port
#   firebird-private.sh stop DIR    stops it and removes DIR
set -euo pipefail
source "$(dirname "$0")/common.sh"

FB_ROOT=/usr/lib/x86_64-linux-gnu/firebird/3.0
[ -d "$FB_ROOT" ] || FB_ROOT=$(dirname "$(readlink -f "$(dpkg -L firebird3.0-common 2>/dev/null | grep '/firebird.msg$' | head -1)")")

cmd=${1:?usage: $0 start|stop DIR}
dir=${2:?usage: $0 start|stop DIR}

case "$cmd" in
start)
  port=""
  for p in $(seq 3051 3099); do
    port_open "$p" || { port=$p; break; }
  done
  [ -n "$port" ] || { echo "no free port for the test server" >&2; exit 1; }
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
  $SUDO env FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" FIREBIRD_TMP="$dir/tmp" \
    start-stop-daemon --start --background --make-pidfile --pidfile "$dir/guardian.pid" \
    --chuid firebird:firebird --exec /usr/sbin/fbguard -- -forever -pidfile "$dir/tmp/firebird.pid"
  if ! wait_for_firebird "$port"; then
    # The copied user database may carry another password: set the known one and retry.
    stop_guardian "$dir/guardian.pid"
    echo "create or alter user SYSDBA password 'quillnest';" |
      $SUDO env FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" runuser -u firebird -- \
        isql-fb -q -user SYSDBA "$dir/security3.fdb" >/dev/null
    $SUDO env FIREBIRD="$dir" FIREBIRD_LOCK="$dir/lock" FIREBIRD_TMP="$dir/tmp" \
      start-stop-daemon --start --background --make-pidfile --pidfile "$dir/guardian.pid" \
      --chuid firebird:firebird --exec /usr/sbin/fbguard -- -forever -pidfile "$dir/tmp/firebird.pid"
    wait_for_firebird "$port" || { echo "the test server did not start" >&2; exit 1; }
  fi
  echo "$port"
  ;;
stop)
  stop_guardian "$dir/guardian.pid"
  $SUDO rm -rf "$dir"
  ;;
*)
  echo "usage: $0 start|stop DIR" >&2
  exit 2
  ;;
esac
