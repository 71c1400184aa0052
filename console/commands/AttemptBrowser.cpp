#include "AttemptBrowser.h"

#include <exception>

#include "AttemptTexts.h"
#include "accessdb/DatabaseError.h"

namespace mireval {

AttemptBrowser::AttemptBrowser(AttemptSource& source, UserMessages& messages, std::size_t pageSize)
    : m_source(source), m_messages(messages), m_pageSize(pageSize) {}

bool AttemptBrowser::Search(const AttemptFilters& filters) {
    AttemptFilterCheck check = QueryFromFilters(filters, m_pageSize);
    if (!check.query) {
        m_messages.ShowMessage(check.refusal);
        return false;
    }
    check.query->order = m_query.order;
    check.query->descending = m_query.descending;
    std::vector<accessdb::AttemptDayCount> counts;
    try {
        counts = m_source.CountAttempts(*check.query);
    } catch (const accessdb::DatabaseError& error) {
        m_messages.ShowMessage(error.Description());
        return false;
    } catch (const std::exception& error) {
        m_messages.ShowMessage(error.what());
        return false;
    }
    if (!ShowFirst(*check.query)) {
        return false;
    }
    m_counts = std::move(counts);
    m_notice = std::move(check.notice);
    return true;
}

bool AttemptBrowser::SortBy(accessdb::AttemptOrder order, bool descending) {
    if (!m_searched) {
        m_query.order = order;
        m_query.descending = descending;
        return true;
    }
    accessdb::AttemptQuery query = m_query;
    query.order = order;
    query.descending = descending;
    return ShowFirst(query);
}

void AttemptBrowser::Reset() {
    m_searched = false;
    m_counts.clear();
    m_notice.clear();
    m_attempts.clear();
    m_offset = 0;
    m_hasNext = false;
    m_hasPrevious = false;
}

bool AttemptBrowser::First() { return m_searched && ShowFirst(m_query); }

// Reads the first page of the query and makes both the ones applied.
bool AttemptBrowser::ShowFirst(const accessdb::AttemptQuery& query) {
    const auto page = Read(query);
    if (!page) {
        return false;
    }
    m_query = query;
    m_searched = true;
    m_attempts = page->attempts;
    m_offset = 0;
    m_hasPrevious = false;
    m_hasNext = page->next.has_value();
    return true;
}

bool AttemptBrowser::Last() {
    if (!m_searched) {
        return false;
    }
    const auto total = static_cast<std::size_t>(Total());
    if (total == 0) {
        return First();
    }
    // The last page holds what the full pages before it leave, so the pages stay where they
    // were numbered from the first.
    const std::size_t remainder = total % m_pageSize == 0 ? m_pageSize : total % m_pageSize;
    accessdb::AttemptQuery query = m_query;
    query.backward = true;
    query.limit = remainder;
    const auto page = Read(query);
    if (!page) {
        return false;
    }
    m_attempts = page->attempts;
    m_offset = total - std::min(total, m_attempts.size());
    m_hasNext = false;
    m_hasPrevious = page->next.has_value();
    return true;
}

bool AttemptBrowser::Next() {
    if (!m_hasNext || m_attempts.empty()) {
        return false;
    }
    accessdb::AttemptQuery query = m_query;
    query.before = accessdb::CursorOf(m_attempts.back(), m_query.order);
    const auto page = Read(query);
    if (!page) {
        return false;
    }
    m_offset += m_attempts.size();
    m_attempts = page->attempts;
    m_hasPrevious = true;
    m_hasNext = page->next.has_value();
    return true;
}

bool AttemptBrowser::Previous() {
    if (!m_hasPrevious || m_attempts.empty()) {
        return false;
    }
    accessdb::AttemptQuery query = m_query;
    query.before = accessdb::CursorOf(m_attempts.front(), m_query.order);
    query.backward = true;
    const auto page = Read(query);
    if (!page) {
        return false;
    }
    if (page->attempts.size() < m_pageSize) {
        // Fewer than a page lie before: rows added meanwhile at the top, or some purged. The
        // first page is read whole, as a new search would show it.
        return First();
    }
    m_offset = m_offset > page->attempts.size() ? m_offset - page->attempts.size() : 0;
    m_attempts = page->attempts;
    m_hasNext = true;
    m_hasPrevious = page->next.has_value();
    return true;
}

std::optional<accessdb::AttemptPage> AttemptBrowser::Read(const accessdb::AttemptQuery& query) {
    try {
        return m_source.ListAttempts(query);
    } catch (const accessdb::DatabaseError& error) {
        m_messages.ShowMessage(error.Description());
    } catch (const std::exception& error) {
        m_messages.ShowMessage(error.what());
    }
    return std::nullopt;
}

std::int64_t AttemptBrowser::Total() const {
    std::int64_t total = 0;
    for (const accessdb::AttemptDayCount& count : m_counts) {
        total += count.count;
    }
    return total;
}

std::string AttemptBrowser::Summary() const {
    if (!m_searched) {
        return {};
    }
    if (m_attempts.empty()) {
        return std::string(m_offset == 0 ? texts::kNoAttempts : texts::kNoMoreAttempts);
    }
    const auto first = static_cast<std::int64_t>(m_offset) + 1;
    const auto last = first + static_cast<std::int64_t>(m_attempts.size()) - 1;
    // Attempts written since the count make the listing longer than counted.
    const std::int64_t total = std::max(Total(), last);
    return SpanishNumber(first) + "-" + SpanishNumber(last) + " de " + SpanishNumber(total);
}

std::string SpanishNumber(std::int64_t number) {
    std::string digits = std::to_string(number < 0 ? -number : number);
    for (auto at = static_cast<std::ptrdiff_t>(digits.size()) - 3; at > 0; at -= 3) {
        digits.insert(static_cast<std::size_t>(at), ".");
    }
    return (number < 0 ? "-" : "") + digits;
}

}  // namespace mireval
