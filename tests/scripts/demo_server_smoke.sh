#!/usr/bin/env bash
# The server demo's short card run without a display: a private PostgreSQL cluster, Tarvo at
# doors 3 and 5 (each on a private pcscd with a virtual reader and a pty relay) logging in as
# door stations, and Mireval as the console, in whose window Ana is moved from door 3 to
# door 5 between two rounds of cards. Checked where the outcome lands: both relay transcripts,
# the server's Picadas and Alumnos as the demo read them before the cluster went, and each
# station's card reads. Nothing the demo started may outlive it (programs, pcscd stacks, cards,
# socat, Xvfb, the cluster); whatever does is reported and ended here.
#   demo_server_smoke.sh BUILD_DIR
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$1
DIR=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-demo-server-smoke.XXXXXX")
FAILED=0

fail() { echo "FAIL: $*"; FAILED=1; }

# The cluster's folder, as the demo announced it.
cluster_of_demo() {
  sed -n 's/.*a private PostgreSQL cluster in \([^ ]*\) .*/\1/p' "$DIR/demo.log" 2>/dev/null
}

# Live processes working in, or naming, the demo folder or the cluster's folder: the programs,
# monitors and socat (in DIR), the pcscd stacks and cards (DIR/doorN/pcsc), the server (its
# backends work in the cluster's data folder).
left_behind() {
  local proc pid folder folders=("$DIR") cluster
  cluster=$(cluster_of_demo)
  [ -z "$cluster" ] || folders+=("$cluster")
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$pid" != $$ ] && [ "$pid" != "$BASHPID" ] || continue
    grep -q '^[^)]*) [^Z]' "$proc/stat" 2>/dev/null || continue
    for folder in "${folders[@]}"; do
      case "$(readlink "$proc/cwd" 2>/dev/null)/" in "$folder"/*) echo "$pid"; continue 2 ;; esac
      if { tr '\0' ' ' < "$proc/cmdline"; } 2>/dev/null | grep -qF -- "$folder"; then
        echo "$pid"
        continue 2
      fi
    done
  done
}

xvfb_of_demo() { # the Xvfb the demo said it started, if it still runs
  local display
  display=$(sed -n 's/.*windows run under Xvfb on \(:[0-9]*\).*/\1/p' "$DIR/demo.log" 2>/dev/null)
  [ -z "$display" ] || pgrep -f "^Xvfb $display " || true
}

sweep() {
  local left cluster door
  left=$( (left_behind; xvfb_of_demo) | sort -u)
  if [ -n "$left" ]; then
    fail "still running after the demo: $(ps -o pid=,args= -p "${left//$'\n'/,}" | tr '\n' ';')"
    kill -KILL $left 2>/dev/null
  fi
  for door in 3 5; do
    "$ROOT/scripts/pcsc-stack.sh" stop "$DIR/door$door/pcsc" >/dev/null 2>&1
  done
  cluster=$(cluster_of_demo)
  if [ -n "$cluster" ] && [ -e "$cluster" ]; then
    fail "the cluster's folder $cluster is still there"
    "$ROOT/scripts/pg-cluster.sh" destroy "$cluster" >/dev/null 2>&1
  fi
}

finish() {
  sweep
  if [ "$FAILED" -ne 0 ]; then
    for file in demo.log door3/relay.txt door5/relay.txt picadas.txt door3/tarvo.out \
      door5/tarvo.out console/mireval.out; do
      echo "--- $file"
      tail -n 40 "$DIR/$file" 2>/dev/null
    done
  fi
  rm -rf "$DIR"
  exit "$FAILED"
}
trap finish EXIT
trap 'fail "interrupted"; exit' INT TERM

timeout --kill-after=20 240 "$ROOT/scripts/demo.sh" "$BUILD" --server --headless --dir "$DIR" \
  --cards short > "$DIR/demo.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the demo ended with status $status"
sweep

# The short run: Ana is let in at door 3 and turned away at door 5; Mireval moves her from
# door 3 to door 5; she is turned away at door 3 and let in at door 5.
for door in 3 5; do
  relay=$(cut -d' ' -f2- "$DIR/door$door/relay.txt" 2>/dev/null)
  [ "$relay" = "door $door opened" ] ||
    fail "door $door relay transcript: '${relay//$'\n'/|}', expected one door $door"
  reads=$(grep -o 'Hacer el lectura de dni------     111 con flags=0' "$DIR/door$door/tarvo.out" |
    wc -l)
  [ "$reads" -eq 2 ] || fail "Tarvo at door $door read $reads cards, expected 2"
  ! grep -q 'No se pudo abrir la puerta' "$DIR/door$door/tarvo.out" ||
    fail "Tarvo could not open door $door"
  [ -s "$DIR/door$door/tarvo.png" ] || fail "no screenshot of Tarvo at door $door"
done
[ -s "$DIR/console/mireval.png" ] || fail "no screenshot of Mireval"

# Mireval's save reached the server: the console role wrote Ana's new doors.
ana=$(grep '^11111111|' "$DIR/alumnos.txt" 2>/dev/null | cut -d'|' -f5)
[ "$ana" = "1,5," ] || fail "Ana's doors on the server: '$ana', expected 1,5,"

# The server holds the two grants, in the order written, each with its station's door, stamped
# with the day of the run.
accesses=$(cut -d'|' -f1,4 "$DIR/picadas.txt" 2>/dev/null)
[ "$accesses" = $'11111111|3\n11111111|5' ] || fail "Picadas holds '${accesses//$'\n'/|}'"
epoch_of_access() { # epoch_of_access ' D/M/YYYY' HH:MM:SS
  local day month year
  IFS=/ read -r day month year <<< "${1// /}"
  date -d "$year-$month-$day $2" +%s
}
changed=$(sed -n 's/.*in Mireval at \([0-9-]* [0-9:]*\);.*/\1/p' "$DIR/demo.log")
[ -n "$changed" ] || fail "the demo did not report Mireval's change"
# The change reached both stations at their next card: door 3's grant came before it and
# door 5's after it (each station read one card before and one after).
if [ -n "$changed" ] && [ "$(wc -l < "$DIR/picadas.txt")" -eq 2 ]; then
  changed=$(date -d "$changed" +%s)
  today=$(date +%s)
  while IFS='|' read -r _ fecha hora puerta; do
    at=$(epoch_of_access "$fecha" "$hora") || { fail "access stamped '$fecha $hora'"; continue; }
    [ $((today - at)) -lt 600 ] || fail "access stamped '$fecha $hora', not at the run's time"
    if [ "$puerta" = 3 ] && [ "$at" -gt "$changed" ]; then
      fail "door 3 let Ana in at $hora, after the change"
    elif [ "$puerta" = 5 ] && [ "$at" -lt "$changed" ]; then
      fail "door 5 let Ana in at $hora, before the change"
    fi
  done < "$DIR/picadas.txt"
fi
