# shellcheck shell=bash
# What both demos (the file one, demo.sh, and the server one, demo-server.sh) do alike: wait,
# find, click and photograph windows, and give the windows a display when there is none.
# Sourced, with ROOT set to the checkout and PIDS an array of what the demo must stop.

say() { printf 'demo: %s\n' "$*"; }

# The options both demos take; DIR holds the demo's default folder on entry and its absolute
# path on return. Sets HEADLESS, CARDS and KEEP_OPEN for the demo that sourced this.
# shellcheck disable=SC2034
demo_options() { # demo_options "$@"
  HEADLESS=0
  CARDS=all
  KEEP_OPEN=0
  while [ $# -gt 0 ]; do
    case "$1" in
      --dir) DIR=$2; shift ;;
      --headless) HEADLESS=1 ;;
      --cards) CARDS=$2; shift ;;
      --keep-open) KEEP_OPEN=1 ;;
      *) echo "demo: unknown option $1" >&2; exit 2 ;;
    esac
    shift
  done
  [ -n "${DISPLAY:-}" ] || HEADLESS=1
  mkdir -p "$DIR"
  DIR=$(cd "$DIR" && pwd)
}

wait_for() { # wait_for SECONDS COMMAND...
  local deadline=$((SECONDS + $1)); shift
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

window_of() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }

click() { # click WINDOW PLACE, a place that demo-geometry.sh knows
  local x y width WIDTH HEIGHT X Y SCREEN
  read -r x y width < <("$ROOT/scripts/demo-geometry.sh" "$2")
  eval "$(xdotool getwindowgeometry --shell "$1")"
  xdotool mousemove --window "$1" $((x * WIDTH / width)) $((y * WIDTH / width)) click 1
  sleep 0.3
}

# Without a window manager a window grabs black: each one is cut out of the screen instead.
shot() { # shot WINDOW FILE
  # shellcheck disable=SC2034 # SCREEN is set by the eval, and kept local with the rest
  local WIDTH HEIGHT X Y SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$2"
}

# Whether the X server with PID serves display N: the display's lock file names its owner.
serves_display() { # serves_display PID N
  [ -e "/tmp/.X11-unix/X$2" ] && [ "$(tr -d ' ' < "/tmp/.X$2-lock" 2>/dev/null)" = "$1" ]
}

# An Xvfb of the demo's own on the first free display from :90, with DISPLAY and a private
# XDG_RUNTIME_DIR (in FOLDER) exported for the windows. Another demo starting at the same time
# may take the display picked: that Xvfb then ends at once and the next display is tried.
start_xvfb() { # start_xvfb SCREEN FOLDER
  local n pid
  for n in $(seq 90 120); do
    [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ] || continue
    Xvfb ":$n" -screen 0 "$1" -nolisten tcp >/dev/null 2>&1 &
    pid=$!
    wait_for 10 eval 'serves_display $pid $n || ! kill -0 $pid' || true
    if serves_display "$pid" "$n"; then break; fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    pid=
  done
  [ -n "$pid" ] || { say "no free X display for Xvfb"; exit 1; }
  PIDS+=("$pid")
  export DISPLAY=":$n" QT_QPA_PLATFORM=xcb
  export XDG_RUNTIME_DIR=$2/runtime
  mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"
  say "no display in use: windows run under Xvfb on $DISPLAY"
}
