#pragma once

#include <winscard.h>

#include <array>
#include <cstdint>
#include <iostream>
#include <span>
#include <string_view>

#include "controller/card/CardData.h"
#include "controller/card/PcscApi.h"
#include "controller/card/ReaderEvent.h"
#include "controller/card/Sleeper.h"

namespace tarvo {

// Statuses of the card command exchange: 0 for success, a PC/SC code when
// SCardTransmit itself failed, SW1 * 256 + SW2 when the card refused, or one of these.
inline constexpr LONG kStatusNoBuffer = 14;
// The answer carried no usable status word: fewer than two bytes, a length the
// receive buffer cannot hold, or status bytes 00 00, which the formula would
// otherwise turn into 0, a success. One above the largest SW1 * 256 + SW2.
inline constexpr LONG kStatusMalformedAnswer = 0x10000;

// Tarvo's connection to the resource manager and to the card in the first reader.
// Short-lived: one per timer tick. Diagnostics go to `out`, each flushed as written.
// Every handle is released once: a release forgets the handle at once.
class CardReader {
  public:
    static constexpr uint32_t kDniFileLength = 10;
    static constexpr unsigned kPresentCardPauseMs = 200;

    explicit CardReader(PcscApi& api = SystemPcsc(), std::ostream& out = std::cout,
                        Sleeper& sleeper = SystemSleeper());
    ~CardReader();
    CardReader(const CardReader&) = delete;
    CardReader& operator=(const CardReader&) = delete;

    // One complete look at the reader: fresh context, first reader, its state,
    // a shared connection to the card.
    ReaderEvent Poll();

    // Disconnects the card (leaving it as it is); keeps the context.
    void ReleaseCard();

    // Releases the context, then the card. Without handles it makes no call.
    void Close();

    // Reads the DNI file of a connected student card into `out`: its ten bytes and
    // a 0 byte. 1 on success (the reader is then closed), -1 when the application
    // was not selected, -2 when the DNI file was not selected or read (the reader
    // then stays connected).
    int ReadDni(CardData& out);

    // The exchange beneath ReadDni; each needs a connected card.

    // 1, or -1 (refused), -2 (no response data offered), -3 (no buffer),
    // -4 (GET RESPONSE failed).
    int SelectApplication();
    // Selects and reads the DNI file inside one transaction. 0 with `length` 10, or a status.
    LONG ReadDniFile(std::span<uint8_t, kDniFileLength> destination, uint32_t& length);
    // Sends one command; `received` gets the bytes the card answered. A status.
    LONG Transmit(const CardData& command, CardData& received);
    // 0 with `count` bytes in `destination`, or a status. Nothing is written
    // to `destination` unless the whole answer came with 90 00.
    LONG GetResponse(uint8_t count, std::span<uint8_t> destination);
    // As GetResponse, from `offset` (0 to 0x7FFF) of the selected file.
    LONG ReadBinary(uint8_t count, uint16_t offset, std::span<uint8_t> destination);

  private:
    using ShortCommand = std::array<uint8_t, 5>;

    LONG ExchangeForData(const ShortCommand& command, uint8_t count, std::span<uint8_t> destination,
                         bool reportFailures);
    void Write(std::string_view text);

    PcscApi& m_api;
    std::ostream& m_out;
    Sleeper& m_sleeper;
    SCARDCONTEXT m_context = 0;
    SCARDHANDLE m_card = 0;
};

}  // namespace tarvo
