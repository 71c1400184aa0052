// One page of the administrator's attempts window (open, list one page of attempts newest
// first or in another order the window offers, close) at 10^5 and 10^6 attempts, for each kind
// of filter, against the same keyset query written directly against the SQLite C API on the
// same file. Each page must stay one
// indexed range read: its cost must not grow with the table, and the floor's plan is checked to
// use an index in the listing's order (no sort of the whole match, no scan of the table).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

#include "Rounds.h"
#include "SqliteFloor.h"
#include "accessdb/AttemptListing.h"
#include "accessdb/Connection.h"

namespace {

constexpr int kPagesPerRound = 20;
constexpr std::size_t kPageSize = 100;        // what the window shows at a time
constexpr const char* kRareDni = "00000042";  // a few hundred attempts among the million
constexpr std::int64_t kRareEvery = 3000;

// A year of attempts, written day after day as the stations write them: ten thousand
// students, doors 0 to 8, mostly grants, one in a hundred an error.
std::filesystem::path AttemptsDataset(long attempts) {
    const auto folder =
        std::filesystem::path("bench-data") / ("attempts-" + std::to_string(attempts));
    const auto file = folder / "Alumnos.mdb";
    if (std::filesystem::exists(folder / "complete")) {
        return file;
    }
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    accessdb::Connection::Open(file, accessdb::OpenMode::CreateIfMissing);
    bench::sqlite::Database db = bench::sqlite::Open(file);
    sqlite3* raw = db.get();
    bench::sqlite::Exec(raw, "PRAGMA synchronous = OFF");
    bench::sqlite::Exec(raw, "BEGIN");
    {
        bench::sqlite::Statement insert = bench::sqlite::Prepare(
            raw,
            "INSERT INTO Intentos (DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo)"
            " VALUES (?, ?, ?, ?, ?, ?, ?)");
        static constexpr int kMonthDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
        unsigned long seed = 4242;
        for (long i = 0; i < attempts; ++i) {
            seed = seed * 6364136223846793005UL + 1442695040888963407UL;
            const unsigned long r = seed >> 33;
            // The day of the year this attempt falls on, in the order written.
            long dayOfYear = i * 366 / attempts;
            int month = 0;
            while (dayOfYear >= kMonthDays[month]) {
                dayOfYear -= kMonthDays[month++];
            }
            char fecha[32];
            char hora[32];
            char dni[32];
            std::snprintf(fecha, sizeof fecha, "%2ld/%02d/2024", dayOfYear + 1, month + 1);
            const long second = i % 86400;
            std::snprintf(hora, sizeof hora, "%02ld:%02ld:%02ld", second / 3600, second / 60 % 60,
                          second % 60);
            std::snprintf(dni, sizeof dni, "%08lu", 100 + r % 10'000);
            const unsigned long roll = (r >> 16) % 100;
            const char* resultado = roll < 80   ? "concedido"
                                    : roll < 95 ? "denegado"
                                    : roll < 99 ? "no registrado"
                                                : "error";
            const std::string door = std::to_string((r >> 8) % 9);
            const std::string station = "P" + door;  // bound as it is, so kept until the step
            bench::sqlite::BindText(raw, insert.get(), 1, i % kRareEvery == 0 ? kRareDni : dni);
            bench::sqlite::BindText(raw, insert.get(), 2, fecha);
            bench::sqlite::BindText(raw, insert.get(), 3, hora);
            bench::sqlite::BindText(raw, insert.get(), 4, door.c_str());
            bench::sqlite::BindText(raw, insert.get(), 5, station.c_str());
            bench::sqlite::BindText(raw, insert.get(), 6, resultado);
            bench::sqlite::BindText(raw, insert.get(), 7, roll < 80 ? "" : "puerta no permitida");
            bench::sqlite::Check(raw, sqlite3_step(insert.get()), SQLITE_DONE, "attempt insert");
            sqlite3_reset(insert.get());
        }
    }
    bench::sqlite::Exec(raw, "COMMIT");
    bench::sqlite::Close(std::move(db));
    std::fclose(std::fopen((folder / "complete").c_str(), "w"));
    return file;
}

// What the window asks for: the filters, and where the page starts (none: the newest).
struct PageCase {
    const char* name;
    accessdb::AttemptQuery query;
};

// Half a year back: every attempt after 1 July has been paged past.
const accessdb::AttemptCursor kMidYear{"2024-07-01", std::numeric_limits<std::int64_t>::max()};

std::vector<PageCase> Cases() {
    auto with = [](auto fill) {
        accessdb::AttemptQuery query;
        query.limit = kPageSize;
        fill(query);
        return query;
    };
    return {
        {"newest", with([](auto&) {})},
        {"mid_year", with([](auto& q) { q.before = kMidYear; })},
        {"one_dni", with([](auto& q) { q.dni = kRareDni; })},
        {"one_dni_mid_year", with([](auto& q) {
             q.dni = kRareDni;
             q.before = kMidYear;
         })},
        {"errors_mid_year", with([](auto& q) {
             q.resultado = "error";
             q.before = kMidYear;
         })},
        {"door_mid_year", with([](auto& q) {
             q.puerta = "7";
             q.before = kMidYear;
         })},
        {"march", with([](auto& q) {
             q.from = "2024-03-01";
             q.to = "2024-03-31";
         })},
        {"door_and_errors_in_march", with([](auto& q) {
             q.puerta = "0";
             q.resultado = "error";
             q.from = "2024-03-01";
             q.to = "2024-03-31";
         })},
        // Ordered by a header click, halfway through the order: the DNIs from the middle of
        // the students up, the outcomes backwards from the denials of July, the days forward.
        {"by_dni_mid", with([](auto& q) {
             q.order = accessdb::AttemptOrder::Dni;
             q.descending = false;
             q.before = accessdb::AttemptCursor{"2024-07-01", 0, "00005000"};
         })},
        {"by_outcome_desc_mid", with([](auto& q) {
             q.order = accessdb::AttemptOrder::Outcome;
             q.before = accessdb::AttemptCursor{"2024-07-01", 0, "denegado"};
         })},
        {"by_day_asc_mid", with([](auto& q) {
             q.descending = false;
             q.before = kMidYear;
         })},
        {"by_dni_desc_last_page", with([](auto& q) {
             q.order = accessdb::AttemptOrder::Dni;
             q.backward = true;
         })},
    };
}

// The floor: the keyset query for the case, written out by hand, on a connection of its own.
class FloorPage {
  public:
    explicit FloorPage(const accessdb::AttemptQuery& query) : m_query(query) {
        std::string where;
        auto add = [&](const std::string& condition, const std::string& value) {
            where += (where.empty() ? " WHERE " : " AND ") + condition;
            m_values.push_back(value);
        };
        if (!query.dni.empty()) add("DNI = ?", query.dni);
        if (!query.puerta.empty()) add("Puerta = ?", query.puerta);
        if (!query.resultado.empty()) add("Resultado = ?", query.resultado);
        if (!query.from.empty()) add("Dia >= ?", query.from);
        if (!query.to.empty()) add("Dia <= ?", query.to);
        // The order's columns, the way they are read (a last page is read from the end).
        std::vector<std::string> columns{"Dia", "Orden"};
        if (query.order == accessdb::AttemptOrder::Dni) {
            columns.insert(columns.begin(), "DNI");
        } else if (query.order == accessdb::AttemptOrder::Outcome) {
            columns.insert(columns.begin(), "Resultado");
        }
        const bool descending = query.descending != query.backward;
        if (query.before) {
            std::string left = columns[0];
            std::string right = "?";
            if (columns.size() == 3) {
                m_values.push_back(query.before->key);
                left += ", " + columns[1];
                right += ", ?";
            }
            m_values.push_back(query.before->day);
            where += std::string(where.empty() ? " WHERE " : " AND ") + "(" + left + ", Orden) " +
                     (descending ? "<" : ">") + " (" + right + ", " +
                     std::to_string(query.before->position) + ")";
        }
        std::string orderBy;
        for (const std::string& column : columns) {
            orderBy +=
                (orderBy.empty() ? " ORDER BY " : ", ") + column + (descending ? " DESC" : " ASC");
        }
        m_sql =
            "SELECT Orden, DNI, Fecha, Hora, Puerta, Puesto, Resultado, Motivo, Dia FROM "
            "Intentos" +
            where + orderBy + " LIMIT " + std::to_string(query.limit + 1);
    }

    // Throws unless the engine reads the page through an index in the listing's order.
    void CheckPlan(const std::filesystem::path& file) const {
        bench::sqlite::Database db = bench::sqlite::Open(file, SQLITE_OPEN_READONLY);
        bench::sqlite::Statement plan =
            bench::sqlite::Prepare(db.get(), ("EXPLAIN QUERY PLAN " + m_sql).c_str());
        Bind(db.get(), plan.get());
        std::string steps;
        while (sqlite3_step(plan.get()) == SQLITE_ROW) {
            steps += reinterpret_cast<const char*>(sqlite3_column_text(plan.get(), 3));
            steps += "; ";
        }
        if (steps.find("TEMP B-TREE") != std::string::npos ||
            steps.find("USING") == std::string::npos) {
            throw std::runtime_error("the floor's page is no indexed range read: " + steps);
        }
    }

    std::size_t Once(const std::filesystem::path& file) const {
        bench::sqlite::Database db = bench::sqlite::Open(file);
        std::size_t rows = 0;
        {
            bench::sqlite::Statement select = bench::sqlite::Prepare(db.get(), m_sql.c_str());
            Bind(db.get(), select.get());
            int rc = SQLITE_ROW;
            while ((rc = sqlite3_step(select.get())) == SQLITE_ROW) {
                bench::sqlite::ReadRow(select.get());
                ++rows;
            }
            bench::sqlite::Check(db.get(), rc, SQLITE_DONE, "attempts page");
        }
        bench::sqlite::Close(std::move(db));
        return std::min(rows, m_query.limit);
    }

  private:
    void Bind(sqlite3* db, sqlite3_stmt* statement) const {
        for (std::size_t i = 0; i < m_values.size(); ++i) {
            bench::sqlite::BindText(db, statement, static_cast<int>(i + 1), m_values[i].c_str());
        }
    }

    accessdb::AttemptQuery m_query;
    std::string m_sql;
    std::vector<std::string> m_values;
};

void Page(benchmark::State& state, const PageCase& page) {
    const auto file = AttemptsDataset(state.range(0));
    const FloorPage floor(page.query);
    std::size_t expected = 0;
    try {
        floor.CheckPlan(file);
        expected = floor.Once(file);
    } catch (const std::exception& failure) {
        state.SkipWithError(failure.what());
        return;
    }
    bench::CompareInRounds(state, kPagesPerRound,
                           {"page",
                            [&] {
                                // What each step of the window does: a connection for the page, one
                                // query.
                                accessdb::Connection db = accessdb::Connection::Open(
                                    file, accessdb::OpenMode::CreateIfMissing);
                                const accessdb::AttemptPage listed = db.ListAttempts(page.query);
                                if (listed.attempts.size() != expected) {
                                    throw std::runtime_error(
                                        "the page holds " + std::to_string(listed.attempts.size()) +
                                        " attempts, the floor " + std::to_string(expected));
                                }
                            }},
                           {{"sqlite", [&] { benchmark::DoNotOptimize(floor.Once(file)); }}});
    state.counters["rows"] = static_cast<double>(expected);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<long> sizes{100'000, 1'000'000};
    if (std::getenv("TARVO_BENCH_LARGE") != nullptr) {
        sizes.push_back(10'000'000);
    }
    for (const PageCase& page : Cases()) {
        auto* b =
            benchmark::RegisterBenchmark((std::string("AttemptPage/") + page.name).c_str(),
                                         [page](benchmark::State& state) { Page(state, page); });
        for (long size : sizes) {
            b->Arg(size);
        }
        b->ArgName("attempts")->Iterations(15)->UseManualTime();
    }
    return bench::Main(argc, argv);
}
