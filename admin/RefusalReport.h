#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "StudentSheet.h"

namespace admin {

// How many rows refused for one reason are told in full before the rest are counted.
inline constexpr std::size_t kRefusalsShownInFull = 5;

// The refused rows of `file`, one line each ("alumnos.csv, línea 7, campo Puerta: ..."), in the
// order given. A reason that refuses more rows than kRefusalsShownInFull is told in full for the
// first of them and then once with how many more and on which lines: a sheet imported twice
// must not bury the other reasons under hundreds of near-identical lines.
void TellRefusals(const std::string& file, const std::vector<RowFault>& faults, std::ostream& err);

}  // namespace admin
