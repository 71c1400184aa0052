#pragma once

#include <memory>
#include <string>

#include "controller/card/ReaderEvent.h"

namespace tarvo {

// One tick's connection to the card reader: polled once, read at most once, closed at the end
// of the tick on every path.
class CardSession {
  public:
    virtual ~CardSession() = default;
    virtual ReaderEvent Poll() = 0;
    // 1 with the DNI file's bytes in cardBytes (positions 2 to 9 are the DNI); -1 when the card
    // application could not be selected; -2 when the DNI file could not be read.
    virtual int ReadDni(std::string& cardBytes) = 0;
    virtual void ReleaseCard() = 0;
    virtual void Close() = 0;
};

// Makes a fresh session for every tick: nothing of a reader connection outlives its tick.
class ReaderFactory {
  public:
    virtual ~ReaderFactory() = default;
    virtual std::unique_ptr<CardSession> NewSession() = 0;
};

}  // namespace tarvo
