#include "ControllerCycle.h"

#include <functional>
#include <utility>

#include "accessdb/DatabaseError.h"
#include "accessdb/Timetables.h"
#include "controller/cycle/AccessRules.h"
#include "controller/cycle/StandingTexts.h"
#include "timetables/LocalMoment.h"
#include "timetables/TimetableDecision.h"

namespace tarvo {

namespace {

constexpr unsigned kBeforeReadMs = 200;
constexpr unsigned kAfterRemovalMs = 4000;
constexpr unsigned kBeepHz = 275;
constexpr auto kBeepLength = std::chrono::milliseconds(500);
// How long one tick may spend on what the journal owes; the rest follows at the next ticks.
constexpr auto kOwedSlice = std::chrono::milliseconds(250);

// Values the reader does not report today but the cycle still answers.
constexpr int kReaderStateFailed = -4;
constexpr int kCardIncompatible = -5;

// Ends the tick's reader connection on every path, also when the tick is left early.
class SessionCloser {
  public:
    explicit SessionCloser(CardSession& reader) : m_reader(reader) {}
    ~SessionCloser() { m_reader.Close(); }
    SessionCloser(const SessionCloser&) = delete;
    SessionCloser& operator=(const SessionCloser&) = delete;

  private:
    CardSession& m_reader;
};

void ReleaseReader(CardSession& reader) {
    reader.ReleaseCard();
    reader.Close();
}

// The journal in the station's own folder of the state folder (several stations may share a
// PC); one that cannot be kept there is kept in memory, and the caretaker reads why: the station
// goes on opening doors.
std::string FolderName(const std::string& station) {
    std::string name = station.empty() ? "puesto" : station;
    for (char& c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == '.') {
            c = '_';
        }
    }
    return name;
}

StationJournal OpenJournal(const std::filesystem::path& state, const std::string& station,
                           std::ostream& out) {
    if (state.empty()) {
        return StationJournal({});
    }
    try {
        return StationJournal(state / FolderName(station));
    } catch (const std::system_error& error) {
        out << "\nEl diario del puesto no se puede guardar en disco (" << error.what()
            << "): lo que la base de datos no acepte se perderá si el puesto se cierra.\n";
        out.flush();
        return StationJournal({});
    }
}

}  // namespace

ControllerCycle::ControllerCycle(CycleServices services)
    : m_services(std::move(services)),
      m_database(m_services.devices.database),
      m_journal(OpenJournal(m_services.devices.stateFolder, m_services.devices.station,
                            m_services.devices.out)),
      m_keyPrefix(m_services.devices.station + "-" +
                  std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count())),
      m_keeper(m_services.devices.database,
               m_services.devices.stateFolder.empty()
                   ? std::filesystem::path()
                   : m_services.devices.stateFolder / FolderName(m_services.devices.station),
               m_services.devices.station, m_services.devices.clock,
               m_services.devices.reportEvery) {}

void ControllerCycle::OnTimer(char doorDigit) {
    CatchUp();
    // Without card activity the fields are blanked every second tick; after a card the verdict
    // stays up through the next tick.
    if (++m_tickCount > 1) {
        m_services.screen.SetNameField(" ");
        m_services.screen.SetDniField(" ");
        m_tickCount = 0;
    }
    std::unique_ptr<CardSession> reader = m_services.devices.readers.NewSession();
    SessionCloser closeAtEnd(*reader);
    ActOnEvent(reader->Poll(), *reader, doorDigit);
    ShowStanding();
}

void ControllerCycle::CatchUp() {
    using namespace std::chrono_literals;
    const auto now = std::chrono::steady_clock::now();
    const std::time_t moment = m_services.devices.clock.Now();
    if (m_database.ServerAway()) {
        WentOffline(moment);
    } else if (m_offlineSince && m_database.SessionReady()) {
        BackOnline();
    }
    // What an earlier run could not record, even a grant whose door opened just before the
    // station died, is recorded at the start, and what an outage left owed once the database
    // answers again: tried at most every few seconds, and only when a session is there, so
    // that an idle station does not wait for a database that is away.
    const bool first = !std::exchange(m_owedTried, true);
    if (m_journal.Owed().empty() ||
        (!first && ((!m_owedFlowing && now - m_lastOwedTry < 5s) || !m_database.SessionReady()))) {
        return;
    }
    m_lastOwedTry = now;
    m_owedFlowing = false;
    try {
        accessdb::Connection db = m_database.ForCard();
        m_owedFlowing = WriteOwed(db);
    } catch (const accessdb::DatabaseError& error) {
        // Said at the start; later the pane's count of records waiting says it.
        if (first) {
            Write("\nNo se pudo anotar lo que el puesto debe a la base de datos: " +
                  error.Description() + "\n");
        }
    }
}

void ControllerCycle::ShowStanding() {
    const std::shared_ptr<const StudentCopy> copy = m_keeper.Copy();
    m_keeper.Tell({m_offlineSince, m_journal.Owed().size()});
    std::string text = StandingText(m_offlineSince, copy.get(), m_services.devices.clock.Now(),
                                    m_journal.Owed().size());
    if (text != m_shownStanding) {
        m_services.screen.ShowStationState(text);
        m_shownStanding = std::move(text);
    }
}

void ControllerCycle::ActOnEvent(ReaderEvent event, CardSession& reader, char doorDigit) {
    CycleScreen& screen = m_services.screen;
    switch (static_cast<int>(event)) {
        case CardConnected:
            if (m_cardHandled == 0) {
                ProcessCard(reader, doorDigit);
                return;
            }
            ReleaseReader(reader);
            screen.ShowStatus("Retire la tarjeta.");
            Write("Hacer el ------     111 con flags=1");
            return;
        case NoCard:
            if (m_cardHandled == 1) {
                screen.SetDniField("");
                screen.SetNameField("");
                screen.ShowStatus("Espere unos segundos antes de insretar tarjeta.");
                ReleaseReader(reader);
                m_services.devices.sleeper.SleepMs(kAfterRemovalMs);
            } else {
                screen.ShowStatus("Introduzca la tarjeta de estudiante.");
                ReleaseReader(reader);
            }
            m_cardHandled = 0;
            return;
        case NotPresent:
            screen.SetNameField("");
            return;
        case ContextFailed:
            screen.SetDniField("Error de establecimiento de contexto.");
            screen.SetNameField("");
            screen.ShowStatus("Aborte de inmediato la aplicacion y vuelba a intentarlo mas tarde.");
            ReleaseReader(reader);
            return;
        case NoReaderList:
            screen.SetDniField("");
            screen.SetNameField("");
            screen.ShowStatus("Conecte un lector al equipo.");
            ReleaseReader(reader);
            return;
        case ConnectFailed:
            if (m_cardHandled == 0) {
                screen.SetDniField("Error de conexión.");
                screen.ShowStatus("Estraiga la targeta, espere unos segundos y reintentelo");
            }
            ReleaseReader(reader);
            m_cardHandled = 1;
            return;
        case kReaderStateFailed:
            screen.SetDniField("Error en el estado del lector.");
            screen.ShowStatus("Extraiga la tarjeta, espere unos segundos y reintentelo");
            ReleaseReader(reader);
            m_cardHandled = 1;
            return;
        case kCardIncompatible:
            screen.SetDniField("Tarjeta no compatible");
            screen.SetNameField("");
            screen.ShowStatus("Retire la tarjeta.");
            ReleaseReader(reader);
            m_cardHandled = 1;
            return;
        default:
            screen.SetNameField("");
            screen.ShowStatus("La respuesta ha sido inesperada.");
            ReleaseReader(reader);
            return;
    }
}

void ControllerCycle::ProcessCard(CardSession& reader, char doorDigit) {
    CycleScreen& screen = m_services.screen;
    screen.ShowStatus("Registrando DNI.");
    // Set before the read: a tick that runs while a message box of this card is open sees the
    // card as handled and does not read it again, and a failed read is not retried until the
    // card has been taken out.
    m_cardHandled = 1;
    m_services.devices.sleeper.SleepMs(kBeforeReadMs);

    std::string cardBytes;
    const int read = reader.ReadDni(cardBytes);
    if (read == -1) {
        screen.ShowStatus("Smart Card erronea. ");
        ReleaseReader(reader);
        return;
    }
    if (read != 1) {
        screen.ShowStatus("Smart Card erronea o dañada.");
        return;
    }
    Write("Hacer el lectura de dni------     111 con flags=0");
    screen.ShowStatus("Procediendo a la lectura del dni");
    const std::string dni = cardBytes.size() > 2 ? cardBytes.substr(2, 8) : std::string();

    m_services.devices.tone.Beep(kBeepHz, kBeepLength);
    DecideAndRecord(dni, doorDigit, m_services.devices.clock.Now());
}

void ControllerCycle::DecideAndRecord(const std::string& dni, char doorDigit, std::time_t moment) {
    CycleScreen& screen = m_services.screen;
    const ClockFields now = AccessRules::ClockAt(moment);
    Verdict verdict;
    std::string offlineReason;
    {
        std::optional<accessdb::Connection> db;
        std::optional<accessdb::DatabaseError> failure;
        try {
            db.emplace(m_database.ForCard());
            WriteOwed(*db);
            // The student and the timetables that apply, in one round trip.
            const timetables::LocalMoment local = timetables::LocalMomentOf(moment);
            const accessdb::CardLookup lookup =
                accessdb::LookUpCard(db->Session(), dni, doorDigit, local.isoDay, local.weekday);
            verdict = timetables::ApplyTimetables(
                AccessRules::Decide(lookup.student, dni, doorDigit, now), lookup.timetables, dni,
                local);
        } catch (const accessdb::DatabaseError& error) {
            if (db && !ServerAway(error)) {
                // A refused DNI or a failed query: nothing was decided.
                verdict.nameFieldText = "Algun problema en BBDD";
                verdict.errorDescription = error.Description();
            } else {
                failure = error;
                db.reset();
            }
        }
        if (failure) {
            // A missing, locked or damaged file, a server away: without the server the card is
            // decided on the station's copy while that is young enough; otherwise nothing is
            // decided, opened or logged.
            const std::shared_ptr<const StudentCopy> copy = m_keeper.Copy();
            if (!ServerAway(*failure)) {
                RefuseUndecided(dni, doorDigit, now, failure->Description());
                return;
            }
            WentOffline(moment);
            if (!copy || !copy->UsableAt(moment)) {
                RefuseUndecided(dni, doorDigit, now,
                                failure->Description() + " " + NoOfflineDecision(copy.get()));
                return;
            }
            verdict = AccessRules::Decide(copy->Find(dni), dni, doorDigit, now);
            const timetables::LocalMoment local = timetables::LocalMomentOf(moment);
            verdict = timetables::ApplyTimetables(
                std::move(verdict),
                copy->TimetablesFor(dni, doorDigit, local.isoDay, local.weekday), dni, local);
            offlineReason = OfflineReason(*copy);
        } else {
            BackOnline();
        }
        if (verdict.nameFieldText) {
            screen.SetNameField(*verdict.nameFieldText);
        }
        if (verdict.dniFieldText) {
            screen.SetDniField(*verdict.dniFieldText);
        }
        if (verdict.errorDescription) {
            m_services.messages.ShowMessage(*verdict.errorDescription);
        }
        if (verdict.grant) {
            // Only a decision that granted is recorded, never flags left over from a failure;
            // it is in the journal before the door opens, so that a station that dies between
            // the two still records it at its next start.
            const OwedRecord access{
                NewKey(),
                accessdb::AccessRecord{dni, now.fecha, now.hora, std::string(1, doorDigit)},
                {}};
            const bool kept = Owe(access);
            OpenDoor(doorDigit);
            AppendAccessRecord(db ? &*db : nullptr, access, kept);
        }
        // Every card whose DNI was read, after the access record so that the grant's row is
        // durable before this one is written.
        RecordAttempt(db ? &*db : nullptr, dni, now, doorDigit, verdict, offlineReason);
    }  // the connection is closed on every outcome, before the log line
    if (!offlineReason.empty()) {
        Write(DecidedOfflineLine(*m_keeper.Copy(), m_journal.Owed().size()));
    }
    m_cardHandled = 1;
    m_tickCount = 0;
    AddLogLine(now, doorDigit, dni, verdict.displayName, verdict.doorPermitted,
               verdict.unregistered);
}

void ControllerCycle::RefuseUndecided(const std::string& dni, char doorDigit,
                                      const ClockFields& now, const std::string& description) {
    // The card stays handled and the controller goes on with the next tick. The attempt waits
    // in the journal.
    Write("\nNo se pudo guardar el intento: " + description + "\n");
    Owe({NewKey(),
         std::nullopt,
         {dni, now.fecha, now.hora, std::string(1, doorDigit), m_services.devices.station,
          accessdb::kOutcomeError, description}});
    m_services.screen.ShowStatus(description);
    m_services.messages.ShowMessage(description);
}

void ControllerCycle::OpenDoor(char doorDigit) {
    const DoorOutcome outcome = m_services.devices.door.OpenDoor(doorDigit);
    if (!outcome.opened) {
        // The access was granted and is still recorded; the caretaker must know the door
        // stayed shut.
        Write("\nNo se pudo abrir la puerta " + std::string(1, doorDigit) + ": " + outcome.failure +
              "\n");
        m_services.screen.ShowStatus("No se ha podido abrir la puerta " +
                                     std::string(1, doorDigit) + ".");
    }
}

void ControllerCycle::AppendAccessRecord(accessdb::Connection* db, const OwedRecord& access,
                                         bool kept) {
    // Records reach the database in the order they were made: while older ones wait in the
    // journal, this one waits behind them.
    const auto& owed = m_journal.Owed();
    const bool first = owed.empty() || (owed.size() == 1 && owed.front().key == access.key);
    if (db != nullptr && first) {
        try {
            // False when an earlier try had written it after all: it is there once either way.
            db->AppendAccessOnce(access.key, *access.access);
            if (kept) {
                Forget(access.key);
            }
            return;
        } catch (const accessdb::DatabaseError& error) {
            // A lock held a moment too long or a server away pass by themselves, and the
            // journal keeps the record meanwhile: no box stops the caretaker for them.
            const accessdb::FailureKind kind = error.Kind();
            if (!kept || (kind != accessdb::FailureKind::Busy &&
                          kind != accessdb::FailureKind::Unreachable)) {
                m_services.messages.ShowMessage(error.Description());
            }
        }
    }
    if (kept) {
        Write(
            "\nEl acceso queda en el diario del puesto y se anotará en cuanto la base de "
            "datos lo acepte (" +
            std::to_string(m_journal.Owed().size()) + " pendientes).\n");
    }
}

void ControllerCycle::RecordAttempt(accessdb::Connection* db, std::string_view dni,
                                    const ClockFields& now, char doorDigit, const Verdict& verdict,
                                    const std::string& offlineReason) {
    AttemptOutcome outcome = OutcomeOf(verdict, doorDigit);
    if (!offlineReason.empty()) {
        outcome.motivo += (outcome.motivo.empty() ? "" : "; ") + offlineReason;
    }
    const OwedRecord attempt{
        NewKey(),
        std::nullopt,
        {std::string(dni), now.fecha, now.hora, std::string(1, doorDigit),
         m_services.devices.station, std::move(outcome.resultado), std::move(outcome.motivo)}};
    if (db != nullptr && m_journal.Owed().empty()) {
        try {
            db->AppendAttemptOnce(attempt.key, attempt.attempt);
            return;
        } catch (const accessdb::DatabaseError& error) {
            // The card's door, access record and log line stand as they are; a box would stop
            // the caretaker for what the door did not depend on.
            Write("\nNo se pudo guardar el intento: " + error.Description() + "\n");
        }
    }
    Owe(attempt);
}

bool ControllerCycle::WriteOwed(accessdb::Connection& db) {
    // A day's backlog goes in slices, so that no tick holds the window for long.
    const auto until = std::chrono::steady_clock::now() + kOwedSlice;
    while (!m_journal.Owed().empty()) {
        if (std::chrono::steady_clock::now() > until) {
            return true;
        }
        const OwedRecord record = m_journal.Owed().front();
        try {
            if (record.access) {
                db.AppendAccessOnce(record.key, *record.access);
            } else {
                db.AppendAttemptOnce(record.key, record.attempt);
            }
        } catch (const accessdb::DatabaseError& error) {
            Write("\nNo se pudo anotar lo que el puesto debe a la base de datos (" +
                  std::to_string(m_journal.Owed().size()) + " pendientes): " + error.Description() +
                  "\n");
            return false;
        }
        if (!Forget(record.key)) {
            return false;
        }
    }
    return true;
}

bool ControllerCycle::Owe(const OwedRecord& record) {
    return Journaled([&] { m_journal.Owe(record); }, "guardar en");
}

bool ControllerCycle::Forget(const std::string& key) {
    // When this fails the record stays owed in the file: written again at the next start and
    // refused as a repeat.
    return Journaled([&] { m_journal.Written(key); }, "actualizar");
}

bool ControllerCycle::Journaled(const std::function<void()>& change, const char* what) {
    try {
        change();
        return true;
    } catch (const std::system_error& error) {
        Write(std::string("\nNo se pudo ") + what + " el diario del puesto: " + error.what() +
              "\n");
        return false;
    }
}

bool ControllerCycle::ServerAway(const accessdb::DatabaseError& error) const {
    return m_services.devices.database.IsServer() &&
           error.Kind() == accessdb::FailureKind::Unreachable;
}

void ControllerCycle::WentOffline(std::time_t moment) {
    if (m_offlineSince) {
        return;
    }
    m_offlineSince = moment;
    const std::shared_ptr<const StudentCopy> copy = m_keeper.Copy();
    Write(WentOfflineLine(moment, copy.get(), moment));
}

void ControllerCycle::BackOnline() {
    if (!m_offlineSince) {
        return;
    }
    Write(BackOnlineLine(*m_offlineSince, m_journal.Owed().size()));
    m_offlineSince.reset();
}

std::string ControllerCycle::NewKey() { return m_keyPrefix + "-" + std::to_string(++m_nextKey); }

void ControllerCycle::AddLogLine(const ClockFields& now, char doorDigit, std::string_view dni,
                                 std::string_view displayName, bool doorPermitted,
                                 bool unregistered) {
    m_log.Add(AccessLog::BuildLine(now, doorDigit, dni, displayName, doorPermitted, unregistered));
    m_services.screen.ShowLog(m_log.JoinedText());
}

void ControllerCycle::Write(std::string_view text) {
    m_services.devices.out << text;
    m_services.devices.out.flush();
}

}  // namespace tarvo
