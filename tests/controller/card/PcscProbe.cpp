// Asks the pcscd that the environment names (PCSCLITE_CSOCK_NAME, or the machine's own
// socket when unset) for its readers, as any PC/SC client would, and prints one line per
// reader: its name, a colon and "present" or "empty". Exit status 0 when the daemon
// answered (no readers prints nothing), 1 with the PC/SC code on standard error when not.
#include <winscard.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

int Fail(const char* call, LONG code) {
    std::fprintf(stderr, "pcsc_probe: %s: 0x%08lX\n", call, static_cast<unsigned long>(code));
    return 1;
}

struct ContextRelease {
    void operator()(const SCARDCONTEXT* context) const { SCardReleaseContext(*context); }
};

}  // namespace

int main() {
    SCARDCONTEXT context = 0;
    LONG result = SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context);
    if (result != SCARD_S_SUCCESS) {
        return Fail("SCardEstablishContext", result);
    }
    const std::unique_ptr<SCARDCONTEXT, ContextRelease> release(&context);

    DWORD length = 0;
    result = SCardListReaders(context, nullptr, nullptr, &length);
    if (result == SCARD_E_NO_READERS_AVAILABLE) {
        return 0;
    }
    if (result != SCARD_S_SUCCESS) {
        return Fail("SCardListReaders", result);
    }
    std::vector<char> names(length);
    result = SCardListReaders(context, nullptr, names.data(), &length);
    if (result != SCARD_S_SUCCESS) {
        return Fail("SCardListReaders", result);
    }

    for (const char* name = names.data(); *name != '\0'; name += std::string(name).size() + 1) {
        SCARD_READERSTATE state{};
        state.szReader = name;
        state.dwCurrentState = SCARD_STATE_UNAWARE;
        result = SCardGetStatusChange(context, 0, &state, 1);
        if (result != SCARD_S_SUCCESS) {
            return Fail("SCardGetStatusChange", result);
        }
        const bool present = (state.dwEventState & SCARD_STATE_PRESENT) != 0;
        std::printf("%s: %s\n", name, present ? "present" : "empty");
    }
    return 0;
}
