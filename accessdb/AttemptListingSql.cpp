#include "AttemptListingSql.h"

namespace accessdb {

SqlWithValues AttemptListingSql(const AttemptQuery& query, std::string (*marker)(int)) {
    SqlWithValues statement;
    std::string where;
    const auto condition = [&](const std::string& left, SqlValue value) {
        statement.values.push_back(std::move(value));
        where += (where.empty() ? " WHERE " : " AND ") + left +
                 marker(static_cast<int>(statement.values.size()));
    };
    if (!query.dni.empty()) {
        condition("DNI = ", query.dni);
    }
    if (!query.puerta.empty()) {
        condition("Puerta = ", query.puerta);
    }
    if (!query.resultado.empty()) {
        // With a DNI the student's own index is the narrow one: the concatenation keeps the
        // engine from reading every attempt of the outcome instead (SQLite, without statistics,
        // would take either).
        condition(query.dni.empty() ? "Resultado = " : "Resultado || '' = ", query.resultado);
    }
    if (!query.from.empty()) {
        condition("Dia >= ", query.from);
    } else if (!query.to.empty()) {
        // A row whose date cannot be read has the day "", which lies in no range.
        where += std::string(where.empty() ? " WHERE " : " AND ") + "Dia > ''";
    }
    if (!query.to.empty()) {
        condition("Dia <= ", query.to);
    }
    if (query.before) {
        // Row values compare as the listing is ordered, and both engines read them as one
        // range of the index on (Dia, Orden).
        statement.values.push_back(query.before->day);
        const std::string day = marker(static_cast<int>(statement.values.size()));
        statement.values.push_back(query.before->position);
        const std::string position = marker(static_cast<int>(statement.values.size()));
        where += (where.empty() ? " WHERE " : " AND ") + ("(Dia, Orden) < (" + day) + ", " +
                 position + ")";
    }
    statement.values.push_back(static_cast<std::int64_t>(query.limit) + 1);
    statement.sql = std::string("SELECT ") + kAttemptColumns + " FROM Intentos" + where +
                    " ORDER BY Dia DESC, Orden DESC LIMIT " +
                    marker(static_cast<int>(statement.values.size()));
    return statement;
}

AttemptPage PageOf(std::vector<PositionedAttempt> rows, std::size_t limit) {
    AttemptPage page;
    if (rows.size() > limit) {
        rows.resize(limit);
        page.next = AttemptCursor{rows.back().day, rows.back().position};
    }
    page.attempts = std::move(rows);
    return page;
}

}  // namespace accessdb
