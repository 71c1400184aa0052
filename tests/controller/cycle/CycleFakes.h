#pragma once

#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "accessdb/Connection.h"
#include "controller/card/Sleeper.h"
#include "controller/cycle/CardSession.h"
#include "controller/cycle/ClockFields.h"
#include "controller/cycle/CycleScreen.h"
#include "controller/cycle/DoorOpener.h"
#include "controller/cycle/Tone.h"
#include "support/TempFolder.h"

// Test doubles for the cycle's seams. Each records what it was asked, in one shared journal
// where the order matters ("name:...", "dni:...", "status:...", "box:...", "door:5", ...).
namespace cyclefakes {

using Journal = std::vector<std::string>;

class FakeScreen : public CycleScreen {
  public:
    explicit FakeScreen(Journal& journal) : m_journal(journal) {}
    void SetDniField(std::string_view text) override {
        dni = text;
        m_journal.push_back("dni:" + dni);
    }
    void SetNameField(std::string_view text) override {
        name = text;
        m_journal.push_back("name:" + name);
    }
    void ShowStatus(std::string_view text) override {
        status = text;
        m_journal.push_back("status:" + status);
    }
    void ShowLog(std::string_view joinedLines) override {
        log = joinedLines;
        ++logRefreshes;
        m_journal.push_back("log");
    }
    std::string dni, name, status, log;
    int logRefreshes = 0;

  private:
    Journal& m_journal;
};

class FakeMessages : public MessageBox {
  public:
    explicit FakeMessages(Journal& journal) : m_journal(journal) {}
    void ShowMessage(std::string_view text) override {
        shown.emplace_back(text);
        m_journal.push_back("box:" + std::string(text));
        if (whileOpen) {
            whileOpen();
        }
    }
    std::vector<std::string> shown;
    // Runs while the box is "open": a tick the timer delivers meanwhile.
    std::function<void()> whileOpen;

  private:
    Journal& m_journal;
};

// What the reader does on one tick.
struct ReaderTick {
    ReaderEvent event = NoCard;
    int readResult = 1;
    std::string dni = "12345678";
};

class ScriptedSession : public CardSession {
  public:
    ScriptedSession(ReaderTick tick, Journal& journal)
        : m_tick(std::move(tick)), m_journal(journal) {}
    ReaderEvent Poll() override {
        m_journal.push_back("poll");
        return m_tick.event;
    }
    int ReadDni(std::string& cardBytes) override {
        m_journal.push_back("read");
        if (m_tick.readResult == 1) {
            cardBytes = std::string("\x01\x08", 2) + m_tick.dni + std::string(1, '\0');
        }
        return m_tick.readResult;
    }
    void ReleaseCard() override { m_journal.push_back("release"); }
    void Close() override { m_journal.push_back("close"); }

  private:
    ReaderTick m_tick;
    Journal& m_journal;
};

// One scripted tick per session; an exhausted script reports an empty slot.
class ScriptedReaders : public ReaderFactory {
  public:
    explicit ScriptedReaders(Journal& journal) : m_journal(journal) {}
    void Then(ReaderTick tick, int times = 1) {
        for (int i = 0; i < times; ++i) {
            m_script.push_back(tick);
        }
    }
    std::unique_ptr<CardSession> NewSession() override {
        ReaderTick tick;
        if (!m_script.empty()) {
            tick = m_script.front();
            m_script.pop_front();
        }
        return std::make_unique<ScriptedSession>(tick, m_journal);
    }

  private:
    std::deque<ReaderTick> m_script;
    Journal& m_journal;
};

class FakeDoor : public DoorOpener {
  public:
    explicit FakeDoor(Journal& journal) : m_journal(journal) {}
    DoorOutcome OpenDoor(char doorDigit) override {
        opened.push_back(doorDigit);
        m_journal.push_back(std::string("door:") + doorDigit);
        return outcome;
    }
    std::string opened;
    DoorOutcome outcome{true, {}};

  private:
    Journal& m_journal;
};

class FakeTone : public Tone {
  public:
    void Beep(unsigned frequencyHz, std::chrono::milliseconds duration) override {
        beeps.emplace_back(frequencyHz, duration.count());
    }
    std::vector<std::pair<unsigned, long>> beeps;
};

class FakeSleeper : public Sleeper {
  public:
    void SleepMs(unsigned milliseconds) override { waits.push_back(milliseconds); }
    std::vector<unsigned> waits;
};

class FakeClock : public ClockSource {
  public:
    // A local wall-clock moment, as the station's clock would show it.
    static std::time_t Local(int year, int month, int day, int hour, int minute, int second) {
        std::tm moment{};
        moment.tm_year = year - 1900;
        moment.tm_mon = month - 1;
        moment.tm_mday = day;
        moment.tm_hour = hour;
        moment.tm_min = minute;
        moment.tm_sec = second;
        moment.tm_isdst = -1;
        return std::mktime(&moment);
    }
    std::time_t Now() const override { return now; }
    std::time_t now = Local(2024, 3, 5, 9, 41, 7);  // a Tuesday in March
};

// A student as the console registers one.
inline accessdb::StudentRecord Student(std::string dni, std::string nombre, std::string apellido1,
                                       std::string puerta) {
    accessdb::StudentRecord student;
    student.dni = std::move(dni);
    student.nombre = std::move(nombre);
    student.apellido1 = std::move(apellido1);
    student.apellido2 = "Ruiz";
    student.puerta = std::move(puerta);
    student.agosto = "0";
    student.finDeSemana = "0";
    student.periodoTemporal = "0";
    return student;
}

inline void AddStudents(const std::filesystem::path& database,
                        const std::vector<accessdb::StudentRecord>& students) {
    auto db = accessdb::Connection::Open(database, accessdb::OpenMode::CreateIfMissing);
    for (const auto& student : students) {
        db.AddStudent(student);
        db.SaveStudent(student);
    }
}

// The rows of Picadas as "DNI|Fecha|Hora|Puerta", in the order they were written.
std::vector<std::string> AccessRows(const std::filesystem::path& database);

}  // namespace cyclefakes
