#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QTranslator>
#include <QtTest>
#include <memory>
#include <sstream>

#include "controller/ui/CAboutDlg.h"
#include "controller/ui/CMainFrame.h"
#include "controller/ui/CTarvoView.h"
#include "controller/ui/ControlIds.h"
#include "controller/ui/SpanishTranslations.h"
#include "tests/controller/cycle/CycleFakes.h"

using namespace cyclefakes;

// The real frame and form view, with the reader, relay, tone and waits faked and a real
// database file.
class TestTarvoView : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() { QVERIFY(InstallSpanishTranslations(m_translator)); }

    void init() {
        m_folder = std::make_unique<TempFolder>();
        AddStudents(m_folder->Path() / "Alumnos.mdb",
                    {Student("12345678", "Ana", "Pérez", "1,5,8")});
        m_journal = std::make_unique<Journal>();
        m_readers = std::make_unique<ScriptedReaders>(*m_journal);
        m_door = std::make_unique<FakeDoor>(*m_journal);
        m_out = std::make_unique<std::ostringstream>();
        m_frame = std::make_unique<CMainFrame>();
        auto view = std::make_unique<CTarvoView>(StationDevices{*m_readers, *m_door, m_tone,
                                                                m_sleeper, m_clock, *m_out,
                                                                m_folder->Path() / "Alumnos.mdb"});
        m_view = view.get();
        m_frame->SetView(std::move(view));
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    }

    void cleanup() {
        m_frame.reset();
        m_folder.reset();
    }

    void startsWithNoDoorSelected() {
        QCOMPARE(m_view->DoorDigit(), '0');
        for (int id = ids::kFirstDoorButton; id < ids::kFirstDoorButton + ids::kDoorCount; ++id) {
            QVERIFY(!Radio(id)->isChecked());
        }
    }

    void doorButtonsFormOneGroup() {
        Click(Radio(1012));  // "Puerta3"
        QCOMPARE(m_view->DoorDigit(), '3');
        Click(Radio(1016));  // "Puerta7"
        QCOMPARE(m_view->DoorDigit(), '7');
        Click(Radio(1016));
        QCOMPARE(m_view->DoorDigit(), '7');
        int checked = 0;
        for (int id = ids::kFirstDoorButton; id < ids::kFirstDoorButton + ids::kDoorCount; ++id) {
            checked += Radio(id)->isChecked() ? 1 : 0;
        }
        QCOMPARE(checked, 1);
        QVERIFY(Radio(1016)->isChecked());
        QCOMPARE(Radio(1016)->text(), QStringLiteral("Puerta7"));
    }

    void frameIsFixedWithItsCaptionAndOnePane() {
        QCOMPARE(m_frame->windowTitle(), QStringLiteral("Control de presencia"));
        QCOMPARE(m_frame->minimumSize(), m_frame->maximumSize());
        QVERIFY(!(m_frame->windowFlags() & Qt::WindowMaximizeButtonHint));
        QStatusBar* bar = m_frame->statusBar();
        QCOMPARE(bar->findChildren<QLabel*>().size(), 1);
        QVERIFY(!bar->isSizeGripEnabled());
        // The frame shrinks to the form, which is 416 x 268 dialog units.
        const BaseUnits base = BaseUnitsOf(m_view->font());
        QCOMPARE(m_view->size(), ToPixels(416, 268, base));
    }

    void formShowsTheTemplatesTextsAndArtwork() {
        const QList<QGroupBox*> boxes = m_view->findChildren<QGroupBox*>();
        QStringList titles;
        for (const QGroupBox* box : boxes) {
            titles << box->title();
        }
        QVERIFY(titles.contains(QStringLiteral("  Seleccione puerta de acceso:  ")));
        QVERIFY(titles.contains(QStringLiteral("  Datos de usuario:  ")));
        QVERIFY(titles.contains(QStringLiteral(" Registro  ")));
        auto* banner = qobject_cast<QLabel*>(m_view->GetDlgItem(ids::kBanner));
        QVERIFY(banner != nullptr);
        QCOMPARE(banner->pixmap().size(), QSize(576, 86));
        bool strip = false;
        for (const QLabel* label : m_view->findChildren<QLabel*>()) {
            strip = strip || label->pixmap().size() == QSize(129, 439);
        }
        QVERIFY(strip);
        QVERIFY(Field(ids::kDniField)->isReadOnly());
        QVERIFY(Field(ids::kNameField)->isReadOnly());
        QVERIFY(Log()->isReadOnly());
    }

    void timerRunsTheCycleEveryTwoSeconds() {
        QVERIFY(!m_view->CycleTimer().isActive());
        m_view->OnInitialUpdate();
        QVERIFY(m_view->CycleTimer().isActive());
        QCOMPARE(m_view->CycleTimer().interval(), 2000);
    }

    void idlePaneIsEmptyBeforeTheFirstStatusNeverListo() {
        QCOMPARE(m_frame->MessagePaneText(), QString());
        QCOMPARE(BrowseFileMenu(),
                 QStringLiteral("Salir de la aplicación; permite guardar documentos"));
        QCOMPARE(m_frame->MessagePaneText(), QString());
    }

    void lastStatusComesBackAfterAMenuIsBrowsed() {
        m_readers->Then({NoCard});
        m_view->OnTimer();
        QCOMPARE(m_frame->MessagePaneText(),
                 QStringLiteral("Introduzca la tarjeta de estudiante."));
        QCOMPARE(BrowseFileMenu(),
                 QStringLiteral("Salir de la aplicación; permite guardar documentos"));
        QCOMPARE(m_frame->MessagePaneText(),
                 QStringLiteral("Introduzca la tarjeta de estudiante."));
    }

    void verdictReachesTheFieldsAndTheLogShowsOneEntryPerLine() {
        Click(Radio(1011));  // "Puerta2": not in the student's list
        m_readers->Then({CardConnected});
        m_readers->Then({NoCard});
        m_readers->Then({CardConnected});
        m_view->OnTimer();
        QCOMPARE(Field(ids::kNameField)->text(), QStringLiteral("Ana   Pérez"));
        QCOMPARE(Field(ids::kDniField)->text(),
                 QStringLiteral("No posee autorizacion al recinto "));
        m_view->OnTimer();
        QCOMPARE(Field(ids::kDniField)->text(), QString());
        Click(Radio(1014));  // "Puerta5"
        m_view->OnTimer();
        QCOMPARE(m_door->opened, std::string("5"));

        const QStringList lines = Log()->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 3);  // two entries and the caret's empty line after them
        QVERIFY(lines[0].endsWith(QStringLiteral("Ana   Pérez\tDENEGADO")));
        QVERIFY(
            lines[0].startsWith(QStringLiteral(" 5/03/2024   09:41:07   Entrada 2   12345678")));
        QVERIFY(lines[1].endsWith(QStringLiteral("\tVALIDO")));
        QCOMPARE(lines[2], QString());
        QVERIFY(Log()->textCursor().atEnd());
    }

    void databaseFailureIsShownInAnOkBoxAndTheStatusBar() {
        QFile::remove(QString::fromStdString((m_folder->Path() / "Alumnos.mdb").string()));
        m_readers->Then({CardConnected});
        QString boxText;
        QString okText;
        AnswerNextBox([&](QMessageBox& box) {
            boxText = box.text();
            okText = box.button(QMessageBox::Ok)->text();
        });
        m_view->OnTimer();
        QVERIFY(boxText.contains(QStringLiteral("Alumnos.mdb")));
        QCOMPARE(okText, QStringLiteral("Aceptar"));
        QCOMPARE(m_frame->MessagePaneText(), boxText);
        QCOMPARE(m_view->Cycle().CardHandled(), 1);
    }

    void aboutBoxHasItsCaptionAndCloses() {
        CAboutDlg about(m_frame.get());
        QCOMPARE(about.windowTitle(), QStringLiteral("Acerca del control de presencia"));
        QPushButton* ok = about.findChild<QPushButton*>();
        QVERIFY(ok != nullptr);
        QCOMPARE(ok->text(), QStringLiteral("Aceptar"));
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = about.isVisible();
            ok->click();
        });
        QCOMPARE(about.DoModal(), int(QDialog::Accepted));
        QVERIFY(shown);
    }

  private:
    QRadioButton* Radio(int id) const {
        return qobject_cast<QRadioButton*>(m_view->GetDlgItem(id));
    }
    QLineEdit* Field(int id) const { return qobject_cast<QLineEdit*>(m_view->GetDlgItem(id)); }
    QPlainTextEdit* Log() const {
        return qobject_cast<QPlainTextEdit*>(m_view->GetDlgItem(ids::kLogField));
    }
    static void Click(QWidget* widget) {
        QVERIFY(widget != nullptr);
        QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(6, widget->height() / 2));
    }

    // Opens "&Archivo" from the menu bar, highlights "&Salir", closes the menu again; returns
    // what the pane showed while the item was highlighted.
    QString BrowseFileMenu() {
        QMenuBar* bar = m_frame->menuBar();
        QAction* file = bar->actions().at(0);
        bar->setActiveAction(file);  // as a click on its title does
        QMenu* menu = file->menu();
        if (!QTest::qWaitForWindowExposed(menu)) {
            return QStringLiteral("(menu not shown)");
        }
        QAction* exit = menu->actions().last();
        // Highlighted from the keyboard: the last item, above the first.
        QTest::keyClick(menu, Qt::Key_Up);
        if (!QTest::qWaitFor([&] { return menu->activeAction() == exit; })) {
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

    // Answers the next modal message box with OK once `inspect` has seen it.
    static void AnswerNextBox(std::function<void(QMessageBox&)> inspect) {
        auto poll = std::make_shared<std::function<void()>>();
        *poll = [inspect, poll] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                inspect(*box);
                box->button(QMessageBox::Ok)->click();
                *poll = nullptr;
                return;
            }
            QTimer::singleShot(20, *poll);
        };
        QTimer::singleShot(0, *poll);
    }

    QTranslator m_translator;
    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<Journal> m_journal;
    std::unique_ptr<ScriptedReaders> m_readers;
    std::unique_ptr<FakeDoor> m_door;
    FakeTone m_tone;
    FakeSleeper m_sleeper;
    FakeClock m_clock;
    std::unique_ptr<std::ostringstream> m_out;
    std::unique_ptr<CMainFrame> m_frame;
    CTarvoView* m_view = nullptr;
};

QTEST_MAIN(TestTarvoView)
#include "test_tarvo_view.moc"
