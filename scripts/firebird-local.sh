#!/usr/bin/env bash
# Makes sure the local Firebird server answers on 127.0.0.1:3050 with SYSDBA / quillnest,
# starting Debian's server (bound to loopback only) when none runs, and prepares the data
# folder the program's databases live in. `firebird-local.sh stop` stops a server it started.
set -euo pipefail
source "$(dirname "$0")/common.sh"

CONF=/etc/firebird/3.0/firebird.conf
SECURITY_DB=/var/lib/firebird/3.0/system/security3.fdb
RUN_DIR=/run/firebird3.0
GUARD_PID=$RUN_DIR/oekaki-guardian.pid
DATA_DIR=/var/lib/oekaki
PORT=3050

start_server() {
  # Loopback only, unless the owner has set an address on purpose (Debian's own default,
  # "localhost", is loopback as well): other PCs get in only when someone opens the door.
  if ! grep -qE '^\s*RemoteBindAddress' "$CONF"; then
    echo "RemoteBindAddress = 127.0.0.1" | $SUDO tee -a "$CONF" >/dev/null
  fi
  # Without this folder the guardian exits at once with status 253 and prints nothing.
  $SUDO install -d -o firebird -g firebird -m 0770 "$RUN_DIR"
  $SUDO start-stop-daemon --start --background --make-pidfile --pidfile "$GUARD_PID" \
    --chuid firebird:firebird --exec /usr/sbin/fbguard -- -forever -pidfile "$RUN_DIR/firebird.pid"
}

reset_password() {
  # Only with the server stopped, and as the server's own user so no root-owned lock appears.
  echo "create or alter user SYSDBA password 'quillnest';" |
    $SUDO runuser -u firebird -- isql-fb -q -user SYSDBA "$SECURITY_DB" >/dev/null
}

case "${1:-ensure}" in
ensure)
  if ! firebird_answers $PORT; then
    if port_open $PORT; then
      if [ -f "$GUARD_PID" ]; then
        # Our own server with another password (installed earlier): set the known one.
        stop_guardian "$GUARD_PID"
        reset_password
        start_server
      else
        echo "A server on 127.0.0.1:$PORT does not accept SYSDBA / quillnest; stop it or set that password." >&2
        exit 1
      fi
    else
      start_server
    fi
    if ! wait_for_firebird $PORT; then
      stop_guardian "$GUARD_PID"
      reset_password
      start_server
      wait_for_firebird $PORT || { echo "Firebird did not start; see /var/log/firebird/firebird3.0.log" >&2; exit 1; }
    fi
  fi
  # The server runs as user firebird: it must own the folder it creates databases in.
  $SUDO install -d -o firebird -g firebird -m 0770 "$DATA_DIR"
  ;;
stop)
  stop_guardian "$GUARD_PID"
  ;;
*)
  echo "usage: $0 [ensure|stop]" >&2
  exit 2
  ;;
esac
