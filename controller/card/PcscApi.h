#pragma once

#include <winscard.h>

namespace tarvo {

// The PC/SC calls the reader makes, one virtual per call with pcsc-lite's own
// signature, so that tests can script every result code and card answer.
class PcscApi {
  public:
    virtual ~PcscApi() = default;

    virtual LONG EstablishContext(DWORD scope, LPCVOID reserved1, LPCVOID reserved2,
                                  LPSCARDCONTEXT context) = 0;
    // With *readersLength == SCARD_AUTOALLOCATE, readers is a char** that receives
    // a list to be given back through FreeMemory.
    virtual LONG ListReaders(SCARDCONTEXT context, LPCSTR groups, LPSTR readers,
                             LPDWORD readersLength) = 0;
    virtual LONG FreeMemory(SCARDCONTEXT context, LPCVOID memory) = 0;
    virtual LONG GetStatusChange(SCARDCONTEXT context, DWORD timeout, SCARD_READERSTATE* states,
                                 DWORD count) = 0;
    virtual LONG Connect(SCARDCONTEXT context, LPCSTR reader, DWORD shareMode,
                         DWORD preferredProtocols, LPSCARDHANDLE card, LPDWORD activeProtocol) = 0;
    virtual LONG BeginTransaction(SCARDHANDLE card) = 0;
    virtual LONG Transmit(SCARDHANDLE card, const SCARD_IO_REQUEST* sendPci, LPCBYTE sendBuffer,
                          DWORD sendLength, SCARD_IO_REQUEST* receivePci, LPBYTE receiveBuffer,
                          LPDWORD receiveLength) = 0;
    virtual LONG EndTransaction(SCARDHANDLE card, DWORD disposition) = 0;
    virtual LONG Cancel(SCARDCONTEXT context) = 0;
    virtual LONG Disconnect(SCARDHANDLE card, DWORD disposition) = 0;
    virtual LONG ReleaseContext(SCARDCONTEXT context) = 0;
};

// Forwards every call to libpcsclite.
PcscApi& SystemPcsc();

}  // namespace tarvo
