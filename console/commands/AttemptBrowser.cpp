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
    const accessdb::AttemptQuery shown = m_query;
    const auto starts = m_starts;
    m_query = std::move(*check.query);
    m_starts.clear();
    if (!Show(std::nullopt)) {
        m_query = shown;
        m_starts = starts;
        return false;
    }
    return true;
}

bool AttemptBrowser::Older() {
    if (!m_page.next) {
        return false;
    }
    return Show(m_page.next);
}

bool AttemptBrowser::Newer() {
    if (!HasNewer()) {
        return false;
    }
    const std::optional<accessdb::AttemptCursor> start = m_starts[m_starts.size() - 2];
    const std::optional<accessdb::AttemptCursor> shown = m_starts.back();
    m_starts.resize(m_starts.size() - 2);
    if (!Show(start)) {
        m_starts.push_back(start);
        m_starts.push_back(shown);
        return false;
    }
    return true;
}

// Reads the page that starts there and makes it the one shown, after those in m_starts.
bool AttemptBrowser::Show(std::optional<accessdb::AttemptCursor> start) {
    accessdb::AttemptQuery query = m_query;
    query.before = start;
    try {
        m_page = m_source.ListAttempts(query);
    } catch (const accessdb::DatabaseError& error) {
        m_messages.ShowMessage(error.Description());
        return false;
    } catch (const std::exception& error) {
        m_messages.ShowMessage(error.what());
        return false;
    }
    m_starts.push_back(std::move(start));
    return true;
}

std::string AttemptBrowser::Summary() const {
    if (m_starts.empty()) {
        return {};
    }
    if (m_page.attempts.empty()) {
        return std::string(PageNumber() == 1 ? texts::kNoAttempts : texts::kNoOlderAttempts);
    }
    const std::size_t first = (PageNumber() - 1) * m_query.limit + 1;
    return "Página " + std::to_string(PageNumber()) + ": intentos " + std::to_string(first) +
           " a " + std::to_string(first + m_page.attempts.size() - 1);
}

}  // namespace mireval
