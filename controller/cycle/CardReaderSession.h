#pragma once

#include <iostream>
#include <memory>

#include "controller/card/CardReader.h"
#include "controller/cycle/CardSession.h"

namespace tarvo {

// The tick's session on the real reader through PC/SC.
class CardReaderSession : public CardSession {
  public:
    CardReaderSession(PcscApi& api, std::ostream& out, Sleeper& sleeper)
        : m_reader(api, out, sleeper) {}

    ReaderEvent Poll() override { return m_reader.Poll(); }
    int ReadDni(std::string& cardBytes) override;
    void ReleaseCard() override { m_reader.ReleaseCard(); }
    void Close() override { m_reader.Close(); }

  private:
    CardReader m_reader;
};

// A fresh CardReader for every tick, as the cycle wants it.
class CardReaderFactory : public ReaderFactory {
  public:
    explicit CardReaderFactory(PcscApi& api = SystemPcsc(), std::ostream& out = std::cout,
                               Sleeper& sleeper = SystemSleeper())
        : m_api(api), m_out(out), m_sleeper(sleeper) {}

    std::unique_ptr<CardSession> NewSession() override {
        return std::make_unique<CardReaderSession>(m_api, m_out, m_sleeper);
    }

  private:
    PcscApi& m_api;
    std::ostream& m_out;
    Sleeper& m_sleeper;
};

}  // namespace tarvo
