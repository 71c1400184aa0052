#include "DatabaseError.h"

#include <sqlite3.h>

namespace accessdb {

// The file's codes are SQLite's primary result codes, the others the layer's own.
FailureKind DatabaseError::Kind() const noexcept {
    switch (m_code) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
        case kServerWriteLocked:
            return FailureKind::Busy;
        case kDuplicateKey:
            return FailureKind::Duplicate;
        case kServerUnreachable:
        case kServerNoAnswer:
            return FailureKind::Unreachable;
        case SQLITE_PERM:
        case SQLITE_READONLY:
        case SQLITE_AUTH:
        case kServerLoginRefused:
        case kServerPermissionDenied:
            return FailureKind::Denied;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
        case kStoredDniNotANumber:
        case kColumnNotFound:
        case kDatabaseTooNew:
        case kTablesMissing:
            return FailureKind::Damaged;
        case kInvalidDni:
        case kInvalidDay:
        case kServerAddressInvalid:
            return FailureKind::Invalid;
        default:
            return FailureKind::Other;
    }
}

DatabaseError NoCurrentRowError() {
    return DatabaseError(kNoCurrentRow, "No hay ningún registro activo.");
}

}  // namespace accessdb
