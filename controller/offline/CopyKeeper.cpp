#include "CopyKeeper.h"

#include <system_error>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/Timetables.h"

namespace tarvo {

namespace {

void ReadTimetables(accessdb::SqlSession& session, StudentCopy& copy) {
    accessdb::TimetableStore store(session);
    copy.timetables = store.List();
    copy.studentTimetables = store.StudentTimetables();
    for (char door = '1'; door <= '8'; ++door) {
        copy.doorTimetables[static_cast<std::size_t>(door - '1')] =
            store.DoorTimetable(door).value_or("");
    }
    copy.calendar = store.Calendar();
}

}  // namespace

CopyKeeper::CopyKeeper(accessdb::StorageLocation location, std::filesystem::path folder,
                       std::string station, const ClockSource& clock, std::chrono::seconds every)
    : m_location(std::move(location)),
      m_folder(std::move(folder)),
      m_station(std::move(station)),
      m_clock(clock),
      m_every(every) {
    if (!m_folder.empty() && m_location.IsServer()) {
        if (std::optional<StudentCopy> saved = LoadCopy(m_folder)) {
            m_copy = std::make_shared<const StudentCopy>(std::move(*saved));
        }
    }
    if (m_every.count() > 0) {
        m_worker = std::jthread([this](std::stop_token stop) { Run(stop); });
    }
}

CopyKeeper::~CopyKeeper() = default;

std::shared_ptr<const StudentCopy> CopyKeeper::Copy() const {
    const std::lock_guard lock(m_mutex);
    return m_copy;
}

void CopyKeeper::Tell(const StationStanding& standing) {
    const std::lock_guard lock(m_mutex);
    m_standing = standing;
}

std::string CopyKeeper::LastProblem() const {
    const std::lock_guard lock(m_mutex);
    return m_problem;
}

bool CopyKeeper::Pass() {
    std::shared_ptr<const StudentCopy> copy;
    StationStanding standing;
    {
        const std::lock_guard lock(m_mutex);
        copy = m_copy;
        standing = m_standing;
    }
    std::string problem;
    try {
        accessdb::Connection db =
            accessdb::Connection::Open(m_location, accessdb::OpenMode::ExistingOnly);
        if (m_location.IsServer()) {
            // The count first: students read after it are never older than it says.
            const std::int64_t changes = db.StudentChanges();
            auto fresh = std::make_shared<StudentCopy>();
            const bool moved = !copy || copy->changes != changes;
            if (moved) {
                fresh->students = db.AllStudents();
                ReadTimetables(db.Session(), *fresh);
            } else {
                *fresh = *copy;
            }
            fresh->limitHours = db.OfflineLimitHours();
            fresh->changes = changes;
            fresh->currentAt = m_clock.Now();
            if (!m_folder.empty()) {
                if (moved) {
                    SaveCopy(m_folder, *fresh);
                } else {
                    SaveConfirmation(m_folder, *fresh);
                }
            }
            copy = std::move(fresh);
            const std::lock_guard lock(m_mutex);
            m_copy = copy;
        }
        db.ReportStation({m_station, "", ReportedTime(m_clock.Now()),
                          standing.offlineSince ? ReportedTime(*standing.offlineSince) : "",
                          static_cast<std::int64_t>(standing.pending),
                          copy ? ReportedTime(copy->currentAt) : ""});
    } catch (const accessdb::DatabaseError& error) {
        problem = error.Description();
    } catch (const std::system_error& error) {
        problem = std::string("no se puede guardar la copia de los alumnos: ") + error.what();
    }
    const std::lock_guard lock(m_mutex);
    m_problem = problem;
    return problem.empty();
}

void CopyKeeper::Run(std::stop_token stop) {
    // A server's station needs its copy at once; a file's station only reports, and leaves the
    // file to its first cards for a while.
    bool pass = m_location.IsServer();
    while (!stop.stop_requested()) {
        if (pass) {
            Pass();
        }
        pass = true;
        std::unique_lock lock(m_mutex);
        m_wake.wait_for(lock, stop, m_every, [] { return false; });
    }
}

}  // namespace tarvo
