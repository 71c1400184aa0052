#pragma once

#include <algorithm>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "controller/card/Sleeper.h"
#include "controller/cycle/CardSession.h"
#include "controller/cycle/ClockFields.h"
#include "controller/cycle/ControllerCycle.h"
#include "controller/cycle/CycleScreen.h"
#include "controller/cycle/DoorOpener.h"
#include "controller/cycle/Tone.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

// Test doubles for the cycle's seams. Each records what it was asked in one shared journal,
// where the order matters ("name:...", "dni:...", "status:...", "box:...", "door:5", ...).
namespace tarvo::cyclefakes {

using Journal = std::vector<std::string>;

// The fakes below share one journal.
struct Recorder {
    explicit Recorder(Journal& shared) : journal(shared) {}
    void Note(std::string entry) { journal.push_back(std::move(entry)); }
    Journal& journal;
};

struct FakeScreen : CycleScreen, Recorder {
    using Recorder::Recorder;
    void SetDniField(std::string_view text) override { Note("dni:" + std::string(text)); }
    void SetNameField(std::string_view text) override { Note("name:" + (name = text)); }
    void ShowStatus(std::string_view text) override { Note("status:" + (status = text)); }
    void ShowLog(std::string_view) override { Note("log"); }
    void ShowStationState(std::string_view text) override { state = text; }
    std::string name, status, state;
};

struct FakeMessages : MessageBox, Recorder {
    using Recorder::Recorder;
    void ShowMessage(std::string_view text) override {
        Note("box:" + shown.emplace_back(text));
        if (whileOpen) {
            whileOpen();
        }
    }
    std::vector<std::string> shown;
    std::function<void()> whileOpen;  // a tick the timer delivers while the box is open
};

// What the reader does on one tick.
struct ReaderTick {
    ReaderEvent event = NoCard;
    int readResult = 1;
    std::string dni = "12345678";
};

struct ScriptedSession : CardSession, Recorder {
    ScriptedSession(ReaderTick scripted, Journal& shared) : Recorder(shared), tick(scripted) {}
    ReaderEvent Poll() override { return Note("poll"), tick.event; }
    int ReadDni(std::string& cardBytes) override {
        Note("read");
        if (tick.readResult == 1) {
            cardBytes = std::string("\x01\x08", 2) + tick.dni + std::string(1, '\0');
        }
        return tick.readResult;
    }
    void ReleaseCard() override { Note("release"); }
    void Close() override { Note("close"); }
    ReaderTick tick;
};

// One scripted tick per session; an exhausted script reports an empty slot.
struct ScriptedReaders : ReaderFactory, Recorder {
    using Recorder::Recorder;
    void Then(ReaderTick tick, int times = 1) { script.insert(script.end(), times, tick); }
    std::unique_ptr<CardSession> NewSession() override {
        ReaderTick tick;
        if (!script.empty()) {
            tick = script.front();
            script.pop_front();
        }
        return std::make_unique<ScriptedSession>(tick, journal);
    }
    std::deque<ReaderTick> script;
};

struct FakeDoor : DoorOpener, Recorder {
    using Recorder::Recorder;
    DoorOutcome OpenDoor(char doorDigit) override {
        opened.push_back(doorDigit);
        Note(std::string("door:") + doorDigit);
        return {true, {}};
    }
    std::string opened;
};

struct FakeTone : Tone {
    void Beep(unsigned hz, std::chrono::milliseconds ms) override {
        beeps.emplace_back(hz, ms.count());
    }
    std::vector<std::pair<unsigned, long>> beeps;
};

struct FakeSleeper : Sleeper {
    void SleepMs(unsigned milliseconds) override { waits.push_back(milliseconds); }
    std::vector<unsigned> waits;
};

struct FakeClock : ClockSource {
    // A wall-clock moment, "2024-03-05 09:41:07", as the station's local clock would show it.
    static std::time_t Local(const char* when) {
        std::tm moment{};
        strptime(when, "%Y-%m-%d %H:%M:%S", &moment);
        moment.tm_isdst = -1;
        return std::mktime(&moment);
    }
    std::time_t Now() const override { return now; }
    std::time_t now = Local("2024-03-05 09:41:07");  // a Tuesday in March
};

// The rows of Picadas as "DNI|Fecha|Hora|Puerta", in the order they were written.
inline Rows AccessRows(const std::filesystem::path& database) {
    return Sql(database, "SELECT DNI, Fecha, Hora, Puerta FROM Picadas ORDER BY rowid");
}

// A station's devices, all faked, writing to one journal.
struct FakeDevices {
    Journal journal;
    FakeScreen screen{journal};
    FakeMessages messages{journal};
    ScriptedReaders readers{journal};
    FakeDoor door{journal};
    FakeTone tone;
    FakeSleeper sleeper;
    FakeClock clock;
    std::ostringstream out;
};

// One station: every seam faked but the database file, with Ana registered for doors 1, 5, 8.
struct Station : FakeDevices {
    explicit Station(DoorOpener* relay = nullptr) : opener(relay ? *relay : door) {
        Register(database, {Student("1,5,8")});
    }
    int Count(std::string_view entry) const {
        return static_cast<int>(std::count(journal.begin(), journal.end(), entry));
    }

    TempFolder folder;
    std::filesystem::path database = folder / "Alumnos.mdb";
    DoorOpener& opener;
    // No reports in the background: each test's database sees only its cards.
    ControllerCycle cycle{CycleServices{screen,
                                        messages,
                                        {readers,
                                         opener,
                                         tone,
                                         sleeper,
                                         clock,
                                         out,
                                         database,
                                         StationName(),
                                         {},
                                         std::chrono::seconds(0)}}};
};

// One station on the tables at any location, a file or a server, with nobody registered; it
// names itself "puerta-norte" in the attempts it records, and keeps its journal in `state` (in
// memory when none).
struct StationOn : FakeDevices {
    explicit StationOn(accessdb::StorageLocation where, std::filesystem::path state = {})
        : location(std::move(where)), stateFolder(std::move(state)) {}
    // One card through the reader: read (or not, by readResult) on one tick, taken out on the
    // next.
    void Present(std::string dni, char doorDigit, int readResult = 1) {
        readers.Then({CardConnected, readResult, std::move(dni)});
        readers.Then({NoCard});
        cycle.OnTimer(doorDigit);
        cycle.OnTimer(doorDigit);
    }

    accessdb::StorageLocation location;
    std::filesystem::path stateFolder;
    ControllerCycle cycle{CycleServices{screen,
                                        messages,
                                        {readers, door, tone, sleeper, clock, out, location,
                                         "puerta-norte", stateFolder, std::chrono::seconds(0)}}};
};

}  // namespace tarvo::cyclefakes
