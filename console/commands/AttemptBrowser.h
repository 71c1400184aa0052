#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "AttemptFilters.h"
#include "AttemptSource.h"
#include "UserMessages.h"

namespace mireval {

// The attempts window's listing: the filters last applied, their order, the page shown and how
// many attempts they match. Each step reads one page with one query, keyed by the row where the
// page shown begins or ends, so walking forward and back shows every matching attempt once,
// however many the table holds and while the stations keep adding new ones. A search also
// counts the matches by day and outcome (the total and the chart). A refused filter or a
// database failure is told in an OK box and leaves the listing as it was, so the window stays
// usable.
class AttemptBrowser {
  public:
    static constexpr std::size_t kPageSize = 100;

    AttemptBrowser(AttemptSource& source, UserMessages& messages, std::size_t pageSize = kPageSize);

    // The first page the filters match, in the order chosen, and the counts. false when nothing
    // changed (the box said why).
    bool Search(const AttemptFilters& filters);
    // The first page of the same filters in another order; false as Search.
    bool SortBy(accessdb::AttemptOrder order, bool descending);
    // Back to before the first search (the order kept): nothing listed, nothing counted. For
    // filters changed when the new listing could not be read, so no rows of others stay.
    void Reset();
    // Pages of the listing: false when there is none or it could not be read.
    bool First();
    bool Last();
    bool Next();
    bool Previous();

    bool Searched() const { return m_searched; }
    bool HasNext() const { return m_hasNext; }
    bool HasPrevious() const { return m_hasPrevious; }
    // 1 for the first page, 0 before the first search.
    std::size_t PageNumber() const { return m_searched ? m_offset / m_pageSize + 1 : 0; }
    const std::vector<accessdb::PositionedAttempt>& Attempts() const { return m_attempts; }
    // The attempts the filters matched when searched.
    std::int64_t Total() const;
    const std::vector<accessdb::AttemptDayCount>& Counts() const { return m_counts; }
    // The filters applied and their order, without a page: what an export writes.
    const accessdb::AttemptQuery& Query() const { return m_query; }
    accessdb::AttemptOrder Order() const { return m_query.order; }
    bool Descending() const { return m_query.descending; }
    // The rows shown and the total, "201-300 de 3.000"; "" before the first search.
    std::string Summary() const;
    // What the filters took otherwise than typed (QueryFromFilters); "" when nothing.
    const std::string& Notice() const { return m_notice; }

  private:
    // A page read, or none when it could not be (the box said why).
    std::optional<accessdb::AttemptPage> Read(const accessdb::AttemptQuery& query);
    bool ShowFirst(const accessdb::AttemptQuery& query);

    AttemptSource& m_source;
    UserMessages& m_messages;
    std::size_t m_pageSize;
    accessdb::AttemptQuery m_query;  // the filters and order applied, without a start
    bool m_searched = false;
    std::vector<accessdb::AttemptDayCount> m_counts;
    std::string m_notice;
    std::vector<accessdb::PositionedAttempt> m_attempts;
    std::size_t m_offset = 0;  // how many matching rows precede the page, as far as known
    bool m_hasNext = false;
    bool m_hasPrevious = false;
};

// A count with the thousands marked as Spanish writes them: "3.000", "1.234.567".
std::string SpanishNumber(std::int64_t number);

}  // namespace mireval
