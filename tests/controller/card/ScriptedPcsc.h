#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "controller/card/PcscApi.h"
#include "controller/card/Sleeper.h"

namespace tarvo {

std::vector<uint8_t> FromHex(const std::string& hex);

// `head`, then `tail`: for timelines that share a beginning.
inline std::vector<std::string> Then(std::vector<std::string> head,
                                     const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// What a test scripts. Defaults: every call succeeds, one reader "Reader A", an empty slot.
struct PcscScript {
    LONG establishResult = SCARD_S_SUCCESS;
    SCARDCONTEXT contextOnFailure = 0;  // handed out by a failing SCardEstablishContext
    LONG listResult = SCARD_S_SUCCESS;
    std::optional<std::string> readerList = std::string("Reader A\0", 10);  // a multi-string
    LONG statusResult = SCARD_S_SUCCESS;
    std::optional<DWORD> eventState = SCARD_STATE_EMPTY;  // nullopt: the record is left as is
    LONG connectResult = SCARD_S_SUCCESS;
    SCARDHANDLE cardOnFailure = 0;  // handed out by a failing SCardConnect
};

// A PC/SC platform played from a script, for the reader's unit tests and the fuzz
// target. Calls, pauses and each flushed output ("> text") land in one timeline;
// handles and reader lists are tracked so that a leak or a second release shows.
class ScriptedPcsc final : public PcscApi,
                           public PcscScript,
                           private Sleeper,
                           private std::stringbuf {
  public:
    // One answer to SCardTransmit. Longer than the receive buffer, it fails as pcsc-lite
    // does, unless claimedLength is set: then what fits is copied and that length reported.
    struct Answer {
        LONG result = SCARD_S_SUCCESS;
        std::vector<uint8_t> bytes;
        std::optional<DWORD> claimedLength;
    };
    std::deque<Answer> answers;  // a Transmit beyond them is a fault of the test
    // Answers made up as the commands come, instead of `answers` (for the fuzz target).
    std::function<Answer(const std::vector<uint8_t>& command, DWORD room)> answerer;
    std::vector<std::string> timeline;
    std::vector<std::string> faults;  // handles or memory not held, unscripted answers

    explicit ScriptedPcsc(const PcscScript& script = {}) : PcscScript(script), m_stream(this) {}
    void Answers(const std::vector<std::string>& hexAnswers) {
        for (const auto& hex : hexAnswers) {
            answers.push_back({SCARD_S_SUCCESS, FromHex(hex), std::nullopt});
        }
    }
    std::vector<std::vector<uint8_t>> SentCommands() const { return m_sent; }
    bool HoldsNothing() const { return m_contexts.empty() && m_cards.empty() && m_lists.empty(); }
    std::ostream& Out() { return m_stream; }
    Sleeper& Pauses() { return *this; }

    LONG EstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                          LPSCARDCONTEXT context) override {
        timeline.push_back("EstablishContext(" + std::to_string(scope) + ")");
        if (reserved1 != nullptr || reserved2 != nullptr) {
            Fault("EstablishContext with reserved arguments");
        }
        *context = establishResult == SCARD_S_SUCCESS ? 0x5C01 : contextOnFailure;
        if (*context != 0) {
            m_contexts.insert(*context);
        }
        return establishResult;
    }
    LONG ListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                     LPDWORD readersLength) override {
        Record(m_contexts, context, "ListReaders");
        if (groups != nullptr || *readersLength != SCARD_AUTOALLOCATE) {
            return Fault("ListReaders for a group or without SCARD_AUTOALLOCATE");
        }
        if (readerList && !readerList->empty()) {
            std::vector<char> list(readerList->begin(), readerList->end());
            *reinterpret_cast<char**>(readers) = list.data();
            *readersLength = static_cast<DWORD>(list.size());
            const void* start = list.data();
            m_lists.emplace(start, std::move(list));
        }
        return listResult;
    }
    LONG FreeMemory(SCARDCONTEXT context, LPCVOID memory) override {
        Record(m_contexts, context, "FreeMemory");
        return m_lists.erase(memory) == 1 ? SCARD_S_SUCCESS : Fault("FreeMemory not handed out");
    }
    LONG GetStatusChange(SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states,
                         DWORD count) override {
        if (count != 1) {
            return Fault("GetStatusChange for other than one reader");
        }
        char line[128];
        std::snprintf(line, sizeof line, "GetStatusChange(%s, 0x%lx, 0x%lx, %s)",
                      ReaderName(states[0].szReader).c_str(), states[0].dwCurrentState,
                      states[0].dwEventState, timeout == INFINITE ? "INFINITE" : "finite");
        Record(m_contexts, context, line);
        if (eventState) {
            states[0].dwEventState = *eventState;
        }
        return statusResult;
    }
    LONG Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode, DWORD preferredProtocols,
                 LPSCARDHANDLE card, LPDWORD activeProtocol) override {
        Record(m_contexts, context,
               "Connect(" + ReaderName(reader) + ", " + std::to_string(shareMode) + ", " +
                   std::to_string(preferredProtocols) + ")");
        *card = connectResult == SCARD_S_SUCCESS ? 0xCA4D : cardOnFailure;
        *activeProtocol = SCARD_PROTOCOL_T0;
        if (*card != 0) {
            m_cards.insert(*card);
        }
        return connectResult;
    }
    LONG BeginTransaction(SCARDHANDLE card) override {
        return Record(m_cards, card, "BeginTransaction");
    }
    LONG Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE sendBuffer,
                  DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receiveBuffer,
                  LPDWORD receiveLength) override {
        const DWORD room = *receiveLength;
        std::string call = "Transmit(";
        for (DWORD i = 0; i < sendLength; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%02X ", sendBuffer[i]);
            call += hex;
        }
        Record(m_cards, card, call + "room " + std::to_string(room) + ")");
        if (sendPci != SCARD_PCI_T0 || receivePci != nullptr) {
            Fault("Transmit not as T=0, or asking for the receive PCI");
        }
        m_sent.emplace_back(sendBuffer, sendBuffer + sendLength);
        if (!answerer && answers.empty()) {
            Fault("Transmit with no answer scripted");
            return SCARD_F_COMM_ERROR;
        }
        const Answer answer = answerer ? answerer(m_sent.back(), room) : answers.front();
        if (!answerer) {
            answers.pop_front();
        }
        const auto size = static_cast<DWORD>(answer.bytes.size());
        if (answer.result != SCARD_S_SUCCESS || (!answer.claimedLength && size > room)) {
            *receiveLength = size;
            return answer.result != SCARD_S_SUCCESS ? answer.result : SCARD_E_INSUFFICIENT_BUFFER;
        }
        std::copy_n(answer.bytes.begin(), std::min(size, room), receiveBuffer);
        *receiveLength = answer.claimedLength.value_or(size);
        return SCARD_S_SUCCESS;
    }
    LONG EndTransaction(SCARDHANDLE card, DWORD disposition) override {
        return Record(m_cards, card, "EndTransaction(" + std::to_string(disposition) + ")");
    }
    LONG Cancel(SCARDCONTEXT context) override { return Record(m_contexts, context, "Cancel"); }
    LONG Disconnect(SCARDHANDLE card, DWORD disposition) override {
        Record(m_cards, card, "Disconnect(" + std::to_string(disposition) + ")");
        return m_cards.erase(card), SCARD_S_SUCCESS;
    }
    LONG ReleaseContext(SCARDCONTEXT context) override {
        Record(m_contexts, context, "ReleaseContext");
        return m_contexts.erase(context), SCARD_S_SUCCESS;
    }

  private:
    void SleepMs(unsigned ms) override { timeline.push_back("Sleep(" + std::to_string(ms) + ")"); }
    int sync() override {
        if (!str().empty()) {
            timeline.push_back("> " + str());
            str("");
        }
        return 0;
    }
    LONG Fault(const std::string& what) {
        faults.push_back(what);
        return SCARD_E_INVALID_PARAMETER;
    }
    LONG Record(const std::set<LONG>& held, LONG handle, const std::string& call) {
        timeline.push_back(call);
        if (held.count(handle) == 0) {
            Fault(call + " on a handle not held");
        }
        return SCARD_S_SUCCESS;
    }
    // The reader name if it points into a live reader list, else a fault and "?".
    std::string ReaderName(LPCSTR reader) {
        for (const auto& [start, list] : m_lists) {
            if (reader >= list.data() && reader < list.data() + list.size()) {
                return std::string(reader, strnlen(reader, list.data() + list.size() - reader));
            }
        }
        Fault("a reader name outside any live reader list");
        return "?";
    }

    std::ostream m_stream;
    std::set<LONG> m_contexts;
    std::set<LONG> m_cards;
    std::map<const void*, std::vector<char>> m_lists;
    std::vector<std::vector<uint8_t>> m_sent;
};

}  // namespace tarvo
