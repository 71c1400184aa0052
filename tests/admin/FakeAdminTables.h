#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "accessdb/AdminTables.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/Encodings.h"
#include "admin/AdminSession.h"
#include "support/TempFolder.h"

// The tables in memory, for the commands' logic: what the engines promise (pages in order,
// one all-or-nothing change per call, 3021 for a missing student), and faults on demand.
struct FakeSite {
    std::map<std::int64_t, accessdb::StudentRecord> students;
    std::string horario;                           // every registered student's timetable
    std::vector<accessdb::AccessRecord> accesses;  // in the order written
    std::vector<accessdb::AttemptRecord> attempts;
    bool server = false;

    // Faults: the import call (counted from 1) that fails, an erase that fails.
    int failingImportCall = 0;
    bool eraseFails = false;

    std::vector<std::size_t> importChunks;  // the size of every ImportStudents call
    std::vector<std::size_t> purgeChunks;   // the chunk asked of every PurgeChunk call
    std::vector<std::string> purgeBefore;
    std::vector<std::filesystem::path> backups;
    int opens = 0;
};

// "15/07/2014" or " 5/07/2014" as the ISO day the engines compare.
inline std::string IsoOfAccessDate(const std::string& fecha) {
    int day = 0, month = 0, year = 0;
    std::sscanf(fecha.c_str(), "%d/%d/%d", &day, &month, &year);
    char iso[16];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
    return iso;
}

inline bool InRange(const std::string& fecha, const std::string& from, const std::string& to) {
    const std::string day = IsoOfAccessDate(fecha);
    return (from.empty() || day >= from) && (to.empty() || day <= to);
}

class FakeAdminTables : public accessdb::AdminTables {
  public:
    explicit FakeAdminTables(FakeSite& site) : m_site(site) { ++m_site.opens; }

    accessdb::TransactionControl& Transactions() override { return m_transactions; }
    std::int64_t CountStudents() override {
        return static_cast<std::int64_t>(m_site.students.size());
    }
    std::int64_t CountAccesses() override {
        return static_cast<std::int64_t>(m_site.accesses.size());
    }
    std::int64_t CountAttempts() override {
        return static_cast<std::int64_t>(m_site.attempts.size());
    }
    // The fake holds no NULLs: the commands' logic never writes one.
    void InsertAttempts(const std::vector<accessdb::PositionedAttempt>& attempts) override {
        for (const auto& a : attempts) {
            m_site.attempts.push_back(a.attempt);
        }
    }

    std::vector<accessdb::StoredStudent> StudentsAfter(std::optional<std::int64_t> after,
                                                       std::size_t limit) override {
        std::vector<accessdb::StoredStudent> page;
        auto it = after ? m_site.students.upper_bound(*after) : m_site.students.begin();
        for (; it != m_site.students.end() && page.size() < limit; ++it) {
            page.push_back({it->second});
        }
        return page;
    }
    std::vector<accessdb::PositionedAccess> AccessesAfter(std::optional<std::int64_t> after,
                                                          std::size_t limit) override {
        std::vector<accessdb::PositionedAccess> page;
        for (std::size_t i = after ? static_cast<std::size_t>(*after) + 1 : 0;
             i < m_site.accesses.size() && page.size() < limit; ++i) {
            page.push_back({static_cast<std::int64_t>(i), m_site.accesses[i]});
        }
        return page;
    }
    void InsertStudents(const std::vector<accessdb::StoredStudent>& students) override {
        for (const auto& s : students) {
            m_site.students[std::stoll(s.dni)] = s;
        }
    }
    void InsertAccesses(const std::vector<accessdb::PositionedAccess>& accesses) override {
        for (const auto& a : accesses) {
            m_site.accesses.push_back(a.access);
        }
    }

    // check is tested on real files.
    int SchemaVersion() override { return 2; }
    std::vector<std::string> CheckIntegrity() override { return {}; }
    std::vector<accessdb::PositionedAttempt> AttemptsAfter(std::optional<std::int64_t> after,
                                                           std::size_t limit) override {
        std::vector<accessdb::PositionedAttempt> page;
        for (std::size_t i = after ? static_cast<std::size_t>(*after) + 1 : 0;
             i < m_site.attempts.size() && page.size() < limit; ++i) {
            page.push_back({static_cast<std::int64_t>(i), IsoOfAccessDate(m_site.attempts[i].fecha),
                            m_site.attempts[i]});
        }
        return page;
    }
    void ForEachAccess(const std::string& from, const std::string& to,
                       const std::function<void(const accessdb::AccessRecord&)>& row) override {
        for (const auto& access : m_site.accesses) {
            if (InRange(access.fecha, from, to)) {
                row(access);
            }
        }
    }
    void ForEachAttempt(const std::string& from, const std::string& to,
                        const std::function<void(const accessdb::AttemptRecord&)>& row) override {
        for (const auto& attempt : m_site.attempts) {
            if (InRange(attempt.fecha, from, to)) {
                row(attempt);
            }
        }
    }
    void ImportStudents(const std::vector<accessdb::StudentRecord>& students,
                        bool update) override {
        m_site.importChunks.push_back(students.size());
        if (static_cast<int>(m_site.importChunks.size()) == m_site.failingImportCall) {
            throw accessdb::DatabaseError(10, "Error de disco al escribir Alumnos.mdb.");
        }
        for (const auto& s : students) {
            if (!update && m_site.students.contains(std::stoll(s.dni))) {
                throw accessdb::DatabaseError(accessdb::kDuplicateKey,
                                              "Ya existe un alumno con el DNI " + s.dni + ".");
            }
        }
        for (const auto& s : students) {
            m_site.students[std::stoll(s.dni)] = s;
        }
    }
    std::int64_t PurgeChunk(const std::string& before, std::size_t chunk) override {
        m_site.purgeChunks.push_back(chunk);
        m_site.purgeBefore.push_back(before);
        std::size_t went = 0;
        auto purge = [&](auto& rows) {
            // Each row is looked at once, in order: the first `chunk` old ones go.
            const auto kept = std::remove_if(rows.begin(), rows.end(), [&](const auto& row) {
                const bool old = went < chunk && IsoOfAccessDate(row.fecha) < before;
                went += old ? 1 : 0;
                return old;
            });
            rows.erase(kept, rows.end());
        };
        purge(m_site.accesses);
        purge(m_site.attempts);
        return static_cast<std::int64_t>(went);
    }
    std::optional<accessdb::PersonRecord> Person(std::int64_t dni) override {
        const std::string text = accessdb::FormatDni(dni);
        const auto found = m_site.students.find(dni);
        accessdb::PersonRecord person;
        person.registered = found != m_site.students.end();
        if (person.registered) {
            person.student = found->second;
            person.horario = m_site.horario;
        } else {
            person.student.dni = text;
        }
        for (const auto& access : m_site.accesses) {
            if (access.dni == text) {
                person.accesses.push_back(access);
            }
        }
        for (const auto& attempt : m_site.attempts) {
            if (attempt.dni == text) {
                person.attempts.push_back(attempt);
            }
        }
        if (!person.registered && person.accesses.empty() && person.attempts.empty()) {
            return std::nullopt;
        }
        return person;
    }
    bool Erase(std::int64_t dni) override {
        if (!Person(dni)) {
            return false;
        }
        if (m_site.eraseFails) {
            throw accessdb::DatabaseError(10, "Error de disco al escribir Alumnos.mdb.");
        }
        const std::string text = accessdb::FormatDni(dni);
        m_site.students.erase(dni);
        std::erase_if(m_site.accesses, [&](const auto& a) { return a.dni == text; });
        std::erase_if(m_site.attempts, [&](const auto& a) { return a.dni == text; });
        return true;
    }
    void Backup(const std::filesystem::path& file) override { m_site.backups.push_back(file); }

  private:
    // Every change the fake makes is whole at once.
    struct NoTransactions : accessdb::TransactionControl {
        bool InTransaction() const override { return false; }
        void Begin(accessdb::TransactionKind) override {}
        void Commit() override {}
        void Rollback() noexcept override {}
    };

    FakeSite& m_site;
    NoTransactions m_transactions;
};

// A run of the commands against the fake tables: what they print, what they ask, the pauses.
class FakeSession : public admin::AdminSession {
  public:
    explicit FakeSession(FakeSite& site) : m_site(site) {}

    std::ostream& Out() override { return out; }
    std::ostream& Err() override { return err; }
    bool InputIsTerminal() override { return terminal; }
    bool ErrorIsTerminal() override { return terminal; }
    std::optional<std::string> ReadAnswer() override {
        ++questions;
        return answer;
    }
    admin::Day Today() override { return today; }
    void Sleep(std::chrono::milliseconds pause) override { pauses.push_back(pause); }
    accessdb::StorageLocation DefaultLocation() override {
        return m_site.server ? accessdb::StorageLocation::Server("service=tarvo")
                             : accessdb::StorageLocation("Alumnos.mdb");
    }
    std::unique_ptr<accessdb::AdminTables> OpenAdmin(const accessdb::StorageLocation&,
                                                     accessdb::OpenMode) override {
        return std::make_unique<FakeAdminTables>(m_site);
    }
    std::unique_ptr<accessdb::SiteTables> OpenSite(const accessdb::StorageLocation&,
                                                   accessdb::OpenMode) override {
        return std::make_unique<FakeAdminTables>(m_site);
    }
    // The timetables and the calendar on a real file of the test's own.
    std::unique_ptr<accessdb::TimetableTables> OpenTimetables(const accessdb::StorageLocation&,
                                                              accessdb::OpenMode) override {
        return std::make_unique<accessdb::TimetableTables>(
            accessdb::StorageLocation(timetableFolder / "Alumnos.mdb"),
            accessdb::OpenMode::CreateIfMissing);
    }

    std::ostringstream out;
    std::ostringstream err;
    bool terminal = false;
    std::optional<std::string> answer;
    int questions = 0;
    admin::Day today{std::chrono::year(2026), std::chrono::month(6), std::chrono::day(1)};
    std::vector<std::chrono::milliseconds> pauses;
    TempFolder timetableFolder;

  private:
    FakeSite& m_site;
};
