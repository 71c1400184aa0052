#!/usr/bin/env bash
# A site with several PCs on one database server, on this machine: a private, throwaway
# PostgreSQL cluster holding the site's database and its two roles, two door stations (Tarvo
# at door 3 and Tarvo at door 5, each with a private pcscd and virtual reader, a pty relay and
# a relay transcript of its own) logging in as door stations, and Mireval logging in as the
# console. The administrator's change in the console reaches both stations at their next card:
# Ana, let in at door 3 and turned away at door 5, is moved from door 3 to door 5 in Mireval's
# window, and her next cards are turned away at door 3 and let in at door 5.
#
#   demo-server.sh BUILD_DIR [--dir DIR] [--headless] [--cards all|short] [--keep-open]
#
# DIR (default demo/server in the checkout) gets seed/ (the demo's students, written as the
# file demo writes them and moved onto the server with tarvo-admin copy), door3/ and door5/
# (relay.txt, tarvo.out, tarvo.png), console/ (mireval.out, mireval.png), and, read from the
# server before it goes, picadas.txt and alumnos.txt. The cluster lives in a temporary folder
# under /tmp (as root it runs as user postgres, who must reach it) and is destroyed at the end.
# Without a display (or with --headless) the windows run under Xvfb and the demo ends after the
# card run; with one they stay until all three are closed. Either way, at Ctrl+C and when a
# step fails, every process the demo started is stopped.
set -euo pipefail

BUILD=$(cd "$1" && pwd); shift
ROOT=$(cd "$(dirname "$0")/.." && pwd)
DIR=$ROOT/demo/server
source "$ROOT/scripts/demo-common.sh"
demo_options "$@"
STACK=$ROOT/scripts/pcsc-stack.sh
CLUSTER=$ROOT/scripts/pg-cluster.sh
DOORS=(3 5)
PIDS=()
PG=
TEMPORARY=()
declare -A PCSC

cleanup() {
  trap - EXIT INT TERM
  local pid door
  for pid in "${PIDS[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for door in "${!PCSC[@]}"; do "$STACK" stop "${PCSC[$door]}" >/dev/null 2>&1 || true; done
  for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  [ -z "$PG" ] || "$CLUSTER" destroy "$PG" >/dev/null 2>&1 || true
  [ ${#TEMPORARY[@]} -eq 0 ] || rm -rf "${TEMPORARY[@]}"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A station's reader folder holds its socket, whose path must stay short (a sockaddr_un): a
# demo folder deep in the tree keeps it under /tmp instead.
for door in "${DOORS[@]}"; do
  PCSC[$door]=$DIR/door$door/pcsc
  if [ ${#PCSC[$door]} -gt 92 ]; then
    PCSC[$door]=$(mktemp -d "/tmp/tarvo-demo-pcsc$door.XXXXXX")
    TEMPORARY+=("${PCSC[$door]}")
  fi
done
pcsc_of() { echo "${PCSC[$1]}"; }

# 1. The server: a private cluster, the site's database, a door-station and a console role
# with passwords of this run, kept in a password file as each PC keeps its ~/.pgpass.
for door in "${DOORS[@]}"; do
  rm -f "$DIR/door$door"/{relay.txt,tarvo.out,tarvo.png}
  mkdir -p "$DIR/door$door"
done
rm -rf "$DIR/console" "$DIR/seed" "$DIR"/{picadas.txt,alumnos.txt,pgpass}
mkdir -p "$DIR/console" "$DIR/seed"
PG=$(mktemp -d "/tmp/tarvo-demo-pg.XXXXXX")
"$CLUSTER" start "$PG" >/dev/null
say "a private PostgreSQL cluster in $PG (log: $PG/server.log)"
SOCKET=$PG/socket
PORT=$(sed -n 's/.* port=\([0-9]*\) .*/\1/p' "$PG/connection")
SUPERUSER="host=$SOCKET port=$PORT user=postgres dbname=tarvo"
STATION="host=$SOCKET port=$PORT dbname=tarvo user=tarvo_puerta"
CONSOLE="host=$SOCKET port=$PORT dbname=tarvo user=tarvo_consola"
password() { head -c 18 /dev/urandom | base64 | tr -d '/+='; }
STATION_PASSWORD=$(password)
CONSOLE_PASSWORD=$(password)
(
  umask 077
  printf '*:*:tarvo:tarvo_puerta:%s\n*:*:tarvo:tarvo_consola:%s\n' \
    "$STATION_PASSWORD" "$CONSOLE_PASSWORD" > "$DIR/pgpass"
)
# The programs take their passwords from the file alone, never from the caller's settings.
unset PGPASSWORD PGSERVICE PGSERVICEFILE PGHOST PGPORT PGUSER PGDATABASE PGOPTIONS
export PGPASSFILE=$DIR/pgpass
TARVO_STATION_PASSWORD=$STATION_PASSWORD TARVO_CONSOLE_PASSWORD=$CONSOLE_PASSWORD \
  "$ROOT/scripts/setup-site-server.sh" --admin "host=$SOCKET port=$PORT user=postgres" |
  sed 's/^/  /'
on_server() { # on_server CONNINFO SQL: rows with columns split by |
  psql -X -q -A -t -v ON_ERROR_STOP=1 "$1" -c "$2"
}

# 2. The demo's students, written to a file as the file demo writes them and moved onto the
# server as a school moves its site, by the console's role.
"$ROOT/scripts/demo-students.sh" "$DIR/seed"
"$BUILD/admin/tarvo-admin" copy "$DIR/seed/Alumnos.mdb" "$CONSOLE" 2>/dev/null | sed 's/^/  /'

# 3. Per station: a private pcscd with its virtual reader, and a relay line whose far end a
# monitor reads into the station's transcript.
for door in "${DOORS[@]}"; do
  station=$DIR/door$door
  "$STACK" start "$(pcsc_of "$door")" >/dev/null
  socat pty,raw,echo=0,link="$station/ttyRELAY" pty,raw,echo=0,link="$station/ttyPEER" \
    2>/dev/null &
  PIDS+=($!)
  wait_for 5 test -e "$station/ttyPEER"
  /usr/bin/python3 -u "$ROOT/scripts/relay_monitor.py" "$station/ttyPEER" \
    > "$station/relay.txt" &
  PIDS+=($!)
  say "door $door: a private pcscd serves its virtual reader, its relay writes $station/relay.txt"
done

# 4. A display, wide enough for the three windows side by side.
[ "$HEADLESS" -eq 0 ] || start_xvfb 1920x1080x24 "$DIR"

# 5. The programs, each in a folder of its own (none opens a file there), each logging in with
# its role.
declare -A TARVO_PID TARVO
for door in "${DOORS[@]}"; do
  station=$DIR/door$door
  (cd "$station" && PCSCLITE_CSOCK_NAME=$("$STACK" socket "$(pcsc_of "$door")") \
    TARVO_RELAY_PORT="$station/ttyRELAY" TARVO_DATABASE=$STATION XDG_STATE_HOME="$station/estado" \
    exec "$BUILD/controller/ui/tarvo" > "$station/tarvo.out" 2>&1) &
  TARVO_PID[$door]=$!
done
(cd "$DIR/console" && TARVO_DATABASE=$CONSOLE exec "$BUILD/console/ui/mireval" \
  > "$DIR/console/mireval.out" 2>&1) &
PROGRAMS=("${TARVO_PID[@]}" $!)
PIDS+=("${PROGRAMS[@]}")

station_window() { # the visible Tarvo window of one station's process
  xdotool search --all --onlyvisible --pid "${TARVO_PID[$1]}" --name "Control de presencia" \
    2>/dev/null | head -n 1
}
for door in "${DOORS[@]}"; do
  wait_for 60 station_window "$door" || { say "Tarvo's window at door $door did not appear"; exit 1; }
  TARVO[$door]=$(station_window "$door")
done
wait_for 60 window_of "Formulario de registro" || { say "Mireval's window did not appear"; exit 1; }
MIREVAL=$(window_of "Formulario de registro")
left=0
for window in "${TARVO[3]}" "${TARVO[5]}" "$MIREVAL"; do  # side by side
  xdotool windowmove "$window" "$left" 0 >/dev/null 2>&1 || true
  eval "$(xdotool getwindowgeometry --shell "$window")"
  left=$((left + WIDTH))
done
sleep 1

# Each caretaker's first step: choose the door the station serves. A window is raised before
# it is clicked: on a narrow desktop the three may overlap.
for door in "${DOORS[@]}"; do
  xdotool windowraise "${TARVO[$door]}"
  click "${TARVO[$door]}" "tarvo-door$door"
  say "Tarvo serves door $door, logged in as tarvo_puerta"
done

# 6. The cards: at both doors at once, in for a few seconds, out, and a pause for Tarvo's wait.
round() { # round DOOR:NAME:DNI:WHAT...
  local card door name dni what
  for card in "$@"; do
    IFS=: read -r door name dni what <<< "$card"
    say "door $door: card $dni in ($what)"
    "$STACK" card-in "$(pcsc_of "$door")" "$name" --dni "$dni"
  done
  sleep 5
  for card in "$@"; do
    IFS=: read -r door name dni what <<< "$card"
    "$STACK" card-out "$(pcsc_of "$door")" "$name"
  done
  sleep 6
}
round "3:ana:11111111:Ana, allowed at door 3" "5:ana:11111111:Ana, not allowed at door 5"
if [ "$CARDS" = all ]; then
  round "3:luis:22222222:Luis, not allowed at door 3" "5:luis:22222222:Luis, allowed at door 5"
fi

# 7. The administrator moves Ana from door 3 to door 5 in Mireval: search, "Modificar Datos
# de Registro", the notice's OK, untick P3, tick P5, "GUARDAR".
ana_doors() { on_server "$CONSOLE" "SELECT puerta FROM alumnos WHERE dni = 11111111"; }
say "console: Ana's doors before the change: $(ana_doors)"
notice() { xdotool search --onlyvisible --name '^Mireval$' 2>/dev/null | head -n 1; }
xdotool windowraise "$MIREVAL"
click "$MIREVAL" mireval-dni
xdotool type --delay 50 11111111
click "$MIREVAL" mireval-search
sleep 1
click "$MIREVAL" mireval-modify
wait_for 10 notice || { say "Mireval's edit-mode notice did not appear"; exit 1; }
xdotool windowfocus --sync "$(notice)" key Return
wait_for 10 eval '[ -z "$(notice)" ]' || { say "Mireval's edit-mode notice stayed open"; exit 1; }
click "$MIREVAL" mireval-door3
click "$MIREVAL" mireval-door5
click "$MIREVAL" mireval-save
wait_for 10 eval '[ "$(ana_doors)" = "1,5," ]' || true
doors=$(ana_doors)
if [ "$doors" != "1,5," ]; then
  say "Mireval's change did not reach the server: Ana's doors there are '$doors'"
  exit 1
fi
say "console: Ana moved from door 3 to door 5 in Mireval at $(date '+%F %T');" \
  "her doors on the server now: $doors"

round "3:ana:11111111:Ana, no longer allowed at door 3" "5:ana:11111111:Ana, now allowed at door 5"
if [ "$CARDS" = all ]; then
  round "3:nadie:55555555:not registered"
fi

# 8. Mireval shows Ana's history: her accesses at both stations.
click "$MIREVAL" mireval-clear
click "$MIREVAL" mireval-dni
xdotool type --delay 50 11111111
click "$MIREVAL" mireval-search
sleep 1

if [ "$HEADLESS" -eq 1 ]; then
  for door in "${DOORS[@]}"; do shot "${TARVO[$door]}" "$DIR/door$door/tarvo.png"; done
  shot "$MIREVAL" "$DIR/console/mireval.png"
  say "screenshots: $DIR/door3/tarvo.png $DIR/door5/tarvo.png $DIR/console/mireval.png"
fi
for door in "${DOORS[@]}"; do
  say "door $door relay transcript ($DIR/door$door/relay.txt):"
  sed 's/^/  /' "$DIR/door$door/relay.txt"
done
on_server "$SUPERUSER" "SELECT dni, fecha, hora, puerta FROM picadas ORDER BY orden" \
  > "$DIR/picadas.txt"
on_server "$SUPERUSER" "SELECT * FROM alumnos ORDER BY dni" > "$DIR/alumnos.txt"
say "accesses recorded on the server (Picadas, also in $DIR/picadas.txt):"
sed 's/^/  /' "$DIR/picadas.txt"

if [ "$KEEP_OPEN" -eq 1 ] || [ "$HEADLESS" -eq 0 ]; then
  say "the three windows stay open; close them, or press Ctrl+C, to stop everything"
  wait "${PROGRAMS[@]}" 2>/dev/null || true
fi
