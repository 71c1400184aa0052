#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "AttemptFilters.h"
#include "AttemptSource.h"
#include "UserMessages.h"

namespace mireval {

// The attempts window's listing: the filters last applied and the page shown, newest first.
// Each step reads one page, with one query; the pages are keyed by where the one before ended,
// so walking older and back newer shows every matching attempt once, however many the table
// holds and while the stations keep adding new ones. A refused filter or a database failure is
// told in an OK box and leaves the listing as it was, so the window stays usable.
class AttemptBrowser {
  public:
    static constexpr std::size_t kPageSize = 100;

    AttemptBrowser(AttemptSource& source, UserMessages& messages, std::size_t pageSize = kPageSize);

    // The newest page the filters match. false when nothing changed (the box said why).
    bool Search(const AttemptFilters& filters);
    // The page after the one shown (older attempts), or before it (newer ones); false when
    // there is none or it could not be read.
    bool Older();
    bool Newer();

    bool HasOlder() const { return m_page.next.has_value(); }
    bool HasNewer() const { return m_starts.size() > 1; }
    // 1 for the newest page, 0 before the first search.
    std::size_t PageNumber() const { return m_starts.size(); }
    const std::vector<accessdb::PositionedAttempt>& Attempts() const { return m_page.attempts; }
    // What the page holds, in words: "Página 2: intentos 101 a 200".
    std::string Summary() const;

  private:
    bool Show(std::optional<accessdb::AttemptCursor> start);

    AttemptSource& m_source;
    UserMessages& m_messages;
    std::size_t m_pageSize;
    accessdb::AttemptQuery m_query;  // the filters applied, without a start
    // Where each page from the newest to the one shown starts (none: the newest).
    std::vector<std::optional<accessdb::AttemptCursor>> m_starts;
    accessdb::AttemptPage m_page;
};

}  // namespace mireval
