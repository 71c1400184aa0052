// The attempts window on real widgets under the offscreen platform, over a real file: opened
// from its menu by mouse and keyboard, paged and filtered, filled from the student on the
// form, failures told in a plain-text box with the window still usable, and every control
// reachable and named for a screen reader.
#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStatusBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "CAttemptsWindow.h"
#include "CMainFrame.h"
#include "CMirevalView.h"
#include "accessdb/Connection.h"
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
    void pagesOlderAndNewerByButtonsAndMnemonics();
    void filtersApplyOnEnterAndABadDayIsRefusedPlainly();
    void theStudentOnTheFormIsLookedUpWithOneAction();
    void aFailingDatabaseIsToldAndTheWindowStaysUsable();
    void everyControlIsNamedLabelledAndInTabOrder();

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
        for (Widget* widget : Window()->findChildren<Widget*>()) {
            if (widget->accessibleName() == QString::fromUtf8(accessibleName)) {
                return widget;
            }
        }
        qFatal("no control named %s", accessibleName);
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
        accessdb::WriteTransaction transaction(db);
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
    QCOMPARE(item->text(), QStringLiteral("&Intentos de acceso..."));
    QCOMPARE(item->shortcut(), QKeySequence(QStringLiteral("Ctrl+I")));
    QCOMPARE(Action("studentAttempts")->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+I")));
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
    QCOMPARE(Summary(), QStringLiteral("Página 1: intentos 1 a 100"));
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

void AttemptsWindowTest::pagesOlderAndNewerByButtonsAndMnemonics() {
    OpenWindow();
    auto* older = Control<QPushButton>("Más antiguos");
    auto* newer = Control<QPushButton>("Más recientes");
    QVERIFY(older->isEnabled() && !newer->isEnabled());
    const QStringList first = Times();

    QTest::mouseClick(older, Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("Página 2: intentos 101 a 200"));
    const QStringList second = Times();
    // Enter on a row reads it; it does not search again from the newest page.
    Table()->setFocus();
    QTest::keyClick(Table(), Qt::Key_Down);
    QTest::keyClick(Table(), Qt::Key_Return);
    QCOMPARE(Summary(), QStringLiteral("Página 2: intentos 101 a 200"));
    QCOMPARE(Table()->currentRow(), 1);
    // A mnemonic clicks its button as a press shows it, a moment later.
    QTest::keyClick(Window(), Qt::Key_A, Qt::AltModifier);  // "Más &antiguos"
    QTRY_COMPARE(Summary(), QStringLiteral("Página 3: intentos 201 a 250"));
    QCOMPARE(Times().last(), QStringLiteral("10:00:00"));  // the first written
    QVERIFY(!older->isEnabled() && newer->isEnabled());

    QTest::keyClick(Window(), Qt::Key_T, Qt::AltModifier);  // "Más recien&tes"
    QTRY_COMPARE(Times(), second);
    QTest::mouseClick(newer, Qt::LeftButton);
    QCOMPARE(Times(), first);
    QVERIFY(!newer->isEnabled());
    // Every attempt once over the three pages.
    QSet<QString> all(first.begin(), first.end());
    all.unite(QSet<QString>(second.begin(), second.end()));
    QCOMPARE(all.size(), 200);
}

void AttemptsWindowTest::filtersApplyOnEnterAndABadDayIsRefusedPlainly() {
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
    QCOMPARE(Summary(), QStringLiteral("Página 1: intentos 1 a 10"));

    to->setText(QStringLiteral("31/02/2024"));
    const QStringList boxes = AnsweringOk([&] { QTest::keyClick(to, Qt::Key_Return); });
    QCOMPARE(boxes,
             QStringList({"[Mireval|Warning|PlainText] La fecha \"Hasta\" (31/02/2024) no es un "
                          "día del calendario. Escriba el día como DD/MM/AAAA (por ejemplo "
                          "05/03/2024), o déjelo vacío para no limitar las fechas."}));
    QCOMPARE(Table()->rowCount(), 10);  // the listing stands
    Window()->activateWindow();         // as the window manager does when the box has gone
    QTRY_VERIFY(QApplication::activeWindow() == Window());

    QTest::keyClick(Window(), Qt::Key_L, Qt::AltModifier);  // "&Limpiar filtros"
    QTRY_VERIFY(from->text().isEmpty() && to->text().isEmpty() && outcome->currentIndex() == 0);
    QVERIFY(Control<QLineEdit>("DNI")->hasFocus());
    QTest::keyClick(Window(), Qt::Key_B, Qt::AltModifier);  // "&Buscar"
    QTRY_COMPARE(Summary(), QStringLiteral("Página 1: intentos 1 a 100"));
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
    QCOMPARE(Table()->rowCount(), 100);
    for (int row = 0; row < Table()->rowCount(); ++row) {
        QCOMPARE(Table()->item(row, 2)->text(), QStringLiteral("12345678"));
    }
    QTest::mouseClick(Control<QPushButton>("Más antiguos"), Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("Página 2: intentos 101 a 125"));

    // Another student: the open window follows.
    QTest::mouseClick(qobject_cast<QAbstractButton*>(Form(1027)), Qt::LeftButton);
    QVERIFY(!student->isEnabled());
    QTest::keyClicks(qobject_cast<QLineEdit*>(Form(1005)), QStringLiteral("87654321"));
    QTest::mouseClick(qobject_cast<QAbstractButton*>(Form(1028)), Qt::LeftButton);
    student->trigger();
    QCOMPARE(Control<QLineEdit>("DNI")->text(), QStringLiteral("87654321"));
    QCOMPARE(Table()->item(0, 2)->text(), QStringLiteral("87654321"));
    QCOMPARE(Summary(), QStringLiteral("Página 1: intentos 1 a 100"));
}

void AttemptsWindowTest::aFailingDatabaseIsToldAndTheWindowStaysUsable() {
    OpenWindow();
    const QStringList shown = Times();
    const std::filesystem::path saved = File().string() + ".saved";
    std::filesystem::copy_file(File(), saved);
    std::ofstream(File(), std::ios::trunc) << "<no es una base de datos>";

    const QStringList boxes = AnsweringOk(
        [&] { QTest::mouseClick(Control<QPushButton>("Más antiguos"), Qt::LeftButton); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QStringLiteral("[Mireval|Warning|PlainText] ")),
             qPrintable(boxes[0]));
    QVERIFY(boxes[0].size() > 40);  // a description, not an empty box
    QCOMPARE(Times(), shown);
    QCOMPARE(Summary(), QStringLiteral("Página 1: intentos 1 a 100"));

    std::filesystem::copy_file(saved, File(), std::filesystem::copy_options::overwrite_existing);
    QTest::mouseClick(Control<QPushButton>("Más antiguos"), Qt::LeftButton);
    QCOMPARE(Summary(), QStringLiteral("Página 2: intentos 101 a 200"));
}

void AttemptsWindowTest::everyControlIsNamedLabelledAndInTabOrder() {
    OpenWindow();
    // Every control a screen reader announces by a Spanish name; each field by its label too.
    QStringList names;
    for (QWidget* widget : Window()->findChildren<QWidget*>()) {
        if (widget->inherits("QAbstractButton") || widget->inherits("QLineEdit") ||
            widget->inherits("QComboBox") || widget->inherits("QTableWidget")) {
            if (widget->isVisible() && widget->parentWidget() == Window()) {
                names << Named(widget);
            }
        }
    }
    names.sort();
    QCOMPARE(names, QStringList({"Buscar", "Cerrar", "DNI", "Desde el día", "Hasta el día",
                                 "Intentos de acceso", "Limpiar filtros", "Más antiguos",
                                 "Más recientes", "Puerta", "Resultado"}));
    QStringList buddies;
    for (QLabel* label : Window()->findChildren<QLabel*>()) {
        if (label->buddy() != nullptr) {
            buddies << label->text() + QLatin1Char('>') + label->buddy()->accessibleName();
        }
    }
    buddies.sort();
    QCOMPARE(buddies, QStringList({"&Desde:>Desde el día", "&Hasta:>Hasta el día",
                                   "&Puerta:>Puerta", "&Resultado:>Resultado", "D&NI:>DNI",
                                   "Intent&os, los más recientes primero:>Intentos de acceso"}));

    // Tab from the DNI through every control and back, the list included.
    Control<QLineEdit>("DNI")->setFocus();
    QStringList order;
    for (int i = 0; i < 12; ++i) {
        order << Named(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QCOMPARE(order, QStringList({"DNI", "Puerta", "Resultado", "Desde el día", "Hasta el día",
                                 "Buscar", "Limpiar filtros", "Intentos de acceso", "Más antiguos",
                                 "Cerrar", "DNI", "Puerta"}));

    // The list reads as a table: its columns by name, each cell with its whole attempt.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(Table());
    QAccessibleTableInterface* cells = table->tableInterface();
    QVERIFY(cells != nullptr);
    QCOMPARE(cells->columnCount(), 7);
    QCOMPARE(cells->rowCount(), 100);
    QStringList headers;
    for (int column = 0; column < 7; ++column) {
        headers << cells->columnDescription(column);
    }
    QCOMPARE(headers,
             QStringList({"Fecha", "Hora", "DNI", "Puerta", "Puesto", "Resultado", "Motivo"}));
    QAccessibleInterface* cell = cells->cellAt(1, 6);
    QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("puerta no permitida"));
    QCOMPARE(cell->text(QAccessible::Description),
             QStringLiteral("25/03/2024 10:04:08, DNI 12345678, puerta 3, puesto P3: denegado, "
                            "puerta no permitida"));
    QCOMPARE(table->text(QAccessible::Description), QStringLiteral("Página 1: intentos 1 a 100"));
}

QTEST_MAIN(AttemptsWindowTest)
#include "AttemptsWindowTest.moc"
