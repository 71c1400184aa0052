#!/usr/bin/env bash
# scripts/pg-cluster.sh run: the command reaches a working server, and when it ends, even with
# a failure, the server is stopped and its folder removed; the command's status comes back.
set -uo pipefail
scripts=$(cd "$(dirname "$0")/../../../scripts" && pwd)
out=$("$scripts/pg-cluster.sh" run -- sh -c \
  'psql -X -Atc "SELECT 40 + 2" "$TARVO_PG_CONNECTION" && echo "$TARVO_PG_DIR" && exit 3')
status=$?
answer=$(echo "$out" | sed -n 1p)
dir=$(echo "$out" | sed -n 2p)
fail() { echo "FAIL: $*" >&2; exit 1; }
[ "$status" -eq 3 ] || fail "status $status, not the command's 3"
[ "$answer" = 42 ] || fail "the server answered '$answer'"
[ -n "$dir" ] && [ ! -e "$dir" ] || fail "folder '$dir' left behind"
pgrep -f -- "-D $dir/data" >/dev/null && fail "a server of $dir still runs"
exit 0
