#!/usr/bin/env bash
# What the tarvo package installs, checked in an install tree of the build (cmake --install into
# a fresh DESTDIR, the files CPack packs):
#   - the server's set-up command with its tables' definition and manual page, and the daily
#     purge's service and timer; nothing enables the timer;
#   - systemd accepts both units as installed (systemd-analyze verify on the tree);
#   - the installed set-up prepares a real throwaway PostgreSQL cluster with the definition it
#     finds in the tree, called through a link as from another folder of PATH, and the installed
#     tarvo-admin then checks that database as the console's role;
#   - as root: the purge, run as the service runs it (an identity outside /etc/passwd, in group
#     users), empties the old accesses of a database a desktop user made in a shared folder,
#     which the desktop users go on writing.
#   install-tree-test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
fail() { echo "FAIL: $*" >&2; exit 1; }

tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarvo-install-XXXXXX")
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp" # the users the purge check runs as must reach the tree and the data folder
root=$tmp/root
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
DESTDIR=$root cmake --install "$build" --component tarvo >"$tmp/install.log" ||
  { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }
tree=$root$prefix
units=$tree/lib/systemd/system

# --- The files -----------------------------------------------------------------------------
for file in bin/tarvo-admin sbin/tarvo-setup-server share/tarvo/Schema.sql \
  share/man/man1/tarvo-admin.1.gz share/man/man8/tarvo-setup-server.8.gz \
  lib/systemd/system/tarvo-purge.service lib/systemd/system/tarvo-purge.timer; do
  [ -f "$tree/$file" ] || fail "$prefix/$file is not installed"
done
[ "$(stat -c %a "$tree/sbin/tarvo-setup-server")" = 755 ] || fail "tarvo-setup-server is not 755"
cmp -s "$source_dir/accessdb/postgres/Schema.sql" "$tree/share/tarvo/Schema.sql" ||
  fail "the installed Schema.sql is not the source's"

# Installed, not enabled: no link under /etc, no wants folder, no maintainer script starting
# anything; the timer can be enabled by hand.
leftovers=$(cd "$root" && find . \( -path ./etc -o -name '*.wants' -o -name '*.requires' \) -print)
[ -z "$leftovers" ] || fail "the install enables units: $leftovers"
if grep -nE 'systemctl|deb-systemd|invoke-rc\.d' "$source_dir"/packaging/postinst \
  "$source_dir"/packaging/postrm.in; then
  fail "a maintainer script enables or starts a unit"
fi
grep -qx 'WantedBy=timers.target' "$units/tarvo-purge.timer" ||
  fail "the timer cannot be enabled (no WantedBy=timers.target)"
# The service works in the data folder that the package's postinst makes for group users.
data_folder=$(sed -n 's/^WorkingDirectory=//p' "$units/tarvo-purge.service")
grep -q "mkdir -p $data_folder\$" "$source_dir/packaging/postinst" ||
  fail "the service's folder $data_folder is not the one postinst makes"
grep -qx "ReadWritePaths=$data_folder" "$units/tarvo-purge.service" ||
  fail "the service may not write $data_folder"
echo "OK: set-up command, its schema and manual page, purge service and timer; none enabled"

# --- The manual pages format without warnings -----------------------------------------------
if command -v man >/dev/null; then
  for page in "$tree/share/man/man8/tarvo-setup-server.8.gz" "$tree/share/man/man1/tarvo-admin.1.gz"; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >"$tmp/page.txt")
    [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    grep -q "^NAME" "$tmp/page.txt" || fail "$(basename "$page") shows no page"
  done
  grep -q "$prefix/share/tarvo/Schema.sql" <(zcat "$tree/share/man/man8/tarvo-setup-server.8.gz") ||
    fail "the set-up's manual page names another schema file"
  echo "OK: the manual pages format without warnings"
else
  echo "SKIP: man is not installed; the manual pages were not formatted"
fi

# --- systemd reads both units as installed ---------------------------------------------------
# The tree holds this machine's own units too (the targets ours are ordered against), so that
# ExecStart is looked up in the tree, where tarvo-admin is; their Documentation= page is looked
# up among the tree's manual pages.
if command -v systemd-analyze >/dev/null && command -v man >/dev/null &&
  [ -d /usr/lib/systemd/system ]; then
  mkdir -p "$root/usr/lib/systemd/system"
  cp -an /usr/lib/systemd/system/. "$root/usr/lib/systemd/system/"
  verdict=$(MANPATH=$tree/share/man systemd-analyze verify --root="$root" \
    "$units/tarvo-purge.service" "$units/tarvo-purge.timer" 2>&1) ||
    fail "systemd-analyze verify: $verdict"
  [ -z "$verdict" ] || fail "systemd-analyze verify warns: $verdict"
  echo "OK: systemd-analyze verify accepts the service and the timer"
else
  echo "SKIP: systemd-analyze or man is not installed; the units were not verified"
fi

# --- The installed set-up on a real server ---------------------------------------------------
# Called through a link in another folder, as from /sbin or /usr/local/sbin.
mkdir "$tmp/links"
ln -s "$tree/sbin/tarvo-setup-server" "$tmp/links/tarvo-setup-server"
# The script alone, without the tree beside it, says what is missing instead of guessing.
mkdir -p "$tmp/alone/sbin"
cp "$tree/sbin/tarvo-setup-server" "$tmp/alone/sbin/"
status=0
"$tmp/alone/sbin/tarvo-setup-server" --database escuela 2>"$tmp/alone.err" || status=$?
if [ "$status" -ne 1 ] || ! grep -q "Schema.sql" "$tmp/alone.err"; then
  fail "the set-up without its schema ended with $status: $(cat "$tmp/alone.err")"
fi

cat >"$tmp/on-server.sh" <<'EOF_SERVER'
set -euo pipefail
tmp=$1 tree=$2
password=$(head -c 18 /dev/urandom | base64 | tr -d '/+=')
TARVO_STATION_PASSWORD=$password TARVO_CONSOLE_PASSWORD=$password \
  "$tmp/links/tarvo-setup-server" --database escuela --admin "$TARVO_PG_CONNECTION" >"$tmp/setup.out"
grep -q "escuela_consola" "$tmp/setup.out"
# Again, as after an upgrade: the data stays.
psql -X -q -v ON_ERROR_STOP=1 "$TARVO_PG_CONNECTION dbname=escuela" \
  -c "INSERT INTO alumnos (dni, nombre, apellido1) VALUES (12345678, 'Ana', 'Pérez')"
"$tree/sbin/tarvo-setup-server" --database escuela --admin "$TARVO_PG_CONNECTION" >/dev/null
[ "$(psql -X -A -t "$TARVO_PG_CONNECTION dbname=escuela" -c "SELECT count(*) FROM alumnos")" = 1 ]
# The console's role opens what the set-up made, with the installed tarvo-admin.
export PGPASSFILE=$tmp/pgpass
(umask 077 && echo "*:*:escuela:escuela_consola:$password" >"$PGPASSFILE")
"$tree/bin/tarvo-admin" check --database "host=$PGHOST port=$PGPORT dbname=escuela user=escuela_consola"
EOF_SERVER
if ! out=$("$source_dir/scripts/pg-cluster.sh" run -- bash "$tmp/on-server.sh" "$tmp" "$tree" 2>&1); then
  fail "the installed set-up on a real server: $out"
fi
echo "$out"
echo "OK: the installed tarvo-setup-server prepares a server with the schema of its tree"

# --- The purge as the service's identity, on a desktop user's database ---------------------
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: not root; the purge was not run as the service's identity"
  exit 0
fi
desktop() { setpriv --reuid=1001 --regid=100 --clear-groups env HOME=/nonexistent "$@"; }
other_desktop() { setpriv --reuid=1002 --regid=100 --clear-groups env HOME=/nonexistent "$@"; }
# As the unit says: with DynamicUser a uid of no account and a group of its own, plus the
# unit's supplementary groups, and its umask.
service_unit=$units/tarvo-purge.service
grep -qx 'DynamicUser=yes' "$service_unit" || fail "the service no longer runs as DynamicUser"
groups=()
read -ra names <<<"$(sed -n 's/^SupplementaryGroups=//p' "$service_unit")"
for name in "${names[@]}"; do
  groups+=("$(getent group "$name" | cut -d: -f3)")
done
service_groups=(--clear-groups)
[ ${#groups[@]} -eq 0 ] || service_groups=(--groups="$(IFS=,; echo "${groups[*]}")")
service_umask=$(sed -n 's/^UMask=//p' "$service_unit")
service() { setpriv --reuid=61234 --regid=61234 "${service_groups[@]}" env HOME=/ "$@"; }
data=$tmp/data
mkdir "$data"
chown root:users "$data"
chmod 2775 "$data"
printf 'DNI;Nombre;Apellido1\n12345678;Ana;Pérez\n' >"$tmp/alumnos.csv"
chmod 644 "$tmp/alumnos.csv"
(cd "$data" && umask 022 && desktop "$tree/bin/tarvo-admin" import "$tmp/alumnos.csv" >/dev/null 2>&1) ||
  fail "a desktop user could not import into the shared folder"
desktop sqlite3 "$data/Alumnos.mdb" \
  "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (12345678, ' 5/03/2001', '10:00:00', '3')" ||
  fail "a desktop user cannot write the database it made"
# The unit's own command line, with no terminal to confirm on: it must carry --yes.
read -ra purge_args <<<"$(sed -n 's/^ExecStart=[^ ]*tarvo-admin //p' "$service_unit")"
[[ " ${purge_args[*]} " == *" --yes "* ]] ||
  fail "the service's purge has no --yes, and without a terminal it would refuse"
status=0
(cd "$data" && umask "${service_umask:-0022}" && service "$tree/bin/tarvo-admin" "${purge_args[@]}" \
  </dev/null >"$tmp/purge.out" 2>&1) || status=$?
[ "$status" -eq 0 ] || fail "the purge as the service's identity ended with $status: $(cat "$tmp/purge.out")"
[ "$(desktop sqlite3 "$data/Alumnos.mdb" "SELECT count(*) FROM Picadas")" = 0 ] ||
  fail "the purge left the old access: $(cat "$tmp/purge.out")"
[ "$(stat -c %a:%u:%G "$data/Alumnos.mdb")" = 664:1001:users ] ||
  fail "after the purge Alumnos.mdb is $(stat -c %a:%u:%G "$data/Alumnos.mdb")"
other_desktop sqlite3 "$data/Alumnos.mdb" \
  "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (12345678, ' 5/03/2001', '10:00:00', '3')" ||
  fail "another desktop user cannot write the database after the purge"
echo "OK: the purge as an unknown user of group users purges a desktop user's database"
