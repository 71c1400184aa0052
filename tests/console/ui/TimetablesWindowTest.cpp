// The timetables window on real widgets under the offscreen platform, over a real file that the
// test prepares and reads back through the timetables' store: opened from its menu by the
// keyboard, a week typed on the grid and stored, a bad day refused saying which, a timetable in
// use kept with the store's words shown, the calendar's days without school added and removed,
// each door's timetable and the shown student's chosen by the keyboard, and every control named
// for a screen reader, in tab order, with an Alt key of its own.
#include <QAbstractButton>
#include <QAccessible>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextCharFormat>
#include <QTimer>
#include <QtTest>
#include <filesystem>

#include "CMainFrame.h"
#include "CMirevalView.h"
#include "TimetablesWindow.h"
#include "accessdb/Connection.h"
#include "accessdb/Timetables.h"
#include "console/commands/ControlIds.h"
#include "console/ui/WindowProbes.h"
#include "support/StudentDatabase.h"

namespace {

using windowprobes::Answering;

accessdb::Timetable Mornings() {
    accessdb::Timetable timetable{"Mañanas", false, {}};
    for (std::size_t day = 0; day < 5; ++day) {
        timetable.dias[day] = {{8 * 60, 14 * 60 + 30}};
    }
    return timetable;
}

}  // namespace

class TimetablesWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup() { m_frame.reset(); }
    void theMenuItemOpensTheWindowByKeyboardWithWhatIsStored();
    void aWeekTypedOnTheGridIsStoredAndABadDayIsRefused();
    void aTimetableADoorUsesIsNotDeletedAndTheBoxSaysWhichDoor();
    void daysWithoutSchoolAreAddedMarkedAndRemoved();
    void theDoorsAndTheFormsStudentGetTheirTimetablesByKeyboard();
    void everyControlIsNamedInTabOrderWithItsOwnMnemonic();

  private:
    std::filesystem::path File() const {
        return std::filesystem::path(m_folder->path().toStdString()) / "Alumnos.mdb";
    }
    // The store on a connection of its own, as another program reads the file.
    template <class Action>
    auto Stored(Action&& action) const {
        auto db = accessdb::Connection::Open(File(), accessdb::OpenMode::ExistingOnly);
        accessdb::TimetableStore store(db.Session());
        return action(store);
    }
    mireval::TimetablesWindow* Window() const { return m_frame->TimetablesView(); }
    template <class Widget>
    Widget* Control(const char* accessibleName) const {
        return windowprobes::ControlNamed<Widget>(*Window(), accessibleName);
    }
    QListWidget* List() const { return Control<QListWidget>("Horarios"); }
    QLineEdit* Day(const char* name) const { return Control<QLineEdit>(name); }
    QComboBox* Door(int door) const {
        return Control<QComboBox>(qPrintable(QStringLiteral("Horario de la puerta %1").arg(door)));
    }
    static QStringList Entries(const QListWidget* list) {
        QStringList entries;
        for (int row = 0; row < list->count(); ++row) {
            entries << list->item(row)->text();
        }
        return entries;
    }
    void OpenWindow() {
        m_frame->OnViewTimetables();
        QVERIFY(Window() != nullptr && Window()->isVisible());
        QTRY_VERIFY(QApplication::activeWindow() == Window());
    }
    void Select(const QString& name) {
        const QList<QListWidgetItem*> found = List()->findItems(name, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        List()->setCurrentItem(found[0]);
    }
    // Chooses the entry by the keyboard alone: the arrows move the closed combo box.
    static void Choose(QComboBox* combo, const QString& entry) {
        const int target = combo->findText(entry);
        QVERIFY(target >= 0);
        combo->setFocus();
        for (int step = 0; step < combo->count() && combo->currentIndex() != target; ++step) {
            QTest::keyClick(combo, combo->currentIndex() < target ? Qt::Key_Down : Qt::Key_Up);
        }
        QCOMPARE(combo->currentIndex(), target);
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<mireval::CMainFrame> m_frame;
};

// One student, Ana Pérez Gil (12345678), and the timetable "Mañanas" that door 3 keeps to.
void TimetablesWindowTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    mireval::DatabaseLocation(File().parent_path()).EnsureExists();
    Register(File(), {Student()});
    Stored([](accessdb::TimetableStore& store) {
        store.Save(Mornings());
        store.AssignDoor('3', "Mañanas");
        return 0;
    });
    m_frame = std::make_unique<mireval::CMainFrame>(mireval::DatabaseLocation(File().parent_path()),
                                                    2026);
    m_frame->InitialUpdateFrame();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
}

void TimetablesWindowTest::theMenuItemOpensTheWindowByKeyboardWithWhatIsStored() {
    QAction* item = m_frame->findChild<QAction*>(QStringLiteral("viewTimetables"));
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QStringLiteral("&Horarios y calendario..."));
    QVERIFY(!item->statusTip().isEmpty());
    QCOMPARE(m_frame->menuBar()->actions().size(), 3);  // still "Ver", "Intentos", "Ayuda"

    // Alt+V opens "Ver", H its item.
    QTest::keyClick(m_frame.get(), Qt::Key_V, Qt::AltModifier);
    QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu->actions().contains(item));
    QTest::keyClick(menu, Qt::Key_H);
    QTRY_VERIFY(Window() != nullptr && QApplication::activeWindow() == Window());
    QVERIFY(!Window()->isModal());

    QCOMPARE(Entries(List()), QStringList({"Mañanas"}));
    QCOMPARE(Door(3)->currentText(), QStringLiteral("Mañanas"));
    QCOMPARE(Door(1)->currentText(), QStringLiteral("(ninguno)"));
    QCOMPARE(Door(1)->itemText(0), QStringLiteral("(ninguno)"));
    // No student on the form: nothing to give a timetable to.
    QVERIFY(!Control<QComboBox>("Horario del alumno")->isEnabled());

    Select(QStringLiteral("Mañanas"));
    QCOMPARE(Control<QLineEdit>("Nombre del horario")->text(), QStringLiteral("Mañanas"));
    QCOMPARE(Day("Lunes")->text(), QStringLiteral("08:00-14:30"));
    QCOMPARE(Day("Domingo")->text(), QString());
}

void TimetablesWindowTest::aWeekTypedOnTheGridIsStoredAndABadDayIsRefused() {
    OpenWindow();
    QTest::mouseClick(Control<QPushButton>("Nuevo horario"), Qt::LeftButton);
    QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>("Nombre del horario"));
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Tardes"));
    QTest::keyClicks(Day("Lunes"), QStringLiteral("15:00-21:00"));
    QTest::keyClicks(Day("Sábado"), QStringLiteral("10:00-12:00, 9:00-9:30"));
    QTest::keyClicks(Day("Domingo"), QStringLiteral("10:00-12:00, 11:00-13:00"));
    auto* noSchoolDays = Control<QCheckBox>("Vale también en los días sin clase");
    noSchoolDays->setFocus();
    QTest::keyClick(noSchoolDays, Qt::Key_Space);
    QVERIFY(noSchoolDays->isChecked());

    // Sunday's segments overlap: the box says so and nothing is stored.
    QStringList boxes = Answering(QMessageBox::Ok, [&] {
        QTest::mouseClick(Control<QPushButton>("Guardar horario"), Qt::LeftButton);
    });
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].startsWith(QStringLiteral("El domingo, los tramos 10:00-12:00 y 11:00-13:00 "
                                                "se solapan")),
             qPrintable(boxes[0]));
    QVERIFY(!Stored([](auto& store) { return store.Find("Tardes").has_value(); }));

    Day("Domingo")->clear();
    Window()->activateWindow();  // as the window manager gives it back its focus after the box
    QTRY_VERIFY(QApplication::activeWindow() == Window());
    boxes =
        Answering(QMessageBox::Ok, [&] { QTest::keyClick(Window(), Qt::Key_G, Qt::AltModifier); });
    QVERIFY2(boxes.isEmpty(), qPrintable(boxes.join(QLatin1Char('\n'))));
    accessdb::Timetable expected{"Tardes", true, {}};
    expected.dias[0] = {{15 * 60, 21 * 60}};
    expected.dias[5] = {{9 * 60, 9 * 60 + 30}, {10 * 60, 12 * 60}};
    // The mnemonic clicks its button as the press shows, a moment later.
    QTRY_COMPARE(Stored([](auto& store) { return store.Find("Tardes"); }), std::optional(expected));
    QCOMPARE(Entries(List()), QStringList({"Mañanas", "Tardes"}));
    QCOMPARE(List()->currentItem()->text(), QStringLiteral("Tardes"));
    QCOMPARE(Day("Sábado")->text(), QStringLiteral("09:00-09:30, 10:00-12:00"));
    // Every door offers it now.
    QVERIFY(Door(8)->findText(QStringLiteral("Tardes")) > 0);

    // Renamed, it keeps its week; the doors' lists follow.
    Control<QLineEdit>("Nombre del horario")->setText(QStringLiteral("Vespertino"));
    QTest::mouseClick(Control<QPushButton>("Renombrar horario"), Qt::LeftButton);
    expected.nombre = "Vespertino";
    QCOMPARE(Stored([](auto& store) { return store.Find("Vespertino"); }), std::optional(expected));
    QCOMPARE(Entries(List()), QStringList({"Mañanas", "Vespertino"}));
    QCOMPARE(Door(8)->findText(QStringLiteral("Tardes")), -1);
}

void TimetablesWindowTest::aTimetableADoorUsesIsNotDeletedAndTheBoxSaysWhichDoor() {
    OpenWindow();
    Select(QStringLiteral("Mañanas"));
    auto* remove = Control<QPushButton>("Borrar horario");
    QStringList boxes =
        Answering(QMessageBox::Ok, [&] { QTest::mouseClick(remove, Qt::LeftButton); });
    QCOMPARE(boxes.size(), 2);
    QCOMPARE(boxes[0], QStringLiteral("¿Borrar el horario «Mañanas»?"));
    QVERIFY2(boxes[1].startsWith(QStringLiteral("El horario «Mañanas» no se puede borrar: lo usa "
                                                "la puerta 3.")),
             qPrintable(boxes[1]));
    QVERIFY(Stored([](auto& store) { return store.Find("Mañanas").has_value(); }));
    QCOMPARE(Entries(List()), QStringList({"Mañanas"}));

    // Door 3 given no timetable, it can go.
    Choose(Door(3), QStringLiteral("(ninguno)"));
    QVERIFY(!Stored([](auto& store) { return store.DoorTimetable('3'); }));
    Select(QStringLiteral("Mañanas"));
    boxes = Answering(QMessageBox::Ok, [&] { QTest::mouseClick(remove, Qt::LeftButton); });
    QCOMPARE(boxes.size(), 1);
    QVERIFY(!Stored([](auto& store) { return store.Find("Mañanas").has_value(); }));
    QVERIFY(Entries(List()).isEmpty());
    QVERIFY(!remove->isEnabled());
    QCOMPARE(Day("Lunes")->text(), QString());
}

void TimetablesWindowTest::daysWithoutSchoolAreAddedMarkedAndRemoved() {
    OpenWindow();
    auto* calendar = Control<QCalendarWidget>("Calendario escolar");
    calendar->setSelectedDate(QDate(2026, 12, 23));  // as a click on the day does
    QCOMPARE(Control<QDateEdit>("Desde")->date(), QDate(2026, 12, 23));
    QCOMPARE(Control<QDateEdit>("Hasta")->date(), QDate(2026, 12, 23));
    Control<QDateEdit>("Hasta")->setDate(QDate(2027, 1, 7));
    QTest::keyClicks(Control<QLineEdit>("Descripción de los días sin clase"),
                     QStringLiteral("Navidad"));
    QTest::keyClick(Window(), Qt::Key_A, Qt::AltModifier);

    QTRY_COMPARE(Stored([](auto& store) { return store.Calendar(); }).size(), std::size_t{1});
    QCOMPARE(Stored([](auto& store) { return store.Calendar(); })[0],
             (accessdb::CalendarRange{"2026-12-23", "2027-01-07", "Navidad"}));
    auto* ranges = Control<QListWidget>("Días sin clase");
    QCOMPARE(Entries(ranges), QStringList({"23/12/2026 – 07/01/2027: Navidad"}));
    QCOMPARE(calendar->dateTextFormat(QDate(2027, 1, 1)).fontWeight(), int(QFont::Bold));
    QVERIFY(calendar->dateTextFormat(QDate(2027, 1, 8)).fontWeight() != int(QFont::Bold));

    // Ending before it begins: the store's refusal, nothing stored.
    calendar->setSelectedDate(QDate(2027, 4, 10));
    Control<QDateEdit>("Hasta")->setDate(QDate(2027, 4, 1));
    QStringList boxes = Answering(QMessageBox::Ok, [&] {
        QTest::mouseClick(Control<QPushButton>("Añadir días sin clase"), Qt::LeftButton);
    });
    QCOMPARE(Stored([](auto& store) { return store.Calendar(); }).size(), std::size_t{1});
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].size() > 20, qPrintable(boxes[0]));  // the store's reason, not an empty box

    auto* removeRange = Control<QPushButton>("Quitar días sin clase");
    QVERIFY(!removeRange->isEnabled());
    ranges->setCurrentRow(0);
    QVERIFY(removeRange->isEnabled());
    QTest::mouseClick(removeRange, Qt::LeftButton);
    QVERIFY(Stored([](auto& store) { return store.Calendar(); }).empty());
    QCOMPARE(ranges->count(), 0);
    QVERIFY(calendar->dateTextFormat(QDate(2027, 1, 1)).fontWeight() != int(QFont::Bold));
}

void TimetablesWindowTest::theDoorsAndTheFormsStudentGetTheirTimetablesByKeyboard() {
    OpenWindow();
    // A week being typed stays on the grid while a door gets its timetable.
    Select(QStringLiteral("Mañanas"));
    Day("Lunes")->setText(QStringLiteral("09:00-10:00"));
    Choose(Door(1), QStringLiteral("Mañanas"));
    QCOMPARE(Day("Lunes")->text(), QStringLiteral("09:00-10:00"));
    QCOMPARE(Stored([](auto& store) { return store.DoorTimetable('1'); }),
             std::optional<std::string>("Mañanas"));
    QCOMPARE(Door(3)->currentText(), QStringLiteral("Mañanas"));  // the others as they were

    // The form finds Ana: the open window follows it.
    auto* dni = qobject_cast<QLineEdit*>(m_frame->View()->GetDlgItem(mireval::ids::kDni));
    auto* search =
        qobject_cast<QAbstractButton*>(m_frame->View()->GetDlgItem(mireval::ids::kSearch));
    QVERIFY(dni != nullptr && search != nullptr);
    dni->setText(QStringLiteral("12345678"));
    QTest::mouseClick(search, Qt::LeftButton);
    auto* student = Control<QComboBox>("Horario del alumno");
    QTRY_VERIFY(student->isEnabled());
    QVERIFY(student->accessibleDescription().contains(QStringLiteral("12345678")));
    QCOMPARE(student->currentText(), QStringLiteral("(ninguno)"));
    Choose(student, QStringLiteral("Mañanas"));
    QCOMPARE(Stored([](auto& store) { return store.StudentTimetable("12345678"); }),
             std::optional<std::string>("Mañanas"));

    // Now a student keeps to it as well: the refusal names both.
    Select(QStringLiteral("Mañanas"));
    const QStringList boxes = Answering(QMessageBox::Ok, [&] {
        QTest::mouseClick(Control<QPushButton>("Borrar horario"), Qt::LeftButton);
    });
    QCOMPARE(boxes.size(), 2);
    QVERIFY2(boxes[1].contains(QStringLiteral("las puertas 1 y 3, y el alumno 12345678")),
             qPrintable(boxes[1]));
}

void TimetablesWindowTest::everyControlIsNamedInTabOrderWithItsOwnMnemonic() {
    OpenWindow();
    List()->setCurrentRow(0);
    List()->setFocus();
    QStringList order;
    for (int i = 0; i < 40 && (i == 0 || QApplication::focusWidget() != List()); ++i) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr);
        // A combo box speaks its choice as its name and its caption through the label relation.
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(focus);
        QVERIFY2(!spoken->text(QAccessible::Name).isEmpty(), focus->metaObject()->className());
        if (qobject_cast<QComboBox*>(focus) != nullptr) {
            QStringList labels;  // its caption and its group's title
            for (const auto& [label, kind] : spoken->relations(QAccessible::Label)) {
                labels << label->text(QAccessible::Name);
            }
            QVERIFY2(labels.contains(focus->accessibleName().replace(
                         QStringLiteral("Horario de la puerta"), QStringLiteral("Puerta"))),
                     qPrintable(labels.join(QLatin1Char('|'))));
        }
        order << focus->accessibleName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(
        order,
        QStringList({"Horarios", "Nombre del horario", "Lunes", "Martes", "Miércoles", "Jueves",
                     "Viernes", "Sábado", "Domingo", "Vale también en los días sin clase",
                     "Nuevo horario", "Guardar horario", "Renombrar horario", "Borrar horario",
                     "Calendario escolar",
                     // Tab steps through a date's day, month and year before it leaves.
                     "Desde", "Desde", "Desde", "Hasta", "Hasta", "Hasta",
                     "Descripción de los días sin clase", "Añadir días sin clase", "Días sin clase",
                     "Horario de la puerta 1", "Horario de la puerta 2", "Horario de la puerta 3",
                     "Horario de la puerta 4", "Horario de la puerta 5", "Horario de la puerta 6",
                     "Horario de la puerta 7", "Horario de la puerta 8", "Cerrar"}));
    // The student's box joins the order once the form shows a student.
    QVERIFY(!Control<QComboBox>("Horario del alumno")->isEnabled());

    // No two controls answer the same Alt key, and each caption's key reaches its control.
    QStringList keys;
    for (QAbstractButton* button : Window()->findChildren<QAbstractButton*>()) {
        if (button->text().contains(QLatin1Char('&'))) {
            keys << button->text().mid(button->text().indexOf(QLatin1Char('&')) + 1, 1).toLower();
        }
    }
    QLabel* doorSix = nullptr;
    for (QLabel* label : Window()->findChildren<QLabel*>()) {
        if (label->text().contains(QLatin1Char('&'))) {
            keys << label->text().mid(label->text().indexOf(QLatin1Char('&')) + 1, 1).toLower();
            QVERIFY2(label->buddy() != nullptr, qPrintable(label->text()));
            if (label->buddy() == Door(6)) {
                doorSix = label;
            }
        }
    }
    QCOMPARE(keys.size(), 24);
    keys.removeDuplicates();
    QCOMPARE(keys.size(), 24);
    QVERIFY(doorSix != nullptr);
    QTest::keyClick(Window(), Qt::Key_6, Qt::AltModifier);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Door(6)));
}

QTEST_MAIN(TimetablesWindowTest)
#include "TimetablesWindowTest.moc"
