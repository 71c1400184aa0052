// Timetables, who keeps to them and the school calendar, written once for both engines.
#include "Timetables.h"

#include <algorithm>
#include <cstdio>

#include "DatabaseError.h"
#include "Encodings.h"
#include "InputChecks.h"
#include "TableColumns.h"
#include "Transaction.h"

namespace accessdb {

namespace {

constexpr std::size_t kMaxNameBytes = 60;
// How many of a timetable's students a refusal or a listing names.
constexpr std::int64_t kStudentsNamed = 3;

constexpr const char* kDayNames[kDaysPerWeek] = {"lunes",   "martes", "miércoles", "jueves",
                                                 "viernes", "sábado", "domingo"};

[[noreturn]] void Refuse(std::string text) {
    throw DatabaseError(kTimetableInvalid, std::move(text));
}

std::string Quoted(std::string_view name) { return "«" + std::string(name) + "»"; }

void CheckName(std::string_view name) {
    if (name.empty() || name.front() == ' ' || name.back() == ' ') {
        Refuse("El nombre del horario " + Quoted(name) +
               " no vale: escriba un nombre sin espacios al principio ni al final.");
    }
    if (name.size() > kMaxNameBytes) {
        Refuse("El nombre del horario " + Quoted(name) + " es demasiado largo: use como mucho " +
               std::to_string(kMaxNameBytes) + " letras.");
    }
    for (const unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) {
            Refuse("El nombre del horario lleva caracteres de control: escríbalo de nuevo.");
        }
    }
}

void CheckSegments(const Timetable& timetable) {
    for (int day = 0; day < kDaysPerWeek; ++day) {
        std::vector<TimetableSegment> segments = timetable.dias[day];
        const std::string where =
            "El horario " + Quoted(timetable.nombre) + ", el " + kDayNames[day] + ", ";
        if (segments.size() > kMaxSegmentsPerDay) {
            Refuse(where + "tiene " + std::to_string(segments.size()) +
                   " tramos: caben como mucho " + std::to_string(kMaxSegmentsPerDay) + ".");
        }
        std::sort(segments.begin(), segments.end(),
                  [](const auto& a, const auto& b) { return a.desde < b.desde; });
        for (std::size_t i = 0; i < segments.size(); ++i) {
            const TimetableSegment& s = segments[i];
            if (s.desde < 0 || s.hasta > kMinutesPerDay || s.hasta <= s.desde) {
                Refuse(where + "tiene un tramo que no vale (" + MinutesText(s.desde) + "–" +
                       MinutesText(s.hasta) +
                       "): cada tramo va de una hora a otra posterior del mismo día, entre "
                       "00:00 y 24:00.");
            }
            if (i > 0 && segments[i - 1].hasta > s.desde) {
                Refuse(where + "tiene tramos que se solapan (" +
                       MinutesText(segments[i - 1].desde) + "–" +
                       MinutesText(segments[i - 1].hasta) + " y " + MinutesText(s.desde) + "–" +
                       MinutesText(s.hasta) + "): únalos en uno.");
            }
        }
    }
}

char CheckDoor(char door) {
    if (door < '1' || door > '8') {
        throw DatabaseError(kDoorInvalid, "La puerta debe ser un número del 1 al 8.");
    }
    return door;
}

[[noreturn]] void NotFound(std::string_view name) {
    throw DatabaseError(kTimetableNotFound,
                        "No hay ningún horario llamado " + Quoted(name) +
                            ". Compruebe el nombre con «tarvo-admin horarios».");
}

bool Exists(SqlSession& session, std::string_view name) {
    return session.Query("SELECT 1 FROM Horarios WHERE Nombre = ?", {std::string(name)})->Next();
}

std::string DoorList(const std::vector<char>& doors) {
    std::string text;
    for (std::size_t i = 0; i < doors.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == doors.size() ? " y " : ", ") + std::string(1, doors[i]);
    }
    return text;
}

TimetableUse UseOf(SqlSession& session, const std::string& name, std::int64_t students) {
    TimetableUse use{name, {}, students, {}};
    const auto doors = session.Query(
        "SELECT Puerta FROM Horarios_puertas WHERE Horario = ? ORDER BY Puerta", {name});
    while (doors->Next()) {
        const std::string door = doors->Text(0);
        use.puertas.push_back(door.empty() ? '?' : door[0]);
    }
    if (students > 0) {
        const auto first = session.Query(
            "SELECT a.DNI FROM Horarios_alumnos a JOIN Alumnos s ON s.DNI = a.DNI"
            " WHERE a.Horario = ? ORDER BY a.DNI LIMIT " +
                std::to_string(kStudentsNamed),
            {name});
        while (first->Next()) {
            use.primerosDni.push_back(FormatDni(first->Integer(0)));
        }
    }
    return use;
}

std::int64_t RegisteredStudentsOf(SqlSession& session, const std::string& name) {
    return QueryNumber(session,
                       "SELECT count(*) FROM Horarios_alumnos a JOIN Alumnos s ON s.DNI = a.DNI"
                       " WHERE a.Horario = ?",
                       {name});
}

}  // namespace

std::string MinutesText(int minutes) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes / 60, minutes % 60);
    return text;
}

std::vector<Timetable> TimetableStore::List() {
    std::vector<Timetable> timetables;
    Transaction snapshot(m_session, TransactionKind::Read);
    const auto heads =
        m_session.Query("SELECT Nombre, Dias_sin_clase FROM Horarios ORDER BY Nombre");
    while (heads->Next()) {
        Timetable timetable;
        timetable.nombre = heads->Text(0);
        timetable.diasSinClase = heads->Integer(1) != 0;
        timetables.push_back(std::move(timetable));
    }
    // By the bytes of their names, whatever the server's collation ordered them by.
    std::sort(timetables.begin(), timetables.end(),
              [](const Timetable& a, const Timetable& b) { return a.nombre < b.nombre; });
    const auto segments = m_session.Query(
        "SELECT Horario, Dia, Desde, Hasta FROM Tramos ORDER BY Horario, Dia, Desde");
    while (segments->Next()) {
        const std::string name = segments->Text(0);
        const auto day = segments->Integer(1);
        const auto found =
            std::lower_bound(timetables.begin(), timetables.end(), name,
                             [](const Timetable& t, const std::string& n) { return t.nombre < n; });
        if (found == timetables.end() || found->nombre != name || day < 1 || day > 7) {
            continue;  // a segment left of a timetable written by hand
        }
        found->dias[day - 1].push_back(
            {static_cast<int>(segments->Integer(2)), static_cast<int>(segments->Integer(3))});
    }
    snapshot.Commit();
    return timetables;
}

std::optional<Timetable> TimetableStore::Find(std::string_view nombre) {
    const std::string name(nombre);
    Transaction snapshot(m_session, TransactionKind::Read);
    const auto head =
        m_session.Query("SELECT Dias_sin_clase FROM Horarios WHERE Nombre = ?", {name});
    if (!head->Next()) {
        return std::nullopt;
    }
    Timetable timetable;
    timetable.nombre = name;
    timetable.diasSinClase = head->Integer(0) != 0;
    const auto segments = m_session.Query(
        "SELECT Dia, Desde, Hasta FROM Tramos WHERE Horario = ? ORDER BY Dia, Desde", {name});
    while (segments->Next()) {
        const auto day = segments->Integer(0);
        if (day >= 1 && day <= kDaysPerWeek) {
            timetable.dias[day - 1].push_back(
                {static_cast<int>(segments->Integer(1)), static_cast<int>(segments->Integer(2))});
        }
    }
    snapshot.Commit();
    return timetable;
}

void TimetableStore::Save(const Timetable& timetable) {
    CheckName(timetable.nombre);
    CheckSegments(timetable);
    Transaction change(m_session, TransactionKind::Write);
    m_session.Execute(
        "INSERT INTO Horarios (Nombre, Dias_sin_clase) VALUES (?, ?) ON CONFLICT (Nombre) DO "
        "UPDATE SET Dias_sin_clase = excluded.Dias_sin_clase",
        {timetable.nombre, std::int64_t{timetable.diasSinClase ? 1 : 0}});
    m_session.Execute("DELETE FROM Tramos WHERE Horario = ?", {timetable.nombre});
    for (int day = 0; day < kDaysPerWeek; ++day) {
        for (const TimetableSegment& segment : timetable.dias[day]) {
            m_session.Execute("INSERT INTO Tramos (Horario, Dia, Desde, Hasta) VALUES (?, ?, ?, ?)",
                              {timetable.nombre, std::int64_t{day + 1}, std::int64_t{segment.desde},
                               std::int64_t{segment.hasta}});
        }
    }
    change.Commit();
}

void TimetableStore::Rename(std::string_view nombre, std::string_view nuevo) {
    CheckName(nuevo);
    const std::string from(nombre);
    const std::string to(nuevo);
    Transaction change(m_session, TransactionKind::Write);
    if (!Exists(m_session, from)) {
        NotFound(from);
    }
    if (from == to) {
        return;
    }
    if (Exists(m_session, to)) {
        Refuse("Ya hay un horario llamado " + Quoted(to) + ": elija otro nombre.");
    }
    for (const char* table : {"Tramos", "Horarios_alumnos", "Horarios_puertas"}) {
        m_session.Execute(std::string("UPDATE ") + table + " SET Horario = ? WHERE Horario = ?",
                          {to, from});
    }
    m_session.Execute("UPDATE Horarios SET Nombre = ? WHERE Nombre = ?", {to, from});
    change.Commit();
}

bool TimetableStore::Delete(std::string_view nombre) {
    const std::string name(nombre);
    Transaction change(m_session, TransactionKind::Write);
    if (!Exists(m_session, name)) {
        return false;
    }
    const TimetableUse use = UseOf(m_session, name, RegisteredStudentsOf(m_session, name));
    if (!use.puertas.empty() || use.alumnos > 0) {
        std::string who;
        if (!use.puertas.empty()) {
            who = (use.puertas.size() == 1 ? "la puerta " : "las puertas ") + DoorList(use.puertas);
        }
        if (use.alumnos > 0) {
            std::string first;
            for (const std::string& dni : use.primerosDni) {
                first += (first.empty() ? "" : ", ") + dni;
            }
            who += (who.empty() ? "" : ", y ") +
                   (use.alumnos == 1 ? "el alumno " + first
                                     : std::to_string(use.alumnos) + " alumnos (" + first +
                                           (use.alumnos > kStudentsNamed ? "..." : "") + ")");
        }
        const bool several = use.puertas.size() + static_cast<std::size_t>(use.alumnos) > 1;
        throw DatabaseError(kTimetableInUse, "El horario " + Quoted(name) +
                                                 " no se puede borrar: lo " +
                                                 (several ? "usan " : "usa ") + who +
                                                 ". Quíteselo antes o asígneles otro.");
    }
    // Rows of students deleted since: nobody keeps to the timetable any more.
    m_session.Execute("DELETE FROM Horarios_alumnos WHERE Horario = ?", {name});
    m_session.Execute("DELETE FROM Tramos WHERE Horario = ?", {name});
    m_session.Execute("DELETE FROM Horarios WHERE Nombre = ?", {name});
    change.Commit();
    return true;
}

std::vector<TimetableUse> TimetableStore::Uses() {
    std::vector<TimetableUse> uses;
    Transaction snapshot(m_session, TransactionKind::Read);
    std::vector<std::pair<std::string, std::int64_t>> counts;
    const auto rows = m_session.Query(
        "SELECT h.Nombre, (SELECT count(*) FROM Horarios_alumnos a JOIN Alumnos s"
        " ON s.DNI = a.DNI WHERE a.Horario = h.Nombre) FROM Horarios h ORDER BY h.Nombre");
    while (rows->Next()) {
        counts.emplace_back(rows->Text(0), rows->Integer(1));
    }
    std::sort(counts.begin(), counts.end());
    for (const auto& [name, students] : counts) {
        uses.push_back(UseOf(m_session, name, students));
    }
    snapshot.Commit();
    return uses;
}

void TimetableStore::AssignStudent(std::string_view dni, std::string_view nombre) {
    const std::int64_t key = DniKey(dni);
    const std::string name(nombre);
    Transaction change(m_session, TransactionKind::Write);
    if (!Exists(m_session, name)) {
        NotFound(name);
    }
    m_session.Execute(
        "INSERT INTO Horarios_alumnos (DNI, Horario) VALUES (?, ?) ON CONFLICT (DNI) DO UPDATE "
        "SET Horario = excluded.Horario",
        {key, name});
    change.Commit();
}

bool TimetableStore::UnassignStudent(std::string_view dni) {
    return m_session.Execute("DELETE FROM Horarios_alumnos WHERE DNI = ?", {DniKey(dni)}) > 0;
}

std::optional<std::string> TimetableStore::StudentTimetable(std::string_view dni) {
    const auto row =
        m_session.Query("SELECT Horario FROM Horarios_alumnos WHERE DNI = ?", {DniKey(dni)});
    return row->Next() ? std::optional<std::string>(row->Text(0)) : std::nullopt;
}

std::map<std::string, std::string> TimetableStore::StudentTimetables() {
    const auto rows = m_session.Query("SELECT DNI, Horario FROM Horarios_alumnos ORDER BY DNI");
    std::map<std::string, std::string> timetables;
    while (rows->Next()) {
        timetables.emplace(FormatDni(rows->Integer(0)), rows->Text(1));
    }
    return timetables;
}

void TimetableStore::AssignDoor(char door, std::string_view nombre) {
    const std::string digit(1, CheckDoor(door));
    const std::string name(nombre);
    Transaction change(m_session, TransactionKind::Write);
    if (!Exists(m_session, name)) {
        NotFound(name);
    }
    m_session.Execute(
        "INSERT INTO Horarios_puertas (Puerta, Horario) VALUES (?, ?) ON CONFLICT (Puerta) DO "
        "UPDATE SET Horario = excluded.Horario",
        {digit, name});
    change.Commit();
}

bool TimetableStore::UnassignDoor(char door) {
    return m_session.Execute("DELETE FROM Horarios_puertas WHERE Puerta = ?",
                             {std::string(1, CheckDoor(door))}) > 0;
}

std::optional<std::string> TimetableStore::DoorTimetable(char door) {
    const auto row = m_session.Query("SELECT Horario FROM Horarios_puertas WHERE Puerta = ?",
                                     {std::string(1, CheckDoor(door))});
    return row->Next() ? std::optional<std::string>(row->Text(0)) : std::nullopt;
}

std::vector<CalendarRange> TimetableStore::Calendar() {
    const auto rows =
        m_session.Query("SELECT Desde, Hasta, Descripcion FROM Calendario ORDER BY Desde, Hasta");
    std::vector<CalendarRange> ranges;
    while (rows->Next()) {
        ranges.push_back({rows->Text(0), rows->Text(1), rows->Text(2)});
    }
    return ranges;
}

void TimetableStore::AddCalendarRange(const CalendarRange& range) {
    CheckDay(range.desde, "El primer día sin clase", false);
    CheckDay(range.hasta, "El último día sin clase", false);
    if (range.hasta < range.desde) {
        Refuse("Los días sin clase «" + range.descripcion + "» acaban (" + range.hasta +
               ") antes de empezar (" + range.desde + ").");
    }
    m_session.Execute(
        "INSERT INTO Calendario (Desde, Hasta, Descripcion) VALUES (?, ?, ?) ON CONFLICT "
        "(Desde, Hasta) DO UPDATE SET Descripcion = excluded.Descripcion",
        {range.desde, range.hasta, range.descripcion});
}

bool TimetableStore::RemoveCalendarRange(std::string_view desde, std::string_view hasta) {
    return m_session.Execute("DELETE FROM Calendario WHERE Desde = ? AND Hasta = ?",
                             {std::string(desde), std::string(hasta)}) > 0;
}

namespace {

// What applies to a card, as rows of the statement's later parts: 1 the student's timetable, 2
// the door's (its name, flag and one of the day's segments, NULL on a day without any), 3 the
// day without school (its description). Column 1 is the student's DNI where a row of the
// student is read beside them; the others are texts, so that every part has the same columns.
// Parameters: the weekday, the DNI's key, the weekday, the door, the day twice.
std::string CardTimetablesSql(const std::string& padding) {
    return "SELECT 1, NULL, h.Nombre, CAST(h.Dias_sin_clase AS TEXT), CAST(t.Desde AS TEXT),"
           " CAST(t.Hasta AS TEXT)" +
           padding +
           " FROM Horarios_alumnos a JOIN Horarios h ON h.Nombre = a.Horario"
           " LEFT JOIN Tramos t ON t.Horario = h.Nombre AND t.Dia = ? WHERE a.DNI = ?"
           " UNION ALL"
           " SELECT 2, NULL, h.Nombre, CAST(h.Dias_sin_clase AS TEXT), CAST(t.Desde AS TEXT),"
           " CAST(t.Hasta AS TEXT)" +
           padding +
           " FROM Horarios_puertas p JOIN Horarios h ON h.Nombre = p.Horario"
           " LEFT JOIN Tramos t ON t.Horario = h.Nombre AND t.Dia = ? WHERE p.Puerta = ?"
           " UNION ALL"
           " SELECT 3, NULL, Descripcion, NULL, NULL, NULL" +
           padding + " FROM Calendario WHERE Desde <= ? AND Hasta >= ?";
}

SqlValues CardTimetablesValues(std::int64_t key, char door, std::string_view isoDay, int weekday) {
    const std::int64_t day = weekday;
    return {day, key, day, std::string(1, door), std::string(isoDay), std::string(isoDay)};
}

int Minutes(const std::string& text) {
    return static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
}

// One row of a later part into the card's timetables.
void AddCardTimetableRow(const SqlRows& row, CardTimetables& card) {
    const auto part = row.Integer(0);
    if (part == 3) {
        if (!card.diaSinClase) {
            card.diaSinClase = row.Text(2);
        }
        return;
    }
    std::optional<TimetableDay>& timetable = part == 1 ? card.alumno : card.puerta;
    if (!timetable) {
        timetable = TimetableDay{row.Text(2), row.Text(3) != "0", {}};
    }
    if (!row.IsNull(4)) {
        timetable->tramos.push_back({Minutes(row.Text(4)), Minutes(row.Text(5))});
    }
}

void SortSegments(CardTimetables& card) {
    for (auto* timetable : {&card.alumno, &card.puerta}) {
        if (*timetable) {
            std::sort((*timetable)->tramos.begin(), (*timetable)->tramos.end(),
                      [](const auto& a, const auto& b) { return a.desde < b.desde; });
        }
    }
}

}  // namespace

CardTimetables TimetableStore::ForCard(std::string_view dni, char door, std::string_view isoDay,
                                       int weekday) {
    // An unusable DNI or door matches no row rather than failing: the rules refuse such a card
    // before its timetables matter.
    const std::int64_t key = IsValidDni(dni) ? std::stoll(std::string(dni)) : -1;
    const auto rows =
        m_session.Query(CardTimetablesSql(""), CardTimetablesValues(key, door, isoDay, weekday));
    CardTimetables card;
    while (rows->Next()) {
        AddCardTimetableRow(*rows, card);
    }
    SortSegments(card);
    return card;
}

CardLookup LookUpCard(SqlSession& session, std::string_view dni, char door, std::string_view isoDay,
                      int weekday) {
    const std::int64_t key = DniKey(dni);
    SqlValues values{key};
    const SqlValues later = CardTimetablesValues(key, door, isoDay, weekday);
    values.insert(values.end(), later.begin(), later.end());
    // Part 0 is the student's row, its DNI in column 1 and its nine texts after it.
    const auto rows = session.Query(std::string("SELECT 0, ") + kStudentColumns +
                                        " FROM Alumnos WHERE DNI = ? UNION ALL " +
                                        CardTimetablesSql(", NULL, NULL, NULL, NULL, NULL"),
                                    values);
    CardLookup lookup;
    while (rows->Next()) {
        if (rows->Integer(0) == 0) {
            lookup.student = ReadStudent(*rows, 1);
        } else {
            AddCardTimetableRow(*rows, lookup.timetables);
        }
    }
    SortSegments(lookup.timetables);
    return lookup;
}

}  // namespace accessdb
