#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// How a sorted drop-down list orders its entries and finds one by its beginning: the same rules
// for every binding of the form's lists.
namespace mireval {

// Letter case is ignored, as sorted lists do; shorter texts sort before their extensions.
std::size_t SortedInsertPosition(const std::vector<std::string>& entries, std::string_view entry);
std::optional<std::size_t> FindEntryStartingWith(const std::vector<std::string>& entries,
                                                 std::string_view prefix);

}  // namespace mireval
