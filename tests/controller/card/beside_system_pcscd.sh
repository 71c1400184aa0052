#!/usr/bin/env bash
# The card-stack tests while a pcscd of the machine's own holds /run/pcscd, as on a desktop
# whose smart-card service runs: two private stacks at once (one in a user namespace), each
# serving only its own reader and card, then the card-stack tests on a stack of their own.
# Afterwards the machine's daemon must still run, still hold its socket and still list the
# same readers. As root, with no such daemon running, one is started for the check (on the
# machine's configuration, as the service would) and stopped afterwards; a user who is not
# root and has none runs the rest and says the machine's part was skipped.
#   beside_system_pcscd.sh PCSC_PROBE CARD_PCSC_STACK_TESTS
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/../../.." && pwd)
STACK=$ROOT/scripts/pcsc-stack.sh
PROBE=$1
STACK_TESTS=$2
WORK=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-beside-pcscd.XXXXXX")
SYSTEM_SOCKET=/run/pcscd/pcscd.comm
FAILED=0
STARTED_SYSTEM=
MADE_RUN_DIR=0

fail() { echo "FAIL: $*"; FAILED=1; }
running() { grep -q '^[^)]*) [^Z]' "/proc/$1/stat" 2>/dev/null; }  # alive, not a zombie
# The machine's own daemon is the one a client reaches with no socket named.
system_probe() { env -u PCSCLITE_CSOCK_NAME "$PROBE"; }
stack_probe() { PCSCLITE_CSOCK_NAME=$("$STACK" socket "$WORK/$1") "$PROBE"; }
names() { sed 's/: [a-z]*$//'; }

wait_until() { # wait_until SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

finish() {
  local dir left
  for dir in a b tests; do "$STACK" stop "$WORK/$dir" > /dev/null 2>&1; done
  if [ -n "$STARTED_SYSTEM" ]; then
    kill -TERM "$STARTED_SYSTEM" 2>/dev/null
    wait_until 10 test ! -S "$SYSTEM_SOCKET" || fail "the pcscd started for the check did not stop"
    [ "$MADE_RUN_DIR" -eq 0 ] || rmdir /run/pcscd 2>/dev/null
  fi
  left=$(pgrep -f -- "$WORK" | grep -vx $$)
  if [ -n "$left" ]; then
    fail "still running after the stacks stopped: $(ps -o pid=,args= -p "${left//$'\n'/,}")"
    kill -KILL $left 2>/dev/null
  fi
  rm -rf "$WORK"
  exit "$FAILED"
}
trap finish EXIT
trap 'fail "interrupted"; exit' INT TERM

# 1. The machine's own pcscd: the running one, or one started here as root.
SYSTEM=0
SYSTEM_PID=
if [ "$(id -u)" -eq 0 ]; then
  # One check at a time per machine: a pcscd this check starts must not be taken by another
  # run's check for the machine's own, and stopped under it.
  lock=/run/lock
  [ -d "$lock" ] || lock=/tmp
  exec 9> "$lock/tarvo-beside-system-pcscd.lock"
  flock 9
fi
if system_probe > /dev/null 2>&1; then
  SYSTEM=1
  SYSTEM_PID=$(cat /run/pcscd/pcscd.pid 2>/dev/null)
  echo "the machine's own pcscd answers (pid ${SYSTEM_PID:-unknown})"
elif [ "$(id -u)" -eq 0 ] && [ ! -e "$SYSTEM_SOCKET" ]; then
  SYSTEM=1
  [ -d /run/pcscd ] || MADE_RUN_DIR=1
  setsid pcscd --foreground > "$WORK/system-pcscd.log" 2>&1 < /dev/null &
  STARTED_SYSTEM=$!
  SYSTEM_PID=$STARTED_SYSTEM
  wait_until 10 system_probe > /dev/null 2>&1 ||
    { fail "the machine's pcscd did not come up: $(cat "$WORK/system-pcscd.log")"; exit; }
  echo "started the machine's pcscd for the check (pid $SYSTEM_PID)"
else
  echo "skipped the machine's pcscd part: no pcscd of the machine's own answers and" \
    "$([ "$(id -u)" -eq 0 ] && echo "its socket is held" || echo "only root can start one")"
fi
if [ "$SYSTEM" -eq 1 ]; then
  SYSTEM_READERS=$(system_probe | names)
  echo "its readers: ${SYSTEM_READERS//$'\n'/, }"
fi

# 2. Two private stacks at once, one of them in a user namespace even as root.
"$STACK" start "$WORK/a" || fail "stack a did not start"
TARVO_PCSC_USER_NAMESPACE=1 "$STACK" start "$WORK/b" || fail "stack b did not start"
[ "$("$STACK" port "$WORK/a")" != "$("$STACK" port "$WORK/b")" ] || fail "both stacks on one port"
own="Tarvo Virtual PCD 00 00: empty
Tarvo Virtual PCD 00 01: empty"
for dir in a b; do
  readers=$(stack_probe "$dir" 2>&1)
  [ "$readers" = "$own" ] || fail "stack $dir lists '${readers//$'\n'/|}', not only its own reader"
done
# Its USB reader drivers are hidden from a private pcscd: it never claims a real reader.
for bundle in /usr/lib/pcsc/drivers/*.bundle; do
  [ -d "$bundle" ] || continue
  ! find "/proc/$(cat "$WORK/a/pcscd.pid")/root$bundle" -mindepth 1 2>/dev/null | grep -q . ||
    fail "stack a's pcscd sees the USB driver $bundle"
done

"$STACK" card-in "$WORK/a" ana --dni 11111111 || fail "no card in stack a"
present() { stack_probe "$1" | grep -qx "Tarvo Virtual PCD 00 00: present"; }
wait_until 5 present a || fail "stack a does not see its card"
! present b || fail "stack b sees stack a's card"
"$STACK" card-out "$WORK/a" ana

# 3. The card-stack tests on a stack of their own, beside all of this.
TARVO_PCSC_STACK_DIR=$WORK/tests PCSCLITE_CSOCK_NAME=$("$STACK" socket "$WORK/tests") \
  "$STACK_TESTS" || fail "the card-stack tests failed"
"$STACK" stop "$WORK/a"
"$STACK" stop "$WORK/b"

# 4. The machine's daemon afterwards: the same process, its socket, the same readers.
if [ "$SYSTEM" -eq 1 ]; then
  if [ -n "$SYSTEM_PID" ]; then
    running "$SYSTEM_PID" || fail "the machine's pcscd (pid $SYSTEM_PID) is gone"
  fi
  [ -S "$SYSTEM_SOCKET" ] || fail "$SYSTEM_SOCKET is gone"
  after=$(system_probe 2>&1 | names)
  [ "$after" = "$SYSTEM_READERS" ] ||
    fail "the machine's pcscd lists '${after//$'\n'/|}' now, '${SYSTEM_READERS//$'\n'/|}' before"
  echo "the machine's pcscd still answers with the same readers"
fi
