#pragma once

#include <string>

#include "Days.h"
#include "accessdb/AdminTables.h"

namespace admin {

// Everything the database holds on one student, as a plain UTF-8 text with Spanish headings
// that a school can hand to the student or the family: the record, then every access and
// every attempt in the order written.
std::string PersonReport(const accessdb::PersonRecord& person, Day today);

}  // namespace admin
