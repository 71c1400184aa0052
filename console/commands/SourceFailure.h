#pragma once

#include <exception>
#include <optional>
#include <string>

#include "accessdb/DatabaseError.h"

namespace mireval {

// The description of what a window's source threw, in the user's terms where it is a
// database's; none when the action succeeded.
template <class Action>
std::optional<std::string> SourceFailure(Action&& action) {
    try {
        action();
        return std::nullopt;
    } catch (const accessdb::DatabaseError& error) {
        return error.Description();
    } catch (const std::exception& error) {
        return std::string(error.what());
    }
}

}  // namespace mireval
