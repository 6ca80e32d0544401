#!/usr/bin/env bash
# Tries the Debian package on a clean Debian 12 (a debootstrap chroot), as an office would:
#  1. apt installs the package with everything it needs;
#  2. the package's server set-up makes this same chroot the server PC, with the office's own
#     database user (the password comes from here, it is never printed);
#  3. a desktop user starts the program from its menu entry under Xvfb (with a window manager)
#     and types the printed values and the password into データベース設定, then registers a
#     section: the table is the office user's, the settings and login files are in the user's
#     configuration folder;
#  4. the set-up is undone.
# Takes minutes; not part of the tests. Leaves its screenshots in build-package/chroot-check/.
#   bash scripts/check-package-chroot.sh [--keep] [PACKAGE.deb]
# The pristine Debian tree is cached in /var/tmp/oekaki-bookworm-minbase.tar.
set -euo pipefail
source "$(dirname "$0")/common.sh"
[ "$(id -u)" -eq 0 ] || exec sudo bash "$0" "$@"
# The server package's own scripts stop "the" Firebird server by its program's path
# (start-stop-daemon), which from a plain chroot also stops every server running on this
# machine: in a PID namespace of its own the check sees the chroot's processes only.
if [ -z "${OEKAKI_CHROOT_CHECK_NS:-}" ]; then
  export OEKAKI_CHROOT_CHECK_NS=1
  exec unshare --pid --fork --mount-proc bash "$(readlink -f "$0")" "$@"
fi

keep=no
if [ "${1:-}" = --keep ]; then keep=yes; shift; fi
deb=${1:-}
if [ -z "$deb" ]; then
  deb=$(bash "$ROOT_DIR/scripts/package.sh" | tail -1)
fi
deb=$(readlink -f "$deb")
shots=$ROOT_DIR/build-package/chroot-check
mkdir -p "$shots"

BASE=/var/tmp/oekaki-bookworm-minbase.tar
MIRROR=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
OFFICE_USER=HANAKO_OFFICE
letters=$(head -c 300 /dev/urandom | tr -dc 'A-Za-z0-9')
OFFICE_PASSWORD=${letters:0:12}'#1'
DESKTOP_USER=yamada

step() { printf '\n=== %s\n' "$*"; }
fail() {
  printf 'CHECK FAILED: %s\n' "$*" >&2
  [ -z "${DISPLAY:-}" ] || import -window root "$shots/failed.png" || true
  exit 1
}

if [ ! -f "$BASE" ]; then
  step "debootstrap bookworm (once; cached in $BASE)"
  tmp=$(mktemp -d /var/tmp/oekaki-deboot.XXXXXX)
  debootstrap --variant=minbase bookworm "$tmp" "${MIRROR:-http://deb.debian.org/debian}" >/dev/null
  tar -C "$tmp" -cf "$BASE" .
  rm -rf "$tmp"
fi

root=$(mktemp -d /var/tmp/oekaki-chroot.XXXXXX)
pids=()
# The processes running inside the chroot (the program, the server): those whose root it is.
chroot_pids() {
  local link
  for link in /proc/[0-9]*/root; do
    [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && basename "$(dirname "$link")"
  done
  return 0
}
cleanup() {
  local pid
  # The server first through its guardian (never SIGKILL a guardian), then whatever is left.
  if [ -f "$root/run/firebird3.0/oekaki-server-guardian.pid" ]; then
    kill -TERM "$(cat "$root/run/firebird3.0/oekaki-server-guardian.pid")" 2>/dev/null || true
    sleep 3
  fi
  for pid in $(chroot_pids); do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  sleep 1
  for m in dev/pts dev proc; do umountpoint "$root/$m"; done
  if [ "$keep" = no ]; then rm -rf "$root"; else echo "chroot kept in $root"; fi
}
umountpoint() { mountpoint -q "$1" && umount -l "$1" || true; }
trap cleanup EXIT

step "a clean Debian 12 in $root"
tar -C "$root" -xf "$BASE"
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
# As in any container: packages do not start services while they install.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }

step "apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get update -q >/dev/null
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")" |
  tail -3
in_root dpkg -s oekaki | grep -E '^(Status|Version|Depends):'
in_root dpkg -s firebird3.0-server >/dev/null 2>&1 && fail "the package brought the server"

step "the server PC in one command: oekaki-server-setup"
# Ports of this check's own: the machine's network is shared with the chroot.
port=3250
while port_open "$port" || port_open $((port + 1)); do port=$((port + 2)); done
aux=$((port + 1))
setup_out=$root/tmp/server-setup.out
printf '%s\n' "$OFFICE_PASSWORD" |
  in_root oekaki-server-setup --user hanako_office --port "$port" --aux-port "$aux" |
  tee "$setup_out"
grep -qF "$OFFICE_PASSWORD" "$setup_out" && fail "the set-up printed the password"
server=$(sed -n 's/^  サーバー名 *//p' "$setup_out")
folder=$(sed -n 's/^  サーバーのデータのフォルダ *//p' "$setup_out")
file=$(sed -n 's/^  データベース名 *//p' "$setup_out")
user=$(sed -n 's/^  ユーザー名 *//p' "$setup_out")
[ -n "$server" ] && [ -n "$folder" ] && [ -n "$file" ] && [ "$user" = "$OFFICE_USER" ] ||
  fail "the set-up printed no values"
grep -q "^RemoteAuxPort = $aux$" "$root/etc/firebird/3.0/firebird.conf" || fail "no event port"
grep -q "^RemoteBindAddress = 0.0.0.0$" "$root/etc/firebird/3.0/firebird.conf" || fail "not open"

step "a desktop user starts the program from its menu entry (Xvfb, openbox)"
in_root useradd -m -s /bin/bash "$DESKTOP_USER"
# gio opens a .desktop file the way desktop menus do.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
  libglib2.0-bin >/dev/null
display=170
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 1
DISPLAY=:$display openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1
chroot "$root" runuser -u "$DESKTOP_USER" -- env -i PATH=/usr/bin:/bin HOME="/home/$DESKTOP_USER" \
  USER="$DESKTOP_USER" LANG=C.UTF-8 DISPLAY=":$display" \
  gio launch /usr/share/applications/oekaki.desktop >"$shots/program.log" 2>&1 &
export DISPLAY=:$display
main=$(timeout 60 xdotool search --sync --onlyvisible --name '^お絵描きソフト$') ||
  fail "no main window"
main=${main%%$'\n'*}
sleep 2
shot() { import -window root "$shots/$1.png"; echo "screenshot: $shots/$1.png"; }
shot 01-started
keys() { xdotool key --delay 150 "$@"; sleep 0.7; }
typed() { xdotool type --delay 60 -- "$1"; sleep 0.3; }

# Waits for a dialog by its caption and gives it the keyboard.
dialog() {
  local id
  id=$(timeout 60 xdotool search --sync --onlyvisible --name "^$1\$") || fail "no dialog $1"
  shown=${id%%$'\n'*}
  xdotool windowactivate --sync "$shown"
  sleep 0.7
}

# An item of the first menu, 初期設定, by its access key. The menu is opened with the mouse: its
# access key I is also 画像's, and which of the two Alt+I opens depends on the one opened last.
menu() {
  xdotool windowactivate --sync "$main" mousemove --window "$main" 40 10 click 1
  sleep 0.7
  keys "$1"
}

step "データベース設定: the printed values, the office user and its password"
menu d
dialog データベース設定
keys ctrl+a
typed "$server"
keys Tab ctrl+a
typed "$folder"
keys Tab ctrl+a
typed "$file"
keys Tab ctrl+a
typed "$user"
keys Tab ctrl+a
typed "$OFFICE_PASSWORD"
shot 02-database-settings
keys Return
sleep 2
xdotool search --onlyvisible --name '^データベース設定$' >/dev/null 2>&1 &&
  { shot 02-refused; fail "the dialog did not take the settings"; }

step "所属の登録: a section, stored as the office user"
menu s
dialog '所属（SECTION）の登録'
# Into the number field by the mouse: the list keeps Tab for moving between its cells.
xdotool mousemove --window "$shown" 95 168 click 1
typed 1
keys Tab
typed "Soumu"
shot 03-section
keys alt+a
sleep 1
shot 04-registered
keys Return Escape
sleep 1

step "the database, read back as the office user"
check_sql="SET HEADING OFF; SELECT TRIM(RDB\$OWNER_NAME) || ' ' || (SELECT COUNT(*) FROM SECTION) FROM RDB\$RELATIONS WHERE RDB\$RELATION_NAME = 'SECTION';"
owner=$(echo "$check_sql" | in_root env ISC_USER="$OFFICE_USER" ISC_PASSWORD="$OFFICE_PASSWORD" \
  isql-fb -q -b "127.0.0.1/$port:$folder$file" | tr -s ' \n' ' ' | sed 's/^ *//')
echo "SECTION: $owner"
[[ $owner == *"$OFFICE_USER 1"* ]] || fail "the section is not the office user's: $owner"

step "closing the program: settings and login in the user's configuration folder"
menu x
sleep 2
config=$root/home/$DESKTOP_USER/.config/oekaki
ls -la "$config"
[ "$(grep -c $'\r$' "$config/oekaki.dat")" = 39 ] || fail "the settings file is not 39 lines"
[ "$(in_root stat -c '%a %U' "/home/$DESKTOP_USER/.config/oekaki/oekaki.login")" = "600 $DESKTOP_USER" ] ||
  fail "the login file is open to others"
[ ! -e "$root/usr/bin/oekaki.dat" ] || fail "settings beside /usr/bin/oekaki"

step "oekaki-server-setup --undo"
in_root oekaki-server-setup --undo
grep -q '^# oekaki:' "$root/etc/firebird/3.0/firebird.conf" && fail "firebird.conf not restored"
grep -q '^# oekaki:' "$root/etc/firebird/3.0/databases.conf" && fail "databases.conf not restored"
in_root dpkg -s firebird3.0-server 2>/dev/null | grep -q '^Status: install ok' &&
  fail "the server installed by the set-up is still there"
[ -f "$root$folder$file" ] || fail "the undo lost the database"
port_open "$port" && fail "the server still listens"

step "CHECK PASSED"
