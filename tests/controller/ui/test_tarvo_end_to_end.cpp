// Tarvo end to end: the program's own start-up (CTarvoApp::InitInstance) on the real devices:
// pcscd with the virtual reader and the project's virtual student card, the relay on a
// pseudo-terminal pair, a real Alumnos.mdb in the working directory. The door is chosen by
// clicking its radio button on the window.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QtTest>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>

#include "accessdb/Encodings.h"
#include "controller/cycle/DoorRelay.h"
#include "controller/ui/CTarvoApp.h"
#include "controller/ui/ControlIds.h"
#include "tests/controller/cycle/CycleFakes.h"
#include "tests/fixtures/relay/PtyPair.h"

using namespace std::chrono_literals;

namespace {

constexpr int kVerdictTimeoutMs = 20000;
const std::string kStackDir = TARVO_PCSC_STACK_DIR;

int Stack(const std::string& arguments) {
    const std::string command = std::string("TARVO_VPCD_PORT=") + TARVO_VPCD_PORT +
                                " TARVO_PYTHON3='" + TARVO_PYTHON3 + "' '" +
                                TARVO_PCSC_STACK_SCRIPT + "' " + arguments;
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool StackRunning() {
    std::ifstream pidFile(kStackDir + "/pcscd.pid");
    std::string pid;
    struct stat info {};
    return static_cast<bool>(pidFile >> pid) && stat(("/proc/" + pid).c_str(), &info) == 0;
}

// A student card in the virtual reader for the life of the object.
class VirtualCard {
  public:
    explicit VirtualCard(const std::string& dni)
        : m_inserted(Stack("card-in '" + kStackDir + "' tarvo --dni " + dni) == 0) {}
    ~VirtualCard() {
        if (m_inserted) {
            Stack("card-out '" + kStackDir + "' tarvo");
        }
    }
    VirtualCard(const VirtualCard&) = delete;
    VirtualCard& operator=(const VirtualCard&) = delete;
    bool Inserted() const { return m_inserted; }

  private:
    bool m_inserted;
};

// "hh:mm:ss" and the access date as the controller writes them, for a moment.
std::pair<std::string, std::string> DateAndTime(std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    char time[16];
    std::strftime(time, sizeof time, "%H:%M:%S", &local);
    return {accessdb::BuildAccessDate(local.tm_mday, local.tm_mon + 1, local.tm_year + 1900), time};
}

}  // namespace

class TestTarvoEndToEnd : public QObject {
    Q_OBJECT

  public:
    explicit TestTarvoEndToEnd(CTarvoApp& app) : m_app(app) {}

  private slots:
    void initTestCase() {
        if (!StackRunning()) {
            m_stackStartedHere = Stack("start '" + kStackDir + "'") == 0;
        }
        QVERIFY2(StackRunning(), "pcscd with the virtual reader is not running");
        m_folder = std::make_unique<TempFolder>();
        m_line = std::make_unique<PtyPair>(m_folder->Path());
        QVERIFY2(m_line->Ready(), "socat did not make the relay's pseudo-terminal pair");
        m_line->SetRelayTo9600OneStopBit();

        accessdb::DoorSet doors{};
        doors[4] = true;  // door 5 only
        auto student =
            cyclefakes::Student("12345678", "Ana", "Pérez", accessdb::BuildDoorList(doors));
        cyclefakes::AddStudents(m_folder->Path() / "Alumnos.mdb", {student});

        // As a caretaker starts it at the station: in the site's data folder, with the relay's
        // device named in the environment, no options.
        QVERIFY(chdir(m_folder->Path().c_str()) == 0);
        setenv(DoorRelay::kPortVariable, m_line->RelayPath().c_str(), 1);
        QVERIFY(m_app.InitInstance());
        QVERIFY(QTest::qWaitForWindowExposed(m_app.MainFrame()));
        m_view = m_app.View();
        QVERIFY(m_view != nullptr);
        QCOMPARE(m_view->DoorDigit(), '0');
    }

    void cleanupTestCase() {
        m_line.reset();
        if (m_stackStartedHere) {
            Stack("stop '" + kStackDir + "'");
        }
    }

    void registeredStudentAtHerDoorIsLetIn() {
        ClickDoor(1014);  // "Puerta5"
        QCOMPARE(m_view->DoorDigit(), '5');
        const std::time_t before = std::time(nullptr);
        {
            VirtualCard card("12345678");
            QVERIFY(card.Inserted());
            QTRY_VERIFY_WITH_TIMEOUT(!Rows().empty(), kVerdictTimeoutMs);
            const std::time_t after = std::time(nullptr);
            QCOMPARE(m_line->ReadPeer(3000ms), std::string(1, '\x05'));
            const termios settings = m_line->RelaySettings();
            QCOMPARE(cfgetospeed(&settings), speed_t(B4800));
            QVERIFY(settings.c_cflag & CSTOPB);

            const std::vector<std::string> rows = Rows();
            QCOMPARE(rows.size(), std::size_t(1));
            bool matchesClock = false;
            for (std::time_t t = before; t <= after; ++t) {
                const auto [fecha, hora] = DateAndTime(t);
                matchesClock = matchesClock || rows[0] == "12345678|" + fecha + "|" + hora + "|5";
            }
            QVERIFY2(matchesClock, rows[0].c_str());
            QTRY_VERIFY_WITH_TIMEOUT(LogText().endsWith(QStringLiteral("Ana   Pérez\tVALIDO\n")),
                                     kVerdictTimeoutMs);
        }
        WaitUntilTakenOut();
    }

    void sameStudentAtADoorNotListedIsDenied() {
        ClickDoor(1012);  // "Puerta3"
        QCOMPARE(m_view->DoorDigit(), '3');
        {
            VirtualCard card("12345678");
            QVERIFY(card.Inserted());
            QTRY_COMPARE_WITH_TIMEOUT(Field(ids::kDniField),
                                      QStringLiteral("No posee autorizacion al recinto "),
                                      kVerdictTimeoutMs);
            QCOMPARE(Field(ids::kNameField), QStringLiteral("Ana   Pérez"));
            QVERIFY(LogText().endsWith(
                QStringLiteral("Entrada 3   12345678   Ana   Pérez\tDENEGADO\n")));
        }
        QCOMPARE(m_line->ReadPeer(500ms), std::string());
        QCOMPARE(Rows().size(), std::size_t(1));
        WaitUntilTakenOut();
    }

    void unregisteredDniIsNamedSo() {
        ClickDoor(1014);
        {
            VirtualCard card("87654321");
            QVERIFY(card.Inserted());
            QTRY_COMPARE_WITH_TIMEOUT(Field(ids::kNameField),
                                      QStringLiteral("Nombre no registrado"), kVerdictTimeoutMs);
            QVERIFY(LogText().endsWith(QStringLiteral("87654321   Acceso denegado\n")));
        }
        QCOMPARE(m_line->ReadPeer(500ms), std::string());
        QCOMPARE(Rows().size(), std::size_t(1));
        WaitUntilTakenOut();
    }

  private:
    void ClickDoor(int id) {
        auto* button = qobject_cast<QRadioButton*>(m_view->GetDlgItem(id));
        QVERIFY(button != nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
        QVERIFY(button->isChecked());
    }
    QString Field(int id) const { return qobject_cast<QLineEdit*>(m_view->GetDlgItem(id))->text(); }
    QString LogText() const {
        return qobject_cast<QPlainTextEdit*>(m_view->GetDlgItem(ids::kLogField))->toPlainText();
    }
    std::vector<std::string> Rows() const {
        return cyclefakes::AccessRows(m_folder->Path() / "Alumnos.mdb");
    }
    // The card is out and the controller is waiting for the next one.
    void WaitUntilTakenOut() {
        QTRY_COMPARE_WITH_TIMEOUT(m_view->Cycle().CardHandled(), 0, kVerdictTimeoutMs);
    }

    CTarvoApp& m_app;
    bool m_stackStartedHere = false;
    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<PtyPair> m_line;
    CTarvoView* m_view = nullptr;
};

int main(int argc, char** argv) {
    CTarvoApp app(argc, argv);
    TestTarvoEndToEnd test(app);
    return QTest::qExec(&test, argc, argv);
}

#include "test_tarvo_end_to_end.moc"
