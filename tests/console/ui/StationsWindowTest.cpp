// The stations window on real widgets under the offscreen platform, over a real file the
// stations' reports are written to: opened from its menu by the keyboard, listing each station
// with its state in words, read again by its button and its timer, forgetting a station only
// when confirmed, a failing database told with the rows kept, and every control reachable and
// named for a screen reader.
#include <QAbstractButton>
#include <QAccessible>
#include <QDateTime>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "CMainFrame.h"
#include "StationsWindow.h"
#include "accessdb/Connection.h"
#include "console/ui/WindowProbes.h"

namespace {

using windowprobes::Answering;

// The console's local time `seconds` ago, as a station writes its times.
std::string Ago(int seconds) {
    return QDateTime::currentDateTime()
        .addSecs(-seconds)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toStdString();
}

}  // namespace

class StationsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup() { m_frame.reset(); }
    void theMenuItemOpensTheListByKeyboardWithEachStateInWords();
    void refreshReadsAgainAndKeepsTheStationSelected();
    void theTimerReadsOnlyWhileTheWindowIsShown();
    void forgetAsksAndDeletesOnlyWhenConfirmed();
    void aFailingDatabaseIsToldOnlyWhenAskedAndTheRowsStay();
    void everyControlIsNamedInTabOrderWithItsOwnMnemonic();

  private:
    std::filesystem::path File() const {
        return std::filesystem::path(m_folder->path().toStdString()) / "Alumnos.mdb";
    }
    void Report(const accessdb::StationReport& report) {
        accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly).ReportStation(report);
    }
    std::vector<std::string> Stored() {
        std::vector<std::string> names;
        for (const auto& station :
             accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly).ListStations()) {
            names.push_back(station.nombre);
        }
        return names;
    }
    mireval::StationsWindow* Window() const { return m_frame->StationsView(); }
    template <class Widget>
    Widget* Control(const char* accessibleName) const {
        return windowprobes::ControlNamed<Widget>(*Window(), accessibleName);
    }
    QTableWidget* Table() const { return Control<QTableWidget>("Puestos de las puertas"); }
    QString Summary() const { return Control<QLabel>("Estado de la lista")->text(); }
    QString Cell(int row, int column) const { return Table()->item(row, column)->text(); }
    QStringList Names() const {
        QStringList names;
        for (int row = 0; row < Table()->rowCount(); ++row) {
            names << Cell(row, 0);
        }
        return names;
    }
    void OpenWindow() {
        m_frame->OnViewStations();
        QVERIFY(Window() != nullptr && Window()->isVisible());
        QTRY_VERIFY(QApplication::activeWindow() == Window());
    }
    int RowOf(const QString& name) const { return static_cast<int>(Names().indexOf(name)); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<mireval::CMainFrame> m_frame;
};

// Three stations: one reporting, one offline with records waiting, one silent for 10 minutes.
void StationsWindowTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    mireval::DatabaseLocation(File().parent_path()).EnsureExists();
    Report({"P1-norte", "", Ago(20), "", 0, Ago(3 * 3600 + 12 * 60 + 5)});
    Report({"P2-sur", "", Ago(30), Ago(25 * 60), 7, Ago(2 * 3600 + 30)});
    Report({"P3-gimnasio", "", Ago(10 * 60 + 5), "", 0, ""});
    m_frame = std::make_unique<mireval::CMainFrame>(mireval::DatabaseLocation(File().parent_path()),
                                                    2026);
    m_frame->InitialUpdateFrame();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
}

void StationsWindowTest::theMenuItemOpensTheListByKeyboardWithEachStateInWords() {
    QAction* item = m_frame->findChild<QAction*>(QStringLiteral("viewStations"));
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QStringLiteral("&Puestos de las puertas..."));
    QVERIFY(!item->statusTip().isEmpty());

    // Alt+V opens "Ver", P its item.
    QTest::keyClick(m_frame.get(), Qt::Key_V, Qt::AltModifier);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu->actions().contains(item));
    QTest::keyClick(menu, Qt::Key_P);
    QTRY_VERIFY(Window() != nullptr && QApplication::activeWindow() == Window());
    QVERIFY(!Window()->isModal());

    QCOMPARE(Names(), QStringList({"P1-norte", "P2-sur", "P3-gimnasio"}));
    QCOMPARE(Cell(0, 1), QStringLiteral("conectado"));
    QCOMPARE(Cell(0, 5), QStringLiteral("hace 3 h 12 min"));
    QCOMPARE(Cell(1, 1), QStringLiteral("sin servidor: decide con su copia"));
    QVERIFY(!Cell(1, 3).isEmpty());
    QCOMPARE(Cell(1, 4), QStringLiteral("7"));
    QCOMPARE(Cell(1, 5), QStringLiteral("hace 2 h"));
    QCOMPARE(Cell(2, 1), QStringLiteral("sin noticias desde hace 10 min"));
    QVERIFY(Cell(2, 3).isEmpty());  // connected: no time without the server
    QVERIFY(Cell(2, 5).isEmpty());  // no copy yet: no age
    // The silent one stands out beyond its words too; the others do not.
    QVERIFY(!Table()->item(2, 1)->icon().isNull());
    QVERIFY(Table()->item(0, 1)->icon().isNull());
    QVERIFY2(Summary().startsWith(QStringLiteral("3 puestos, 1 sin noticias; lista leída a las ")),
             qPrintable(Summary()));
}

void StationsWindowTest::refreshReadsAgainAndKeepsTheStationSelected() {
    OpenWindow();
    Table()->setCurrentCell(RowOf(QStringLiteral("P2-sur")), 0);
    Report({"P0-entrada", "", Ago(5), "", 0, Ago(60)});
    Report({"P2-sur", "", Ago(1), "", 0, Ago(60)});  // back with its server
    QCOMPARE(Table()->rowCount(), 3);                // not before it is asked for

    QTest::mouseClick(Control<QPushButton>("Actualizar"), Qt::LeftButton);
    QCOMPARE(Names(), QStringList({"P0-entrada", "P1-norte", "P2-sur", "P3-gimnasio"}));
    QCOMPARE(Table()->currentRow(), RowOf(QStringLiteral("P2-sur")));
    QCOMPARE(Cell(RowOf(QStringLiteral("P2-sur")), 1), QStringLiteral("conectado"));

    // By its mnemonic as well.
    Report({"P9-patio", "", Ago(5), "", 0, ""});
    QTest::keyClick(Window(), Qt::Key_A, Qt::AltModifier);
    QTRY_COMPARE(Table()->rowCount(), 5);
}

void StationsWindowTest::theTimerReadsOnlyWhileTheWindowIsShown() {
    OpenWindow();
    const QTimer& timer = Window()->RefreshTimer();
    QVERIFY(timer.isActive());
    QCOMPARE(timer.interval(), 30000);
    Window()->close();
    QVERIFY(!timer.isActive());

    // Opened again, it reads at once what was written meanwhile.
    Report({"P0-entrada", "", Ago(5), "", 0, ""});
    OpenWindow();
    QVERIFY(timer.isActive());
    QCOMPARE(Table()->rowCount(), 4);
}

void StationsWindowTest::forgetAsksAndDeletesOnlyWhenConfirmed() {
    OpenWindow();
    auto* forget = Control<QPushButton>("Olvidar puesto");
    QVERIFY(!forget->isEnabled());  // nothing selected yet
    Table()->selectRow(RowOf(QStringLiteral("P3-gimnasio")));
    QVERIFY(forget->isEnabled());

    QStringList boxes =
        Answering(QMessageBox::Cancel, [&] { QTest::mouseClick(forget, Qt::LeftButton); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QStringLiteral("¿Olvidar el puesto «P3-gimnasio»?")),
             qPrintable(boxes[0]));
    QCOMPARE(Stored(), (std::vector<std::string>{"P1-norte", "P2-sur", "P3-gimnasio"}));
    QCOMPARE(Table()->rowCount(), 3);

    boxes = Answering(QMessageBox::Ok, [&] { QTest::mouseClick(forget, Qt::LeftButton); });
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(Stored(), (std::vector<std::string>{"P1-norte", "P2-sur"}));
    QCOMPARE(Names(), QStringList({"P1-norte", "P2-sur"}));
    QVERIFY(!forget->isEnabled());  // the row it named is gone

    // A station still reporting is said to be running before it goes.
    Table()->selectRow(RowOf(QStringLiteral("P1-norte")));
    QVERIFY(forget->isEnabled());
    Window()->activateWindow();  // as the window manager gives it back its focus after the box
    QTRY_VERIFY(QApplication::activeWindow() == Window());
    boxes = Answering(
        QMessageBox::Cancel, [&] { QTest::keyClick(Window(), Qt::Key_O, Qt::AltModifier); }, true);
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].contains(QStringLiteral("parece que sigue funcionando")));
    QCOMPARE(Stored().size(), 2u);
}

void StationsWindowTest::aFailingDatabaseIsToldOnlyWhenAskedAndTheRowsStay() {
    OpenWindow();
    const std::filesystem::path saved = File().string() + ".saved";
    std::filesystem::copy_file(File(), saved);
    std::ofstream(File(), std::ios::trunc) << "<no es una base de datos>";

    // The timer's read says it in the window, never in a box every half minute.
    QStringList boxes = Answering(QMessageBox::Ok, [&] { Window()->OnRefresh(false); });
    QVERIFY(boxes.isEmpty());
    QCOMPARE(Table()->rowCount(), 3);
    QVERIFY2(Summary().startsWith(QStringLiteral("No se pudo leer la lista de puestos")),
             qPrintable(Summary()));
    QVERIFY(Summary().contains(QStringLiteral("Se muestra la leída a las")));

    boxes = Answering(QMessageBox::Ok, [&] {
        QTest::mouseClick(Control<QPushButton>("Actualizar"), Qt::LeftButton);
    });
    QCOMPARE(boxes.size(), 1);
    QVERIFY(boxes[0].size() > 20);  // the description, not an empty box
    QVERIFY(Summary().contains(boxes[0]));
    QCOMPARE(Table()->rowCount(), 3);

    std::filesystem::copy_file(saved, File(), std::filesystem::copy_options::overwrite_existing);
    QTest::mouseClick(Control<QPushButton>("Actualizar"), Qt::LeftButton);
    QVERIFY(Summary().startsWith(QStringLiteral("3 puestos")));
}

void StationsWindowTest::everyControlIsNamedInTabOrderWithItsOwnMnemonic() {
    OpenWindow();
    QList<QLabel*> buddies;
    for (QLabel* label : Window()->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            buddies << label;
        }
    }
    QCOMPARE(buddies.size(), 1);
    QCOMPARE(buddies[0]->buddy(), Table());
    QCOMPARE(buddies[0]->text(), QStringLiteral("&Puestos:"));

    // Tab from the list through every command and back; Alt+P from anywhere to the list.
    Table()->selectRow(0);
    Table()->setFocus();
    QStringList order;
    for (int i = 0; i < 5; ++i) {
        order << QAccessible::queryAccessibleInterface(QApplication::focusWidget())
                     ->text(QAccessible::Name);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"Puestos de las puertas", "Actualizar", "Olvidar puesto", "Cerrar",
                                 "Puestos de las puertas"}));
    Control<QPushButton>("Cerrar")->setFocus();
    QTest::keyClick(Window(), Qt::Key_P, Qt::AltModifier);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Table()));

    // The list reads as a table: columns by name, each cell with its whole station.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(Table());
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells != nullptr);
    QStringList headers;
    for (int column = 0; column < cells->columnCount(); ++column) {
        headers << cells->columnDescription(column);
    }
    QCOMPARE(headers, QStringList({"Puesto", "Estado", "Último contacto", "Sin servidor desde",
                                   "Pendientes", "Copia de los alumnos", "Usuario"}));
    const QString spoken = cells->cellAt(2, 4)->text(QAccessible::Description);
    QVERIFY2(
        spoken.startsWith(QStringLiteral("Puesto P3-gimnasio: sin noticias desde hace 10 min;")),
        qPrintable(spoken));
    QVERIFY(table->text(QAccessible::Description).startsWith(QStringLiteral("3 puestos")));

    // No two controls answer the same Alt key.
    QStringList keys;
    for (QPushButton* button : Window()->findChildren<QPushButton*>()) {
        keys << button->text().mid(button->text().indexOf(QLatin1Char('&')) + 1, 1).toLower();
    }
    keys << buddies[0]->text().mid(1, 1).toLower();
    QCOMPARE(keys.size(), 4);
    keys.removeDuplicates();
    QCOMPARE(keys.size(), 4);
}

QTEST_MAIN(StationsWindowTest)
#include "StationsWindowTest.moc"
