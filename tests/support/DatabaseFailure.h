#pragma once

#include <functional>

#include "accessdb/DatabaseError.h"

// What a database call fails with, so a test can compare the code and the text; code 0 when the
// call succeeds.
inline accessdb::DatabaseError Failure(const std::function<void()>& action) {
    try {
        action();
    } catch (const accessdb::DatabaseError& error) {
        return error;
    }
    return {0, ""};
}

inline int CodeOf(const std::function<void()>& action) { return Failure(action).Code(); }
