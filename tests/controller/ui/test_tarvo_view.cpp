#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTranslator>
#include <QtTest>
#include <memory>

#include "controller/ui/CMainFrame.h"
#include "controller/ui/CTarvoView.h"
#include "controller/ui/ControlIds.h"
#include "controller/ui/SpanishTranslations.h"
#include "tests/controller/cycle/CycleFakes.h"

using namespace cyclefakes;

// The real frame and form view, with the reader, relay, tone and waits faked.
class TestTarvoView : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(InstallSpanishTranslations(m_translator)); }

    void init() {
        m_frame = std::make_unique<CMainFrame>();
        auto view = std::make_unique<CTarvoView>(StationDevices{
            m_readers, m_door, m_tone, m_sleeper, m_clock, m_out, m_folder / "Alumnos.mdb"});
        m_view = view.get();
        m_frame->SetView(std::move(view));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }
    void cleanup() { m_frame.reset(); }

    void doorButtonsFormOneGroupWithNoneSelectedAtStart() {
        QCOMPARE(m_view->DoorDigit(), '0');
        QCOMPARE(CheckedButtons(), 0);
        Click(1012);  // "Puerta3"
        QCOMPARE(m_view->DoorDigit(), '3');
        Click(1016);  // "Puerta7"
        QCOMPARE(m_view->DoorDigit(), '7');
        QCOMPARE(CheckedButtons(), 1);
        QVERIFY(Radio(1016)->isChecked());
        QCOMPARE(Radio(1016)->text(), QStringLiteral("Puerta7"));
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

    void frameIsFixedWithItsCaptionAndOnePane() {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Control de presencia"));
        QCOMPARE(m_frame->minimumSize(), m_frame->maximumSize());
        QVERIFY(!(m_frame->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_frame->statusBar()->findChildren<QLabel*>().size(), 1);
        QVERIFY(!m_frame->statusBar()->isSizeGripEnabled());
        QCOMPARE(m_view->size(), ToPixels(416, 268, BaseUnitsOf(m_view->font())));
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

  private:
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
    ScriptedReaders m_readers{m_journal};
    FakeDoor m_door{m_journal};
    FakeTone m_tone;
    FakeSleeper m_sleeper;
    FakeClock m_clock;
    std::ostringstream m_out;
    std::unique_ptr<CMainFrame> m_frame;
    CTarvoView* m_view = nullptr;
};

QTEST_MAIN(TestTarvoView)
#include "test_tarvo_view.moc"
