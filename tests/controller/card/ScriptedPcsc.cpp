#include "ScriptedPcsc.h"

#include <algorithm>
#include <cstring>

namespace {

std::string Hex(DWORD value) {
    std::ostringstream text;
    text << "0x" << std::hex << value;
    return text.str();
}

}  // namespace

std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    std::string digits;
    std::copy_if(hex.begin(), hex.end(), std::back_inserter(digits),
                 [](char c) { return c != ' '; });
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

std::string ToHex(const uint8_t* bytes, size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < length; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

ScriptedPcsc::ScriptedPcsc() : m_buffer(*this), m_stream(&m_buffer), m_sleeper(*this) {}

void ScriptedPcsc::Answers(std::initializer_list<std::string> hexAnswers) {
    for (const auto& hex : hexAnswers) {
        answers.push_back(Answer{SCARD_S_SUCCESS, FromHex(hex), std::nullopt});
    }
}

int ScriptedPcsc::TimelineBuffer::sync() {
    const std::string text = str();
    if (!text.empty()) {
        m_owner.timeline.push_back("> " + text);
        m_owner.m_out << text;
        str("");
    }
    return 0;
}

void ScriptedPcsc::RecordingSleeper::SleepMs(unsigned milliseconds) {
    m_owner.timeline.push_back("Sleep(" + std::to_string(milliseconds) + ")");
}

std::vector<std::string> ScriptedPcsc::Calls() const {
    std::vector<std::string> calls;
    std::copy_if(timeline.begin(), timeline.end(), std::back_inserter(calls),
                 [](const std::string& entry) { return entry.rfind("> ", 0) != 0; });
    return calls;
}

bool ScriptedPcsc::HoldsNothing() const {
    return m_contexts.empty() && m_cards.empty() && m_lists.empty();
}

void ScriptedPcsc::CheckContext(SCARDCONTEXT context, const char* call) {
    if (m_contexts.count(context) == 0) {
        faults.push_back(std::string(call) + " on context " + Hex(context) + " not held");
    }
}

void ScriptedPcsc::CheckCard(SCARDHANDLE card, const char* call) {
    if (m_cards.count(card) == 0) {
        faults.push_back(std::string(call) + " on card " + Hex(card) + " not held");
    }
}

std::string ScriptedPcsc::ReaderName(LPCSTR reader, const char* call) {
    for (const auto& [start, list] : m_lists) {
        const char* first = list.data();
        if (reader >= first && reader < first + list.size()) {
            const size_t room = static_cast<size_t>(first + list.size() - reader);
            return std::string(reader, strnlen(reader, room));
        }
    }
    faults.push_back(std::string(call) + " with a reader name outside any live reader list");
    return "?";
}

LONG ScriptedPcsc::EstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                                    LPSCARDCONTEXT context) {
    timeline.push_back("EstablishContext(" + std::to_string(scope) + ")");
    if (reserved1 != nullptr || reserved2 != nullptr) {
        faults.push_back("EstablishContext with reserved arguments");
    }
    const SCARDCONTEXT handed = establishResult == SCARD_S_SUCCESS ? kContext : contextOnFailure;
    *context = handed;
    if (handed != 0) {
        m_contexts.insert(handed);
    }
    return establishResult;
}

LONG ScriptedPcsc::ListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                               LPDWORD readersLength) {
    const bool autoAllocate = *readersLength == SCARD_AUTOALLOCATE;
    timeline.push_back(std::string("ListReaders(") + (groups == nullptr ? "all" : groups) + ", " +
                       (autoAllocate ? "allocate" : std::to_string(*readersLength)) + ")");
    CheckContext(context, "ListReaders");
    if (!autoAllocate) {
        faults.push_back("ListReaders without SCARD_AUTOALLOCATE");
        return SCARD_E_INVALID_PARAMETER;
    }
    if (readerList && !readerList->empty()) {
        std::vector<char> list(readerList->begin(), readerList->end());
        char* start = list.data();
        *reinterpret_cast<char**>(readers) = start;
        *readersLength = static_cast<DWORD>(list.size());
        m_lists.emplace(start, std::move(list));
    }
    return listResult;
}

LONG ScriptedPcsc::FreeMemory(SCARDCONTEXT context, LPCVOID memory) {
    timeline.push_back("FreeMemory");
    CheckContext(context, "FreeMemory");
    if (m_lists.erase(memory) == 0) {
        faults.push_back("FreeMemory of memory not handed out");
        return SCARD_E_INVALID_PARAMETER;
    }
    return SCARD_S_SUCCESS;
}

LONG ScriptedPcsc::GetStatusChange(SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states,
                                   DWORD count) {
    CheckContext(context, "GetStatusChange");
    if (count != 1) {
        faults.push_back("GetStatusChange for " + std::to_string(count) + " readers");
        return SCARD_E_INVALID_PARAMETER;
    }
    const std::string reader = ReaderName(states[0].szReader, "GetStatusChange");
    timeline.push_back("GetStatusChange(" + reader + ", current " + Hex(states[0].dwCurrentState) +
                       ", event " + Hex(states[0].dwEventState) + ", " +
                       (timeout == INFINITE ? "INFINITE" : std::to_string(timeout)) + ", " +
                       std::to_string(count) + ")");
    if (eventState) {
        states[0].dwEventState = *eventState;
    }
    return statusResult;
}

LONG ScriptedPcsc::Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode,
                           DWORD preferredProtocols, LPSCARDHANDLE card, LPDWORD activeProtocol) {
    CheckContext(context, "Connect");
    timeline.push_back("Connect(" + ReaderName(reader, "Connect") + ", share " +
                       std::to_string(shareMode) + ", protocols " +
                       std::to_string(preferredProtocols) + ")");
    const SCARDHANDLE handed = connectResult == SCARD_S_SUCCESS ? kCard : cardOnFailure;
    *card = handed;
    *activeProtocol = SCARD_PROTOCOL_T0;
    if (handed != 0) {
        m_cards.insert(handed);
    }
    return connectResult;
}

LONG ScriptedPcsc::BeginTransaction(SCARDHANDLE card) {
    timeline.push_back("BeginTransaction");
    CheckCard(card, "BeginTransaction");
    return SCARD_S_SUCCESS;
}

LONG ScriptedPcsc::Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE sendBuffer,
                            DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receiveBuffer,
                            LPDWORD receiveLength) {
    const DWORD room = *receiveLength;
    timeline.push_back(std::string("Transmit(") + (sendPci == SCARD_PCI_T0 ? "T0" : "not T0") +
                       ", " + ToHex(sendBuffer, sendLength) + ", room " + std::to_string(room) +
                       ")");
    CheckCard(card, "Transmit");
    if (receivePci != nullptr) {
        faults.push_back("Transmit asking for the receive PCI");
    }
    m_sent.emplace_back(sendBuffer, sendBuffer + sendLength);
    Answer answer;
    if (answerer) {
        answer = answerer(m_sent.back(), room);
    } else if (answers.empty()) {
        faults.push_back("Transmit with no answer scripted");
        return SCARD_F_COMM_ERROR;
    } else {
        answer = answers.front();
        answers.pop_front();
    }
    if (answer.result != SCARD_S_SUCCESS) {
        return answer.result;
    }
    const auto size = static_cast<DWORD>(answer.bytes.size());
    if (answer.claimedLength) {
        std::copy_n(answer.bytes.begin(), std::min(size, room), receiveBuffer);
        *receiveLength = *answer.claimedLength;
        return SCARD_S_SUCCESS;
    }
    *receiveLength = size;
    if (size > room) {
        return SCARD_E_INSUFFICIENT_BUFFER;
    }
    std::copy_n(answer.bytes.begin(), size, receiveBuffer);
    return SCARD_S_SUCCESS;
}

LONG ScriptedPcsc::EndTransaction(SCARDHANDLE card, DWORD disposition) {
    timeline.push_back("EndTransaction(" + std::to_string(disposition) + ")");
    CheckCard(card, "EndTransaction");
    return SCARD_S_SUCCESS;
}

LONG ScriptedPcsc::Cancel(SCARDCONTEXT context) {
    timeline.push_back("Cancel");
    CheckContext(context, "Cancel");
    return SCARD_S_SUCCESS;
}

LONG ScriptedPcsc::Disconnect(SCARDHANDLE card, DWORD disposition) {
    timeline.push_back("Disconnect(" + std::to_string(disposition) + ")");
    CheckCard(card, "Disconnect");
    m_cards.erase(card);
    return SCARD_S_SUCCESS;
}

LONG ScriptedPcsc::ReleaseContext(SCARDCONTEXT context) {
    timeline.push_back("ReleaseContext");
    CheckContext(context, "ReleaseContext");
    m_contexts.erase(context);
    return SCARD_S_SUCCESS;
}
