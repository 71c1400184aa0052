// The student card's command exchange: T=0 short commands, each answer checked
// by its status word, no length from the card trusted.
#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "controller/card/CardReader.h"

namespace tarvo {

namespace {

constexpr std::array<uint8_t, 12> kSelectApplication = {0x00, 0xA4, 0x04, 0x00, 0x07, 0x50,
                                                        0x20, 0x00, 0xFF, 0x00, 0x04, 0x01};
constexpr std::array<uint8_t, 7> kSelectDniFile = {0x00, 0xA4, 0x02, 0x00, 0x02, 0x00, 0x11};
constexpr DWORD kTransmitBufferLength = 4;

// SW1 * 256 + SW2 for a refusal; never 0, which would read as success.
LONG Refusal(uint8_t sw1, uint8_t sw2) {
    const LONG status = LONG{sw1} * 256 + sw2;
    return status == 0 ? kStatusMalformedAnswer : status;
}

bool IsSuccess(uint8_t sw1, uint8_t sw2) { return sw1 == 0x90 && sw2 == 0x00; }

// A zeroed working buffer, or false when none could be had.
bool Allocate(std::vector<uint8_t>& buffer, size_t length) {
    try {
        buffer.assign(length, 0);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

// Ends the transaction on every way out of the DNI file read.
class Transaction {
  public:
    Transaction(PcscApi& api, SCARDHANDLE card) : m_api(api), m_card(card) {
        m_api.BeginTransaction(m_card);  // a failure shows in the exchanges that follow
    }
    ~Transaction() { m_api.EndTransaction(m_card, SCARD_LEAVE_CARD); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

  private:
    PcscApi& m_api;
    SCARDHANDLE m_card;
};

}  // namespace

LONG CardReader::Transmit(const CardData& command, CardData& received) {
    received = CardData();
    if (m_card == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    std::array<uint8_t, kTransmitBufferLength> buffer{};
    DWORD length = kTransmitBufferLength;
    const LONG result = m_api.Transmit(m_card, SCARD_PCI_T0, command.Bytes(), command.Length(),
                                       nullptr, buffer.data(), &length);
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    if (length > kTransmitBufferLength) {
        return kStatusMalformedAnswer;
    }
    received = CardData(buffer.data(), length);
    if (length < 2) {
        return kStatusMalformedAnswer;
    }
    const uint8_t sw1 = buffer[0];
    const uint8_t sw2 = buffer[1];
    if (IsSuccess(sw1, sw2) || sw1 == 0x61) {
        return 0;
    }
    return Refusal(sw1, sw2);
}

LONG CardReader::GetResponse(uint8_t count, std::span<uint8_t> destination) {
    return ExchangeForData({0x00, 0xC0, 0x00, 0x00, count}, count, destination, true);
}

LONG CardReader::ReadBinary(uint8_t count, uint16_t offset, std::span<uint8_t> destination) {
    const auto p1 = static_cast<uint8_t>((offset >> 8) & 0x7F);
    const auto p2 = static_cast<uint8_t>(offset & 0xFF);
    return ExchangeForData({0x00, 0xB0, p1, p2, count}, count, destination, false);
}

// Expects `count` data bytes and 90 00. An answer of any other length fails with
// its first two bytes as the status (zero where fewer came back).
LONG CardReader::ExchangeForData(const ShortCommand& command, uint8_t count,
                                 std::span<uint8_t> destination, bool reportFailures) {
    if (destination.size() < count) {
        return kStatusNoBuffer;
    }
    if (m_card == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    const size_t expected = size_t{count} + 2;
    std::vector<uint8_t> buffer;
    if (!Allocate(buffer, expected)) {
        return kStatusNoBuffer;
    }
    DWORD length = static_cast<DWORD>(expected);
    const LONG result = m_api.Transmit(m_card, SCARD_PCI_T0, command.data(), command.size(),
                                       nullptr, buffer.data(), &length);
    if (result != SCARD_S_SUCCESS) {
        if (reportFailures) {
            Write("GetResponse-Error en transmit\n");
        }
        return result;
    }
    if (length == expected) {
        const uint8_t sw1 = buffer[count];
        const uint8_t sw2 = buffer[count + 1];
        if (!IsSuccess(sw1, sw2)) {
            return Refusal(sw1, sw2);
        }
        std::copy_n(buffer.begin(), count, destination.begin());
        return 0;
    }
    if (reportFailures) {
        char line[64];
        std::snprintf(line, sizeof line, "Error en getResponse codigos hex: %02x, %02x\n",
                      buffer[0], buffer[1]);
        Write(line);
    }
    return Refusal(buffer[0], buffer[1]);
}

int CardReader::SelectApplication() {
    CardData received;
    if (Transmit(CardData(kSelectApplication.data(), kSelectApplication.size()), received) != 0) {
        return -1;
    }
    // A status of 0 means 90 00 or 61 xx, so both bytes are there.
    const uint8_t sw1 = received.Bytes()[0];
    const uint8_t sw2 = received.Bytes()[1];
    if (sw1 == 0x90) {
        return -2;  // selected, but a student card offers its control information
    }
    std::vector<uint8_t> control;
    if (!Allocate(control, sw2)) {
        return -3;
    }
    const LONG status = GetResponse(sw2, control);
    if (status != 0) {
        char line[64];
        std::snprintf(line, sizeof line, "Error al obtener el getResponse: %ld\n", status);
        Write(line);
        return -4;
    }
    return 1;
}

LONG CardReader::ReadDniFile(std::span<uint8_t, kDniFileLength> destination, uint32_t& length) {
    if (m_card == 0) {
        return SCARD_E_INVALID_HANDLE;
    }
    Transaction transaction(m_api, m_card);
    CardData received;
    const LONG selected =
        Transmit(CardData(kSelectDniFile.data(), kSelectDniFile.size()), received);
    if (selected != 0) {
        return selected;
    }
    const uint8_t waiting = received.Bytes()[1];  // SW2: 0 after 90 00
    std::vector<uint8_t> control;
    if (!Allocate(control, waiting)) {
        return kStatusNoBuffer;
    }
    if (const LONG status = GetResponse(waiting, control); status != 0) {
        return status;
    }
    if (const LONG status = ReadBinary(static_cast<uint8_t>(kDniFileLength), 0, destination);
        status != 0) {
        return status;
    }
    length = kDniFileLength;
    return 0;
}

int CardReader::ReadDni(CardData& out) {
    if (SelectApplication() != 1) {
        return -1;
    }
    std::array<uint8_t, kDniFileLength + 1> dni{};  // the file's bytes, then a 0 byte
    uint32_t length = 0;
    if (ReadDniFile(std::span<uint8_t, kDniFileLength>(dni.data(), kDniFileLength), length) != 0) {
        return -2;
    }
    out = CardData(dni.data(), static_cast<uint32_t>(dni.size()));
    Close();
    return 1;
}

}  // namespace tarvo
