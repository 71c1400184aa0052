#!/usr/bin/env bash
# The test run's PostgreSQL cluster, shared by the server tests (a ctest fixture):
#   cluster-fixture.sh start STATE   a cluster in a fresh temp folder; STATE gets its folder
#   cluster-fixture.sh stop STATE    removes it, with any cluster a test left below it
# A cluster left by an interrupted run is removed before a new one starts.
set -euo pipefail
scripts=$(cd "$(dirname "$0")/../../../scripts" && pwd)
state=$2
if [ -f "$state" ]; then
  "$scripts/pg-cluster.sh" destroy "$(cat "$state")"
  rm -f "$state"
fi
case "$1" in
  start)
    dir=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-pg-test-XXXXXX")
    echo "$dir" >"$state"
    # Durability is not what these tests check; many connections are.
    "$scripts/pg-cluster.sh" start "$dir" -c fsync=off -c max_connections=200
    ;;
  stop) ;;
  *) echo "usage: $0 start|stop STATE" >&2; exit 2 ;;
esac
