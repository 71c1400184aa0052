#pragma once

#include <cstdint>
#include <vector>

namespace tarvo {

// An owned byte buffer: a command on its way to the card, or the bytes read from it.
class CardData {
  public:
    CardData() = default;
    CardData(const uint8_t* source, uint32_t length);

    // Null when empty.
    const uint8_t* Bytes() const;
    uint32_t Length() const;
    bool Empty() const;

  private:
    std::vector<uint8_t> m_bytes;
};

}  // namespace tarvo
