#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "StudentSheet.h"
#include "accessdb/Timetables.h"

namespace admin {

// Rows whose Horario names no timetable of the database are refused by line and field, with
// the names there are; they leave the sheet's good rows.
void RefuseUnknownTimetables(StudentSheet& sheet, const std::set<std::string>& names);

// The timetables of the students written, as the sheet gives them (empty: none), in one change;
// how many of them were given one. Nothing to do when the sheet has no Horario.
std::size_t WriteStudentTimetables(accessdb::TimetableStore& store, const StudentSheet& sheet,
                                   const std::vector<accessdb::StudentRecord>& written,
                                   accessdb::TransactionControl& transactions);

}  // namespace admin
