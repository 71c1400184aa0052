#include "controller/card/CardData.h"

namespace tarvo {

CardData::CardData(const uint8_t* source, uint32_t length) {
    if (source != nullptr) {
        m_bytes.assign(source, source + length);
    }
}

const uint8_t* CardData::Bytes() const { return m_bytes.empty() ? nullptr : m_bytes.data(); }

uint32_t CardData::Length() const { return static_cast<uint32_t>(m_bytes.size()); }

bool CardData::Empty() const { return m_bytes.empty(); }

}  // namespace tarvo
