#!/usr/bin/env bash
# Prepares a school's PostgreSQL server for Tarvo and Mireval: the site's database, the tables
# Alumnos, Picadas and Intentos at the version the programs of this checkout need, and two
# login roles with the least each program needs:
#   - door stations (Tarvo) may read Alumnos and add rows to Picadas and Intentos, nothing else:
#     a stolen station login can neither give a card more doors, lift a restriction nor erase
#     or read history;
#   - consoles (Mireval, tarvo-admin) may read and write Alumnos and Picadas, and read and
#     delete Intentos (the attempts window, a purge, a person's erasure).
# Each door station writes its own row of Puestos (how it is: last contact, working without the
# server, records waiting): give each station a login of its own, as below, so that none can
# write another's row; stations sharing one login share their rows.
# The door-station role cannot create tables: when the programs are updated to a version with
# more tables, run this script again on the server; it adds what is missing and keeps the data.
#
# The tarvo package installs it as tarvo-setup-server, with the tables' definition in
# /usr/share/tarvo; in a checkout it is scripts/setup-site-server.sh beside the sources.
#
#   tarvo-setup-server [--database NAME] [--station-role NAME] [--console-role NAME]
#                      [--admin CONNINFO]
#
# Defaults: database "tarvo", roles "<database>_puerta" and "<database>_consola". Run it as a
# server administrator, on the server itself for instance as
#   sudo -u postgres tarvo-setup-server --database escuela
# or elsewhere with --admin 'postgresql://admin@server/postgres' (or libpq's PGHOST, PGUSER...).
# TARVO_STATION_PASSWORD and TARVO_CONSOLE_PASSWORD, when set, become the roles' passwords;
# otherwise set them with psql's \password. More logins for one kind of PC share its rights as
# members: CREATE ROLE puerta5 LOGIN PASSWORD '...' IN ROLE escuela_puerta.
# Running it again keeps the data and sets the privileges anew.
set -euo pipefail

me=$(basename "$0")
# The tables' definition: beside the sources in a checkout, in share/tarvo once installed. The
# link is resolved first, so that /sbin/tarvo-setup-server or a link elsewhere finds it too.
here=$(dirname "$(readlink -f "$0")")
schema=
for candidate in "$here/../accessdb/postgres/Schema.sql" "$here/../share/tarvo/Schema.sql"; do
  if [ -f "$candidate" ]; then
    schema=$(readlink -f "$candidate")
    break
  fi
done
database=tarvo
station=
console=
admin=()
while [ $# -gt 0 ]; do
  case "$1" in
    --database | --station-role | --console-role | --admin)
      [ $# -ge 2 ] || { echo "$me: falta el valor de $1 (véase $me --help)" >&2; exit 2; } ;;
  esac
  case "$1" in
    --database) database=$2; shift 2 ;;
    --station-role) station=$2; shift 2 ;;
    --console-role) console=$2; shift 2 ;;
    --admin) admin=("$2"); shift 2 ;;
    -h | --help)
      echo "Uso: $me [--database NOMBRE] [--station-role NOMBRE] [--console-role NOMBRE] [--admin CONEXIÓN]"
      echo "Prepara la base de datos del centro en el servidor PostgreSQL (véase man tarvo-setup-server)."
      exit 0 ;;
    *) echo "$me: opción desconocida: $1 (véase $me --help)" >&2; exit 2 ;;
  esac
done
station=${station:-${database}_puerta}
console=${console:-${database}_consola}
[ -n "$schema" ] || {
  echo "$me: no se encuentra la definición de las tablas (Schema.sql) junto al programa;" \
    "vuelva a instalar el paquete tarvo." >&2
  exit 1
}
command -v psql >/dev/null || {
  echo "$me: falta el cliente psql: instálelo con «apt install postgresql-client»." >&2
  exit 1
}

psql -X -q -v ON_ERROR_STOP=1 "${admin[@]}" \
  -v database="$database" -v station="$station" -v console="$console" \
  -v station_password="${TARVO_STATION_PASSWORD:-}" \
  -v console_password="${TARVO_CONSOLE_PASSWORD:-}" \
  -v schema="$schema" <<'SQL'
SELECT format('CREATE ROLE %I LOGIN', name)
  FROM (VALUES (:'station'), (:'console')) AS wanted(name)
 WHERE NOT EXISTS (SELECT 1 FROM pg_roles WHERE rolname = name) \gexec
SELECT format('ALTER ROLE %I PASSWORD %L', name, password)
  FROM (VALUES (:'station', :'station_password'), (:'console', :'console_password'))
       AS given(name, password)
 WHERE password <> '' \gexec
SELECT format('CREATE DATABASE %I ENCODING %L TEMPLATE template0', :'database', 'UTF8')
 WHERE NOT EXISTS (SELECT 1 FROM pg_database WHERE datname = :'database') \gexec

\connect :"database"
SET client_min_messages = warning;
\i :schema

-- Nobody but the two roles reaches the database; nobody but its owner creates objects in it.
REVOKE ALL ON DATABASE :"database" FROM PUBLIC;
GRANT CONNECT ON DATABASE :"database" TO :"station", :"console";
REVOKE CREATE ON SCHEMA public FROM PUBLIC;
GRANT USAGE ON SCHEMA public TO :"station", :"console";

REVOKE ALL ON alumnos, picadas, intentos, anotados, esquema, puestos, ajustes, cambios_alumnos,
  horarios, tramos, calendario, horarios_alumnos, horarios_puertas
  FROM PUBLIC, :"station", :"console";
-- Both read the version of the tables when they open them.
GRANT SELECT ON esquema TO :"station", :"console";
-- A door station looks students up and records the accesses it grants and every card it
-- read; the order columns and the attempt's day fill themselves.
GRANT SELECT ON alumnos TO :"station";
GRANT INSERT (dni, fecha, hora, puerta) ON picadas TO :"station";
GRANT INSERT (dni, fecha, hora, puerta, puesto, resultado, motivo) ON intentos TO :"station";
GRANT INSERT ON anotados TO :"station";
-- It keeps a copy of the students for when the server cannot be reached (the count of changes
-- says when it is out of date; the site's limit, how long it may decide on it), and tells the
-- site how it is: its own row of puestos only, by the table's policies.
GRANT SELECT ON cambios_alumnos, ajustes TO :"station";
GRANT SELECT, INSERT, UPDATE (ultimo_contacto, sin_servidor_desde, pendientes, copia_de)
  ON puestos TO :"station";
-- It decides by the timetables and the school calendar, and changes none of them.
GRANT SELECT ON horarios, tramos, calendario, horarios_alumnos, horarios_puertas TO :"station";
-- A console registers, changes and deletes students, lists and deletes their history, and
-- lists, purges and erases the attempts (it never writes one).
GRANT SELECT, INSERT, UPDATE, DELETE ON alumnos, picadas TO :"console";
GRANT SELECT, DELETE ON intentos TO :"console";
GRANT SELECT, DELETE ON anotados TO :"console";
-- Its changes to the students count themselves; it lists the stations and forgets a retired
-- one, and sets the site's limit of working without the server.
GRANT SELECT, UPDATE ON cambios_alumnos TO :"console";
GRANT SELECT, DELETE ON puestos TO :"console";
GRANT SELECT, INSERT, UPDATE ON ajustes TO :"console";
-- It keeps the timetables, who keeps to them and the school calendar.
GRANT SELECT, INSERT, UPDATE, DELETE
  ON horarios, tramos, calendario, horarios_alumnos, horarios_puertas TO :"console";
SQL
echo "Base de datos $database lista: puestos de puerta como $station, consolas como $console."
