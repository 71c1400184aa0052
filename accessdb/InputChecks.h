#pragma once

#include <cstdint>
#include <string_view>

// What callers hand the database layer, checked before anything is read or written.
namespace accessdb {

// The DNI as the number the tables key by: kInvalidDni unless it is exactly eight ASCII
// digits, so that a forged "1 OR 1=1" can neither match nor delete other students' rows.
std::int64_t DniKey(std::string_view dni);

// Fails with kInvalidDay unless `day` is an ISO day ("2024-03-05"), or empty where an open end
// is allowed. `what` names the value in the description ("El primer día").
void CheckDay(std::string_view day, std::string_view what, bool emptyAllowed);

}  // namespace accessdb
