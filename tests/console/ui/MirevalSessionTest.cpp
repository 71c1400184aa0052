// The console as its administrator uses it: the real frame and form under the offscreen
// platform, real clicks on the buttons, real message boxes answered ahead, a real file.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>
#include <set>

#include "CAboutDlg.h"
#include "CMainFrame.h"
#include "CMirevalView.h"
#include "MessageBoxAnswerer.h"
#include "SpanishTexts.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"

using mireval::testing::MessageBoxAnswerer;
using Seen = MessageBoxAnswerer::Seen;

namespace {

constexpr int kYear = 2026;
const QString kTitleAfterName = QStringLiteral(" - Formulario de registro para control de acceso");
// The new document's name is one space.
const QString kTitle = QStringLiteral(" ") + kTitleAfterName;

std::set<int> EnabledAmong(const CMirevalView& view, std::initializer_list<int> ids) {
    std::set<int> enabled;
    for (int id : ids) {
        if (view.GetDlgItem(id)->isEnabled()) {
            enabled.insert(id);
        }
    }
    return enabled;
}

const std::initializer_list<int> kButtons = {1027, 1028, 1029, 1030, 1031, 1032};

}  // namespace

class MirevalSessionTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase();
    void init();
    void cleanup();

    void wholeSessionThroughTheButtons();
    void frameIsFixedShrunkToTheFormAndTitled();
    void statusBarPanesAndMenus();
    void aboutBoxOpensAndCloses();
    void documentCommandsChangeOnlyTheTitle();
    void formIsLaidOutFromTheTemplate();

  private:
    template <class Widget>
    Widget* Item(int id) const {
        auto* widget = qobject_cast<Widget*>(m_frame->View()->GetDlgItem(id));
        if (widget == nullptr) {
            qFatal("control %d is not of the expected kind", id);
        }
        return widget;
    }
    void Click(int id) { QTest::mouseClick(Item<QPushButton>(id), Qt::LeftButton); }
    void ClickCheck(int id) {
        auto* box = Item<QCheckBox>(id);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    void Choose(int id, const char* entry) {
        auto* list = Item<QComboBox>(id);
        QVERIFY(list->isEnabled());
        list->setCurrentIndex(list->findText(QString::fromUtf8(entry)));
    }
    std::vector<Seen> Answering(std::vector<QMessageBox::StandardButton> answers,
                                const std::function<void()>& action) {
        return m_answerer.Run(std::move(answers), action);
    }
    std::filesystem::path DatabasePath() const {
        return std::filesystem::path(m_folder->path().toStdString()) / "Alumnos.mdb";
    }

    QTranslator m_translator;
    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<CMainFrame> m_frame;
    MessageBoxAnswerer m_answerer;
};

void MirevalSessionTest::initTestCase() {
    QVERIFY2(mireval::ui::LoadSpanishToolkitTexts(m_translator), "Qt's Spanish texts");
}

void MirevalSessionTest::init() {
    m_folder = std::make_unique<QTemporaryDir>();
    QVERIFY(m_folder->isValid());
    m_frame = std::make_unique<CMainFrame>(
        mireval::DatabaseLocation(m_folder->path().toStdString()), kYear);
    m_frame->InitialUpdateFrame();
    m_frame->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
    m_frame->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
}

void MirevalSessionTest::cleanup() {
    m_frame.reset();
    m_folder.reset();
}

void MirevalSessionTest::wholeSessionThroughTheButtons() {
    const CMirevalView& view = *m_frame->View();
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1028, 1031}));

    // Add: a new student by DNI.
    QTest::keyClicks(Item<QLineEdit>(1005), QStringLiteral("12345678"));
    auto seen = Answering({QMessageBox::Ok}, [&] { Click(1031); });
    QCOMPARE(seen.size(), std::size_t{1});
    QVERIFY(seen[0].text.startsWith(
        QStringLiteral(" Nuevo registro añadido con clave principal:\n DNI: 12345678\n Acceso "
                       "permitido a entradas: <NINGUNA>")));
    QCOMPARE(seen[0].labelFormat, Qt::PlainText);
    QVERIFY(seen[0].labelText.contains(QStringLiteral("<NINGUNA>")));
    QCOMPARE(seen[0].caption, QStringLiteral("Mireval"));
    QCOMPARE(seen[0].buttons, QStringList{QStringLiteral("Aceptar")});
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1028, 1031}));

    // The controller lets the student through twice meanwhile.
    {
        auto controller =
            accessdb::Connection::Open(DatabasePath(), accessdb::OpenMode::ExistingOnly);
        controller.AppendAccess({"12345678", "15/03/2026", "10:20:30", "3"});
        controller.AppendAccess({"12345678", " 5/04/2026", "08:00:00", "1"});
    }

    // Search: the record and its history, one line per access.
    seen = Answering({}, [&] { Click(1028); });
    QCOMPARE(seen.size(), std::size_t{0});
    QCOMPARE(Item<QPlainTextEdit>(1033)->toPlainText(),
             QStringLiteral("15/03/2026  10:20:30  Acceso a entrada nº 3\n"
                            " 5/04/2026  08:00:00  Acceso a entrada nº 1\n"));
    QCOMPARE(Item<QPlainTextEdit>(1033)->document()->blockCount(), 3);
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1029, 1030, 1032}));
    QVERIFY(Item<QLineEdit>(1005)->isReadOnly());
    QVERIFY(Item<QWidget>(1037)->isEnabled());

    // Modify: edit mode, with the notice answered.
    seen = Answering({QMessageBox::Ok}, [&] { Click(1032); });
    QCOMPARE(seen.size(), std::size_t{1});
    QVERIFY(seen[0].text.startsWith(QStringLiteral("Usted ha pulsado [Modificar Datos].")));
    QCOMPARE(Item<QPushButton>(1031)->text(), QStringLiteral("GUARDAR"));
    QCOMPARE(Item<QPushButton>(1032)->text(), QStringLiteral("CANCELAR"));
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1031, 1032}));
    QVERIFY(!Item<QLineEdit>(1005)->isEnabled());
    QVERIFY(!Item<QComboBox>(1025)->isEnabled());

    QLineEdit* nombre = Item<QLineEdit>(1002);
    QVERIFY(nombre->isEnabled() && !nombre->isReadOnly());
    QTest::keyClicks(nombre, QStringLiteral("Ana"));
    ClickCheck(1049);
    ClickCheck(1055);
    ClickCheck(1011);
    QVERIFY(Item<QComboBox>(1025)->isEnabled());
    QVERIFY(Item<QLabel>(1017)->isEnabled());
    Choose(1025, "05");
    Choose(1026, "03");
    Choose(1016, "26");
    Choose(1021, "31");
    Choose(1022, "12");
    Choose(1023, "36");

    // Save.
    seen = Answering({}, [&] { Click(1031); });
    QCOMPARE(seen.size(), std::size_t{0});
    {
        const auto stored =
            accessdb::Connection::Open(DatabasePath(), accessdb::OpenMode::ExistingOnly)
                .FindStudent("12345678");
        QCOMPARE(stored.nombre, std::string("Ana"));
        QCOMPARE(stored.puerta, std::string("2,8"));
        QCOMPARE(stored.periodoTemporal, std::string("1"));
        QCOMPARE(stored.fechaA, std::string("05/03/26"));
        QCOMPARE(stored.fechaB, std::string("31/12/36"));
    }
    QCOMPARE(Item<QPushButton>(1031)->text(), QStringLiteral("Añadir Registro"));
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1029, 1030, 1032}));
    QVERIFY(!Item<QCheckBox>(1049)->isEnabled());
    QVERIFY(Item<QCheckBox>(1049)->isChecked());

    // Delete history: Cancel first changes nothing, then OK.
    seen = Answering({QMessageBox::Cancel}, [&] { Click(1029); });
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(seen[0].icon, QMessageBox::Warning);
    QCOMPARE(seen[0].buttons.size(), 2);
    QVERIFY(seen[0].buttons.contains(QStringLiteral("Aceptar")));
    QVERIFY(seen[0].buttons.contains(QStringLiteral("Cancelar")));
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1029, 1030, 1032}));
    seen = Answering({QMessageBox::Ok}, [&] { Click(1029); });
    QCOMPARE(seen.size(), std::size_t{1});
    QCOMPARE(Item<QPlainTextEdit>(1033)->toPlainText(),
             QStringLiteral("Este usuario no tiene accesos registrados en su historial"));
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1030, 1032}));

    // Delete record: confirmed, announced, and the form is empty again.
    seen = Answering({QMessageBox::Ok, QMessageBox::Ok}, [&] { Click(1030); });
    QCOMPARE(seen.size(), std::size_t{2});
    QCOMPARE(
        seen[0].text,
        QStringLiteral("Está usted seguro de querer eliminar este registro de manera permanente"));
    QCOMPARE(seen[1].text,
             QStringLiteral("El registro con DNI= 12345678 ha sido eliminado permanentemente."));
    QCOMPARE(EnabledAmong(view, kButtons), (std::set<int>{1027, 1028, 1031}));
    QCOMPARE(Item<QLineEdit>(1005)->text(), QString());
    QVERIFY(!Item<QLineEdit>(1005)->isReadOnly());
    QVERIFY(!Item<QCheckBox>(1049)->isChecked());
    QCOMPARE(Item<QComboBox>(1025)->currentText(), QStringLiteral(" "));
    try {
        accessdb::Connection::Open(DatabasePath(), accessdb::OpenMode::ExistingOnly)
            .FindStudent("12345678");
        QFAIL("the student is still stored");
    } catch (const accessdb::DatabaseError& error) {
        QCOMPARE(error.Code(), accessdb::kNoCurrentRow);
    }
}

void MirevalSessionTest::frameIsFixedShrunkToTheFormAndTitled() {
    QCOMPARE(m_frame->windowTitle(), kTitle);
    QVERIFY(!(m_frame->windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(m_frame->windowFlags() & Qt::WindowMinimizeButtonHint);
    QCOMPARE(m_frame->minimumSize(), m_frame->maximumSize());
    const QSize form = m_frame->View()->size();
    QCOMPARE(m_frame->width(), form.width());
    QCOMPARE(m_frame->height(),
             form.height() + m_frame->menuBar()->height() + m_frame->statusBar()->height());
}

void MirevalSessionTest::statusBarPanesAndMenus() {
    QStatusBar* bar = m_frame->statusBar();
    auto* ready = bar->findChild<QLabel*>(QStringLiteral("messagePane"));
    QVERIFY(ready != nullptr);
    QCOMPARE(ready->text(), QStringLiteral("Listo"));
    // No X server under the offscreen platform: the lock panes are dimmed, not guessed.
    for (auto [name, text] : {std::pair{"indicatorCaps", "MAY"}, std::pair{"indicatorNum", "NUM"},
                              std::pair{"indicatorScroll", "DESP"}}) {
        auto* pane = bar->findChild<QLabel*>(QString::fromUtf8(name));
        QVERIFY(pane != nullptr);
        QCOMPARE(pane->text(), QString::fromUtf8(text));
        QVERIFY(!pane->isEnabled());
    }

    const QList<QAction*> menus = m_frame->menuBar()->actions();
    QCOMPARE(menus.size(), 2);
    QCOMPARE(menus[0]->text(), QStringLiteral("&Ver"));
    QCOMPARE(menus[1]->text(), QStringLiteral("Ay&uda"));

    auto* toggle = m_frame->findChild<QAction*>(QStringLiteral("viewStatusBar"));
    QVERIFY(toggle != nullptr);
    QCOMPARE(toggle->text(), QStringLiteral("&Barra de estado"));
    QVERIFY(toggle->isChecked());
    toggle->trigger();
    QVERIFY(!bar->isVisible());
    QVERIFY(!toggle->isChecked());
    toggle->trigger();
    QVERIFY(bar->isVisible());
    QVERIFY(toggle->isChecked());

    // A highlighted item shows its prompt in the message pane.
    QMenu* view = menus[0]->menu();
    m_frame->menuBar()->setActiveAction(menus[0]);
    QVERIFY(QTest::qWaitForWindowExposed(view));
    view->setActiveAction(toggle);
    QTRY_COMPARE(bar->currentMessage(), QStringLiteral("Mostrar u ocultar la barra de estado"));
    view->close();
}

void MirevalSessionTest::aboutBoxOpensAndCloses() {
    auto* about = m_frame->findChild<QAction*>(QStringLiteral("appAbout"));
    QVERIFY(about != nullptr);
    QCOMPARE(about->text(), QStringLiteral("&Acerca de Mireval..."));
    QString caption;
    QString version;
    QTimer::singleShot(50, [&] {
        auto* dialog = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        caption = dialog->windowTitle();
        version = dialog->findChild<QLabel*>(QStringLiteral("aboutVersion"))->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("aboutOk")),
                          Qt::LeftButton);
    });
    about->trigger();  // returns once "Aceptar" has closed the box
    QCOMPARE(caption, QStringLiteral("Acerca de Mireval"));
    QCOMPARE(version, QStringLiteral("Mireval Version 1.0"));
    QCOMPARE(EnabledAmong(*m_frame->View(), kButtons), (std::set<int>{1027, 1028, 1031}));
}

void MirevalSessionTest::documentCommandsChangeOnlyTheTitle() {
    const QString document = m_folder->filePath(QStringLiteral("registro.doc"));
    QVERIFY(m_frame->SaveDocumentFile(document));
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("registro.doc") + kTitleAfterName);
    QVERIFY(QFileInfo::exists(document));
    QCOMPARE(QFileInfo(document).size(), 0);

    // The empty document never replaces the database.
    accessdb::Connection::Open(DatabasePath(), accessdb::OpenMode::CreateIfMissing)
        .AddStudent({"11111111", "Ana", "Ruiz", "", "", "", "", "", "", ""});
    const QString database = QString::fromStdString(DatabasePath().string());
    auto seen =
        Answering({QMessageBox::Ok}, [&] { QVERIFY(!m_frame->SaveDocumentFile(database)); });
    QCOMPARE(seen.size(), std::size_t{1});
    QVERIFY(QFileInfo(database).size() > 0);

    QVERIFY(m_frame->OpenDocumentFile(document));
    QCOMPARE(m_frame->windowTitle(), QStringLiteral("registro.doc") + kTitleAfterName);

    // Ctrl+N: a new document; the form writes its members again, enabled states unchanged.
    QTest::keyClicks(Item<QLineEdit>(1005), QStringLiteral("99"));
    m_frame->activateWindow();  // the error box had the focus
    QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
    QTest::keyClick(m_frame.get(), Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(m_frame->windowTitle(), kTitle);
    QCOMPARE(Item<QLineEdit>(1005)->text(), QString());
    QCOMPARE(EnabledAmong(*m_frame->View(), kButtons), (std::set<int>{1027, 1028, 1031}));
}

void MirevalSessionTest::formIsLaidOutFromTheTemplate() {
    CMirevalView& view = *m_frame->View();
    // Template order is tab order.
    QWidget* dni = Item<QWidget>(1005);
    auto nextTabStop = [](QWidget* widget) {
        do {
            widget = widget->nextInFocusChain();
        } while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    };
    QCOMPARE(nextTabStop(Item<QWidget>(1002)), dni);
    QCOMPARE(nextTabStop(dni), Item<QWidget>(1006));
    QCOMPARE(nextTabStop(Item<QWidget>(1011)), Item<QWidget>(1016));
    QCOMPARE(Item<QLabel>(1000)->text(), QStringLiteral("Apellido 1 "));
    QCOMPARE(Item<QGroupBox>(1008)->title(), QStringLiteral("Datos personales  "));
    // Controls keep the template's proportions: P3 lies right of P1 as 52 is to 21.
    const int p1 = Item<QWidget>(1048)->x();
    const int p3 = Item<QWidget>(1050)->x();
    QVERIFY(std::abs(p3 * 21 - p1 * 52) <= 52);
    QVERIFY(view.width() > view.height());
    // Clicks on a control inside a group box reach the control, not the frame around it.
    QVERIFY(view.childAt(Item<QWidget>(1005)->geometry().center()) == dni ||
            dni->isAncestorOf(view.childAt(Item<QWidget>(1005)->geometry().center())));
    QCOMPARE(Item<QComboBox>(1016)->count(), 2 + (36 - 8 + 1));
}

QTEST_MAIN(MirevalSessionTest)
#include "MirevalSessionTest.moc"
