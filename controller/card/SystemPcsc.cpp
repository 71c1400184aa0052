#include "controller/card/PcscApi.h"

namespace tarvo {

namespace {

class LibPcscLite final : public PcscApi {
  public:
    LONG EstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                          LPSCARDCONTEXT context) override {
        return SCardEstablishContext(scope, reserved1, reserved2, context);
    }
    LONG ListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                     LPDWORD readersLength) override {
        return SCardListReaders(context, groups, readers, readersLength);
    }
    LONG FreeMemory(SCARDCONTEXT context, LPCVOID memory) override {
        return SCardFreeMemory(context, memory);
    }
    LONG GetStatusChange(SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states,
                         DWORD count) override {
        return SCardGetStatusChange(context, timeout, states, count);
    }
    LONG Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode, DWORD preferredProtocols,
                 LPSCARDHANDLE card, LPDWORD activeProtocol) override {
        return SCardConnect(context, reader, shareMode, preferredProtocols, card, activeProtocol);
    }
    LONG BeginTransaction(SCARDHANDLE card) override { return SCardBeginTransaction(card); }
    LONG Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE sendBuffer,
                  DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receiveBuffer,
                  LPDWORD receiveLength) override {
        return SCardTransmit(card, sendPci, sendBuffer, sendLength, receivePci, receiveBuffer,
                             receiveLength);
    }
    LONG EndTransaction(SCARDHANDLE card, DWORD disposition) override {
        return SCardEndTransaction(card, disposition);
    }
    LONG Cancel(SCARDCONTEXT context) override { return SCardCancel(context); }
    LONG Disconnect(SCARDHANDLE card, DWORD disposition) override {
        return SCardDisconnect(card, disposition);
    }
    LONG ReleaseContext(SCARDCONTEXT context) override { return SCardReleaseContext(context); }
};

}  // namespace

PcscApi& SystemPcsc() {
    static LibPcscLite api;
    return api;
}

}  // namespace tarvo
