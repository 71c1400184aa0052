#!/usr/bin/env bash
# The whole system on real components without a card reader or a relay: a private pcscd with a
# virtual reader (beside the machine's own, which it leaves alone), virtual student cards
# inserted one after another, a pseudo-terminal relay whose far
# end prints each door it opens, Tarvo at door 3 and Mireval, both on one demo folder.
#
#   demo.sh BUILD_DIR [--server] [--dir DIR] [--headless] [--cards all|short] [--keep-open]
#
# Without a display (or with --headless) the windows run under Xvfb and the demo writes
# screenshots of both windows beside the relay's transcript, and ends after the card run.
# With a display the windows stay until both are closed. Either way, and at Ctrl+C, every
# process the demo started is stopped. --server runs the site on a database server instead,
# with two door stations and the console (demo-server.sh).
set -euo pipefail

BUILD=$(cd "$1" && pwd); shift
ROOT=$(cd "$(dirname "$0")/.." && pwd)
OPTIONS=()
for option in "$@"; do
  if [ "$option" = --server ]; then
    for other in "$@"; do [ "$other" = --server ] || OPTIONS+=("$other"); done
    exec "$ROOT/scripts/demo-server.sh" "$BUILD" ${OPTIONS[@]+"${OPTIONS[@]}"}
  fi
done
DIR=$ROOT/demo
source "$ROOT/scripts/demo-common.sh"
demo_options "$@"
STACK=$ROOT/scripts/pcsc-stack.sh
# The reader's folder holds its socket, whose path must stay short (a sockaddr_un): a demo
# folder deep in the tree keeps it under /tmp instead.
PCSC=$DIR/pcsc
PCSC_TEMPORARY=0
if [ ${#PCSC} -gt 92 ]; then
  PCSC=$(mktemp -d "/tmp/tarvo-demo-pcsc.XXXXXX")
  PCSC_TEMPORARY=1
fi
PIDS=()

cleanup() {
  trap - EXIT INT TERM
  local pid
  for pid in "${PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  "$STACK" stop "$PCSC" >/dev/null 2>&1 || true
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ "$PCSC_TEMPORARY" -eq 0 ] || rm -rf "$PCSC"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# 1. The site's data folder with its students.
rm -f "$DIR"/relay.txt "$DIR"/tarvo.out "$DIR"/mireval.out "$DIR"/*.png
rm -rf "$DIR"/estado
"$ROOT/scripts/demo-students.sh" "$DIR"
say "students written to $DIR/Alumnos.mdb"

# 2. The virtual reader, on a pcscd of the demo's own that only Tarvo is told of.
"$STACK" start "$PCSC" >/dev/null
say "a private pcscd serves the virtual reader (log: $PCSC/pcscd.log)"

# 3. The relay line: Tarvo writes to ttyRELAY, the monitor reads the far end.
socat pty,raw,echo=0,link="$DIR/ttyRELAY" pty,raw,echo=0,link="$DIR/ttyPEER" 2>/dev/null &
PIDS+=($!)
wait_for 5 test -e "$DIR/ttyPEER"
/usr/bin/python3 -u "$ROOT/scripts/relay_monitor.py" "$DIR/ttyPEER" > "$DIR/relay.txt" &
PIDS+=($!)

# 4. A display.
[ "$HEADLESS" -eq 0 ] || start_xvfb 1280x900x24 "$DIR"

# 5. The two programs, started in the data folder as their desktop entries start them.
# The station's journal stays with the demo's data, not in the user's state folder.
(cd "$DIR" && PCSCLITE_CSOCK_NAME=$("$STACK" socket "$PCSC") TARVO_RELAY_PORT="$DIR/ttyRELAY" \
  XDG_STATE_HOME="$DIR/estado" exec "$BUILD/controller/ui/tarvo" > "$DIR/tarvo.out" 2>&1) &
PROGRAMS=($!)
(cd "$DIR" && exec "$BUILD/console/ui/mireval" > "$DIR/mireval.out" 2>&1) &
PROGRAMS+=($!)
PIDS+=("${PROGRAMS[@]}")
wait_for 20 window_of "Control de presencia" || { say "Tarvo's window did not appear"; exit 1; }
wait_for 20 window_of "Formulario de registro" || { say "Mireval's window did not appear"; exit 1; }
TARVO=$(window_of "Control de presencia")
MIREVAL=$(window_of "Formulario de registro")
eval "$(xdotool getwindowgeometry --shell "$TARVO")"
xdotool windowmove "$MIREVAL" "$WIDTH" 0 >/dev/null 2>&1 || true  # side by side
sleep 1

# The caretaker's first step: choose the door this station serves.
click "$TARVO" tarvo-door3
say "Tarvo serves door 3"

# 6. The cards, one after another: in for a few seconds, out, and a pause for Tarvo's wait.
card() { # card NAME DNI WHAT
  say "card $2 in ($3)"
  "$STACK" card-in "$PCSC" "$1" --dni "$2"
  sleep 5
  "$STACK" card-out "$PCSC" "$1"
  sleep 6
}
card ana 11111111 "allowed at door 3"
card luis 22222222 "not allowed at door 3"
if [ "$CARDS" = all ]; then
  if [ "$(date +%u)" -ge 6 ]; then
    card carmen 33333333 "restricted on weekends: denied today"
  else
    card carmen 33333333 "restricted on weekends: let in on a weekday"
  fi
  card jorge 44444444 "inside a restriction period"
fi
card nadie 55555555 "not registered"

# 7. Mireval shows the first student's history.
click "$MIREVAL" mireval-dni
xdotool type --delay 50 11111111
click "$MIREVAL" mireval-search
sleep 1

if [ "$HEADLESS" -eq 1 ]; then
  shot "$TARVO" "$DIR/tarvo.png"
  shot "$MIREVAL" "$DIR/mireval.png"
  say "screenshots: $DIR/tarvo.png $DIR/mireval.png"
fi
say "relay transcript ($DIR/relay.txt):"
sed 's/^/  /' "$DIR/relay.txt"
say "accesses recorded:"
sqlite3 "$DIR/Alumnos.mdb" "SELECT DNI, Fecha, Hora, Puerta FROM Picadas" | sed 's/^/  /'

if [ "$KEEP_OPEN" -eq 1 ] || [ "$HEADLESS" -eq 0 ]; then
  say "both windows stay open; close them, or press Ctrl+C, to stop everything"
  wait "${PROGRAMS[@]}" 2>/dev/null || true
fi
