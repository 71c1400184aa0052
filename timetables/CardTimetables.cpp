#include "CardTimetables.h"

#include "accessdb/DatabaseError.h"
#include "accessdb/Timetables.h"
#include "timetables/LocalMoment.h"
#include "timetables/TimetableDecision.h"

namespace timetables {

tarvo::Verdict CheckTimetables(accessdb::SqlSession& session, tarvo::Verdict verdict,
                               std::string_view dni, char doorDigit, std::time_t when) {
    if (!verdict.grant) {
        return verdict;
    }
    const LocalMoment now = LocalMomentOf(when);
    try {
        accessdb::TimetableStore store(session);
        const accessdb::CardTimetables card =
            store.ForCard(dni, doorDigit, now.isoDay, now.weekday);
        return ApplyTimetables(std::move(verdict), card, dni, now);
    } catch (const accessdb::DatabaseError& error) {
        tarvo::Verdict refused;
        refused.displayName = verdict.displayName;
        refused.nameFieldText = "Algun problema en BBDD";
        refused.errorDescription = error.Description();
        return refused;
    }
}

}  // namespace timetables
