#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "StationRows.h"
#include "StationSource.h"
#include "UserMessages.h"

namespace mireval {

// The stations window's list: each station's last report as rows of text, read again on
// demand and every kRefreshEvery while the window is open, and forgetting a retired one. A read
// that fails keeps the rows read before, their ages moving on, and the summary says when they
// were read and why they could not be read again; a box tells it only when the user asked, as
// a box every half minute would pile up behind one another while nobody answers.
class StationBoard {
  public:
    static constexpr std::chrono::seconds kRefreshEvery{30};
    using Clock = std::function<WallSeconds()>;

    StationBoard(StationSource& source, UserMessages& messages, Clock now = LocalNow);

    // Reads the list again; false when it could not be read. `askedByUser`: the button, not the
    // timer.
    bool Refresh(bool askedByUser);
    // After a confirmation, deletes the station's row, then reads the list again. False when
    // not asked for, or it could not be deleted (the box said why).
    bool Forget(const std::string& name);

    const std::vector<StationRow>& Rows() const { return m_rows; }
    // "3 puestos, 1 sin noticias; leídos a las 17:29:31." or why the list is not current.
    const std::string& Summary() const { return m_summary; }

  private:
    void ShowRows(WallSeconds now);

    StationSource& m_source;
    UserMessages& m_messages;
    Clock m_now;
    std::vector<accessdb::StationReport> m_reports;
    std::optional<WallSeconds> m_readAt;  // when the reports shown were read
    std::vector<StationRow> m_rows;
    std::string m_summary;
};

}  // namespace mireval
