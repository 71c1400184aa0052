-- The tables the programs share, as a site's database server holds them, at the version the
-- programs of this source need (table esquema; accessdb/SchemaVersion.h). Names are unquoted,
-- so psql and reporting tools read them as alumnos.dni, picadas.fecha, and so on.
-- Idempotent: a console runs it under the write lock when the tables are missing or older and
-- its role may create them; tarvo-setup-server runs it on every set-up. Every step
-- only adds what is missing, so an older database comes up to this version and keeps its rows.

-- What already stands is skipped without a word: no notice reaches a program's output.
SET client_min_messages = warning;

-- Refused on a database that a newer version has upgraded: what it holds may not be ours to
-- change.
DO $$
DECLARE
    found integer;
BEGIN
    IF to_regclass('esquema') IS NOT NULL THEN
        EXECUTE 'SELECT max(version) FROM esquema' INTO found;
        IF found > 5 THEN
            RAISE EXCEPTION 'la base de datos es de una versión más nueva de Tarvo y Mireval'
                USING ERRCODE = 'TV001';
        END IF;
    END IF;
END
$$;

-- Version 1.
CREATE TABLE IF NOT EXISTS alumnos (
    dni bigint PRIMARY KEY,
    nombre text DEFAULT '',
    apellido1 text DEFAULT '',
    apellido2 text DEFAULT '',
    puerta text DEFAULT '',
    agosto text DEFAULT '0',
    fin_de_semana text DEFAULT '0',
    periodo_temporal text DEFAULT '0',
    fechaa text DEFAULT '',
    fechab text DEFAULT ''
);
-- orden keeps the order the accesses were written in; a student's history is read by the
-- index in that order.
CREATE TABLE IF NOT EXISTS picadas (
    orden bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    dni bigint,
    fecha text DEFAULT '',
    hora text DEFAULT '',
    puerta text DEFAULT ''
);
CREATE INDEX IF NOT EXISTS picadas_dni ON picadas (dni, orden);

-- Version 2: every card a door station read, and what became of it. The DNI is kept as the
-- card gave it, so a text; dia is the server's own reading of fecha (" 5/03/2024" gives
-- 2024-03-05, a text that is not such a date gives ''), the day that sorts, which the attempts
-- window and the purge go by. Each index serves one of the window's filters, newest first.
CREATE TABLE IF NOT EXISTS intentos (
    orden bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    dni text DEFAULT '',
    fecha text DEFAULT '',
    hora text DEFAULT '',
    puerta text DEFAULT '',
    puesto text DEFAULT '',
    resultado text DEFAULT '',
    motivo text DEFAULT '',
    dia text GENERATED ALWAYS AS (
        CASE WHEN fecha ~ '^[ 0-3][0-9]/[01][0-9]/[0-9]{4}$'
             THEN substr(fecha, 7, 4) || '-' || substr(fecha, 4, 2) || '-' ||
                  replace(substr(fecha, 1, 2), ' ', '0')
             ELSE '' END) STORED
);
CREATE INDEX IF NOT EXISTS intentos_dia ON intentos (dia, orden);
CREATE INDEX IF NOT EXISTS intentos_dni ON intentos (dni, dia, orden);
CREATE INDEX IF NOT EXISTS intentos_resultado ON intentos (resultado, dia, orden);

-- Version 3: the key of every record a door station wrote (its station, run and number),
-- refused a second time, so that a record written again from the station's journal after an
-- outage is written once; dia is the record's day, by which the purge removes old keys.
CREATE TABLE IF NOT EXISTS anotados (
    clave text PRIMARY KEY,
    dia text NOT NULL DEFAULT ''
);
CREATE INDEX IF NOT EXISTS anotados_dia ON anotados (dia);

-- Version 4: what each door station last told the site (its login may write its own row and no
-- other: the policies below), the site's settings, and a count of the changes to alumnos, by
-- which a station sees at once whether its local copy of the students is still current.
-- Times are the station's "YYYY-MM-DD HH:MM:SS"; '' when not so.
CREATE TABLE IF NOT EXISTS puestos (
    nombre text PRIMARY KEY,
    usuario text NOT NULL DEFAULT current_user,
    ultimo_contacto text NOT NULL DEFAULT '',
    sin_servidor_desde text NOT NULL DEFAULT '',
    pendientes bigint NOT NULL DEFAULT 0,
    copia_de text NOT NULL DEFAULT ''
);
ALTER TABLE puestos ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS puestos_leer ON puestos;
DROP POLICY IF EXISTS puestos_anadir ON puestos;
DROP POLICY IF EXISTS puestos_cambiar ON puestos;
DROP POLICY IF EXISTS puestos_borrar ON puestos;
CREATE POLICY puestos_leer ON puestos FOR SELECT USING (true);
CREATE POLICY puestos_anadir ON puestos FOR INSERT WITH CHECK (usuario = current_user);
CREATE POLICY puestos_cambiar ON puestos FOR UPDATE USING (usuario = current_user)
    WITH CHECK (usuario = current_user);
CREATE POLICY puestos_borrar ON puestos FOR DELETE USING (true);

CREATE TABLE IF NOT EXISTS ajustes (
    nombre text PRIMARY KEY,
    valor text NOT NULL
);
INSERT INTO ajustes (nombre, valor) VALUES ('horas_sin_servidor', '24')
    ON CONFLICT (nombre) DO NOTHING;

CREATE TABLE IF NOT EXISTS cambios_alumnos (
    unica boolean PRIMARY KEY DEFAULT true CHECK (unica),
    numero bigint NOT NULL DEFAULT 0
);
INSERT INTO cambios_alumnos (numero) VALUES (0) ON CONFLICT (unica) DO NOTHING;
CREATE OR REPLACE FUNCTION contar_cambio_alumnos() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    UPDATE cambios_alumnos SET numero = numero + 1;
    RETURN NULL;
END
$$;
CREATE OR REPLACE TRIGGER alumnos_cambian AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
    ON alumnos FOR EACH STATEMENT EXECUTE FUNCTION contar_cambio_alumnos();

-- Version 5: timetables, each day's segments in minutes from midnight (dia 1 Monday to 7
-- Sunday), the school calendar's days without school (ISO days, both ends included) and which
-- timetable a student or a door keeps to. A student's row lives beside alumnos, whose ten
-- columns every reader takes as they are. tramos and calendario are keyed for the card's one
-- read: a timetable's segments of one weekday, the ranges begun by a day.
CREATE TABLE IF NOT EXISTS horarios (
    nombre text PRIMARY KEY,
    dias_sin_clase integer NOT NULL DEFAULT 0 CHECK (dias_sin_clase IN (0, 1))
);
CREATE TABLE IF NOT EXISTS tramos (
    horario text NOT NULL,
    dia integer NOT NULL CHECK (dia BETWEEN 1 AND 7),
    desde integer NOT NULL CHECK (desde >= 0),
    hasta integer NOT NULL CHECK (hasta > desde AND hasta <= 1440),
    PRIMARY KEY (horario, dia, desde)
);
CREATE TABLE IF NOT EXISTS calendario (
    desde text NOT NULL,
    hasta text NOT NULL,
    descripcion text NOT NULL DEFAULT '',
    CHECK (hasta >= desde),
    PRIMARY KEY (desde, hasta)
);
CREATE TABLE IF NOT EXISTS horarios_alumnos (
    dni bigint PRIMARY KEY,
    horario text NOT NULL
);
CREATE INDEX IF NOT EXISTS horarios_alumnos_horario ON horarios_alumnos (horario);
CREATE TABLE IF NOT EXISTS horarios_puertas (
    puerta text PRIMARY KEY CHECK (puerta IN ('1', '2', '3', '4', '5', '6', '7', '8')),
    horario text NOT NULL
);

-- A station's copy carries the timetables and the calendar too: their changes are counted with
-- the students'.
CREATE OR REPLACE TRIGGER horarios_cambian AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
    ON horarios FOR EACH STATEMENT EXECUTE FUNCTION contar_cambio_alumnos();
CREATE OR REPLACE TRIGGER tramos_cambian AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
    ON tramos FOR EACH STATEMENT EXECUTE FUNCTION contar_cambio_alumnos();
CREATE OR REPLACE TRIGGER calendario_cambia AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
    ON calendario FOR EACH STATEMENT EXECUTE FUNCTION contar_cambio_alumnos();
CREATE OR REPLACE TRIGGER horarios_alumnos_cambian AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
    ON horarios_alumnos FOR EACH STATEMENT EXECUTE FUNCTION contar_cambio_alumnos();
CREATE OR REPLACE TRIGGER horarios_puertas_cambian AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE
    ON horarios_puertas FOR EACH STATEMENT EXECUTE FUNCTION contar_cambio_alumnos();

-- The version the tables are at: one row.
CREATE TABLE IF NOT EXISTS esquema (
    unica boolean PRIMARY KEY DEFAULT true CHECK (unica),
    version integer NOT NULL
);
INSERT INTO esquema (version) VALUES (5)
    ON CONFLICT (unica) DO UPDATE SET version = excluded.version
    WHERE esquema.version < excluded.version;
