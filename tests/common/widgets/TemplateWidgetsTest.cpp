// The one builder both windows use, on both programs' own templates, with Liberation Sans
// (fonts-liberation2) on the offscreen platform: where each control lands in pixels, the
// font, the Spanish toolkit texts, the fixed frame and the message boxes.
#include <QAbstractButton>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>
#include <algorithm>
#include <array>
#include <memory>

#include "common/widgets/DialogFont.h"
#include "common/widgets/DialogUnits.h"
#include "common/widgets/FormBuilder.h"
#include "common/widgets/MessageBoxes.h"
#include "common/widgets/SpanishTranslations.h"
#include "common/widgets/TemplateDialog.h"
#include "console/commands/RegistrationTemplate.h"
#include "controller/ui/ControllerTemplate.h"

namespace {

// A widget holding the controls of one template, as a form view holds them.
struct FormHost {
    explicit FormHost(const common::FormTemplate& form) : built(widget, form) {}
    QWidget widget;
    common::BuiltForm built;
};

}  // namespace

class TemplateWidgetsTest : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase() {
        m_tarvo = std::make_unique<FormHost>(tarvo::ControllerFormTemplate());
        m_mireval = std::make_unique<FormHost>(mireval::RegistrationFormTemplate());
    }
    void cleanupTestCase() {
        m_tarvo.reset();
        m_mireval.reset();
    }

    // The templates' faces become Liberation Sans at their point sizes, whose base units are
    // known: 6 × 12 pixels at 8 points, 8 × 15 at 10 points.
    void templateFacesHaveKnownBaseUnitsAndMissingFacesGiveWay() {
        const QFont shellDlg = common::DialogFont("MS Shell Dlg", 8);
        const QFont sansSerif = common::DialogFont("Microsoft Sans Serif", 10);
        QCOMPARE(QFontInfo(shellDlg).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(QFontInfo(sansSerif).family(), QStringLiteral("Liberation Sans"));
        const common::BaseUnits small = common::BaseUnitsOf(shellDlg);
        const common::BaseUnits large = common::BaseUnitsOf(sansSerif);
        QCOMPARE(QSize(small.averageCharWidth, small.charHeight), QSize(6, 12));
        QCOMPARE(QSize(large.averageCharWidth, large.charHeight), QSize(8, 15));

        // A face that is not installed gives way to the platform's sans serif at the same
        // size; an installed one is used as named.
        const QFont missing = common::DialogFont("Ningún Tipo Instalado", 9);
        QVERIFY(QFontInfo(missing).family() != QStringLiteral("Ningún Tipo Instalado"));
        QCOMPARE(missing.pointSize(), 9);
        QCOMPARE(QFontInfo(common::DialogFont("Liberation Mono", 8)).family(),
                 QStringLiteral("Liberation Mono"));
    }

    // Position and size each rounded to the nearest pixel, halves up: a control is as wide as
    // its width says wherever it stands. Where converting the edges would give another size,
    // the row says which.
    void controlsLandOnTheirPixels_data() {
        QTest::addColumn<bool>("controller");
        QTest::addColumn<int>("id");
        QTest::addColumn<QRect>("pixels");
        QTest::newRow("Tarvo DNI field") << true << 1000 << QRect(300, 215, 203, 18);
        QTest::newRow("Tarvo name field") << true << 1003 << QRect(300, 245, 206, 18);
        QTest::newRow("Tarvo log") << true << 1004 << QRect(153, 311, 438, 63);
        // Edges: 61 wide for the doors at x 179, 62 for the others.
        QTest::newRow("Puerta1") << true << 1010 << QRect(179, 126, 62, 15);
        QTest::newRow("Puerta3") << true << 1012 << QRect(270, 126, 62, 15);
        QTest::newRow("Puerta8") << true << 1017 << QRect(450, 150, 62, 15);
        QTest::newRow("Tarvo banner") << true << 1019 << QRect(111, 0, 513, 98);
        QTest::newRow("Mireval DNI box") << false << 1005 << QRect(116, 34, 150, 26);
        QTest::newRow("Mireval Nombre box") << false << 1002 << QRect(116, 64, 150, 28);
        // Edges: the top row of doors 19 pixels high, the row below 18.
        QTest::newRow("P1") << false << 1048 << QRect(42, 188, 48, 19);
        QTest::newRow("P2") << false << 1049 << QRect(42, 206, 48, 19);
        // Edges: 37 high.
        QTest::newRow("Buscar Registro") << false << 1028 << QRect(222, 248, 190, 38);
        // Edges: 220 high.
        QTest::newRow("Periodos restringidos") << false << 1034 << QRect(318, 13, 308, 219);
        QTest::newRow("history box") << false << 1033 << QRect(30, 362, 578, 116);
    }
    void controlsLandOnTheirPixels() {
        QFETCH(bool, controller);
        QFETCH(int, id);
        QFETCH(QRect, pixels);
        const common::BuiltForm& form = controller ? m_tarvo->built : m_mireval->built;
        const common::FormTemplate& formTemplate =
            controller ? tarvo::ControllerFormTemplate() : mireval::RegistrationFormTemplate();
        QVERIFY(form.Item(id) != nullptr);
        QCOMPARE(common::ToPixels(formTemplate.Find(id)->rect, form.Base()), pixels);
        QCOMPARE(form.Item(id)->geometry(), pixels);
    }

    void formsTakeTheTemplatesSize() {
        QCOMPARE(m_tarvo->built.Size(), QSize(624, 402));
        QCOMPARE(m_tarvo->widget.size(), QSize(624, 402));
        QCOMPARE(m_tarvo->widget.minimumSize(), m_tarvo->widget.maximumSize());
        QCOMPARE(m_mireval->built.Size(), QSize(640, 504));
        QCOMPARE(m_mireval->widget.size(), QSize(640, 504));
    }

    // The template's height of a drop-down list includes the list when dropped; closed, the box
    // is as tall as its font needs, at the template's place and width.
    void dropDownListsCloseToTheirFont() {
        auto* startYear = m_mireval->built.ItemAs<QComboBox>(1016);
        QVERIFY(startYear != nullptr);
        QCOMPARE(startYear->geometry(),
                 QRect(QPoint(520, 128), QSize(50, startYear->sizeHint().height())));
        QVERIFY(startYear->height() < 56);
    }

    // No label cuts a word: "DNI:" keeps its colon although Liberation Sans runs wider there.
    void labelsShowTheirWholeWords() {
        int labels = 0;
        for (const FormHost* host : {m_tarvo.get(), m_mireval.get()}) {
            for (auto* label : host->widget.findChildren<QLabel*>()) {
                if (label->text().isEmpty()) {
                    continue;  // a picture
                }
                ++labels;
                for (const QString& word : label->text().split(QLatin1Char(' '))) {
                    QVERIFY2(label->fontMetrics().horizontalAdvance(word) < label->width(),
                             qPrintable(label->text()));
                }
            }
        }
        QCOMPARE(labels, 2 + 10);
        const auto dni = m_tarvo->widget.findChildren<QLabel*>();
        const auto found = std::find_if(dni.begin(), dni.end(),
                                        [](QLabel* label) { return label->text() == "DNI:"; });
        QVERIFY(found != dni.end());
        QCOMPARE((*found)->pos(), QPoint(239, 221));
    }

    // Disabled and read-only as the template creates them, focus only for tab stops, and the
    // tab order is the template's order.
    void statesAndTabOrderFollowTheTemplate() {
        const common::FormTemplate& form = mireval::RegistrationFormTemplate();
        QList<QWidget*> tabStops;
        for (const common::ControlTemplate& control : form.controls) {
            QWidget* widget = m_mireval->built.Item(control.id);
            QCOMPARE(widget->isEnabled(), !control.Has(common::kStyleDisabled));
            QCOMPARE(widget->focusPolicy(),
                     control.Has(common::kStyleTabStop) ? Qt::StrongFocus : Qt::NoFocus);
            if (control.Has(common::kStyleTabStop)) {
                tabStops << widget;
            }
        }
        QCOMPARE(tabStops.size(), 28);
        QList<QWidget*> chain{tabStops.front()};
        for (QWidget* next = chain.back()->nextInFocusChain(); next != tabStops.front();
             next = next->nextInFocusChain()) {
            if (next->focusPolicy() == Qt::StrongFocus) {
                chain << next;
            }
        }
        QCOMPARE(chain, tabStops);
        auto* history = m_mireval->built.ItemAs<QPlainTextEdit>(1033);
        QVERIFY(history->isReadOnly());
        QCOMPARE(history->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        QVERIFY(m_tarvo->built.ItemAs<QLineEdit>(1000)->isReadOnly());
        QVERIFY(m_tarvo->built.ItemAs<QLineEdit>(1000)->hasFrame());
    }

    // An icon takes its own size at the template's place; the default button answers Enter;
    // "OK" and "Cancel" close the box.
    void aboutBoxTemplate() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString iconFile = folder.filePath(QStringLiteral("icon.png"));
        QImage icon(32, 32, QImage::Format_ARGB32);
        icon.fill(Qt::darkGreen);
        QVERIFY(icon.save(iconFile));
        const std::string iconPath = iconFile.toStdString();
        const std::array controls{
            common::ControlTemplate{
                common::kUnnamedControl, common::ControlKind::Icon, iconPath, {11, 17, 20, 20}, 0},
            common::ControlTemplate{common::kIdCancel,
                                    common::ControlKind::PushButton,
                                    "Cancelar",
                                    {178, 27, 50, 14},
                                    common::kStyleTabStop},
            common::ControlTemplate{common::kIdOk,
                                    common::ControlKind::PushButton,
                                    "Aceptar",
                                    {178, 7, 50, 14},
                                    common::kStyleTabStop | common::kStyleDefaultButton},
        };
        const common::FormTemplate form{100, 235, 55, "Acerca de", "MS Shell Dlg", 8, controls};

        common::TemplateDialog about(nullptr, form);
        QCOMPARE(about.windowTitle(), QStringLiteral("Acerca de"));
        QCOMPARE(about.size(), QSize(353, 83));
        auto* picture = about.findChild<QLabel*>();
        QVERIFY(picture != nullptr && !picture->pixmap().isNull());
        QCOMPARE(picture->geometry(), QRect(17, 26, 32, 32));

        about.open();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        about.GetDlgItem(common::kIdCancel)->setFocus();
        QTest::keyClick(&about, Qt::Key_Return);
        QCOMPARE(about.result(), int(QDialog::Accepted));
        about.open();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QTest::mouseClick(about.GetDlgItem(common::kIdCancel), Qt::LeftButton);
        QCOMPARE(about.result(), int(QDialog::Rejected));
        QVERIFY(!about.isVisible());
    }

    // Spanish for Qt's own buttons and as the default locale, whatever the machine's locale.
    void toolkitSpeaksSpanish() {
        QLocale::setDefault(QLocale::c());
        QTranslator translator;
        QVERIFY2(common::InstallSpanishTranslations(translator),
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        QCOMPARE(QLocale().language(), QLocale::Spanish);
        const auto box = common::NewMessageBox(nullptr, QStringLiteral("Mireval"), "¿Seguro?",
                                               QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box->button(QMessageBox::Ok)->text(), QStringLiteral("Aceptar"));
        QCOMPARE(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancelar"));
        QCoreApplication::removeTranslator(&translator);
        QLocale::setDefault(QLocale::c());
    }

  private:
    std::unique_ptr<FormHost> m_tarvo;
    std::unique_ptr<FormHost> m_mireval;
};

QTEST_MAIN(TemplateWidgetsTest)
#include "TemplateWidgetsTest.moc"
