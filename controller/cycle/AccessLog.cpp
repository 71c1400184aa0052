#include "AccessLog.h"

#include "common/Utf8.h"
#include "controller/cycle/BoundedText.h"

namespace tarvo {

namespace {

constexpr std::string_view kSeparator = "   ";

std::string_view VerdictSuffix(bool doorPermitted, bool unregistered) {
    if (!doorPermitted) {
        return "\tDENEGADO";
    }
    return unregistered ? "" : "\tVALIDO";
}

}  // namespace

std::string AccessLog::BuildLine(const ClockFields& now, char doorDigit, std::string_view dni,
                                 std::string_view displayName, bool doorPermitted,
                                 bool unregistered) {
    std::string head = "\n";
    head += now.fecha;
    head += kSeparator;
    head += now.hora;
    head += kSeparator;
    head += "Entrada ";
    head += doorDigit;
    head += kSeparator;
    head += dni;
    head += kSeparator;
    std::string tail(VerdictSuffix(doorPermitted, unregistered));
    tail += "\r\n";

    const std::size_t fixed = common::CharacterCount(head) + common::CharacterCount(tail);
    const std::size_t room = fixed < kSlotCharacters ? kSlotCharacters - fixed : 0;
    return head + BoundedCopy(displayName, room) + tail;
}

void AccessLog::Add(std::string_view line) {
    if (m_logCount >= kSlots) {
        for (int slot = 1; slot < kSlots; ++slot) {
            m_logLines[slot - 1] = std::move(m_logLines[slot]);
        }
        m_logCount = kSlots;
    } else {
        ++m_logCount;
    }
    // Only a line whose fixed parts alone overflow the slot is still cut here.
    m_logLines[m_logCount - 1] = BoundedCopy(line, kSlotCharacters);
}

std::string AccessLog::JoinedText() const {
    std::string joined;
    for (int slot = 0; slot < m_logCount; ++slot) {
        joined += m_logLines[slot];
    }
    return joined;
}

}  // namespace tarvo
