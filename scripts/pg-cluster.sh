#!/usr/bin/env bash
# A private, throwaway PostgreSQL cluster for tests, demos and benchmarks: its data and its Unix
# socket live in one folder, it listens on no network address unless asked, and it runs as an
# unprivileged user even when root starts it (the server refuses to run as root).
#
#   scripts/pg-cluster.sh start DIR [--port N] [-c NAME=VALUE]...
#       Creates the cluster in DIR on first use (initdb) and starts it. Prints the superuser's
#       connection string and writes it to DIR/connection; DIR/env holds the same as shell
#       exports (PGHOST, PGPORT, PGUSER, PGDATABASE). DIR must be new, empty, or a cluster made
#       here; a running one is left running. --port (default 5432) names the socket file and,
#       with -c listen_addresses=localhost, the TCP port. -c settings go into the cluster's
#       configuration when it is created (max_connections=300 for many stations, ...).
#   scripts/pg-cluster.sh stop DIR
#       Stops it (fast shutdown) and keeps the data: start DIR brings it back as it was.
#   scripts/pg-cluster.sh pause DIR / resume DIR
#       Freezes every process of the server (SIGSTOP) and lets them go on (SIGCONT): a server
#       that accepts connections and never answers, as a hung or unreachable one looks.
#   scripts/pg-cluster.sh destroy DIR
#       Stops every cluster below DIR (also a paused one) and removes DIR.
#   scripts/pg-cluster.sh run [--port N] [-c NAME=VALUE]... -- COMMAND [ARG]...
#       Runs COMMAND beside a cluster in a fresh temporary folder, with TARVO_PG_CONNECTION
#       (the superuser's connection string), TARVO_PG_DIR and PGHOST, PGPORT, PGUSER,
#       PGDATABASE set; destroys the cluster afterwards, also when COMMAND fails or is
#       interrupted, and exits with COMMAND's status. Example:
#         scripts/pg-cluster.sh run -- sh -c 'scripts/setup-site-server.sh --database escuela'
#
# Who gets in: the superuser "postgres" without a password over the socket, whose folder
# (DIR/socket, mode 0700) only the server's user and root can enter; every other role with its
# password (scram-sha-256), also over TCP when listening there.
# TARVO_PG_BIN chooses the server's programs (default: the newest /usr/lib/postgresql/*/bin); as
# root, TARVO_PG_USER names the user the server runs as (default: postgres, which Debian's
# postgresql package creates).
set -euo pipefail

die() {
  echo "pg-cluster: $*" >&2
  exit 1
}

server_bin() {
  if [ -n "${TARVO_PG_BIN:-}" ]; then
    echo "$TARVO_PG_BIN"
    return
  fi
  local newest
  newest=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
  [ -n "$newest" ] || die "no PostgreSQL server here (Debian package postgresql)"
  echo "$newest"
}
BIN=$(server_bin)

# Runs a command as the owner of the folder given first (the server's user), from inside it.
as_owner() {
  local folder=$1
  shift
  if [ "$(id -u)" -eq 0 ]; then
    (cd "$folder" && runuser -u "$(stat -c %U "$folder")" -- "$@")
  else
    (cd "$folder" && "$@")
  fi
}

PORT=5432
SETTINGS=()
parse_options() { # sets PORT, SETTINGS and REST (what follows the options)
  REST=()
  while [ $# -gt 0 ]; do
    case "$1" in
      --port) PORT=$2; shift 2 ;;
      -c) SETTINGS+=("$2"); shift 2 ;;
      --) shift; REST=("$@"); return ;;
      *) die "unknown option $1" ;;
    esac
  done
}

create_cluster() { # create_cluster DIR
  local dir=$1
  [ -z "$(ls -A "$dir")" ] || die "$dir is neither empty nor a cluster made by this script"
  if [ "$(id -u)" -eq 0 ]; then
    local user=${TARVO_PG_USER:-postgres}
    id "$user" >/dev/null 2>&1 || die "user $user does not exist (set TARVO_PG_USER)"
    chown "$user:" "$dir"
    runuser -u "$user" -- test -w "$dir" ||
      die "user $user cannot reach $dir: choose a folder under /tmp"
  fi
  chmod 700 "$dir"
  as_owner "$dir" mkdir -m 700 socket
  local password
  password=$(head -c 24 /dev/urandom | base64 | tr -d '/+=')
  as_owner "$dir" sh -c "umask 077 && echo '$password' > superuser-password"
  if ! as_owner "$dir" "$BIN/initdb" -D "$dir/data" -U postgres -E UTF8 --no-locale --no-sync \
    --pwfile="$dir/superuser-password" >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    die "initdb failed"
  fi
  as_owner "$dir" sh -c "cat > data/pg_hba.conf" <<'EOF'
local all postgres trust
local all all scram-sha-256
host all all 127.0.0.1/32 scram-sha-256
host all all ::1/128 scram-sha-256
EOF
  {
    echo "listen_addresses = ''"
    echo "port = $PORT"
    echo "unix_socket_directories = '$dir/socket'"
    local setting
    for setting in "${SETTINGS[@]}"; do
      echo "${setting%%=*} = '${setting#*=}'"
    done
  } | as_owner "$dir" sh -c "cat >> data/postgresql.conf"
}

is_running() { # is_running DATA
  as_owner "$(dirname "$1")" "$BIN/pg_ctl" -D "$1" status >/dev/null 2>&1
}

cmd_start() {
  local dir=$1
  shift
  parse_options "$@"
  mkdir -p "$dir"
  dir=$(cd "$dir" && pwd)
  [ -f "$dir/data/PG_VERSION" ] || create_cluster "$dir"
  local port
  port=$(sed -n "s/^port = \([0-9]*\)$/\1/p" "$dir/data/postgresql.conf" | tail -n 1)
  if ! is_running "$dir/data"; then
    if ! as_owner "$dir" "$BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 start \
      >/dev/null; then
      tail -n 20 "$dir/server.log" >&2 || true
      die "the server in $dir did not start"
    fi
  fi
  local connection="host=$dir/socket port=$port user=postgres dbname=postgres"
  echo "$connection" >"$dir/connection"
  printf 'export PGHOST=%q PGPORT=%q PGUSER=postgres PGDATABASE=postgres\n' \
    "$dir/socket" "$port" >"$dir/env"
  echo "$connection"
}

cmd_stop() {
  local dir=$1
  if [ -f "$dir/data/PG_VERSION" ] && is_running "$dir/data"; then
    as_owner "$dir" "$BIN/pg_ctl" -D "$dir/data" -m fast -w -t 60 stop >/dev/null
  fi
}

# The server's processes: the postmaster of the data folder first, then its children (each
# backend is a session of its own, so a process group does not reach them).
server_pids() { # server_pids DATA
  local pid
  pid=$(head -n 1 "$1/postmaster.pid" 2>/dev/null) || return 0
  [ -n "$pid" ] || return 0
  echo "$pid"
  pgrep -P "$pid" || true
}

signal_server() { # signal_server DATA SIGNAL
  local pids
  pids=$(server_pids "$1")
  [ -z "$pids" ] || kill "-$2" $pids 2>/dev/null || true
}

# Stops the server of one data folder at once, whatever state it is in (a paused one included).
kill_cluster() {
  local data=$1 pid
  pid=$(head -n 1 "$data/postmaster.pid" 2>/dev/null) || return 0
  [ -n "$pid" ] || return 0
  signal_server "$data" CONT  # a stopped process handles no signal until it is continued
  as_owner "$(dirname "$data")" "$BIN/pg_ctl" -D "$data" -m immediate -w -t 15 stop \
    >/dev/null 2>&1 || true
  if kill -0 "$pid" 2>/dev/null; then
    signal_server "$data" KILL
  fi
}

cmd_destroy() {
  local dir=$1 pidfile
  [ -d "$dir" ] || return 0
  while IFS= read -r pidfile; do
    kill_cluster "$(dirname "$pidfile")"
  done < <(find "$dir" -name postmaster.pid -path '*/data/postmaster.pid' 2>/dev/null)
  rm -rf "$dir"
}

cmd_run() {
  parse_options "$@"
  [ ${#REST[@]} -gt 0 ] || die "run needs a command after --"
  local command=("${REST[@]}")
  local dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-pg-XXXXXX")
  trap 'cmd_destroy "$dir"' EXIT
  trap 'exit 130' INT TERM
  local options=(--port "$PORT")
  local setting
  for setting in "${SETTINGS[@]}"; do
    options+=(-c "$setting")
  done
  local connection
  connection=$(cmd_start "$dir" "${options[@]}")
  local status=0
  TARVO_PG_CONNECTION=$connection TARVO_PG_DIR=$dir PGHOST=$dir/socket PGPORT=$PORT \
    PGUSER=postgres PGDATABASE=postgres "${command[@]}" || status=$?
  exit "$status"
}

case "${1:-}" in
  start) [ $# -ge 2 ] || die "usage: start DIR [options]"; shift; cmd_start "$@" ;;
  stop) [ $# -eq 2 ] || die "usage: stop DIR"; cmd_stop "$2" ;;
  destroy) [ $# -eq 2 ] || die "usage: destroy DIR"; cmd_destroy "$2" ;;
  pause) [ $# -eq 2 ] || die "usage: pause DIR"; signal_server "$2/data" STOP ;;
  resume) [ $# -eq 2 ] || die "usage: resume DIR"; signal_server "$2/data" CONT ;;
  run) shift; cmd_run "$@" ;;
  *) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//' >&2; exit 2 ;;
esac
