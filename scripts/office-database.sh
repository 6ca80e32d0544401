#!/usr/bin/env bash
# The office's database with a user of its own, which exists in that database alone: the
# database is its own security database (a block in databases.conf says so), so the user can
# log in to nothing else on the server, and the built-in administrator login no longer opens it.
# The user may create, change and drop tables there and use every table already there; it may
# not drop the database, read the password hashes or make other users.
#   office-database.sh add    FIREBIRD_ROOT DATABASE_FILE USER   (the password: one line on stdin)
#   office-database.sh remove FIREBIRD_ROOT DATABASE_FILE [USER]
# FIREBIRD_ROOT is the folder whose firebird.conf and databases.conf the server reads (Debian:
# /usr/lib/x86_64-linux-gnu/firebird/3.0). Run it as root while the server is stopped: it opens
# the database file directly, as the server's own user, and a running server would hold it.
# A database file that does not exist yet is created (page size 4096, owned by SYSDBA).
set -euo pipefail

usage() {
  echo "usage: $0 add|remove FIREBIRD_ROOT DATABASE_FILE [USER]" >&2
  exit 2
}

cmd=${1:-}
root=${2:-}
[ -n "$cmd" ] && [ -n "$root" ] && [ -n "${3:-}" ] || usage
database=$(readlink -m "$3")
user=${4:-}
conf=$(readlink -f "$root/databases.conf") # Debian links it to /etc: edit the file itself
begin="# oekaki: BEGIN $database"
end="# oekaki: END $database"

# A plain identifier: it goes into SQL as it is, and the server stores it in upper case.
valid_user() {
  [[ $1 =~ ^[A-Za-z][A-Za-z0-9_]{0,30}$ ]] && [ "${1^^}" != SYSDBA ]
}

# 8 to 64 visible ASCII characters: the same bytes whatever the terminal's or the PC's code page.
valid_password() {
  [[ $1 =~ ^[!-~]{8,64}$ ]]
}

# Runs SQL from stdin on the database file itself, as the server's user, embedded (no password
# is checked there). Prints nothing but errors.
isql_embedded() {
  env FIREBIRD="$root" runuser -u firebird -- isql-fb -q -b -user SYSDBA "$@" >/dev/null
}

remove_block() {
  [ -f "$conf" ] || return 0
  # Everything from our BEGIN line to our END line, nothing else.
  awk -v b="$begin" -v e="$end" '$0 == b {skip = 1} !skip {print} $0 == e {skip = 0}' \
    "$conf" >"$conf.oekaki-new"
  cat "$conf.oekaki-new" >"$conf" # keeps the file's owner and mode
  rm -f "$conf.oekaki-new"
}

add_block() {
  local alias
  alias="oekaki_$(printf '%s' "$database" | md5sum | cut -c1-8)"
  printf '%s\n%s = %s\n{\n\tSecurityDatabase = %s\n}\n%s\n' \
    "$begin" "$alias" "$database" "$database" "$end" >>"$conf"
}

case "$cmd" in
add)
  valid_user "$user" || {
    echo "ユーザー名は英字で始まる半角英数字と「_」（31文字まで、SYSDBA 以外）にして下さい。" >&2
    exit 2
  }
  user=${user^^}
  IFS= read -r password || true
  valid_password "$password" || {
    echo "パスワードは空白以外の半角の英数字・記号で 8〜64 文字にして下さい。" >&2
    exit 2
  }
  quoted=${password//"'"/"''"} # inside SQL quotes
  remove_block
  add_block
  if [ ! -e "$database" ]; then
    echo "CREATE DATABASE '$database' PAGE_SIZE 4096;" | isql_embedded
  fi
  # The user lives in the database's own security tables; the rights are those the program
  # needs: its tables as they are and new ones, their indexes and triggers, dropping pictures.
  isql_embedded "$database" <<EOF
CREATE OR ALTER USER $user PASSWORD '$quoted' USING PLUGIN Srp;
COMMIT;
SET TERM ^;
EXECUTE BLOCK AS
  DECLARE t VARCHAR(63);
BEGIN
  FOR SELECT TRIM(RDB\$RELATION_NAME) FROM RDB\$RELATIONS
      WHERE RDB\$SYSTEM_FLAG = 0 AND RDB\$VIEW_BLR IS NULL
        AND RDB\$RELATION_NAME NOT STARTING WITH 'PLG\$'
      INTO :t DO
    EXECUTE STATEMENT 'GRANT ALL ON "' || REPLACE(t, '"', '""') || '" TO USER $user';
END^
SET TERM ;^
GRANT CREATE TABLE TO USER $user;
GRANT ALTER ANY TABLE TO USER $user;
GRANT DROP ANY TABLE TO USER $user;
COMMIT;
EOF
  ;;
remove)
  # The user goes first, while the database is still its own security database.
  if [ -n "$user" ] && [ -e "$database" ] && grep -qxF "$begin" "$conf" && valid_user "$user"; then
    echo "DROP USER ${user^^} USING PLUGIN Srp; COMMIT;" | isql_embedded "$database" || true
  fi
  remove_block
  ;;
*)
  usage
  ;;
esac
