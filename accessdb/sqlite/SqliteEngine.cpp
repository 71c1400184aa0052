#include "SqliteEngine.h"

#include <strings.h>

#include "FileKeeper.h"
#include "Schema.h"
#include "accessdb/AttemptListingSql.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"
#include "accessdb/Encodings.h"

namespace accessdb::sqlite {

namespace {

// The write-ahead log is checkpointed and emptied once it holds this many pages (about
// 256 KiB, some thirty cards), by the commit that reaches it: the log stays small, and so does
// what a program that did not end normally leaves beside the file. A program's last connection
// on the file folds the rest back in as it closes (FileKeeping.h).
constexpr int kWalPagesPerCheckpoint = 64;

int CheckpointLongWal(void*, sqlite3* db, const char* name, int pages) {
    if (pages >= kWalPagesPerCheckpoint) {
        // Never waits: while another program reads or writes, a later commit checkpoints.
        sqlite3_busy_timeout(db, 0);
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
    }
    return SQLITE_OK;  // the commit itself has succeeded whatever the checkpoint did
}

[[noreturn]] void RefuseNonFile(const std::filesystem::path& entry) {
    throw DatabaseError(SQLITE_CANTOPEN,
                        "No se puede abrir " + DatabaseAt(entry) + ": '" +
                            entry.filename().string() +
                            "' es una carpeta (o algo que no es un archivo), no el archivo de la "
                            "base de datos. Cámbiele el nombre o retírela, y ponga en su lugar el "
                            "archivo de la base de datos.");
}

}  // namespace

std::unique_ptr<SqliteEngine> OpenEngine(const std::filesystem::path& file, OpenMode mode) {
    std::filesystem::path path = file;
    const std::optional<std::filesystem::path> existing = FindDatabaseFile(file);
    if (existing) {
        path = *existing;
    } else if (const auto other = FindNonFileEntry(file)) {
        RefuseNonFile(*other);
    } else if (mode == OpenMode::ExistingOnly) {
        throw DatabaseError(kFileNotFound,
                            "No se encuentra el archivo de base de datos '" +
                                file.filename().string() + "' en la carpeta '" +
                                std::filesystem::absolute(file).parent_path().string() +
                                "'. Compruebe que el programa se inicia en la carpeta de datos "
                                "del centro; si la base de datos aún no existe, ábrala primero "
                                "con Mireval, que la crea.");
    }
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                      (mode == OpenMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    DatabaseHandle db(raw);
    if (rc != SQLITE_OK) {
        throw Describe(std::filesystem::absolute(path), FailureOf(db.get(), rc), Intent::Open);
    }
    if (!existing) {
        ShareWithFolderGroup(path);  // before the journal files copy its mode
    }
    sqlite3_extended_result_codes(db.get(), 0);
    sqlite3_busy_timeout(db.get(), kBusyTimeoutMs);
    sqlite3_wal_hook(db.get(), CheckpointLongWal, nullptr);
    // A granted access reported as stored must survive a power cut. The first statement reads
    // the file's schema: what fails here (not a database, a read-only folder) fails the open.
    Execute(db.get(), "PRAGMA synchronous = FULL", Intent::Open);
    // Reading the tables also proves the file is a database at all: a damaged file fails here,
    // as an open failure, before anything is read or written.
    PrepareSchema(db.get(), mode == OpenMode::CreateIfMissing);
    KeepOpen(path);
    return std::make_unique<SqliteEngine>(std::move(db));
}

std::optional<StudentColumns> SqliteEngine::FindStudentRow(std::int64_t dni) {
    Statement query(Handle(), "SELECT * FROM Alumnos WHERE DNI = ?");
    query.Bind(1, dni);
    if (!query.Step()) {
        return std::nullopt;
    }
    StudentColumns columns;
    for (int i = 0; i < query.ColumnCount(); ++i) {
        std::string name = query.ColumnName(i);
        std::string value = query.Text(i);
        if (strcasecmp(name.c_str(), "DNI") == 0 && !query.IsNull(i)) {
            value = FormatDni(query.Integer(i));
        }
        columns.emplace_back(std::move(name), std::move(value));
    }
    return columns;
}

void SqliteEngine::InsertStudent(std::int64_t dni, const StudentRecord& student) {
    Statement insert(Handle(),
                     "INSERT INTO Alumnos (DNI, Nombre, Apellido1, Apellido2) VALUES (?, ?, ?, ?)");
    insert.Bind(1, dni)
        .Bind(2, student.nombre)
        .Bind(3, student.apellido1)
        .Bind(4, student.apellido2);
    insert.Run();
}

bool SqliteEngine::UpdateStudent(std::int64_t dni, const StudentRecord& student) {
    Statement update(Handle(),
                     "UPDATE Alumnos SET Nombre = ?, Apellido1 = ?, Apellido2 = ?, Puerta = ?,"
                     " Agosto = ?, Fin_de_semana = ?, Periodo_temporal = ?, FechaA = ?, FechaB = ?"
                     " WHERE DNI = ?");
    BindStudentFields(update, 1, student).Bind(10, dni);
    update.Run();
    return sqlite3_changes(Handle()) > 0;
}

bool SqliteEngine::DeleteStudent(std::int64_t dni) {
    Statement remove(Handle(), "DELETE FROM Alumnos WHERE DNI = ?");
    remove.Bind(1, dni).Run();
    return sqlite3_changes(Handle()) > 0;
}

std::vector<AccessRecord> SqliteEngine::ListAccesses(std::int64_t dni) {
    Statement query(Handle(),
                    "SELECT Fecha, Hora, Puerta FROM Picadas WHERE DNI = ? ORDER BY rowid");
    query.Bind(1, dni);
    std::vector<AccessRecord> accesses;
    while (query.Step()) {
        accesses.push_back({std::string(), query.Text(0), query.Text(1), query.Text(2)});
    }
    return accesses;
}

std::size_t SqliteEngine::DeleteAccesses(std::int64_t dni) {
    Statement remove(Handle(), "DELETE FROM Picadas WHERE DNI = ?");
    remove.Bind(1, dni).Run();
    return static_cast<std::size_t>(sqlite3_changes(Handle()));
}

void SqliteEngine::AppendAccess(std::int64_t dni, const AccessRecord& access) {
    Statement insert(Handle(),
                     "INSERT INTO Picadas (DNI, Fecha, Hora, Puerta) VALUES (?, ?, ?, ?)");
    insert.Bind(1, dni).Bind(2, access.fecha).Bind(3, access.hora).Bind(4, access.puerta);
    insert.Run();
}

void SqliteEngine::AppendAttempt(const AttemptRecord& attempt) {
    Statement insert(Handle(),
                     "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?)");
    insert.Bind(1, attempt.dni)
        .Bind(2, attempt.fecha)
        .Bind(3, attempt.hora)
        .Bind(4, attempt.puerta)
        .Bind(5, attempt.puesto)
        .Bind(6, attempt.resultado)
        .Bind(7, attempt.motivo);
    insert.Run();
}

namespace {

std::string Marker(int n) { return "?" + std::to_string(n); }

void BindAll(Statement& statement, const std::vector<SqlValue>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const SqlValue& value = values[i];
        const int index = static_cast<int>(i + 1);
        if (value.isNumber) {
            statement.Bind(index, value.number);
        } else {
            statement.Bind(index, value.text);
        }
    }
}

}  // namespace

AttemptPage SqliteEngine::ListAttempts(const AttemptQuery& query) {
    const SqlWithValues listing = AttemptListingSql(query, Marker);
    Statement select(Handle(), listing.sql);
    BindAll(select, listing.values);
    std::vector<PositionedAttempt> rows;
    while (select.Step()) {
        rows.push_back(ReadAttempt(select));
        rows.back().student = StudentName(select.Text(9), select.Text(10), select.Text(11));
    }
    return PageOf(std::move(rows), query);
}

std::vector<AttemptDayCount> SqliteEngine::CountAttempts(const AttemptQuery& query) {
    const SqlWithValues counting = AttemptCountSql(query, Marker);
    Statement select(Handle(), counting.sql);
    BindAll(select, counting.values);
    std::vector<AttemptDayCount> counts;
    while (select.Step()) {
        counts.push_back({select.Text(0), select.Text(1), select.Integer(2)});
    }
    return counts;
}

PositionedAttempt ReadAttempt(const Statement& row) {
    PositionedAttempt read{row.Integer(0),
                           row.Text(8),
                           {row.Text(1), row.Text(2), row.Text(3), row.Text(4), row.Text(5),
                            row.Text(6), row.Text(7)}};
    for (int column = 1; column <= 7; ++column) {
        if (row.IsNull(column)) {
            read.nulls.Mark(column - 1);
        }
    }
    return read;
}

// BEGIN IMMEDIATE takes the write lock at once, so the other program's writer is waited for
// (busy timeout) before the check inside the transaction, not found later at the write.
void SqliteEngine::BeginWrite() { Execute(Handle(), "BEGIN IMMEDIATE"); }

void SqliteEngine::CommitWrite() { Execute(Handle(), "COMMIT"); }

void SqliteEngine::RollbackWrite() noexcept {
    sqlite3_exec(Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

Statement& BindStudentFields(Statement& statement, int first, const StudentRecord& student) {
    return statement.Bind(first, student.nombre)
        .Bind(first + 1, student.apellido1)
        .Bind(first + 2, student.apellido2)
        .Bind(first + 3, student.puerta)
        .Bind(first + 4, student.agosto)
        .Bind(first + 5, student.finDeSemana)
        .Bind(first + 6, student.periodoTemporal)
        .Bind(first + 7, student.fechaA)
        .Bind(first + 8, student.fechaB);
}

}  // namespace accessdb::sqlite
