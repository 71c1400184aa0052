#include "Purge.h"

#include "accessdb/DatabaseError.h"

namespace admin {

std::int64_t PurgeBefore(accessdb::AdminTables& tables, const std::string& before,
                         const ChunkPacing& pacing) {
    std::int64_t deleted = 0;
    try {
        for (;;) {
            const std::int64_t went = tables.PurgeChunk(before, pacing.rows);
            if (went == 0) {
                return deleted;
            }
            deleted += went;
            pacing.Pause();
        }
    } catch (const accessdb::DatabaseError& error) {
        throw accessdb::DatabaseError(
            error.Code(), error.Description() + " Antes del fallo se borraron " +
                              std::to_string(deleted) +
                              " registros; vuelva a ejecutar la orden para borrar el resto.");
    }
}

PurgeCount CountBefore(accessdb::AdminTables& tables, Day before) {
    // The listings take both bounds inclusive: the last day purged is the one before.
    const std::string last = IsoDay(DaysBefore(before, 1));
    PurgeCount count;
    tables.ForEachAccess({}, last, [&count](const accessdb::AccessRecord&) { ++count.accesses; });
    tables.ForEachAttempt({}, last, [&count](const accessdb::AttemptRecord&) { ++count.attempts; });
    return count;
}

}  // namespace admin
