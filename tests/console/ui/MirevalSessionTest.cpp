// One session of the administrator's: the real frame and form under the offscreen platform,
// real clicks (routed through the window, so a group box over its controls would swallow
// them), real message boxes answered ahead, a real file.
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include "CMainFrame.h"
#include "CMirevalView.h"
#include "accessdb/Connection.h"
#include "common/widgets/SpanishTranslations.h"

namespace {

// Runs the action and answers each box it opens, in the box's own modal loop, with the next of
// the buttons given ahead; a box nobody expected is closed so that the test can report it.
// Gives each box as "[caption|buttons|icon|format] text".
QStringList Answering(std::vector<QMessageBox::StandardButton> answers,
                      const std::function<void()>& action) {
    QStringList seen;
    QPointer<QMessageBox> answered;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || box == answered) {
            return;
        }
        answered = box;
        QStringList buttons;
        for (QAbstractButton* button : box->buttons()) {
            buttons << button->text();
        }
        buttons.sort();
        seen << QStringLiteral("[%1|%2|%3|%4] %5")
                    .arg(box->windowTitle(), buttons.join(QLatin1Char(',')),
                         QVariant::fromValue(box->icon()).toString(),
                         QVariant::fromValue(box->textFormat()).toString(), box->text());
        QAbstractButton* answer = std::cmp_less_equal(seen.size(), answers.size())
                                      ? box->button(answers[seen.size() - 1])
                                      : nullptr;
        answer != nullptr ? answer->click() : box->reject();
    });
    timer.start(10);
    action();
    return seen;
}

}  // namespace

class MirevalSessionTest : public QObject {
    Q_OBJECT

  private slots:
    void wholeSessionThroughTheButtons();
    void periodBoxAnswersEveryWayOfChangingIt();
    void namesTypedBeforeAddingAreStored();

  private:
    // A fresh frame on the folder's database, shown; true once it is active.
    bool StartSession(const QTemporaryDir& folder) {
        if (!folder.isValid()) {
            return false;
        }
        m_frame = std::make_unique<mireval::CMainFrame>(
            mireval::DatabaseLocation(std::filesystem::path(folder.path().toStdString())), 2026);
        m_frame->InitialUpdateFrame();
        m_frame->show();
        return QTest::qWaitForWindowActive(m_frame.get());
    }
    static std::filesystem::path Database(const QTemporaryDir& folder) {
        return std::filesystem::path(folder.path().toStdString()) / "Alumnos.mdb";
    }
    // The fourteen controls the period box switches, lists first: E or D each.
    QString DateControls() const {
        QString states;
        for (int id :
             {1025, 1026, 1016, 1021, 1022, 1023, 1035, 1036, 1017, 1024, 1018, 1039, 1019, 1038}) {
            states += Item(id)->isEnabled() ? u'E' : u'D';
        }
        return states;
    }
    // What a screen reader or switch device does: the control's own accessible action.
    void DoAction(int id, const QString& action) {
        QAccessibleActionInterface* actions =
            QAccessible::queryAccessibleInterface(Item(id))->actionInterface();
        QVERIFY(actions != nullptr && actions->actionNames().contains(action));
        actions->doAction(action);
    }
    // A name box the user can type into, and what it holds after typing the text.
    QString TypeName(int id, const QString& text) {
        auto* box = Item<QLineEdit>(id);
        if (!box->isEnabled() || box->isReadOnly()) {
            return QStringLiteral("(%1 cannot be typed into)").arg(id);
        }
        QTest::keyClicks(box, text);
        return box->text();
    }

    template <class Widget = QWidget>
    Widget* Item(int id) const {
        auto* widget = qobject_cast<Widget*>(m_frame->View()->GetDlgItem(id));
        if (widget == nullptr) {
            qFatal("control %d is not of the expected kind", id);
        }
        return widget;
    }
    // The six command buttons from "Limpiar Formulario" to "Modificar Datos": E or D each.
    QString Buttons() const {
        QString states;
        for (int id = 1027; id <= 1032; ++id) {
            states += Item(id)->isEnabled() ? u'E' : u'D';
        }
        return states;
    }
    QString AccessibleName(int id) const {
        return QAccessible::queryAccessibleInterface(Item(id))->text(QAccessible::Name);
    }
    // Every control but the labels and frames, by the name a screen reader announces.
    QStringList AccessibleNames() const {
        QStringList names;
        for (QWidget* widget : m_frame->View()->findChildren<QWidget*>()) {
            if (widget->inherits("QAbstractButton") || widget->inherits("QLineEdit") ||
                widget->inherits("QComboBox") || widget->inherits("QPlainTextEdit")) {
                const auto* control = QAccessible::queryAccessibleInterface(widget);
                const QString group = control->text(QAccessible::Description);
                // On Linux a drop-down list announces its entry as its name and its label
                // through a relation; its own name is the property.
                const QString name = widget->inherits("QComboBox")
                                         ? widget->accessibleName()
                                         : control->text(QAccessible::Name);
                names << (group.isEmpty() ? name : group + QLatin1Char('/') + name);
            }
        }
        names.sort();
        return names;
    }
    void Click(int id) {
        QWidget* control = Item(id);
        const QPoint at = qobject_cast<QCheckBox*>(control) ? QPoint(6, control->height() / 2)
                                                            : control->rect().center();
        QTest::mouseClick(control, Qt::LeftButton, {}, at);
    }

    std::unique_ptr<mireval::CMainFrame> m_frame;
};

void MirevalSessionTest::wholeSessionThroughTheButtons() {
    QTranslator translator;
    QVERIFY2(common::InstallSpanishTranslations(translator), "Qt's Spanish texts");
    QTemporaryDir folder;
    QVERIFY(StartSession(folder));
    const std::filesystem::path database = Database(folder);

    QCOMPARE(Buttons(), QStringLiteral("EEDDED"));
    QCOMPARE(AccessibleNames(),
             QStringLiteral("Agosto|Apellido 1|Apellido 2|Añadir Registro|Buscar Registro|DNI|"
                            "Eliminar Historial|Eliminar Registro|Fin de restricción/Año|"
                            "Fin de restricción/Dia|Fin de restricción/Mes|Fines de semana|"
                            "Historial de Accesos|Inicio de restricción/Año|"
                            "Inicio de restricción/Dia|Inicio de restricción/Mes|"
                            "Intervalo temporal|Limpiar Formulario|Modificar Datos de Registro|"
                            "Nombre|P1|P2|P3|P4|P5|P6|P7|P8")
                 .split(u'|'));

    // Add: the confirmation is plain text, or "<NINGUNA>" would vanish as a tag.
    const QString ok = QStringLiteral("[Mireval|Aceptar|Warning|PlainText] ");
    QTest::keyClicks(Item<QLineEdit>(1005), QStringLiteral("12345678"));
    QStringList seen = Answering({QMessageBox::Ok}, [&] { Click(1031); });
    QCOMPARE(seen.size(), 1);
    QVERIFY(seen[0].startsWith(ok + QStringLiteral(" Nuevo registro añadido con clave principal:\n "
                                                   "DNI: 12345678\n Acceso permitido a entradas: "
                                                   "<NINGUNA>")));
    QCOMPARE(Buttons(), QStringLiteral("EEDDED"));

    // The empty document never replaces the database: the search below still finds the student.
    seen = Answering({QMessageBox::Ok}, [&] {
        QVERIFY(!m_frame->SaveDocumentFile(QString::fromStdString(database.string())));
    });
    QCOMPARE(seen, QStringList{ok + QStringLiteral("El documento no puede guardarse sobre el "
                                                   "archivo de la base de datos.")});
    // A failure's description names the file as the user typed it, "<" and all: no markup.
    const QString nowhere = folder.filePath(QStringLiteral("<b>no existe</b>/Mireval"));
    seen = Answering({QMessageBox::Ok}, [&] { QVERIFY(!m_frame->SaveDocumentFile(nowhere)); });
    QCOMPARE(seen.size(), 1);
    QVERIFY2(seen[0].startsWith(ok + nowhere + QStringLiteral(": ")), qPrintable(seen[0]));

    // The controller lets the student through twice meanwhile.
    {
        auto controller = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        controller.AppendAccess({"12345678", "15/03/2026", "10:20:30", "3"});
        controller.AppendAccess({"12345678", " 5/04/2026", "08:00:00", "1"});
    }

    // Search: the record and its history, one line per access.
    QCOMPARE(Answering({}, [&] { Click(1028); }), QStringList());
    QCOMPARE(Item<QPlainTextEdit>(1033)->toPlainText(),
             QStringLiteral("15/03/2026  10:20:30  Acceso a entrada nº 3\n"
                            " 5/04/2026  08:00:00  Acceso a entrada nº 1\n"));
    QCOMPARE(Buttons(), QStringLiteral("EDEEDE"));
    QVERIFY(Item<QLineEdit>(1005)->isReadOnly());

    // Modify: edit mode once the notice is answered; the dates open with the period box.
    seen = Answering({QMessageBox::Ok}, [&] { Click(1032); });
    QCOMPARE(seen.size(), 1);
    QVERIFY(seen[0].startsWith(ok + QStringLiteral("Usted ha pulsado [Modificar Datos].")));

    QCOMPARE(Buttons(), QStringLiteral("DDDDEE"));
    QCOMPARE(AccessibleName(1031), Item<QPushButton>(1031)->text());
    QVERIFY(AccessibleName(1031) != QStringLiteral("Añadir Registro"));
    QVERIFY(!Item(1005)->isEnabled() && !Item(1025)->isEnabled());
    QTest::keyClicks(Item<QLineEdit>(1002), QStringLiteral("Ana"));
    for (int box : {1049, 1055, 1011}) {
        Click(box);
    }
    const std::pair<int, const char*> dates[] = {{1025, "05"}, {1026, "03"}, {1016, "26"},
                                                 {1021, "31"}, {1022, "12"}, {1023, "36"}};
    for (const auto& [id, entry] : dates) {
        auto* list = Item<QComboBox>(id);
        QVERIFY(list->isEnabled());
        list->setCurrentIndex(list->findText(QString::fromUtf8(entry)));
    }

    // Save.
    QCOMPARE(Answering({}, [&] { Click(1031); }), QStringList());
    const accessdb::StudentRecord stored =
        accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly)
            .FindStudent("12345678")
            .value();
    QCOMPARE(stored.nombre + "|" + stored.puerta + "|" + stored.periodoTemporal + "|" +
                 stored.fechaA + "|" + stored.fechaB,
             std::string("Ana|2,8|1|05/03/26|31/12/36"));
    QCOMPARE(Item<QPushButton>(1031)->text(), QStringLiteral("Añadir Registro"));
    QCOMPARE(Buttons(), QStringLiteral("EDEEDE"));
    QVERIFY(!Item(1049)->isEnabled() && Item<QCheckBox>(1049)->isChecked());

    // Delete history: Cancel changes nothing, then OK.
    const QString confirmHistory = QStringLiteral(
        "[Mireval|Aceptar,Cancelar|Warning|PlainText] Está usted seguro de querer eliminar el "
        "historial de accesos de este usuario manera permanente");
    QCOMPARE(Answering({QMessageBox::Cancel}, [&] { Click(1029); }), QStringList{confirmHistory});
    QCOMPARE(Buttons(), QStringLiteral("EDEEDE"));
    QCOMPARE(Answering({QMessageBox::Ok}, [&] { Click(1029); }), QStringList{confirmHistory});
    QCOMPARE(Item<QPlainTextEdit>(1033)->toPlainText(),
             QStringLiteral("Este usuario no tiene accesos registrados en su historial"));
    QCOMPARE(Buttons(), QStringLiteral("EDDEDE"));

    // Delete record: confirmed, announced, and the form is empty again.
    seen = Answering({QMessageBox::Ok, QMessageBox::Ok}, [&] { Click(1030); });
    QCOMPARE(seen.size(), 2);
    QCOMPARE(seen[1], ok + QStringLiteral("El registro con DNI= 12345678 ha sido eliminado "
                                          "permanentemente."));
    QCOMPARE(Buttons(), QStringLiteral("EEDDED"));
    QCOMPARE(Item<QLineEdit>(1005)->text(), QString());
    QVERIFY(!Item<QLineEdit>(1005)->isReadOnly() && !Item<QCheckBox>(1049)->isChecked());
    QCOMPARE(Item<QComboBox>(1025)->currentText(), QStringLiteral(" "));

    m_frame.reset();
}

// "Intervalo temporal" opens and closes the dates however its state changes: mouse, keyboard,
// toggle(), setChecked, a screen reader's toggle action. The form's own check changes (showing
// a stored record) do not count as the user's.
void MirevalSessionTest::periodBoxAnswersEveryWayOfChangingIt() {
    QTemporaryDir folder;
    {
        auto db = accessdb::Connection::Open(Database(folder), accessdb::OpenMode::CreateIfMissing);
        const accessdb::StudentRecord student{"11111111", "Ana", "Ruiz", "Gil",      "1",
                                              "0",        "0",   "1",    "05/03/26", "31/12/26"};
        db.AddStudent(student);
        db.SaveStudent(student);
    }
    QVERIFY(StartSession(folder));
    QTest::keyClicks(Item<QLineEdit>(1005), QStringLiteral("11111111"));
    QCOMPARE(Answering({}, [&] { Click(1028); }), QStringList());
    const QString open = QStringLiteral("EEEEEEEEEEEEEE");
    const QString closed = QStringLiteral("DDDDDDDDDDDDDD");
    auto* period = Item<QCheckBox>(1011);
    QVERIFY(period->isChecked());
    QCOMPARE(DateControls(), closed);
    // Outside edit mode the box is disabled: a change made to it from outside opens nothing.
    period->toggle();
    period->toggle();
    QVERIFY(period->isChecked());
    QCOMPARE(DateControls(), closed);

    QCOMPARE(Answering({QMessageBox::Ok}, [&] { Click(1032); }).size(), 1);
    QCOMPARE(DateControls(), open);
    period->toggle();
    QCOMPARE(DateControls(), closed);
    DoAction(1011, QAccessibleActionInterface::toggleAction());
    QVERIFY(period->isChecked());
    QCOMPARE(DateControls(), open);
    period->setChecked(false);
    QCOMPARE(DateControls(), closed);
    period->setFocus();
    QTest::keyClick(period, Qt::Key_Space);
    QVERIFY(period->isChecked());
    QCOMPARE(DateControls(), open);
    Click(1011);
    QCOMPARE(DateControls(), closed);
    DoAction(1011, QAccessibleActionInterface::toggleAction());
    QCOMPARE(DateControls(), open);

    // The boxes without a command of their own are read as they stand, however they changed.
    DoAction(1050, QAccessibleActionInterface::toggleAction());  // P3
    Item<QCheckBox>(1010)->toggle();                             // "Agosto"
    QCOMPARE(Answering({}, [&] { Click(1031); }), QStringList());
    const accessdb::StudentRecord stored =
        accessdb::Connection::Open(Database(folder), accessdb::OpenMode::ExistingOnly)
            .FindStudent("11111111")
            .value();
    QCOMPARE(
        QString::fromStdString(stored.puerta + "|" + stored.agosto + "|" + stored.periodoTemporal +
                               "|" + stored.fechaA + "|" + stored.fechaB),
        QStringLiteral("1,3,|1|1|05/03/26|31/12/26"));
    QVERIFY(period->isChecked());
    QCOMPARE(DateControls(), closed);
    m_frame.reset();
}

// The names are typed with the DNI in the initial and in the empty form, and "Añadir Registro"
// stores them; a shown record's names are read-only until edit mode.
void MirevalSessionTest::namesTypedBeforeAddingAreStored() {
    QTemporaryDir folder;
    QVERIFY(StartSession(folder));
    const auto names = [&](const char* dni) {
        const accessdb::StudentRecord stored =
            accessdb::Connection::Open(Database(folder), accessdb::OpenMode::ExistingOnly)
                .FindStudent(dni)
                .value();
        return stored.nombre + "|" + stored.apellido1 + "|" + stored.apellido2;
    };

    QTest::keyClicks(Item<QLineEdit>(1005), QStringLiteral("12345678"));
    QCOMPARE(TypeName(1002, QStringLiteral("Ana")), QStringLiteral("Ana"));
    QCOMPARE(TypeName(1006, QStringLiteral("Ruiz")), QStringLiteral("Ruiz"));
    QCOMPARE(TypeName(1007, QStringLiteral("Gil")), QStringLiteral("Gil"));
    QStringList seen = Answering({QMessageBox::Ok}, [&] { Click(1031); });
    QCOMPARE(seen.size(), 1);
    QVERIFY2(
        seen[0].contains(QStringLiteral("\n Nombre: Ana\n Apellido1: Ruiz\n Apellido2: Gil\n")),
        qPrintable(seen[0]));
    QCOMPARE(names("12345678"), std::string("Ana|Ruiz|Gil"));

    QCOMPARE(Answering({}, [&] { Click(1027); }), QStringList());
    QTest::keyClicks(Item<QLineEdit>(1005), QStringLiteral("87654321"));
    QCOMPARE(TypeName(1002, QStringLiteral("Luis")), QStringLiteral("Luis"));
    QCOMPARE(TypeName(1006, QStringLiteral("Mora")), QStringLiteral("Mora"));
    QCOMPARE(Answering({QMessageBox::Ok}, [&] { Click(1031); }).size(), 1);
    QCOMPARE(names("87654321"), std::string("Luis|Mora|"));

    // Shown by a search: enabled, but as read-only as the DNI.
    QCOMPARE(Answering({}, [&] { Click(1028); }), QStringList());
    for (int id : {1002, 1006, 1007}) {
        QVERIFY(Item(id)->isEnabled() && Item<QLineEdit>(id)->isReadOnly());
    }
    m_frame.reset();
}

QTEST_MAIN(MirevalSessionTest)
#include "MirevalSessionTest.moc"
