#!/usr/bin/env bash
# The demo's short card run without a display: both programs as built, on a private pcscd
# with the virtual reader, the pty relay and a real Alumnos.mdb, the door chosen by a click on
# Tarvo's window. Checked where the outcome lands: the relay's transcript, Picadas and Tarvo's
# standard output. Nothing the demo started may outlive it; whatever does is reported and
# ended here, so a failed run leaves nothing behind either.
#   demo_smoke.sh BUILD_DIR
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$1
DIR=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-demo-smoke.XXXXXX")
FAILED=0

fail() { echo "FAIL: $*"; FAILED=1; }

# Live processes running in the demo folder or naming it on their command line.
in_folder() {
  local proc pid
  for proc in /proc/[0-9]*; do
    pid=${proc#/proc/}
    [ "$pid" != $$ ] && [ "$pid" != "$BASHPID" ] || continue
    grep -q '^[^)]*) [^Z]' "$proc/stat" 2>/dev/null || continue
    if [ "$(readlink "$proc/cwd" 2>/dev/null)" = "$DIR" ] ||
      tr '\0' ' ' < "$proc/cmdline" 2>/dev/null | grep -qF -- "$DIR"; then
      echo "$pid"
    fi
  done
}

xvfb_of_demo() { # the Xvfb the demo said it started, if it still runs
  local display
  display=$(sed -n 's/.*windows run under Xvfb on \(:[0-9]*\).*/\1/p' "$DIR/demo.log" 2>/dev/null)
  [ -z "$display" ] || pgrep -f "^Xvfb $display " || true
}

sweep() {
  local left
  left=$( (in_folder; xvfb_of_demo) | sort -u)
  if [ -n "$left" ]; then
    fail "still running after the demo: $(ps -o pid=,args= -p "${left//$'\n'/,}" | tr '\n' ';')"
    kill -KILL $left 2>/dev/null
  fi
  "$ROOT/scripts/pcsc-stack.sh" stop "$DIR/pcsc" >/dev/null 2>&1
}

finish() {
  sweep
  if [ "$FAILED" -ne 0 ]; then
    for file in demo.log relay.txt tarvo.out mireval.out; do
      echo "--- $file"
      tail -n 40 "$DIR/$file" 2>/dev/null
    done
  fi
  rm -rf "$DIR"
  exit "$FAILED"
}
trap finish EXIT
trap 'fail "interrupted"; exit' INT TERM

today=$(date +%e/%m/%Y)
timeout --kill-after=20 240 "$ROOT/scripts/demo.sh" "$BUILD" --headless --dir "$DIR" \
  --cards short > "$DIR/demo.log" 2>&1
status=$?
[ "$status" -eq 0 ] || fail "the demo ended with status $status"
sweep

# The short run: Ana is let through door 3, Luis is not allowed there, 55555555 is nobody.
relay=$(cut -d' ' -f2- "$DIR/relay.txt" 2>/dev/null)
[ "$relay" = "door 3 opened" ] || fail "relay transcript: '${relay//$'\n'/|}', expected one door 3"

# With every program ended (the demo stops them with SIGTERM), the file alone holds every row:
# no WAL is left beside it, and a copy of the file by itself has the access.
for side in -wal -shm; do
  [ ! -e "$DIR/Alumnos.mdb$side" ] || fail "Alumnos.mdb$side left beside the file by the programs"
done
mkdir "$DIR/alone" && cp "$DIR/Alumnos.mdb" "$DIR/alone/"
alone=$(sqlite3 "$DIR/alone/Alumnos.mdb" "SELECT count(*) FROM Picadas" 2>&1)
[ "$alone" = "1" ] || fail "the file copied alone holds '$alone' accesses"

accesses=$(sqlite3 "$DIR/Alumnos.mdb" "SELECT DNI || '|' || Puerta FROM Picadas" 2>&1)
[ "$accesses" = "11111111|3" ] || fail "Picadas holds '${accesses//$'\n'/|}'"
# Stamped by the station's clock, on the day of the run (either day, should it span midnight).
stamp=$(sqlite3 "$DIR/Alumnos.mdb" "SELECT Fecha || ' ' || Hora FROM Picadas" 2>&1)
days="($today|$(date +%e/%m/%Y))"
[[ "$stamp" =~ ^$days\ [0-2][0-9]:[0-5][0-9]:[0-5][0-9]$ ]] || fail "access stamped '$stamp'"

reads=$(grep -c 'Hacer el lectura de dni------     111 con flags=0' "$DIR/tarvo.out")
[ "$reads" -eq 3 ] || fail "Tarvo read $reads cards, expected 3"
! grep -q 'No se pudo abrir la puerta' "$DIR/tarvo.out" || fail "Tarvo could not open the door"

for shot in tarvo.png mireval.png; do
  [ -s "$DIR/$shot" ] || fail "no screenshot $shot"
done
