#!/usr/bin/env bash
# Writes the demo's Alumnos.mdb into the folder given: one student for each case the door
# station meets. The file is made with the sqlite3 shell, as a school may make its own.
#   demo-students.sh DIR
set -euo pipefail
DIR=$1
mkdir -p "$DIR"
rm -f "$DIR"/Alumnos.mdb "$DIR"/Alumnos.mdb-wal "$DIR"/Alumnos.mdb-shm
start=$(date -d '-3 days' +%d/%m/%y)
end=$(date -d '+30 days' +%d/%m/%y)
sqlite3 "$DIR/Alumnos.mdb" <<SQL
CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY, Nombre TEXT DEFAULT '', Apellido1 TEXT DEFAULT '',
  Apellido2 TEXT DEFAULT '', Puerta TEXT DEFAULT '', Agosto TEXT DEFAULT '0',
  Fin_de_semana TEXT DEFAULT '0', Periodo_temporal TEXT DEFAULT '0', FechaA TEXT DEFAULT '',
  FechaB TEXT DEFAULT '');
CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT DEFAULT '', Hora TEXT DEFAULT '', Puerta TEXT DEFAULT '');
-- allowed at door 3
INSERT INTO Alumnos VALUES (11111111, 'Ana', 'García', 'López', '1,3,', '0', '0', '0', '', '');
-- not allowed at door 3
INSERT INTO Alumnos VALUES (22222222, 'Luis', 'Martín', 'Sanz', '5,', '0', '0', '0', '', '');
-- allowed at door 3 on weekdays, restricted on weekends
INSERT INTO Alumnos VALUES (33333333, 'Carmen', 'Ruiz', 'Vega', '3,', '0', '1', '0', '', '');
-- allowed at door 3, but inside a restriction period that began three days ago
INSERT INTO Alumnos VALUES (44444444, 'Jorge', 'Díaz', 'Mora', '3,4,', '0', '0', '1', '$start', '$end');
SQL
