#include "AttemptListingSql.h"

#include <algorithm>

namespace accessdb {

namespace {

// The columns an order sorts by, the order written last.
std::vector<std::string> OrderColumns(AttemptOrder order) {
    switch (order) {
        case AttemptOrder::Dni:
            return {"DNI", "Dia", "Orden"};
        case AttemptOrder::Outcome:
            return {"Resultado", "Dia", "Orden"};
        case AttemptOrder::Written:
            return {"Orden"};
        case AttemptOrder::Day:
            break;
    }
    return {"Dia", "Orden"};
}

// Builds a statement's WHERE clause, its values in the order of their markers.
class Conditions {
  public:
    explicit Conditions(SqlWithValues& statement) : m_statement(statement) {}

    std::string Add(SqlValue value) {
        m_statement.values.push_back(std::move(value));
        return "?";
    }
    void Where(const std::string& condition) {
        m_where += (m_where.empty() ? " WHERE " : " AND ") + condition;
    }
    const std::string& Clause() const { return m_where; }

  private:
    SqlWithValues& m_statement;
    std::string m_where;
};

void AddFilters(const AttemptQuery& query, Conditions& conditions) {
    if (!query.dni.empty()) {
        conditions.Where("DNI = " + conditions.Add(query.dni));
    }
    if (!query.puerta.empty()) {
        conditions.Where("Puerta = " + conditions.Add(query.puerta));
    }
    if (!query.resultado.empty()) {
        // With a DNI the student's own index is the narrow one: the concatenation keeps the
        // engine from reading every attempt of the outcome instead (SQLite, without statistics,
        // would take either).
        conditions.Where((query.dni.empty() ? "Resultado = " : "Resultado || '' = ") +
                         conditions.Add(query.resultado));
    }
    if (!query.from.empty()) {
        conditions.Where("Dia >= " + conditions.Add(query.from));
    } else if (!query.to.empty()) {
        // A row whose date cannot be read has the day "", which lies in no range.
        conditions.Where("Dia > ''");
    }
    if (!query.to.empty()) {
        conditions.Where("Dia <= " + conditions.Add(query.to));
    }
}

// The cursor's values for the order's columns.
std::vector<SqlValue> CursorValues(AttemptOrder order, const AttemptCursor& cursor) {
    switch (order) {
        case AttemptOrder::Dni:
        case AttemptOrder::Outcome:
            return {cursor.key, cursor.day, cursor.position};
        case AttemptOrder::Written:
            return {cursor.position};
        case AttemptOrder::Day:
            break;
    }
    return {cursor.day, cursor.position};
}

std::string OrderBy(const std::vector<std::string>& columns, const std::string& prefix,
                    bool descending) {
    std::string clause;
    for (const std::string& column : columns) {
        clause += (clause.empty() ? " ORDER BY " : ", ") + prefix + column +
                  (descending ? " DESC" : " ASC");
    }
    return clause;
}

}  // namespace

SqlWithValues AttemptListingSql(const AttemptQuery& query) {
    SqlWithValues statement;
    Conditions conditions(statement);
    AddFilters(query, conditions);
    const std::vector<std::string> columns = OrderColumns(query.order);
    // Read backward, the rows come in the reverse of the listing's order.
    const bool descending = query.descending != query.backward;
    if (query.before) {
        // Row values compare as the listing is ordered, and both engines read them as one
        // range of the order's index.
        const std::vector<SqlValue> values = CursorValues(query.order, *query.before);
        std::string left;
        std::string right;
        for (std::size_t i = 0; i < values.size(); ++i) {
            left += (i == 0 ? "" : ", ") + columns[i];
            right += (i == 0 ? "" : ", ") + conditions.Add(values[i]);
        }
        conditions.Where("(" + left + ") " + (descending ? "<" : ">") + " (" + right + ")");
    }
    const std::string limit = conditions.Add(static_cast<std::int64_t>(query.limit) + 1);
    const std::string page = std::string("SELECT ") + kAttemptColumns + " FROM Intentos" +
                             conditions.Clause() + OrderBy(columns, "", descending) + " LIMIT " +
                             limit;
    // Only a DNI of eight digits can be a student's: any other text is no number to look up
    // (and the server would refuse to read it as one).
    statement.sql =
        "SELECT i.Orden, i.DNI, i.Fecha, i.Hora, i.Puerta, i.Puesto, i.Resultado, i.Motivo, "
        "i.Dia, a.Nombre, a.Apellido1, a.Apellido2 FROM (" +
        page +
        ") AS i LEFT JOIN Alumnos AS a ON a.DNI = CASE WHEN length(i.DNI) = 8 AND "
        "ltrim(i.DNI, '0123456789') = '' THEN CAST(i.DNI AS BIGINT) END" +
        OrderBy(columns, "i.", descending);
    return statement;
}

SqlWithValues AttemptCountSql(const AttemptQuery& query) {
    SqlWithValues statement;
    Conditions conditions(statement);
    AddFilters(query, conditions);
    statement.sql = "SELECT Dia, Resultado, COUNT(*) FROM Intentos" + conditions.Clause() +
                    " GROUP BY Dia, Resultado ORDER BY Dia, Resultado";
    return statement;
}

AttemptPage PageOf(std::vector<PositionedAttempt> rows, const AttemptQuery& query) {
    AttemptPage page;
    if (rows.size() > query.limit) {
        rows.resize(query.limit);
        page.next = CursorOf(rows.back(), query.order);
    }
    if (query.backward) {
        std::ranges::reverse(rows);
    }
    page.attempts = std::move(rows);
    return page;
}

std::string StudentName(const std::string& nombre, const std::string& apellido1,
                        const std::string& apellido2) {
    std::string name;
    for (const std::string* part : {&nombre, &apellido1, &apellido2}) {
        if (!part->empty()) {
            name += (name.empty() ? "" : " ") + *part;
        }
    }
    return name;
}

}  // namespace accessdb
