// The attempts window on real widgets under the offscreen platform, over a real file: opened
// from its menu by mouse and keyboard, paged, ordered and filtered, filled from the student on
// the form and opening a row's student there, exported as tarvo-admin exports, charted as the
// table counts, failures told in a plain-text box with the window still usable, and every
// control reachable and named for a screen reader.
#include <QAbstractButton>
#include <QAccessible>
#include <QCalendarWidget>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "AttemptChartPanel.h"
#include "CAttemptsWindow.h"
#include "CMainFrame.h"
#include "CMirevalView.h"
#include "accessdb/Connection.h"
#include "admin/AdminProcess.h"
#include "console/ui/WindowProbes.h"
#include "support/StudentDatabase.h"

namespace {

// Runs the action and answers each box it opens, in the box's own modal loop, with OK; gives
// each box as "[caption|icon|format] text".
QStringList AnsweringOk(const std::function<void()>& action) {
    QStringList seen;
    QPointer<QMessageBox> answered;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box == answered) {
            return;
        }
        answered = box;
        seen << QStringLiteral("[%1|%2|%3] %4")
                    .arg(box->windowTitle(), QVariant::fromValue(box->icon()).toString(),
                         QVariant::fromValue(box->textFormat()).toString(), box->text());
        box->button(QMessageBox::Ok) != nullptr ? box->button(QMessageBox::Ok)->click()
                                                : box->reject();
    });
    timer.start(10);
    action();
    return seen;
}

// Attempt i of the seeded ones: Ana's at door 3 on even i, Luis's at door 5 on odd i, one day
// apart every ten attempts, the time of day naming it.
accessdb::AttemptRecord Attempt(int i) {
    const bool ana = i % 2 == 0;
    char fecha[32];
    char hora[32];
    std::snprintf(fecha, sizeof fecha, "%2d/03/2024", 1 + i / 10);
    std::snprintf(hora, sizeof hora, "10:%02d:%02d", i / 60, i % 60);
    return {ana ? "12345678" : "87654321",
            fecha,
            hora,
            ana ? "3" : "5",
            "P" + std::string(ana ? "3" : "5"),
            ana ? "denegado" : "concedido",
            ana ? "puerta no permitida" : ""};
}

}  // namespace

class AttemptsWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup() { m_frame.reset(); }
    void menuItemOpensTheNewestPageByMouseAndKeyboard();
    void pagesByButtonsAndMnemonicsWithTheRangeAndTotal();
    void filtersApplyOnEnterABadDayIsRefusedAndClearingListsAfresh();
    void aSevenDigitDniIsFoundWithItsLeadingZero();
    void namesStandBesideTheDnisAndInTheStudentsCaption();
    void aHeaderClickOrdersByTheDatabaseAcrossPages();
    void denialsAndErrorsStandOutAndTheDetailShowsTheWholeReason();
    void aRowOpensItsStudentOnTheForm();
    void theStudentOnTheFormIsLookedUpWithOneAction();
    void theExportEqualsTarvoAdminsForTheSameDays();
    void theChartCountsWhatTheTableHoldsForTheFilter();
    void presetsAndTheCalendarFillTheDays();
    void theDefaultSizeShowsTwentyFiveRowsAndNarrowFieldsKeepTheirWidth();
    void aFailingDatabaseIsToldAndTheWindowStaysUsable();
    void everyControlIsNamedLabelledInTabOrderWithItsOwnMnemonic();
    void screenshot();

  private:
    std::filesystem::path File() const {
        return std::filesystem::path(m_folder->path().toStdString()) / "Alumnos.mdb";
    }
    QAction* Action(const char* name) const {
        auto* action = m_frame->findChild<QAction*>(QString::fromUtf8(name));
        if (action == nullptr) {
            qFatal("no action %s", name);
        }
        return action;
    }
    mireval::CAttemptsWindow* Window() const { return m_frame->AttemptsWindow(); }
    template <class Widget>
    Widget* Control(const char* accessibleName) const {
        return windowprobes::ControlNamed<Widget>(*Window(), accessibleName);
    }
    QTableWidget* Table() const { return Control<QTableWidget>("Intentos de acceso"); }
    QString Summary() const { return Control<QLabel>("Página mostrada")->text(); }
    // The time of day of the listed attempts, from the top.
    QStringList Times() const {
        QStringList times;
        for (int row = 0; row < Table()->rowCount(); ++row) {
            times << Table()->item(row, 1)->text();
        }
        return times;
    }
    void OpenWindow() {
        Action("viewAttempts")->trigger();
        QVERIFY(Window() != nullptr && Window()->isVisible());
        QTRY_VERIFY(QApplication::activeWindow() == Window());
    }
    // What a screen reader announces a control by. On Linux a drop-down list gives its entry as
    // its name and its label through a relation; its own name is the property.
    static QString Named(QWidget* widget) {
        return widget->inherits("QComboBox")
                   ? widget->accessibleName()
                   : QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
    }
    QWidget* Form(int id) const { return m_frame->View()->GetDlgItem(id); }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<mireval::CMainFrame> m_frame;
};

// 250 attempts and both students registered; the frame shown and active.
void AttemptsWindowTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    Register(File(), {Student("3"), {"87654321", "Luis", "Gil", "", "5", "0", "0", "0", "", ""}});
    {
        auto db = accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly);
        accessdb::Transaction transaction = db.Write();
        for (int i = 0; i < 250; ++i) {
            db.AppendAttempt(Attempt(i));
        }
        transaction.Commit();
    }
    m_frame = std::make_unique<mireval::CMainFrame>(mireval::DatabaseLocation(File().parent_path()),
                                                    2026);
    m_frame->InitialUpdateFrame();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
}

void AttemptsWindowTest::menuItemOpensTheNewestPageByMouseAndKeyboard() {
    // A menu of its own beside "Ver", its items with prompts and accelerators.
    QStringList menus;
    for (QAction* menu : m_frame->menuBar()->actions()) {
        menus << menu->text();
    }
    QCOMPARE(menus, QStringList({"&Ver", "&Intentos", "Ay&uda"}));
    QAction* item = Action("viewAttempts");
    QVERIFY(item->statusTip().startsWith(QStringLiteral("Mostrar los intentos de acceso")));

    // By the mouse: the menu opens, the item's prompt shows while it is under the pointer, and
    // a click opens the window.
    QMenu* menu = m_frame->menuBar()->actions().at(1)->menu();
    m_frame->menuBar()->setActiveAction(menu->menuAction());
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QTest::mouseMove(menu, menu->actionGeometry(item).center());
    QTRY_COMPARE(menu->activeAction(), item);
    QTRY_COMPARE(m_frame->statusBar()->currentMessage(), item->statusTip());
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item).center());
    QTRY_VERIFY(Window() != nullptr && QApplication::activeWindow() == Window());
    QCOMPARE(Table()->rowCount(), 100);
    QCOMPARE(Times().first(), QStringLiteral("10:04:09"));  // the last written, of the last day
    QCOMPARE(Table()->item(0, 0)->text(), QStringLiteral("25/03/2024"));
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("87654321"));
    QCOMPARE(Summary(), QStringLiteral("1-100 de 250"));
    QVERIFY(!Window()->isModal());

    // By the keyboard: closed with Escape, opened again with the accelerator.
    QTest::keyClick(Window(), Qt::Key_Escape);
    QVERIFY(!Window()->isVisible());
    m_frame->activateWindow();  // as the window manager gives the frame back its focus
    QTRY_VERIFY(QApplication::activeWindow() == m_frame.get());
    QTest::keyClick(m_frame.get(), Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY(QApplication::activeWindow() == Window());
    QCOMPARE(Table()->rowCount(), 100);
}

void AttemptsWindowTest::pagesByButtonsAndMnemonicsWithTheRangeAndTotal() {
    OpenWindow();
    auto* next = Control<QPushButton>("Página siguiente");
    auto* previous = Control<QPushButton>("Página anterior");
    auto* first = Control<QPushButton>("Primera página");
    auto* last = Control<QPushButton>("Última página");
    QVERIFY(next->isEnabled() && last->isEnabled());
    QVERIFY(!previous->isEnabled() && !first->isEnabled());
    const QStringList page1 = Times();

    QTest::mouseClick(next, Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("101-200 de 250"));
    const QStringList page2 = Times();
    // A mnemonic clicks its button as a press shows it, a moment later.
    QTest::keyClick(Window(), Qt::Key_S, Qt::AltModifier);  // "&Siguientes"
    QTRY_COMPARE(Summary(), QStringLiteral("201-250 de 250"));
    QCOMPARE(Times().last(), QStringLiteral("10:00:00"));  // the first written
    QVERIFY(!next->isEnabled() && !last->isEnabled() && previous->isEnabled());

    QTest::keyClick(Window(), Qt::Key_A, Qt::AltModifier);  // "&Anteriores"
    QTRY_COMPARE(Times(), page2);
    QTest::keyClick(Window(), Qt::Key_I, Qt::AltModifier);  // "Pr&imera"
    QTRY_COMPARE(Times(), page1);
    QVERIFY(!first->isEnabled());
    QTest::keyClick(Window(), Qt::Key_M, Qt::AltModifier);  // "Últi&ma"
    QTRY_COMPARE(Summary(), QStringLiteral("201-250 de 250"));
    QCOMPARE(Table()->rowCount(), 50);
    QTest::mouseClick(previous, Qt::LeftButton);
    QCOMPARE(Times(), page2);
}

// The list always answers the filters shown: emptied, they list everything again at once,
// rows, total, chart and all, with what a station wrote meanwhile.
void AttemptsWindowTest::filtersApplyOnEnterABadDayIsRefusedAndClearingListsAfresh() {
    OpenWindow();
    auto* outcome = Control<QComboBox>("Resultado");
    outcome->setCurrentIndex(outcome->findText(QStringLiteral("concedido")));
    auto* from = Control<QLineEdit>("Desde el día");
    auto* to = Control<QLineEdit>("Hasta el día");
    QTest::keyClicks(from, QStringLiteral("3/3/2024"));
    QTest::keyClicks(to, QStringLiteral("04/03/2024"));
    QTest::keyClick(to, Qt::Key_Return);
    // Luis's grants of 3 and 4 March: attempts 21 to 39, odd ones.
    QCOMPARE(Table()->rowCount(), 10);
    QCOMPARE(Times().first(), QStringLiteral("10:00:39"));
    QCOMPARE(Times().last(), QStringLiteral("10:00:21"));
    QCOMPARE(Summary(), QStringLiteral("1-10 de 10"));

    to->setText(QStringLiteral("31/02/2024"));
    const QStringList boxes = AnsweringOk([&] { QTest::keyClick(to, Qt::Key_Return); });
    QCOMPARE(boxes,
             QStringList({"[Mireval|Warning|PlainText] La fecha \"Hasta\" (31/02/2024) no es un "
                          "día del calendario. Escriba el día como DD/MM/AAAA (por ejemplo "
                          "05/03/2024), o déjelo vacío para no limitar las fechas."}));
    QCOMPARE(Table()->rowCount(), 10);  // the listing stands
    Window()->activateWindow();         // as the window manager does when the box has gone
    QTRY_VERIFY(QApplication::activeWindow() == Window());

    accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly)
        .AppendAttempt({"12345678", "26/03/2024", "11:00:00", "3", "P3", "denegado", "x"});
    QTest::keyClick(Window(), Qt::Key_L, Qt::AltModifier);  // "&Limpiar filtros"
    QTRY_VERIFY(from->text().isEmpty() && to->text().isEmpty() && outcome->currentIndex() == 0);
    QVERIFY(Control<QLineEdit>("DNI")->hasFocus());
    QTRY_COMPARE(Summary(), QStringLiteral("1-100 de 251"));
    QCOMPARE(Times().first(), QStringLiteral("11:00:00"));
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("12345678"));
    QCOMPARE(Window()->findChild<mireval::ui::AttemptChartPanel*>()->CountTexts().last(),
             QStringLiteral("Total: 251"));
}

void AttemptsWindowTest::aSevenDigitDniIsFoundWithItsLeadingZero() {
    {
        auto db = accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly);
        db.AppendAttempt({"02527375", " 2/03/2024", "12:00:00", "1", "P1", "no registrado", ""});
        db.AppendAttempt({"02527375", " 3/03/2024", "12:00:01", "1", "P1", "no registrado", ""});
    }
    OpenWindow();
    QTest::keyClicks(Control<QLineEdit>("DNI"), QStringLiteral("2527375"));
    QTest::keyClick(Control<QLineEdit>("DNI"), Qt::Key_Return);
    QCOMPARE(Table()->rowCount(), 2);
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("02527375"));
    QVERIFY2(Summary().contains(QStringLiteral("02527375")) &&
                 Summary().contains(QStringLiteral("cero inicial")) &&
                 Summary().endsWith(QStringLiteral("1-2 de 2")),
             qPrintable(Summary()));
    // What was typed stays as typed; the caption names the DNI looked up.
    QCOMPARE(Control<QLineEdit>("DNI")->text(), QStringLiteral("2527375"));
    QVERIFY(Window()->windowTitle().contains(QStringLiteral("02527375")));
}

// Accented names: each row with its student's name, none for a DNI that Alumnos lacks, and the
// total counted by the database.
void AttemptsWindowTest::namesStandBesideTheDnisAndInTheStudentsCaption() {
    {
        auto db = accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly);
        accessdb::StudentRecord muñoz{"00000042", "José", "Muñoz", "Peña", "1",
                                      "0",        "0",    "0",     "",     ""};
        db.AddStudent(muñoz);
        db.SaveStudent(muñoz);
        accessdb::Transaction transaction = db.Write();
        for (int i = 0; i < 200; ++i) {
            db.AppendAttempt({i % 2 ? "00000042" : "99999999", "27/03/2024", "12:00:00", "1", "P1",
                              i % 2 ? "concedido" : "no registrado", ""});
        }
        transaction.Commit();
    }
    OpenWindow();
    QCOMPARE(Summary(), QStringLiteral("1-100 de 450"));
    // The newest page holds José's and the unknown DNI's, the last Ana's and Luis's; every page
    // in between is the listing's own test.
    const auto namesBesideTheDnis = [&] {
        for (int row = 0; row < Table()->rowCount(); ++row) {
            const QString dni = Table()->item(row, 2)->text();
            const QString expected =
                dni == QLatin1String("12345678")   ? QStringLiteral("Ana Pérez Gil")
                : dni == QLatin1String("87654321") ? QStringLiteral("Luis Gil")
                : dni == QLatin1String("00000042") ? QStringLiteral("José Muñoz Peña")
                                                   : QString();
            QCOMPARE(Table()->item(row, 3)->text(), expected);
        }
    };
    namesBesideTheDnis();
    QTest::mouseClick(Control<QPushButton>("Última página"), Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("401-450 de 450"));
    namesBesideTheDnis();

    QTest::keyClicks(Control<QLineEdit>("DNI"), QStringLiteral("00000042"));
    QTest::keyClick(Control<QLineEdit>("DNI"), Qt::Key_Return);
    QCOMPARE(Window()->windowTitle(),
             QStringLiteral("Intentos de acceso: José Muñoz Peña (00000042)"));
}

// The DNI column's header orders the whole filter by DNI, page after page, and turns the order
// round when clicked again; the list of orders says the same for the keyboard.
void AttemptsWindowTest::aHeaderClickOrdersByTheDatabaseAcrossPages() {
    OpenWindow();
    QHeaderView* header = Table()->horizontalHeader();
    const auto clickHeader = [&](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, 5));
    };
    clickHeader(2);
    QCOMPARE(header->sortIndicatorSection(), 2);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(Control<QComboBox>("Clasificar por")->currentText(),
             QStringLiteral("DNI, de menor a mayor"));
    // The walk across every page in each order is the listing's own test, on both engines.
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("12345678"));

    clickHeader(2);
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("87654321"));
    QCOMPARE(Summary(), QStringLiteral("1-100 de 250"));
    // A column the database does not order by leaves the order as it is.
    clickHeader(4);
    QCOMPARE(header->sortIndicatorSection(), 2);
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("87654321"));
    // By the keyboard: the list of orders.
    auto* order = Control<QComboBox>("Clasificar por");
    order->setFocus();
    QTest::keyClick(order, Qt::Key_Home);
    QCOMPARE(header->sortIndicatorSection(), 0);
    QCOMPARE(Times().first(), QStringLiteral("10:04:09"));
}

void AttemptsWindowTest::denialsAndErrorsStandOutAndTheDetailShowsTheWholeReason() {
    const std::string reason =
        "Error al leer la tarjeta: la respuesta del lector no tiene la longitud esperada (se "
        "esperaban 10 bytes y llegaron 3); se reintentó la lectura sin éxito y la puerta no se "
        "abrió. Compruebe el lector y la tarjeta del alumno.";
    accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly)
        .AppendAttempt({"12345678", "26/03/2024", "09:00:00", "3", "P3", "error", reason});
    OpenWindow();
    QTableWidgetItem* error = Table()->item(0, 6);
    QCOMPARE(error->text(), QStringLiteral("⚠ error"));
    QVERIFY(!error->icon().isNull());
    QVERIFY(Table()->item(0, 1)->background().color() != Table()->item(2, 1)->background().color());
    QVERIFY(Table()->item(2, 1)->background().style() != Qt::NoBrush);  // a denial's row
    QCOMPARE(Table()->item(1, 1)->background().style(), Qt::NoBrush);   // a grant's row

    // The selected row whole, below the list, by the keyboard and for a screen reader.
    auto* detail = Control<QPlainTextEdit>("Detalle del intento seleccionado");
    QVERIFY(detail->isReadOnly());
    QVERIFY(detail->toPlainText().contains(QString::fromStdString(reason)));
    QVERIFY(detail->toPlainText().contains(QStringLiteral("Ana Pérez Gil")));
    Table()->setFocus();
    QTest::keyClick(Table(), Qt::Key_Down);
    QVERIFY(detail->toPlainText().contains(QStringLiteral("10:04:09")));
    QTest::keyClick(Table(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), detail);
    QCOMPARE(QAccessible::queryAccessibleInterface(detail)->text(QAccessible::Name),
             QStringLiteral("Detalle del intento seleccionado"));
    QTest::keyClick(detail, Qt::Key_Tab);  // and on, not into the text
    QVERIFY(QApplication::focusWidget() != detail);
}

// Enter or a double click on a row looks its DNI up on the form, as "Buscar Registro" does.
void AttemptsWindowTest::aRowOpensItsStudentOnTheForm() {
    OpenWindow();
    Table()->setFocus();
    QTest::keyClick(Table(), Qt::Key_Down);  // Ana's
    QCOMPARE(AnsweringOk([&] { QTest::keyClick(Table(), Qt::Key_Return); }), QStringList());
    QCOMPARE(qobject_cast<QLineEdit*>(Form(1005))->text(), QStringLiteral("12345678"));
    QCOMPARE(qobject_cast<QLineEdit*>(Form(1002))->text(), QStringLiteral("Ana"));
    QCOMPARE(Table()->currentRow(), 1);  // the list stays where it was
    QCOMPARE(Summary(), QStringLiteral("1-100 de 250"));

    const QRect cell = Table()->visualItemRect(Table()->item(0, 0));
    // A double click as the mouse gives it: a click, then the second press.
    QTest::mouseClick(Table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(Table()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(qobject_cast<QLineEdit*>(Form(1005))->text(), QStringLiteral("87654321"));
    QCOMPARE(qobject_cast<QLineEdit*>(Form(1002))->text(), QStringLiteral("Luis"));

    // A student being edited is not thrown away: the window says why nothing happened.
    AnsweringOk([&] {  // "Modificar Datos", which tells how edit mode ends
        QTest::mouseClick(qobject_cast<QAbstractButton*>(Form(1032)), Qt::LeftButton);
    });
    QVERIFY(m_frame->View()->Form().Members().m_modoEdicion);
    Window()->activateWindow();
    Table()->setFocus();
    QTest::keyClick(Table(), Qt::Key_Down);
    const QStringList boxes = AnsweringOk([&] { QTest::keyClick(Table(), Qt::Key_Return); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].contains(QStringLiteral("edición")), qPrintable(boxes[0]));
    QCOMPARE(qobject_cast<QLineEdit*>(Form(1005))->text(), QStringLiteral("87654321"));
    QVERIFY(m_frame->View()->Form().Members().m_modoEdicion);
}

void AttemptsWindowTest::theStudentOnTheFormIsLookedUpWithOneAction() {
    QAction* student = Action("studentAttempts");
    QVERIFY(!student->isEnabled());  // nobody on the form
    QTest::keyClicks(qobject_cast<QLineEdit*>(Form(1005)), QStringLiteral("12345678"));
    QTest::mouseClick(qobject_cast<QAbstractButton*>(Form(1028)), Qt::LeftButton);
    QVERIFY(student->isEnabled());

    // With other filters left from before, the student's look-up shows all of theirs.
    OpenWindow();
    Control<QComboBox>("Puerta")->setCurrentIndex(6);  // door 5
    Window()->close();
    m_frame->activateWindow();
    QTRY_VERIFY(QApplication::activeWindow() == m_frame.get());
    QTest::keyClick(m_frame.get(), Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_VERIFY(QApplication::activeWindow() == Window());
    QCOMPARE(Control<QLineEdit>("DNI")->text(), QStringLiteral("12345678"));
    QCOMPARE(Control<QComboBox>("Puerta")->currentIndex(), 0);
    QCOMPARE(Summary(), QStringLiteral("1-100 de 125"));  // Ana's all, none of them at door 5

    // Another student: the open window follows.
    QTest::mouseClick(qobject_cast<QAbstractButton*>(Form(1027)), Qt::LeftButton);
    QVERIFY(!student->isEnabled());
    QTest::keyClicks(qobject_cast<QLineEdit*>(Form(1005)), QStringLiteral("87654321"));
    QTest::mouseClick(qobject_cast<QAbstractButton*>(Form(1028)), Qt::LeftButton);
    student->trigger();
    QCOMPARE(Control<QLineEdit>("DNI")->text(), QStringLiteral("87654321"));
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("87654321"));
    QCOMPARE(Summary(), QStringLiteral("1-100 de 125"));
    QCOMPARE(Window()->windowTitle(), QStringLiteral("Intentos de acceso: Luis Gil (87654321)"));
}

// The window's sheet of a filter of days is, byte for byte, what tarvo-admin writes for them.
void AttemptsWindowTest::theExportEqualsTarvoAdminsForTheSameDays() {
    OpenWindow();
    Control<QLineEdit>("Desde el día")->setText(QStringLiteral("3/3/2024"));
    Control<QLineEdit>("Hasta el día")->setText(QStringLiteral("12/03/2024"));
    QTest::mouseClick(Control<QPushButton>("Buscar"), Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("1-100 de 100"));
    const QString sheet = m_folder->filePath(QStringLiteral("intentos.csv"));
    QVERIFY(Window()->ExportTo(sheet));
    const AdminRun admin =
        RunAdminProgram("export attempts --database " + ShellQuoted(File().string()) +
                        " --from 03/03/2024 --to 12/03/2024");
    QCOMPARE(admin.exitCode, 0);
    const std::string written = ReadWhole(sheet.toStdString());
    QCOMPARE(written, admin.out);
    QCOMPARE(std::count(written.begin(), written.end(), '\n'), 101);  // the header and each
    QVERIFY(Summary().contains(QStringLiteral("Exportados 100 intentos")));

    // A file that cannot be written is told, and nothing is left under its name.
    const QString nowhere = m_folder->filePath(QStringLiteral("no-existe/intentos.csv"));
    const QStringList boxes = AnsweringOk([&] { QVERIFY(!Window()->ExportTo(nowhere)); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY(!QFile::exists(nowhere));
}

// The chart and the counts beside it are the database's counts for the filter, not the page's.
void AttemptsWindowTest::theChartCountsWhatTheTableHoldsForTheFilter() {
    OpenWindow();
    Control<QComboBox>("Puerta")->setCurrentIndex(5);  // door 4: none
    Control<QComboBox>("Puerta")->setCurrentIndex(0);
    Control<QLineEdit>("Desde el día")->setText(QStringLiteral("5/3/2024"));
    QTest::mouseClick(Control<QPushButton>("Buscar"), Qt::LeftButton);
    // Attempts 40 to 249: half Ana's denials, half Luis's grants.
    auto* chart = Window()->findChild<mireval::ui::AttemptChartPanel*>();
    QCOMPARE(chart->CountTexts(), QStringList({"concedido: 105", "denegado: 105",
                                               "no registrado: 0", "error: 0", "Total: 210"}));
    // A bar a day from the first day of the filter; the counts per day are the listing's own test.
    QCOMPARE(chart->BarDays().first(), QStringLiteral("05/03"));
    QCOMPARE(Table()->rowCount(), 100);  // the page holds fewer than the chart counts
}

void AttemptsWindowTest::presetsAndTheCalendarFillTheDays() {
    OpenWindow();
    auto* from = Control<QLineEdit>("Desde el día");
    const auto daysAgo = [](int days) {
        return QDate::currentDate().addDays(-days).toString(QStringLiteral("dd/MM/yyyy"));
    };
    QTest::keyClick(Window(), Qt::Key_Y, Qt::AltModifier);  // "Ho&y"
    QTRY_COMPARE(from->text(), daysAgo(0));
    QCOMPARE(Control<QLineEdit>("Hasta el día")->text(), daysAgo(0));
    QCOMPARE(Summary(), QStringLiteral("Ningún intento coincide con los filtros."));
    QTest::mouseClick(Control<QPushButton>("Últimos 7 días"), Qt::LeftButton);
    QCOMPARE(from->text(), daysAgo(6));
    QTest::mouseClick(Control<QPushButton>("Últimos 30 días"), Qt::LeftButton);
    QCOMPARE(from->text(), daysAgo(29));

    // The calendar opens on the day typed, and a day chosen there by the keyboard fills the
    // field.
    from->setText(QStringLiteral("05/03/2024"));
    QTest::mouseClick(Control<QToolButton>("Elegir el día Desde en un calendario"), Qt::LeftButton);
    auto* calendar = Window()->findChild<QCalendarWidget*>(QStringLiteral("dayCalendar"));
    QVERIFY(calendar != nullptr);
    QTRY_VERIFY(calendar->isVisible());
    QCOMPARE(calendar->selectedDate(), QDate(2024, 3, 5));
    calendar->setSelectedDate(QDate(2024, 3, 7));
    emit calendar->activated(calendar->selectedDate());
    QCOMPARE(from->text(), QStringLiteral("07/03/2024"));
    QTRY_VERIFY(Window()->findChild<QCalendarWidget*>(QStringLiteral("dayCalendar")) == nullptr);
}

void AttemptsWindowTest::theDefaultSizeShowsTwentyFiveRowsAndNarrowFieldsKeepTheirWidth() {
    OpenWindow();
    QVERIFY(QTest::qWaitForWindowExposed(Window()));
    const int bottomRow = Table()->rowAt(Table()->viewport()->height() - 1);
    QVERIFY2(bottomRow == -1 || bottomRow >= 24, qPrintable(QString::number(bottomRow)));

    auto* dni = Control<QLineEdit>("DNI");
    auto* from = Control<QLineEdit>("Desde el día");
    auto* to = Control<QLineEdit>("Hasta el día");
    Window()->resize(200, Window()->height());
    QApplication::processEvents();
    QVERIFY(dni->width() >= dni->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    QVERIFY(from->width() >= from->fontMetrics().horizontalAdvance(QStringLiteral("00/00/0000")));
    QCOMPARE(from->width(), to->width());
}

// A file that cannot be read is told plainly. A page that cannot be read leaves the one shown;
// a fresh list that cannot be read empties the list rather than leave rows the filters shown no
// longer match. Once the file is sound again, the window lists as before.
void AttemptsWindowTest::aFailingDatabaseIsToldAndTheWindowStaysUsable() {
    OpenWindow();
    QTest::keyClicks(Control<QLineEdit>("DNI"), QStringLiteral("87654321"));
    QTest::keyClick(Control<QLineEdit>("DNI"), Qt::Key_Return);
    const QStringList shown = Times();
    const std::filesystem::path saved = File().string() + ".saved";
    std::filesystem::copy_file(File(), saved);
    std::ofstream(File(), std::ios::trunc) << "<no es una base de datos>";

    auto* next = Control<QPushButton>("Página siguiente");
    QStringList boxes = AnsweringOk([&] { QTest::mouseClick(next, Qt::LeftButton); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QStringLiteral("[Mireval|Warning|PlainText] ")),
             qPrintable(boxes[0]));
    QVERIFY(boxes[0].size() > 40);  // a description, not an empty box
    QCOMPARE(Times(), shown);
    QCOMPARE(Summary(), QStringLiteral("1-100 de 125"));

    boxes = AnsweringOk(
        [&] { QTest::mouseClick(Control<QPushButton>("Limpiar filtros"), Qt::LeftButton); });
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(Table()->rowCount(), 0);
    QVERIFY(Summary().contains(QStringLiteral("Buscar")));
    QVERIFY(!next->isEnabled());
    QCOMPARE(Window()->findChild<mireval::ui::AttemptChartPanel*>()->CountTexts().last(),
             QStringLiteral("Total: 0"));

    std::filesystem::copy_file(saved, File(), std::filesystem::copy_options::overwrite_existing);
    QTest::mouseClick(Control<QPushButton>("Buscar"), Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("1-100 de 250"));
}

// Each field by its label, every control a screen reader reaches by the keyboard by its Spanish
// name (the first page's disabled ones are found by name where they are clicked), and no two
// controls answering the same Alt key.
void AttemptsWindowTest::everyControlIsNamedLabelledInTabOrderWithItsOwnMnemonic() {
    OpenWindow();
    QStringList buddies;
    for (QLabel* label : Window()->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            buddies << label->text() + QLatin1Char('>') + label->buddy()->accessibleName();
        }
    }
    buddies.sort();
    QCOMPARE(buddies, QStringList({"&Clasificar por:>Clasificar por", "&Desde:>Desde el día",
                                   "&Hasta:>Hasta el día", "&Puerta:>Puerta",
                                   "&Resultado:>Resultado", "D&NI:>DNI",
                                   "Detalle del intento (moti&vo completo):>Detalle del intento "
                                   "seleccionado",
                                   "Intent&os:>Intentos de acceso"}));

    // Tab from the DNI through every control and back, the list and the detail included.
    Control<QLineEdit>("DNI")->setFocus();
    QStringList order;
    for (int i = 0; i < 23; ++i) {
        order << Named(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringLiteral(
                        "DNI|Puerta|Resultado|Desde el día|Elegir el día Desde en un calendario|"
                        "Hasta el día|Elegir el día Hasta en un calendario|Hoy|Últimos 7 días|"
                        "Últimos 30 días|Buscar|Limpiar filtros|Clasificar por|Exportar|Lista|"
                        "Intentos de acceso|Detalle del intento seleccionado|Página siguiente|"
                        "Última página|Cerrar|DNI|Puerta|Resultado")
                        .split(u'|'));

    // The list reads as a table: its columns by name, each cell with its whole attempt.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(Table());
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells != nullptr);
    QCOMPARE(cells->columnCount(), 8);
    QCOMPARE(cells->rowCount(), 100);
    QStringList headers;
    for (int column = 0; column < 8; ++column) {
        headers << cells->columnDescription(column);
    }
    QCOMPARE(headers, QStringList({"Fecha", "Hora", "DNI", "Alumno", "Puerta", "Puesto",
                                   "Resultado", "Motivo"}));
    QAccessibleInterface* cell = cells->cellAt(1, 7);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("puerta no permitida"));
    QCOMPARE(cell->text(QAccessible::Description),
             QStringLiteral("25/03/2024 10:04:08, DNI 12345678 (Ana Pérez Gil), puerta 3, "
                            "puesto P3: denegado, puerta no permitida"));
    QCOMPARE(table->text(QAccessible::Description), QStringLiteral("1-100 de 250"));

    QStringList texts;
    for (QAbstractButton* button : Window()->findChildren<QAbstractButton*>()) {
        texts << button->text();
    }
    for (QLabel* label : Window()->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            texts << label->text();
        }
    }
    auto* tabs = Window()->findChild<QTabWidget*>();
    for (int tab = 0; tab < tabs->count(); ++tab) {
        texts << tabs->tabText(tab);
    }
    QMap<QChar, QString> keys;
    for (const QString& text : texts) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= text.size()) {
            continue;
        }
        const QChar key = text.at(at + 1).toLower();
        QVERIFY2(!keys.contains(key), qPrintable(text + QStringLiteral(" / ") + keys.value(key)));
        keys.insert(key, text);
    }
    QVERIFY(keys.size() >= 20);
}

// The window with its list and its chart, as the README shows it; written where
// TARVO_SCREENSHOT_DIR says.
void AttemptsWindowTest::screenshot() {
    OpenWindow();
    Control<QLineEdit>("Desde el día")->setText(QStringLiteral("1/3/2024"));
    QTest::mouseClick(Control<QPushButton>("Buscar"), Qt::LeftButton);
    Table()->setCurrentCell(2, 0);
    const QPixmap list = Window()->grab();
    auto* tabs = Window()->findChild<QTabWidget*>();
    tabs->setCurrentIndex(1);
    QApplication::processEvents();
    const QPixmap chart = Window()->grab();
    QVERIFY(!list.isNull() && !chart.isNull());
    QCOMPARE(list.size(), chart.size());
    QVERIFY(list.toImage() != chart.toImage());
    const QString folder = qEnvironmentVariable("TARVO_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QVERIFY(list.save(folder + QStringLiteral("/intentos-lista.png")));
        QVERIFY(chart.save(folder + QStringLiteral("/intentos-grafico.png")));
    }
}

QTEST_MAIN(AttemptsWindowTest)
#include "AttemptsWindowTest.moc"
