#include "ListEntries.h"

#include <algorithm>

#include "common/IgnoringCase.h"

namespace mireval {

std::size_t SortedInsertPosition(const std::vector<std::string>& entries, std::string_view entry) {
    // After the equal ones, so equal entries keep the order they were added in.
    const auto at = std::upper_bound(entries.begin(), entries.end(), entry,
                                     [](std::string_view value, const std::string& element) {
                                         return common::LessIgnoringCase(value, element);
                                     });
    return static_cast<std::size_t>(at - entries.begin());
}

std::optional<std::size_t> FindEntryStartingWith(const std::vector<std::string>& entries,
                                                 std::string_view prefix) {
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (common::StartsWithIgnoringCase(entries[i], prefix)) {
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace mireval
