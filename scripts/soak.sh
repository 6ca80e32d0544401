#!/usr/bin/env bash
# The soak: three program copies drawing on one picture while a fourth watches and a fifth
# loads catalogue pages, ten members chatting and ten sharing their pointers, all on a Firebird
# server of its own that is stopped, killed and frozen meanwhile. Prints one table. Not a test.
#   bash scripts/soak.sh [--quick] [--points N] [--chat-lines N] [--rounds N] ...  (--help)
# The full run takes about 15 minutes on two busy cores; --quick about five.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT_DIR/scripts/setup.sh" >/dev/null
build_project oekaki soak_member >/dev/null

export OEKAKI_PROGRAM="$BUILD_DIR/oekaki"
export SOAK_MEMBER="$BUILD_DIR/tools/soak_member"
# /usr/bin/python3: the harness's accessibility binding lives there.
exec /usr/bin/python3 "$ROOT_DIR/tools/soak/soak.py" "$@"
