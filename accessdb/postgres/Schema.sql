-- The two tables both programs share, as a site's database server holds them. Names are
-- unquoted, so psql and reporting tools read them as alumnos.dni, picadas.fecha, and so on.
-- Idempotent: the console runs it when the tables are missing and it may create them, and
-- scripts/setup-site-server.sh runs it on every set-up.
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
