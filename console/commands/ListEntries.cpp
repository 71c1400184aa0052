#include "ListEntries.h"

#include <algorithm>

namespace mireval {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool ListOrderLess(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(Lower(x)) < static_cast<unsigned char>(Lower(y));
    });
}

std::size_t SortedInsertPosition(const std::vector<std::string>& entries, std::string_view entry) {
    // After the equal ones, so equal entries keep the order they were added in.
    const auto at = std::upper_bound(entries.begin(), entries.end(), entry,
                                     [](std::string_view value, const std::string& element) {
                                         return ListOrderLess(value, element);
                                     });
    return static_cast<std::size_t>(at - entries.begin());
}

std::optional<std::size_t> FindEntryStartingWith(const std::vector<std::string>& entries,
                                                 std::string_view prefix) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        if (entry.size() >= prefix.size() &&
            std::equal(prefix.begin(), prefix.end(), entry.begin(),
                       [](char x, char y) { return Lower(x) == Lower(y); })) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace mireval
