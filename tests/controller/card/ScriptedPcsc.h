#pragma once

#include <cstdint>
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

// A PC/SC platform played from a script, for the reader's unit tests and the fuzz
// target. Every call, pause and diagnostic lands in one timeline; handles and
// reader lists are tracked so that a leak or a second release shows.
class ScriptedPcsc final : public PcscApi {
  public:
    static constexpr SCARDCONTEXT kContext = 0x5C01;
    static constexpr SCARDHANDLE kCard = 0xCA4D;

    // One answer to SCardTransmit. An answer longer than the receive buffer fails
    // as pcsc-lite does (SCARD_E_INSUFFICIENT_BUFFER), unless claimedLength is set:
    // then the bytes that fit are copied and claimedLength is reported as received.
    struct Answer {
        LONG result = SCARD_S_SUCCESS;
        std::vector<uint8_t> bytes;
        std::optional<DWORD> claimedLength;
    };

    // The script. Defaults: every call succeeds, one reader "Reader A", an empty slot.
    LONG establishResult = SCARD_S_SUCCESS;
    SCARDCONTEXT contextOnFailure = 0;  // what a failing SCardEstablishContext hands out
    LONG listResult = SCARD_S_SUCCESS;
    std::optional<std::string> readerList = std::string("Reader A\0", 10);  // multi-string
    LONG statusResult = SCARD_S_SUCCESS;
    std::optional<DWORD> eventState = SCARD_STATE_EMPTY;  // nullopt: record left untouched
    LONG connectResult = SCARD_S_SUCCESS;
    SCARDHANDLE cardOnFailure = 0;  // what a failing SCardConnect hands out
    std::deque<Answer> answers;
    // A Transmit beyond the scripted answers is a fault of the test.
    // Answers made up as the commands come, instead of the queue (for the fuzz target).
    std::function<Answer(const std::vector<uint8_t>& command, DWORD room)> answerer;

    ScriptedPcsc();

    // Queues the card's answers to the next SCardTransmit calls, given as hex text.
    void Answers(std::initializer_list<std::string> hexAnswers);

    // What happened, in order: "Call(args)" entries, "Sleep(ms)" and "> text" for output.
    std::vector<std::string> timeline;
    // Misuse seen: unknown or released handles, unknown memory, unscripted answers.
    std::vector<std::string> faults;
    std::vector<std::string> Calls() const;  // the timeline without the output
    std::string Output() const { return m_out.str(); }
    std::vector<std::vector<uint8_t>> SentCommands() const { return m_sent; }
    bool HoldsNothing() const;

    std::ostream& Out() { return m_stream; }
    Sleeper& Pauses() { return m_sleeper; }

    LONG EstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                          LPSCARDCONTEXT context) override;
    LONG ListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                     LPDWORD readersLength) override;
    LONG FreeMemory(SCARDCONTEXT context, LPCVOID memory) override;
    LONG GetStatusChange(SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states,
                         DWORD count) override;
    LONG Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode, DWORD preferredProtocols,
                 LPSCARDHANDLE card, LPDWORD activeProtocol) override;
    LONG BeginTransaction(SCARDHANDLE card) override;
    LONG Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE sendBuffer,
                  DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receiveBuffer,
                  LPDWORD receiveLength) override;
    LONG EndTransaction(SCARDHANDLE card, DWORD disposition) override;
    LONG Cancel(SCARDCONTEXT context) override;
    LONG Disconnect(SCARDHANDLE card, DWORD disposition) override;
    LONG ReleaseContext(SCARDCONTEXT context) override;

  private:
    // Output flushed by the reader becomes one timeline entry per flush.
    class TimelineBuffer : public std::stringbuf {
      public:
        explicit TimelineBuffer(ScriptedPcsc& owner) : m_owner(owner) {}
        int sync() override;

      private:
        ScriptedPcsc& m_owner;
    };
    class RecordingSleeper : public Sleeper {
      public:
        explicit RecordingSleeper(ScriptedPcsc& owner) : m_owner(owner) {}
        void SleepMs(unsigned milliseconds) override;

      private:
        ScriptedPcsc& m_owner;
    };

    void CheckContext(SCARDCONTEXT context, const char* call);
    void CheckCard(SCARDHANDLE card, const char* call);
    // The reader name if it points into a live reader list, else a fault and "?".
    std::string ReaderName(LPCSTR reader, const char* call);

    std::ostringstream m_out;
    TimelineBuffer m_buffer;
    std::ostream m_stream;
    RecordingSleeper m_sleeper;
    std::set<SCARDCONTEXT> m_contexts;
    std::set<SCARDHANDLE> m_cards;
    std::map<const void*, std::vector<char>> m_lists;
    std::vector<std::vector<uint8_t>> m_sent;
};

std::vector<uint8_t> FromHex(const std::string& hex);
std::string ToHex(const uint8_t* bytes, size_t length);
