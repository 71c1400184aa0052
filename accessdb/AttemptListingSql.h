#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AttemptListing.h"
#include "SqlSession.h"
#include "TableColumns.h"

namespace accessdb {

// A statement and the values of its parameters, in the order of their markers.
struct SqlWithValues {
    std::string sql;
    SqlValues values;
};

// The page query of the attempts listing, the same on both engines. It asks for one row more than
// the page holds, so that the caller knows whether another page follows. Only the filters given are
// written into the statement, so that each engine reaches the rows by the index that fits. The
// page's rows come first, by that index, and only they are joined to Alumnos: columns 0 to 8 are
// kAttemptColumns, 9 to 11 the student's Nombre, Apellido1 and Apellido2 (NULL without one).
SqlWithValues AttemptListingSql(const AttemptQuery& query);

// How many attempts the query's filters match, by day and outcome (columns Dia, Resultado,
// count), whatever its page and order.
SqlWithValues AttemptCountSql(const AttemptQuery& query);

// The page the rows of that query make: at most query.limit of them, in the listing's order
// (a backward read comes in reverse), and the cursor beyond when there was one more.
AttemptPage PageOf(std::vector<PositionedAttempt> rows, const AttemptQuery& query);

// The student's name as the listing shows it, from Nombre, Apellido1 and Apellido2.
std::string StudentName(const std::string& nombre, const std::string& apellido1,
                        const std::string& apellido2);

}  // namespace accessdb
