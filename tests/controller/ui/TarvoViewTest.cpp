#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QRadioButton>
#include <QStatusBar>
#include <QTranslator>
#include <QtTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <utility>

#include "accessdb/DatabaseError.h"
#include "common/widgets/DialogUnits.h"
#include "common/widgets/SpanishTranslations.h"
#include "controller/cycle/AccessRules.h"
#include "controller/ui/CMainFrame.h"
#include "controller/ui/CTarvoView.h"
#include "controller/ui/ControlIds.h"
#include "controller/ui/WindowSleeper.h"
#include "tests/controller/cycle/CycleFakes.h"

using namespace tarvo;
using namespace cyclefakes;

namespace {

// A reader session that counts how many are alive: a second one while the first lives means a
// tick ran inside another tick.
class CountedSession : public CardSession {
  public:
    CountedSession(std::unique_ptr<CardSession> inner, int& live, int& mostLive)
        : m_inner(std::move(inner)), m_live(live) {
        mostLive = std::max(mostLive, ++m_live);
    }
    ~CountedSession() override { --m_live; }
    CountedSession(const CountedSession&) = delete;
    CountedSession& operator=(const CountedSession&) = delete;
    ReaderEvent Poll() override { return m_inner->Poll(); }
    int ReadDni(std::string& cardBytes) override { return m_inner->ReadDni(cardBytes); }
    void ReleaseCard() override { m_inner->ReleaseCard(); }
    void Close() override { m_inner->Close(); }

  private:
    std::unique_ptr<CardSession> m_inner;
    int& m_live;
};

struct CountedReaders : ScriptedReaders {
    using ScriptedReaders::ScriptedReaders;
    std::unique_ptr<CardSession> NewSession() override {
        return std::make_unique<CountedSession>(ScriptedReaders::NewSession(), live, mostLive);
    }
    int live = 0;
    int mostLive = 0;
};

// The window's pauses, with something to do once the next one has begun.
struct PauseWithin : Sleeper {
    void SleepMs(unsigned milliseconds) override {
        if (duringNext) {
            QTimer::singleShot(0, std::exchange(duringNext, {}));
        }
        window.SleepMs(milliseconds);
    }
    WindowSleeper window;
    std::function<void()> duringNext;
};

// A beep that lets the test look at the window at that moment of the card's step.
struct ToneWithin : Tone {
    void Beep(unsigned, std::chrono::milliseconds) override {
        if (onBeep) {
            onBeep();
        }
    }
    std::function<void()> onBeep;
};

// The texts a label showed each time it was painted.
class PaintedTexts : public QObject {
  public:
    explicit PaintedTexts(QLabel& label) : m_label(label) { label.installEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_label && event->type() == QEvent::Paint) {
            texts << m_label.text();
        }
        return false;
    }
    QStringList texts;

  private:
    QLabel& m_label;
};

// What the controller reports for Ana's card at door 5 on this file: the failure of the open,
// else the lookup's; empty when the card goes through.
std::string FailureFor(const std::filesystem::path& database, const ClockSource& clock) {
    try {
        auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        const Verdict verdict =
            AccessRules::Decide(db, "12345678", '5', AccessRules(clock).ReadClock());
        return verdict.errorDescription.value_or("");
    } catch (const accessdb::DatabaseError& error) {
        return error.Description();
    }
}

void RemoveDatabase(const std::filesystem::path& database) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        std::filesystem::remove(database.string() + suffix);
    }
}

// The message boxes on the screen.
QList<QMessageBox*> OpenBoxes() {
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        if (box != nullptr && box->isVisible()) {
            boxes << box;
        }
    }
    return boxes;
}

}  // namespace

// The real frame and form view, with the reader, relay, tone and waits faked.
class TarvoViewTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(common::InstallSpanishTranslations(m_translator)); }

    void init() {
        m_journal.clear();
        m_door.opened.clear();
        m_readers.script.clear();
        m_readers.mostLive = 0;
        OpenWindow(m_sleeper, m_tone);
    }
    void cleanup() { m_frame.reset(); }

    // The doors form one group with none checked at start. A screen reader or switch device
    // checks a door through the button's own action (Qt's toggle()); the door counts however
    // its button came to be checked.
    void doorIsTakenHoweverItsButtonIsChecked() {
        QCOMPARE(m_view->DoorDigit(), '0');
        QCOMPARE(CheckedButtons(), 0);
        Click(1012);  // "Puerta3"
        QCOMPARE(m_view->DoorDigit(), '3');
        Radio(1014)->toggle();  // "Puerta5"
        QCOMPARE(m_view->DoorDigit(), '5');
        QAccessibleInterface* door7 = QAccessible::queryAccessibleInterface(Radio(1016));
        QVERIFY(door7->actionInterface() != nullptr);
        QVERIFY(door7->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::toggleAction()));
        door7->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QCOMPARE(m_view->DoorDigit(), '7');
        Radio(1010)->setChecked(true);
        QCOMPARE(m_view->DoorDigit(), '1');
        Radio(1013)->setFocus();
        QTest::keyClick(Radio(1013), Qt::Key_Space);
        QCOMPARE(m_view->DoorDigit(), '4');
        Click(1017);
        QCOMPARE(m_view->DoorDigit(), '8');
        QCOMPARE(CheckedButtons(), 1);
        // A checked door toggled again stays checked, and stays the door.
        Radio(1017)->toggle();
        QVERIFY(Radio(1017)->isChecked());
        QCOMPARE(m_view->DoorDigit(), '8');
    }

    // A database failure opens a box that waits for the caretaker; meanwhile the timer keeps
    // ticking and cards are read, decided and recorded. A further failure goes to the status
    // bar, never into a second box. A description is shown as it reads, "<" and all: a file or
    // folder name is no markup.
    void cardsGoOnWhileAFailureBoxIsOpen() {
        const std::filesystem::path database = m_folder / "Alumnos.mdb";
        RemoveDatabase(database);
        const std::string missing = FailureFor(database, m_clock);
        QVERIFY(!missing.empty());
        m_journal.clear();
        m_door.opened.clear();
        Click(1014);  // "Puerta5"
        const ReaderTick card{CardConnected};
        const ReaderTick empty{NoCard};
        for (const ReaderTick& tick : {card, empty, card, empty, card}) {
            m_readers.Then(tick);
        }
        // A box that blocked the ticks would block the test too: closed after a while, so
        // that the counts below report it.
        QTimer unblock;
        unblock.setSingleShot(true);
        connect(&unblock, &QTimer::timeout, [] {
            for (QMessageBox* box : OpenBoxes()) {
                box->reject();
            }
        });
        unblock.start(25000);
        const auto count = [&](const char* entry) {
            return static_cast<int>(std::count(m_journal.begin(), m_journal.end(), entry));
        };
        constexpr int kBound = 15000;  // ms; a tick is due every 2000
        m_view->OnInitialUpdate();

        // The first card finds no file: one box, modal for the window, and the tick returned.
        QVERIFY(QTest::qWaitFor([&] { return count("read") == 1; }, kBound));
        QCOMPARE(OpenBoxes().size(), 1);
        QMessageBox* box = OpenBoxes().front();
        QCOMPARE(box->text(), QString::fromStdString(missing));
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QCOMPARE(QApplication::activeModalWidget(), box);

        // The second card finds a file whose lookup fails: the status bar says so.
        Sql(database,
            "CREATE TABLE Alumnos (DNI INTEGER PRIMARY KEY, Nombre TEXT, Apellido1 TEXT);"
            "CREATE TABLE Picadas (DNI INTEGER, Fecha TEXT, Hora TEXT, Puerta TEXT);"
            "INSERT INTO Alumnos VALUES (12345678, 'Ana', 'Pérez');");
        const std::string broken = FailureFor(database, m_clock);
        QVERIFY(!broken.empty() && broken != missing);
        QVERIFY(QTest::qWaitFor([&] { return count("read") == 2; }, kBound));
        // The status pane holds its first 255 characters.
        QCOMPARE(m_frame->MessagePaneText(), QString::fromStdString(broken).left(255));
        QCOMPARE(OpenBoxes(), QList<QMessageBox*>{box});
        QCOMPARE(box->text(), QString::fromStdString(missing));

        // The third card is Ana's on a sound file: the door opens and the access is recorded.
        RemoveDatabase(database);
        Register(database, {Student("1,5,8")});
        QVERIFY(QTest::qWaitFor([&] { return AccessRows(database).size() == 1; }, kBound));
        QCOMPARE(count("read"), 3);
        QCOMPARE(count("poll"), 5);
        QCOMPARE(m_door.opened, std::string("5"));
        const AccessLog& log = m_view->Cycle().Log();
        QVERIFY(log.Count() >= 1 && log.Line(log.Count() - 1).ends_with("\tVALIDO\r\n"));
        QCOMPARE(OpenBoxes(), QList<QMessageBox*>{box});
        QCOMPARE(m_readers.mostLive, 1);

        // Once the caretaker has answered, the next failure opens a box again.
        box->button(QMessageBox::Ok)->click();
        QVERIFY(QTest::qWaitFor([&] { return OpenBoxes().isEmpty(); }, kBound));
        const std::string description =
            "No se puede abrir /srv/<centro>/Alumnos.mdb: <b>permiso denegado</b>";
        m_view->ShowMessage(description);
        QCOMPARE(OpenBoxes().size(), 1);
        box = OpenBoxes().front();
        QCOMPARE(box->windowTitle(), QStringLiteral("Control de presencia"));
        auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        QVERIFY(label != nullptr);
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QString::fromStdString(description));
    }

    // Screen readers and test tools reach every control by the caption the form shows for it.
    void controlsAreFoundByTheirCaptions() {
        QStringList names;
        for (QWidget* widget : m_view->findChildren<QWidget*>()) {
            if (qobject_cast<QAbstractButton*>(widget) != nullptr ||
                widget->inherits("QLineEdit") || widget->inherits("QPlainTextEdit")) {
                names << QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
            }
        }
        names.sort();
        QCOMPARE(names, QStringList({"DNI", "Nombre", "Puerta1", "Puerta2", "Puerta3", "Puerta4",
                                     "Puerta5", "Puerta6", "Puerta7", "Puerta8", "Registro"}));
    }

    // The station's state pane stays hidden until there is something to say: one pane shows.
    void frameIsFixedWithItsCaptionAndOnePane() {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Control de presencia"));
        QCOMPARE(m_frame->minimumSize(), m_frame->maximumSize());
        QVERIFY(!(m_frame->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(m_frame->windowFlags() & Qt::WindowMinimizeButtonHint);
        const QList<QLabel*> panes = m_frame->statusBar()->findChildren<QLabel*>();
        QCOMPARE(std::count_if(panes.begin(), panes.end(),
                               [](const QLabel* pane) { return pane->isVisible(); }),
                 qsizetype{1});
        QVERIFY(!m_frame->statusBar()->isSizeGripEnabled());
        QCOMPARE(m_view->size(), common::ToPixels(416, 268, common::BaseUnitsOf(m_view->font())));
    }

    // The idle pane is empty before the first status, never "Listo", and a browsed menu's
    // prompt gives way to the last status again.
    void paneFallsBackToTheLastStatus() {
        const QString exitPrompt =
            QStringLiteral("Salir de la aplicación; permite guardar documentos");
        QCOMPARE(m_frame->MessagePaneText(), QString());
        QCOMPARE(BrowseFileMenu(), exitPrompt);
        QCOMPARE(m_frame->MessagePaneText(), QString());
        m_readers.Then({NoCard});
        m_view->OnTimer();
        const QString prompt = QStringLiteral("Introduzca la tarjeta de estudiante.");
        QCOMPARE(m_frame->MessagePaneText(), prompt);
        QCOMPARE(BrowseFileMenu(), exitPrompt);
        QCOMPARE(m_frame->MessagePaneText(), prompt);
    }

    // The station's state has its own pane beside the message pane, named for screen readers;
    // a long state is cut short in the pane and read whole in its tooltip and description; an
    // empty one hides the pane. The message pane is left as it was.
    void stationStateHasAPaneOfItsOwn() {
        const QLabel& pane = m_frame->StationStatePane();
        const QString prompt = QStringLiteral("Introduzca la tarjeta de estudiante.");
        m_view->ShowStatus(prompt.toStdString());
        QVERIFY(pane.isHidden());

        const QString state = QStringLiteral("Sin conexión con el servidor desde las 09:41");
        m_view->ShowStationState(state.toStdString());
        QVERIFY(pane.isVisible());
        QCOMPARE(pane.text(), state);
        QCOMPARE(QAccessible::queryAccessibleInterface(const_cast<QLabel*>(&pane))
                     ->text(QAccessible::Name),
                 QStringLiteral("Estado del puesto"));
        QCOMPARE(pane.toolTip(), state);
        QCOMPARE(m_frame->MessagePaneText(), prompt);

        const QString longState =
            state + QStringLiteral("; trabajando con la copia del 05/03/2024 a las 09:30; ") +
            QStringLiteral("1234 registros esperan a ser anotados en la base de datos del centro");
        m_view->ShowStationState(longState.toStdString());
        QVERIFY(pane.isVisible());
        QVERIFY(pane.text().size() < longState.size());
        QVERIFY(pane.text().endsWith(QChar(0x2026)));
        QCOMPARE(pane.toolTip(), longState);
        QCOMPARE(pane.accessibleDescription(), longState);
        QVERIFY(pane.x() > 0);  // the message pane keeps the bar's left part

        m_view->ShowStationState("");
        QVERIFY(pane.isHidden());
        QCOMPARE(pane.text(), QString());
        QCOMPARE(pane.toolTip(), QString());
        QCOMPARE(m_frame->MessagePaneText(), prompt);
    }

    // While a card's step is in its pause before the read, the window repaints what the step
    // has shown, the caretaker's clicks are taken, and the timer's ticks do not enter the cycle;
    // the pause keeps its length and a door chosen meanwhile counts from the next step.
    void windowRunsWhileACardPauses() {
        const std::filesystem::path database = m_folder / "Alumnos.mdb";
        RemoveDatabase(database);
        Register(database, {Student("1,5,8")});
        PauseWithin pauses;
        ToneWithin tone;
        OpenWindow(pauses, tone);
        Click(1014);  // "Puerta5"
        m_readers.Then({CardConnected}, 5);
        auto* messagePane = m_frame->statusBar()->findChildren<QLabel*>().at(0);
        PaintedTexts painted(*messagePane);
        int ticks = 0;
        connect(&m_view->CycleTimer(), &QTimer::timeout, [&] { ++ticks; });
        pauses.duringNext = [&] { Click(1016); };  // "Puerta7"

        struct AtBeep {
            qint64 elapsed = -1;
            int ticks = 0;
            int polls = 0;
            char door = 0;
            QStringList painted;
        } atBeep;
        QElapsedTimer clock;
        tone.onBeep = [&] {
            atBeep = {clock.elapsed(), ticks, Count("poll"), m_view->DoorDigit(), painted.texts};
        };
        // The card's step starts off the timer (Qt holds back a timer's own tick while its
        // handler runs), with the timer's ticks coming every 20 ms meanwhile.
        m_view->CycleTimer().setInterval(20);
        m_view->OnInitialUpdate();
        clock.start();
        m_view->OnTimer();
        QVERIFY(QTest::qWaitFor([&] { return Count("poll") >= 2; }, 10000));
        m_view->StopCycle();

        QVERIFY(atBeep.elapsed >= 200);
        QVERIFY(atBeep.ticks >= 3);
        QCOMPARE(atBeep.polls, 1);
        QCOMPARE(m_readers.mostLive, 1);
        QVERIFY(atBeep.painted.contains(QStringLiteral("Registrando DNI.")));
        QCOMPARE(atBeep.door, '7');
        QCOMPARE(m_door.opened, std::string("5"));
        const AccessLog& log = m_view->Cycle().Log();
        QCOMPARE(log.Count(), 1);
        QVERIFY(log.Line(0).ends_with("\tVALIDO\r\n"));
        QCOMPARE(AccessRows(database).size(), std::size_t{1});
    }

    // Closed while a card's step is in a pause, the window stays until the step has finished
    // the card (door, record, log), then closes, and no step starts after it. An owner that
    // drops the window once it has closed, as the program does at exit, drops it after that.
    void closingDuringAPauseWaitsForTheStep() {
        const std::filesystem::path database = m_folder / "Alumnos.mdb";
        RemoveDatabase(database);
        Register(database, {Student("1,5,8")});
        PauseWithin pauses;
        ToneWithin tone;
        OpenWindow(pauses, tone);
        connect(m_frame.get(), &CMainFrame::CloseDeferred, [&] { pauses.window.EndPauses(); });
        Click(1014);  // "Puerta5"
        m_readers.Then({CardConnected}, 5);
        bool closedAtOnce = true;
        pauses.duringNext = [&] {
            closedAtOnce = m_frame->close();
            if (closedAtOnce) {
                m_frame.reset();
            }
        };
        m_view->CycleTimer().setInterval(20);
        m_view->OnInitialUpdate();
        QVERIFY(QTest::qWaitFor([&] { return !m_frame || !m_frame->isVisible(); }, 10000));
        QVERIFY(!closedAtOnce);
        QVERIFY(m_frame->close());
        m_frame.reset();

        QCOMPARE(m_door.opened, std::string("5"));
        QCOMPARE(AccessRows(database).size(), std::size_t{1});
        QCOMPARE(Count("read"), 1);
        QTest::qWait(100);
        QCOMPARE(Count("poll"), 1);
    }

  private:
    void OpenWindow(Sleeper& pauses, Tone& tone) {
        m_frame = std::make_unique<CMainFrame>();
        auto view = std::make_unique<CTarvoView>(StationDevices{
            m_readers, m_door, tone, pauses, m_clock, m_out, m_folder / "Alumnos.mdb"});
        m_view = view.get();
        m_frame->SetView(std::move(view));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    int Count(const char* entry) const {
        return static_cast<int>(std::count(m_journal.begin(), m_journal.end(), entry));
    }

    QRadioButton* Radio(int id) const {
        return qobject_cast<QRadioButton*>(m_view->GetDlgItem(id));
    }
    void Click(int id) const {
        QTest::mouseClick(Radio(id), Qt::LeftButton, {}, QPoint(6, Radio(id)->height() / 2));
    }
    int CheckedButtons() const {
        int checked = 0;
        for (int id = ids::kFirstDoorButton; id < ids::kFirstDoorButton + ids::kDoorCount; ++id) {
            checked += Radio(id)->isChecked() ? 1 : 0;
        }
        return checked;
    }

    // Highlights "&Salir" in "&Archivo" from the keyboard and closes the menu again; returns
    // what the pane showed meanwhile.
    QString BrowseFileMenu() {
        QMenuBar* bar = m_frame->menuBar();
        QAction* file = bar->actions().at(0);
        bar->setActiveAction(file);
        QMenu* menu = file->menu();
        if (!QTest::qWaitForWindowExposed(menu)) {
            return QStringLiteral("(menu not shown)");
        }
        QTest::keyClick(menu, Qt::Key_Up);  // the last item, above the first
        if (!QTest::qWaitFor([&] { return menu->activeAction() == menu->actions().last(); })) {
            return QStringLiteral("(item not highlighted)");
        }
        const QString prompt = m_frame->MessagePaneText();
        QTest::keyClick(menu, Qt::Key_Escape);
        QTest::keyClick(bar, Qt::Key_Escape);
        if (!QTest::qWaitFor([&] { return !menu->isVisible(); })) {
            return QStringLiteral("(menu still open)");
        }
        QTest::qWait(50);
        return prompt;
    }

    QTranslator m_translator;
    TempFolder m_folder;
    Journal m_journal;
    CountedReaders m_readers{m_journal};
    FakeDoor m_door{m_journal};
    FakeTone m_tone;
    FakeSleeper m_sleeper;
    FakeClock m_clock;
    std::ostringstream m_out;
    std::unique_ptr<CMainFrame> m_frame;
    CTarvoView* m_view = nullptr;
};

QTEST_MAIN(TarvoViewTest)
#include "TarvoViewTest.moc"
