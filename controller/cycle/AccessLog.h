#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "controller/cycle/ClockFields.h"

namespace tarvo {

// The on-screen log of the last twenty cards, oldest first. It lives in memory only.
class AccessLog {
  public:
    static constexpr int kSlots = 20;
    // A slot holds a line of up to this many characters.
    static constexpr std::size_t kSlotCharacters = 84;

    // "\n" date "   " time "   Entrada " door "   " DNI "   " name, the verdict suffix and
    // "\r\n". A name too long for the slot is shortened so the line keeps its verdict and end.
    static std::string BuildLine(const ClockFields& now, char doorDigit, std::string_view dni,
                                 std::string_view displayName, bool doorPermitted,
                                 bool unregistered);

    // Stores a line in the next slot; when all twenty are in use the oldest leaves.
    void Add(std::string_view line);
    // Slots 1 to Count(), oldest first, joined as they stand.
    std::string JoinedText() const;

    int Count() const { return m_logCount; }
    const std::string& Line(int index) const { return m_logLines.at(index); }

  private:
    std::array<std::string, kSlots> m_logLines;
    int m_logCount = 0;
};

}  // namespace tarvo
