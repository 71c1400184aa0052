#include "controller/card/CardReader.h"

#include <cstring>

#include "controller/card/ConnectMessages.h"

namespace tarvo {

namespace {

// The reader list the resource manager allocates for one poll, given back on
// every path: explicitly where the order of calls matters, else on destruction.
class ReaderList {
  public:
    ReaderList(PcscApi& api, SCARDCONTEXT context) : m_api(api), m_context(context) {}
    ~ReaderList() { Free(); }
    ReaderList(const ReaderList&) = delete;
    ReaderList& operator=(const ReaderList&) = delete;

    LONG Fetch() {
        m_length = SCARD_AUTOALLOCATE;
        return m_api.ListReaders(m_context, nullptr, reinterpret_cast<LPSTR>(&m_list), &m_length);
    }

    // The first name, or null when the list holds no name ending within its length.
    const char* FirstName() const {
        if (m_list == nullptr || m_length == SCARD_AUTOALLOCATE) {
            return nullptr;
        }
        const size_t nameLength = strnlen(m_list, m_length);
        return nameLength == 0 || nameLength == m_length ? nullptr : m_list;
    }

    void Free() {
        if (m_list != nullptr) {
            m_api.FreeMemory(m_context, m_list);
            m_list = nullptr;
        }
    }

  private:
    PcscApi& m_api;
    SCARDCONTEXT m_context;
    char* m_list = nullptr;
    DWORD m_length = 0;
};

}  // namespace

CardReader::CardReader(PcscApi& api, std::ostream& out, Sleeper& sleeper)
    : m_api(api), m_out(out), m_sleeper(sleeper) {}

CardReader::~CardReader() { Close(); }

void CardReader::Write(std::string_view text) { m_out << text << std::flush; }

void CardReader::ReleaseCard() {
    if (m_card != 0) {
        const SCARDHANDLE card = m_card;
        m_card = 0;
        m_api.Disconnect(card, SCARD_LEAVE_CARD);
    }
}

void CardReader::Close() {
    if (m_context != 0) {
        const SCARDCONTEXT context = m_context;
        m_context = 0;
        m_api.ReleaseContext(context);
    }
    ReleaseCard();
}

ReaderEvent CardReader::Poll() {
    Close();

    SCARDCONTEXT context = 0;
    if (m_api.EstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) != SCARD_S_SUCCESS) {
        Write("Failed SCardEstablishContext\n");
        if (context != 0) {
            m_api.ReleaseContext(context);
        }
        return ContextFailed;
    }
    m_context = context;

    ReaderList readers(m_api, m_context);
    const LONG listed = readers.Fetch();
    const char* reader = listed == SCARD_S_SUCCESS ? readers.FirstName() : nullptr;
    if (reader == nullptr) {
        readers.Free();
        Close();
        return NoReaderList;
    }

    // Unaware of any state, the query answers at once with the reader's state.
    SCARD_READERSTATE state{};
    state.szReader = reader;
    state.dwCurrentState = SCARD_STATE_UNAWARE;
    state.dwEventState = SCARD_STATE_UNKNOWN;
    if (m_api.GetStatusChange(m_context, INFINITE, &state, 1) != SCARD_S_SUCCESS) {
        Write("Connect: Error en getStatusChange\n");
    }
    const DWORD event = state.dwEventState;

    if ((event & SCARD_STATE_EMPTY) != 0) {
        return NoCard;
    }
    if ((event & SCARD_STATE_CHANGED) != 0) {
        Write("Estado del lector: change\n");
    }
    m_sleeper.SleepMs(kPresentCardPauseMs);
    if ((event & SCARD_STATE_PRESENT) == 0) {
        return NotPresent;
    }

    Write("Estado del lector: present\n");
    SCARDHANDLE card = 0;
    DWORD protocol = 0;
    const LONG connected = m_api.Connect(m_context, reader, SCARD_SHARE_SHARED,
                                         SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol);
    readers.Free();
    m_card = card;
    if (connected == SCARD_S_SUCCESS) {
        Write("comprobacion de que hace bien el case\n");
        return CardConnected;
    }

    Write(ConnectFailureMessage(connected));
    if (connected == SCARD_W_REMOVED_CARD) {
        m_api.Cancel(m_context);
        Close();
        return CardRemoved;
    }
    Close();
    return ConnectFailed;
}

}  // namespace tarvo
