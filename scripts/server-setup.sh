#!/usr/bin/env bash
# Sets up the PC that keeps the office's shared database, in one command, as root:
#   server-setup.sh [--user NAME] [--folder DIR] [--database FILE] [--bind ADDRESS]
#                   [--port N] [--aux-port N]
#   server-setup.sh --sysdba [...]   the PCs keep the built-in administrator login instead
#   server-setup.sh --undo           puts the server back as it was; the data stays
#   server-setup.sh --restart        stops and starts the server, changing nothing
# It installs the Firebird server, makes the data folder, opens the server to the office
# network (every address, or --bind; the event port fixed at --aux-port, 3051), creates the
# database with a user of the office's own (default OEKAKI; its password is asked twice, or
# read as one line from stdin) and prints what every PC types into データベース設定.
# With the office's own user, the administrator's built-in password is replaced by a random one,
# kept in /etc/firebird/3.0/SYSDBA.password as Debian keeps it; --undo restores the old one.
# Uses the firebird3.0 service when systemd runs, the server's guardian otherwise.
set -euo pipefail
arguments=("$@")

HERE=$(cd "$(dirname "$0")" && pwd)
OFFICE_DATABASE=$HERE/office-database.sh
[ -f "$OFFICE_DATABASE" ] || OFFICE_DATABASE=/usr/share/oekaki/office-database.sh

CONF=/etc/firebird/3.0/firebird.conf
SYSDBA_FILE=/etc/firebird/3.0/SYSDBA.password
SECURITY_DB=/var/lib/firebird/3.0/system/security3.fdb
RUN_DIR=/run/firebird3.0
GUARD_PID=$RUN_DIR/oekaki-server-guardian.pid
DEV_GUARD_PID=$RUN_DIR/oekaki-guardian.pid # scripts/firebird-local.sh's server
STATE_DIR=/etc/oekaki
STATE=$STATE_DIR/server-setup.state
BUILT_IN_PASSWORD=quillnest
MARK_BEGIN="# oekaki: BEGIN server-setup"
MARK_END="# oekaki: END server-setup"
MARK_OFF="#oekaki# "

user=OEKAKI folder=/var/lib/oekaki database=PAINT.FDB bind=0.0.0.0 port=3050 aux_port=3051
mode=office
while [ $# -gt 0 ]; do
  case "$1" in
  --user) user=${2:?}; shift ;;
  --folder) folder=${2:?}; shift ;;
  --database) database=${2:?}; shift ;;
  --bind) bind=${2:?}; shift ;;
  --port) port=${2:?}; shift ;;
  --aux-port) aux_port=${2:?}; shift ;;
  --sysdba) mode=sysdba ;;
  --undo) mode=undo ;;
  --restart) mode=restart ;;
  -h | --help) sed -n '2,14s/^# \?//p' "$0"; exit 0 ;;
  *) echo "不明な指定です: $1（--help で使い方を表示します）" >&2; exit 2 ;;
  esac
  shift
done
[ "$(id -u)" -eq 0 ] || exec sudo bash "$0" "${arguments[@]}"
folder=$(readlink -m "$folder")
database=${database^^}
[[ $database == *.* ]] || database=$database.FDB

say() { printf '%s\n' "$*"; }
fail() { printf '%s\n' "$*" >&2; exit 1; }

systemd_runs() { [ -d /run/systemd/system ]; }

# The folder the server reads its configuration from (Debian links the files there to /etc).
firebird_root() {
  local root=/usr/lib/x86_64-linux-gnu/firebird/3.0
  [ -d "$root" ] || root=$(dirname "$(readlink -f "$(dpkg -L firebird3.0-common | grep -m1 '/firebird.msg$')")")
  echo "$root"
}

port_open() { (exec 3<>"/dev/tcp/${2:-127.0.0.1}/$1") 2>/dev/null; }

state_get() { if [ -f "$STATE" ]; then sed -n "s/^$1=//p" "$STATE" | tail -1; fi; }
state_set() {
  install -d -m 0700 "$STATE_DIR"
  touch "$STATE" && chmod 0600 "$STATE"
  grep -v "^$1=" "$STATE" >"$STATE.new" || true
  echo "$1=$2" >>"$STATE.new"
  mv "$STATE.new" "$STATE"
}

# --- the server process -------------------------------------------------------------------

stop_server() {
  if systemd_runs; then
    systemctl stop firebird3.0 2>/dev/null || true
    return
  fi
  local pidfile pid _
  for pidfile in "$GUARD_PID" "$DEV_GUARD_PID"; do
    [ -f "$pidfile" ] || continue
    pid=$(cat "$pidfile")
    # Never SIGKILL the guardian: its server would stay behind.
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid"
      for _ in $(seq 1 150); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    fi
    rm -f "$pidfile"
  done
}

start_server() {
  if systemd_runs; then
    systemctl enable firebird3.0 >/dev/null 2>&1 || true
    systemctl start firebird3.0
    return
  fi
  # Without this folder the guardian ends at once, silently.
  install -d -o firebird -g firebird -m 0770 "$RUN_DIR"
  start-stop-daemon --start --background --make-pidfile --pidfile "$GUARD_PID" \
    --chuid firebird:firebird --exec /usr/sbin/fbguard -- -forever -pidfile "$RUN_DIR/firebird.pid"
}

# True once the command succeeds; the server takes a moment to start. Logins travel in
# ISC_USER / ISC_PASSWORD: the environment keeps the password off every command line.
answers() {
  local _
  for _ in $(seq 1 100); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

attach_once() { echo "SELECT 1 FROM RDB\$DATABASE;" | isql-fb -q -b "$1"; }

# --- firebird.conf --------------------------------------------------------------------------

unconfigure_network() {
  [ -f "$CONF" ] || return 0
  awk -v b="$MARK_BEGIN" -v e="$MARK_END" -v off="$MARK_OFF" '
    $0 == b {skip = 1} !skip {if (index($0, off) == 1) $0 = substr($0, length(off) + 1); print}
    $0 == e {skip = 0}' "$CONF" >"$CONF.oekaki-new"
  cat "$CONF.oekaki-new" >"$CONF"
  rm -f "$CONF.oekaki-new"
}

configure_network() {
  unconfigure_network
  # The settings we set, switched off where the file had them, so --undo can switch them on.
  sed -i -E "s/^([[:space:]]*(RemoteBindAddress|RemoteServicePort|RemoteAuxPort)[[:space:]]*=)/$MARK_OFF\1/" "$CONF"
  printf '%s\nRemoteBindAddress = %s\nRemoteServicePort = %s\nRemoteAuxPort = %s\n%s\n' \
    "$MARK_BEGIN" "$bind" "$port" "$aux_port" "$MARK_END" >>"$CONF"
}

# --- the administrator's password -----------------------------------------------------------

sysdba_password() { if [ -f "$SYSDBA_FILE" ]; then sed -n 's/^ISC_PASSWORD=//p' "$SYSDBA_FILE" | tail -1; fi; }

# Sets it in the security database (the server stopped) and in Debian's file beside it. The
# first change keeps a copy of Debian's file for --undo.
set_sysdba_password() {
  local new=$1
  [ -f "$SYSDBA_FILE.oekaki-saved" ] || cp -p "$SYSDBA_FILE" "$SYSDBA_FILE.oekaki-saved" 2>/dev/null || true
  echo "ALTER USER SYSDBA PASSWORD '$new';" |
    runuser -u firebird -- isql-fb -q -b -user SYSDBA "$SECURITY_DB" >/dev/null
  if grep -q '^ISC_PASSWORD=' "$SYSDBA_FILE" 2>/dev/null; then
    sed -i "s/^ISC_PASSWORD=.*/ISC_PASSWORD=$new/" "$SYSDBA_FILE"
  else
    printf 'ISC_USER=sysdba\nISC_PASSWORD=%s\n' "$new" >"$SYSDBA_FILE"
  fi
  chmod 0600 "$SYSDBA_FILE"
}

# 24 letters and digits. (Cut from a finite read: a reader that stops early would end the
# writer with SIGPIPE, which pipefail turns into a failure.)
random_password() {
  local letters
  letters=$(head -c 600 /dev/urandom | tr -dc 'A-Za-z0-9')
  echo "${letters:0:24}"
}

# --- packages -------------------------------------------------------------------------------

install_server() {
  local missing=() p
  for p in firebird3.0-server firebird3.0-utils; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "Firebird サーバーをインストールします…"
  local first=$BUILT_IN_PASSWORD
  [ "$mode" = office ] && first=$(random_password)
  echo "firebird3.0-server shared/firebird/sysdba_password/first_install password $first" |
    debconf-set-selections
  echo "firebird3.0-server shared/firebird/enabled boolean true" | debconf-set-selections
  apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
  [ -n "$(state_get installed)" ] || state_set installed "${missing[*]}"
}

# --- the office's password ------------------------------------------------------------------

read_office_password() {
  local again
  if [ -t 0 ]; then
    read -rs -p "ユーザー $user のパスワード（8〜64文字、半角英数字・記号）: " password; echo
    read -rs -p "もう一度入力して下さい: " again; echo
    [ "$password" = "$again" ] || fail "二つのパスワードが一致しません。"
  else
    IFS= read -r password || true
  fi
  [[ $password =~ ^[!-~]{8,64}$ ]] ||
    fail "パスワードは空白以外の半角の英数字・記号で 8〜64 文字にして下さい。"
}

# --- the address the PCs type ---------------------------------------------------------------

server_name() {
  local address=$bind
  if [ "$address" = 0.0.0.0 ]; then
    address=$(hostname -I 2>/dev/null | awk '{print $1}')
    [ -n "$address" ] || address=$(hostname)
  fi
  if [ "$port" = 3050 ]; then echo "$address:"; else echo "$address/$port:"; fi
}

check_address() {
  case "$bind" in 0.0.0.0 | 127.0.0.1) echo 127.0.0.1 ;; *) echo "$bind" ;; esac
}

# --- set up, undo ---------------------------------------------------------------------------

setup() {
  if [ "$mode" = office ]; then
    [[ $user =~ ^[A-Za-z][A-Za-z0-9_]{0,30}$ ]] && [ "${user^^}" != SYSDBA ] ||
      fail "ユーザー名は英字で始まる半角英数字と「_」（31文字まで、SYSDBA 以外）にして下さい。"
    user=${user^^}
    read_office_password
  fi
  install_server

  if [ -z "$(state_get set_up)" ]; then
    if systemd_runs && systemctl is-active --quiet firebird3.0; then state_set was_running yes; fi
  fi
  stop_server
  port_open "$port" && fail "ポート $port で別の Firebird サーバーが動いています。止めてから実行して下さい。"

  configure_network
  install -d -o firebird -g firebird -m 0770 "$folder"

  local path=$folder/$database previous
  previous=$(state_get database)
  if [ -n "$previous" ] && [ "$previous" != "$path" ]; then
    bash "$OFFICE_DATABASE" remove "$(firebird_root)" "$previous" "$(state_get user)"
  fi
  if [ "$mode" = office ]; then
    printf '%s\n' "$password" | bash "$OFFICE_DATABASE" add "$(firebird_root)" "$path" "$user"
    # The built-in password would still open every other database here, and the server itself.
    if [ "$(sysdba_password)" = "$BUILT_IN_PASSWORD" ] || [ ! -f "$SYSDBA_FILE" ]; then
      set_sysdba_password "$(random_password)"
    fi
    state_set user "$user"
  else
    if [ -n "$(state_get user)" ]; then
      bash "$OFFICE_DATABASE" remove "$(firebird_root)" "$path" "$(state_get user)"
    fi
    [ "$(sysdba_password)" = "$BUILT_IN_PASSWORD" ] || set_sysdba_password "$BUILT_IN_PASSWORD"
    state_set user ""
    user=SYSDBA
    password=$BUILT_IN_PASSWORD
  fi
  state_set database "$path"
  state_set set_up yes

  start_server
  # Proof: the PCs' login gets in over the network layer, as it will for them.
  local server
  server=$(check_address)/$port
  if [ "$mode" = office ]; then
    ISC_USER=$user ISC_PASSWORD=$password answers attach_once "$server:$path"
  else
    ISC_USER=SYSDBA ISC_PASSWORD=$password answers fbsvcmgr "$server:service_mgr" -info_server_version
  fi || fail "サーバーが応答しません。/var/log/firebird/firebird3.0.log を確認して下さい。"

  say ""
  say "サーバーの設定が終わりました。各PCの「初期設定 → データベース設定」に次の通り入力して下さい。"
  say ""
  say "  サーバー名                  $(server_name)"
  say "  サーバーのデータのフォルダ  $folder/"
  say "  データベース名              $database"
  if [ "$mode" = office ]; then
    say "  ユーザー名                  $user"
    say "  パスワード                  （ここで入力したもの）"
  else
    say "  ユーザー名・パスワード      （空欄のまま）"
  fi
  say ""
  say "ファイアウォールがある場合は TCP $port と $aux_port を通して下さい。"
  systemd_runs ||
    say "systemd が無いため、このPCを起動し直した後は $(basename "$0") --restart でサーバーを起動して下さい。"
  say "元に戻すには: $(basename "$0") --undo"
}

undo() {
  [ -f "$STATE" ] || fail "このスクリプトによる設定はありません。"
  stop_server
  unconfigure_network
  local path
  path=$(state_get database)
  if [ -n "$path" ]; then
    bash "$OFFICE_DATABASE" remove "$(firebird_root)" "$path" "$(state_get user)"
  fi
  if [ -f "$SYSDBA_FILE.oekaki-saved" ]; then
    local old
    old=$(sed -n 's/^ISC_PASSWORD=//p' "$SYSDBA_FILE.oekaki-saved" | tail -1)
    if [ -n "$old" ]; then set_sysdba_password "$old"; fi
    mv "$SYSDBA_FILE.oekaki-saved" "$SYSDBA_FILE"
  fi
  local installed
  installed=$(state_get installed)
  if [ -n "$installed" ]; then
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -q $installed >/dev/null
  elif [ "$(state_get was_running)" = yes ]; then
    start_server
  fi
  rm -f "$STATE"
  say "サーバーの設定を元に戻しました。データベース ${path:-} とフォルダはそのまま残してあります。"
}

restart() {
  [ -f "$STATE" ] || fail "このスクリプトによる設定はありません。"
  stop_server
  start_server
  say "サーバーを起動し直しました。"
}

case "$mode" in
undo) undo ;;
restart) restart ;;
*) setup ;;
esac
