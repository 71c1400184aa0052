#include "Progress.h"

namespace admin {

namespace {

constexpr std::size_t kBarWidth = 30;

std::size_t Percent(std::size_t done, std::size_t total) {
    return total == 0 ? 100 : done * 100 / total;
}

class TerminalBar : public Progress {
  public:
    TerminalBar(std::ostream& err, std::string what) : m_err(err), m_what(std::move(what)) {}

    void Update(std::size_t done, std::size_t total) override {
        const std::size_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
        m_err << '\r' << m_what << " [" << std::string(filled, '#')
              << std::string(kBarWidth - filled, ' ') << "] " << Percent(done, total) << " % ("
              << done << '/' << total << ')' << std::flush;
        m_drawn = true;
    }
    void Finish() override {
        if (m_drawn) {
            m_err << '\n' << std::flush;
            m_drawn = false;
        }
    }

  private:
    std::ostream& m_err;
    std::string m_what;
    bool m_drawn = false;
};

class PlainLines : public Progress {
  public:
    PlainLines(std::ostream& err, std::string what) : m_err(err), m_what(std::move(what)) {}

    void Update(std::size_t done, std::size_t total) override {
        const std::size_t tenth = Percent(done, total) / 10;
        // A job done in one step needs no progress lines: its summary follows.
        if (tenth > m_lastTenth && !(m_lastTenth == 0 && done == total)) {
            m_err << m_what << ": " << done << " de " << total << '\n' << std::flush;
        }
        m_lastTenth = tenth > m_lastTenth ? tenth : m_lastTenth;
    }
    void Finish() override {}

  private:
    std::ostream& m_err;
    std::string m_what;
    std::size_t m_lastTenth = 0;
};

}  // namespace

std::unique_ptr<Progress> MakeProgress(std::ostream& err, bool terminal, std::string what) {
    if (terminal) {
        return std::make_unique<TerminalBar>(err, std::move(what));
    }
    return std::make_unique<PlainLines>(err, std::move(what));
}

}  // namespace admin
