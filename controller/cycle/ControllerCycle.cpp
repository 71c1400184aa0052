#include "ControllerCycle.h"

#include <functional>

#include "accessdb/DatabaseError.h"
#include "controller/cycle/AccessRules.h"

namespace tarvo {

namespace {

constexpr unsigned kBeforeReadMs = 200;
constexpr unsigned kAfterRemovalMs = 4000;
constexpr unsigned kBeepHz = 275;
constexpr auto kBeepLength = std::chrono::milliseconds(500);

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
StationJournal OpenJournal(const std::filesystem::path& state, const std::string& station,
                           std::ostream& out) {
    if (state.empty()) {
        return StationJournal({});
    }
    std::string name = station.empty() ? "puesto" : station;
    for (char& c : name) {
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == '.') {
            c = '_';
        }
    }
    try {
        return StationJournal(state / name);
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
                                     .count())) {}

void ControllerCycle::OnTimer(char doorDigit) {
    if (!m_owedTried) {
        // What an earlier run could not record, even a grant whose door opened just before the
        // station died, is recorded at the start.
        m_owedTried = true;
        if (!m_journal.Owed().empty()) {
            try {
                accessdb::Connection db = m_database.ForCard();
                WriteOwed(db);
            } catch (const accessdb::DatabaseError& error) {
                Write("\nNo se pudo anotar lo que el puesto debe a la base de datos: " +
                      error.Description() + "\n");
            }
        }
    }
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
    const ClockFields now = AccessRules(m_services.devices.clock).ReadClock();
    DecideAndRecord(dni, doorDigit, now);
}

void ControllerCycle::DecideAndRecord(const std::string& dni, char doorDigit,
                                      const ClockFields& now) {
    CycleScreen& screen = m_services.screen;
    Verdict verdict;
    {
        std::optional<accessdb::Connection> db;
        try {
            db.emplace(m_database.ForCard());
        } catch (const accessdb::DatabaseError& error) {
            // A missing, locked or damaged file, a server away: the card stays handled and the
            // controller goes on with the next tick; nothing is decided, opened or logged. The
            // attempt waits in the journal.
            Write("\nNo se pudo guardar el intento: " + error.Description() + "\n");
            Owe({NewKey(),
                 std::nullopt,
                 {dni, now.fecha, now.hora, std::string(1, doorDigit), m_services.devices.station,
                  accessdb::kOutcomeError, error.Description()}});
            screen.ShowStatus(error.Description());
            m_services.messages.ShowMessage(error.Description());
            return;
        }
        WriteOwed(*db);
        verdict = AccessRules::Decide(*db, dni, doorDigit, now);
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
            AppendAccessRecord(*db, access, kept);
        }
        // Every card whose DNI was read, on the lookup's connection, after the access record
        // so that the grant's row is durable before this one is written.
        RecordAttempt(*db, dni, now, doorDigit, verdict);
    }  // the connection is closed on every outcome, before the log line
    m_cardHandled = 1;
    m_tickCount = 0;
    AddLogLine(now, doorDigit, dni, verdict.displayName, verdict.doorPermitted,
               verdict.unregistered);
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

void ControllerCycle::AppendAccessRecord(accessdb::Connection& db, const OwedRecord& access,
                                         bool kept) {
    try {
        // False when an earlier try had written it after all: it is there once either way.
        db.AppendAccessOnce(access.key, *access.access);
    } catch (const accessdb::DatabaseError& error) {
        m_services.messages.ShowMessage(error.Description());
        if (kept) {
            Write(
                "\nEl acceso queda en el diario del puesto y se anotará en cuanto la base de "
                "datos lo acepte (" +
                std::to_string(m_journal.Owed().size()) + " pendientes).\n");
        }
        return;
    }
    if (kept) {
        Forget(access.key);
    }
}

void ControllerCycle::RecordAttempt(accessdb::Connection& db, std::string_view dni,
                                    const ClockFields& now, char doorDigit,
                                    const Verdict& verdict) {
    AttemptOutcome outcome = OutcomeOf(verdict, doorDigit);
    const OwedRecord attempt{
        NewKey(),
        std::nullopt,
        {std::string(dni), now.fecha, now.hora, std::string(1, doorDigit),
         m_services.devices.station, std::move(outcome.resultado), std::move(outcome.motivo)}};
    try {
        db.AppendAttemptOnce(attempt.key, attempt.attempt);
    } catch (const accessdb::DatabaseError& error) {
        // The card's door, access record and log line stand as they are; a box would stop the
        // caretaker for what the door did not depend on. The attempt waits in the journal.
        Write("\nNo se pudo guardar el intento: " + error.Description() + "\n");
        Owe(attempt);
    }
}

void ControllerCycle::WriteOwed(accessdb::Connection& db) {
    while (!m_journal.Owed().empty()) {
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
            return;
        }
        if (!Forget(record.key)) {
            return;
        }
    }
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
