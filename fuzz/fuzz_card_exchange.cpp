// Feeds arbitrary platform results and card answers through the scripted PC/SC
// platform to one poll and card read, as the controller cycle makes them. Beyond
// the sanitizers it checks that every handle and reader list is given back once,
// that only the fixed results come back, that a successful read returns exactly
// the bytes the card sent with 90 00, and that nothing lands past a count.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "ScriptedPcsc.h"
#include "controller/card/CardReader.h"

using namespace tarvo;

namespace {

const ScriptedPcsc* g_pcsc = nullptr;  // for the report of a failed check

// Aborts with the check and what the platform saw, so that libFuzzer keeps the input.
#define Require(condition) Check((condition), #condition, __LINE__)

void Check(bool condition, const char* what, int line) {
    if (condition) {
        return;
    }
    std::fprintf(stderr, "fuzz_card_exchange.cpp:%d: check failed: %s\n", line, what);
    if (g_pcsc != nullptr) {
        for (const auto& entry : g_pcsc->timeline) {
            std::fprintf(stderr, "  %s\n", entry.c_str());
        }
        for (const auto& fault : g_pcsc->faults) {
            std::fprintf(stderr, "  fault: %s\n", fault.c_str());
        }
    }
    std::abort();
}

// Mostly success, else a PC/SC code or any value at all.
LONG PickResult(FuzzedDataProvider& in) {
    static constexpr LONG kCodes[] = {SCARD_E_NO_SERVICE,
                                      SCARD_E_NO_READERS_AVAILABLE,
                                      SCARD_W_REMOVED_CARD,
                                      SCARD_E_SHARING_VIOLATION,
                                      SCARD_E_INSUFFICIENT_BUFFER,
                                      SCARD_E_PROTO_MISMATCH,
                                      SCARD_E_TIMEOUT,
                                      0x80100032};
    const uint8_t choice = in.ConsumeIntegral<uint8_t>();
    if (choice < 160) {
        return SCARD_S_SUCCESS;
    }
    if (choice < 240) {
        return kCodes[choice % std::size(kCodes)];
    }
    return in.ConsumeIntegral<LONG>();
}

DWORD PickEventState(FuzzedDataProvider& in) {
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return SCARD_STATE_EMPTY | SCARD_STATE_CHANGED;
        case 1:
            return SCARD_STATE_PRESENT | SCARD_STATE_CHANGED;
        case 2:
            return SCARD_STATE_PRESENT;
        default:
            return in.ConsumeIntegral<DWORD>();
    }
}

void Script(FuzzedDataProvider& in, ScriptedPcsc& pcsc) {
    pcsc.establishResult = PickResult(in);
    pcsc.contextOnFailure = in.ConsumeBool() ? 0 : 0x77;
    pcsc.listResult = PickResult(in);
    if (in.ConsumeBool()) {
        pcsc.readerList =
            in.ConsumeBool() ? std::nullopt : std::optional(in.ConsumeRandomLengthString(24));
    }
    pcsc.statusResult = PickResult(in);
    pcsc.eventState = in.ConsumeIntegralInRange<int>(0, 7) == 0
                          ? std::nullopt
                          : std::optional<DWORD>(PickEventState(in));
    pcsc.connectResult = PickResult(in);
    pcsc.cardOnFailure = in.ConsumeBool() ? 0 : 0x99;
}

// The card's answer to one command, made as it comes: mostly shaped like a real answer
// of the size asked for (so that the exchange gets deep), else too short, too long,
// with any status, or any bytes at all; rarely from a platform that lies about the length.
ScriptedPcsc::Answer MakeAnswer(FuzzedDataProvider& in, DWORD room) {
    ScriptedPcsc::Answer answer;
    if (in.remaining_bytes() == 0) {
        answer.result = SCARD_W_REMOVED_CARD;
        return answer;
    }
    answer.result = PickResult(in);
    const size_t data = room >= 2 ? room - 2 : 0;
    auto bytes = [&](size_t count) {
        std::vector<uint8_t> made = in.ConsumeBytes<uint8_t>(count);
        made.resize(count, 0x30);
        return made;
    };
    auto status = [&](std::vector<uint8_t> made, uint8_t sw1, uint8_t sw2) {
        made.push_back(sw1);
        made.push_back(sw2);
        return made;
    };
    switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0:
        case 1:
            answer.bytes = status(bytes(data), 0x90, 0x00);
            break;
        case 2:
            answer.bytes = status({}, 0x61, in.ConsumeIntegral<uint8_t>());
            break;
        case 3:
            answer.bytes =
                status(bytes(data), in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>());
            break;
        case 4:
            answer.bytes = status({}, in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>());
            break;
        case 5:
            answer.bytes = bytes(in.ConsumeIntegralInRange<size_t>(0, room > 0 ? room - 1 : 0));
            break;
        case 6:
            answer.bytes = bytes(room + in.ConsumeIntegralInRange<size_t>(1, 40));
            break;
        default:
            answer.bytes = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 270));
            break;
    }
    if (in.ConsumeIntegralInRange<int>(0, 31) == 0) {
        answer.claimedLength = in.ConsumeIntegral<DWORD>();
    }
    return answer;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    ScriptedPcsc pcsc;
    g_pcsc = &pcsc;
    Script(in, pcsc);
    std::vector<ScriptedPcsc::Answer> given;
    pcsc.answerer = [&](const std::vector<uint8_t>&, DWORD room) {
        given.push_back(MakeAnswer(in, room));
        return given.back();
    };

    {
        CardReader reader(pcsc, pcsc.Out(), pcsc.Pauses());
        const ReaderEvent event = reader.Poll();
        Require(event == CardConnected || event == NoCard || event == NotPresent ||
                event == ContextFailed || event == NoReaderList || event == ConnectFailed ||
                event == CardRemoved);
        if (event < 0) {
            Require(pcsc.HoldsNothing());
        }

        if (event == CardConnected) {
            CardData dni;
            const int read = reader.ReadDni(dni);
            Require(read == 1 || read == -1 || read == -2);
            if (read == 1) {
                // The last answer consumed was READ BINARY's: twelve bytes received (a
                // lying platform's missing ones read as the buffer's zeros), ending 90 00.
                Require(!given.empty() && pcsc.SentCommands().back() ==
                                              std::vector<uint8_t>({0x00, 0xB0, 0x00, 0x00, 0x0A}));
                const ScriptedPcsc::Answer& answer = given.back();
                Require(answer.claimedLength.value_or(answer.bytes.size()) == 12);
                std::vector<uint8_t> received(12, 0);
                std::copy_n(answer.bytes.begin(), std::min<size_t>(answer.bytes.size(), 12),
                            received.begin());
                Require(received[10] == 0x90 && received[11] == 0x00);
                Require(dni.Length() == 11 && dni.Bytes()[10] == 0);
                Require(std::equal(received.begin(), received.begin() + 10, dni.Bytes()));
                Require(pcsc.HoldsNothing());
            } else {
                Require(dni.Empty());
            }
            if (read != 1 && in.remaining_bytes() > 0) {
                // One more exchange straight away, with a canary behind the count.
                const auto count = in.ConsumeIntegral<uint8_t>();
                std::vector<uint8_t> destination(size_t{count} + 16, 0xA5);
                const LONG status = reader.GetResponse(
                    count, std::span<uint8_t>(destination.data(), destination.size()));
                Require(std::all_of(destination.begin() + count, destination.end(),
                                    [](uint8_t byte) { return byte == 0xA5; }));
                if (status != 0) {
                    Require(std::all_of(destination.begin(), destination.end(),
                                        [](uint8_t byte) { return byte == 0xA5; }));
                }
            }
        }
        reader.Close();
        Require(pcsc.HoldsNothing());
    }
    Require(pcsc.faults.empty());
    g_pcsc = nullptr;
    return 0;
}
