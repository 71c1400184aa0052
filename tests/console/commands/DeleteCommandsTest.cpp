// "Eliminar Historial" and "Eliminar Registro".
#include <gtest/gtest.h>

#include "ConsoleHarness.h"
#include "console/commands/ControlIds.h"

namespace mireval::testing {
namespace {

const std::string kNoHistory = "Este usuario no tiene accesos registrados en su historial";
const std::string kConfirmHistory =
    "Está usted seguro de querer eliminar el historial de accesos de este usuario manera "
    "permanente";
const std::string kConfirmRecord =
    "Está usted seguro de querer eliminar este registro de manera permanente";
const char* kDni = "11111111";
const char* kOther = "22222222";

// A shown student with three accesses, beside another student with two.
struct Shown : Console {
    explicit Shown(int accesses = 3) {
        file.AddStudent(Student(kDni, "Ana", "Ruiz", "Gil", "1,3,", "1", "0", "0"));
        file.AddStudent(Student(kOther, "Luis", "Mora"));
        for (int i = 0; i < accesses; ++i) {
            file.AddAccess(kDni, "15/03/2026", "10:20:3" + std::to_string(i), "1");
        }
        file.AddAccess(kOther, "15/03/2026", "11:00:00", "2");
        file.AddAccess(kOther, "16/03/2026", "11:00:00", "3");
        Search(kDni);
        messages.Forget();
    }
    std::string Shot() const {  // what the form shows, for "nothing changed" checks
        std::string shot;
        for (int id : controls.Ids()) {
            shot += std::to_string(id) + (controls.IsWindowEnabled(id) ? "E" : "D");
            if (controls.Kind(id) == ControlKind::CheckBox) {
                shot += std::to_string(controls.GetCheck(id));
            } else {
                shot += controls.GetWindowText(id);
            }
            shot += "|";
        }
        return shot;
    }
};

TEST(DeleteHistory, CancelChangesNothing) {
    Shown console;
    const std::string before = console.Shot();
    console.messages.AnswerNext(false);
    console.Click(1029);
    EXPECT_EQ(console.messages.Texts(), std::vector<std::string>{kConfirmHistory});
    EXPECT_TRUE(console.messages.Shown()[0].confirmation);
    EXPECT_EQ(console.Shot(), before);
    EXPECT_EQ(console.file.Accesses(kDni).size(), 3u);
}

TEST(DeleteHistory, DeletesEveryAccessOfTheStudentAndNoOtherRow) {
    Shown console;
    console.messages.AnswerNext(true);
    console.Click(1029);
    EXPECT_EQ(console.messages.Texts(), std::vector<std::string>{kConfirmHistory});
    EXPECT_TRUE(console.file.Accesses(kDni).empty());
    EXPECT_EQ(console.file.Accesses(kOther).size(), 2u);
    EXPECT_EQ(console.file.Student(kDni)->puerta, "1,3,");
    EXPECT_EQ(console.file.Student(kDni)->agosto, "1");
    EXPECT_EQ(console.controls.GetWindowText(1033), kNoHistory);
    EXPECT_EQ(console.controls.GetWindowText(1002), "Ana");
    EXPECT_FALSE(console.controls.IsWindowEnabled(1029));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1030));
}

TEST(DeleteHistory, WithoutAccessesTheMissingRowIsReportedAndTheButtonsStay) {
    Shown console(0);
    // After a cancel of edit mode the button is enabled even without history.
    console.Click(1032);
    console.Click(1032);
    console.messages.Forget();
    ASSERT_TRUE(console.controls.IsWindowEnabled(1029));
    console.messages.AnswerNext(true);
    console.Click(1029);
    EXPECT_EQ(console.messages.Texts(),
              (std::vector<std::string>{kConfirmHistory, "No hay ningún registro activo."}));
    EXPECT_FALSE(console.messages.Shown()[1].confirmation);
    EXPECT_EQ(console.controls.GetWindowText(1033), kNoHistory);
    EXPECT_TRUE(console.controls.IsWindowEnabled(1029));
    EXPECT_EQ(console.file.Accesses(kOther).size(), 2u);
}

// A failure part way through the rows leaves every row in place.
TEST(DeleteHistory, IsAllOrNothing) {
    Shown console;
    console.file.Execute(
        "CREATE TRIGGER refuse_last BEFORE DELETE ON Picadas WHEN old.Hora = '10:20:32' "
        "BEGIN SELECT RAISE(ABORT, 'fila protegida'); END;");
    console.messages.AnswerNext(true);
    console.Click(1029);
    ASSERT_EQ(console.messages.Shown().size(), 2u);
    EXPECT_EQ(console.messages.Texts()[1], "fila protegida");
    EXPECT_EQ(console.file.Accesses(kDni).size(), 3u);
    EXPECT_NE(console.controls.GetWindowText(1033), kNoHistory);
    EXPECT_TRUE(console.controls.IsWindowEnabled(1029));
}

TEST(DeleteRecord, CancelChangesNothing) {
    Shown console;
    const std::string before = console.Shot();
    console.messages.AnswerNext(false);
    console.Click(1030);
    EXPECT_EQ(console.messages.Texts(), std::vector<std::string>{kConfirmRecord});
    EXPECT_EQ(console.Shot(), before);
    EXPECT_TRUE(console.file.Student(kDni));
    EXPECT_EQ(console.file.Accesses(kDni).size(), 3u);
}

TEST(DeleteRecord, DeletesHistoryAndStudentAnnouncesItAndEmptiesTheForm) {
    Shown console;
    console.messages.AnswerNext(true);
    console.Click(1030);
    EXPECT_EQ(
        console.messages.Texts(),
        (std::vector<std::string>{
            kConfirmRecord, "El registro con DNI= 11111111 ha sido eliminado permanentemente."}));
    EXPECT_FALSE(console.file.Student(kDni));
    EXPECT_TRUE(console.file.Accesses(kDni).empty());
    EXPECT_TRUE(console.file.Student(kOther));
    EXPECT_EQ(console.file.Accesses(kOther).size(), 2u);

    auto& c = console.controls;
    std::vector<int> enabledButtons;
    for (int button : {1027, 1028, 1029, 1030, 1031, 1032}) {
        if (c.IsWindowEnabled(button)) {
            enabledButtons.push_back(button);
        }
    }
    EXPECT_EQ(enabledButtons, (std::vector<int>{1027, 1028, 1031}));
    for (int box : {1005, 1002, 1006, 1007, 1033}) {
        EXPECT_EQ(c.GetWindowText(box), "") << box;
    }
    for (int box : {1048, 1050, 1010}) {
        EXPECT_EQ(c.GetCheck(box), 0) << box;
    }
    EXPECT_EQ(console.form.Members().m_agosto, 0);
    EXPECT_FALSE(c.IsReadOnly(1005));

    console.messages.Forget();
    console.Search(kDni);
    EXPECT_EQ(
        console.messages.Texts(),
        std::vector<std::string>{"El DNI introducido no esta registrado en la base de datos"});
}

TEST(DeleteRecord, WithoutAccessesOnlyTheDeletionIsAnnounced) {
    Shown console(0);
    console.messages.AnswerNext(true);
    console.Click(1030);
    EXPECT_EQ(
        console.messages.Texts(),
        (std::vector<std::string>{
            kConfirmRecord, "El registro con DNI= 11111111 ha sido eliminado permanentemente."}));
    EXPECT_FALSE(console.file.Student(kDni));
}

// The student's row cannot go: its history must stay with it, and no deletion is announced.
TEST(DeleteRecord, AFailureAfterTheHistoryKeepsHistoryStudentAndForm) {
    Shown console;
    console.file.Execute(
        "CREATE TRIGGER keep_students BEFORE DELETE ON Alumnos "
        "BEGIN SELECT RAISE(ABORT, 'alumno protegido'); END;");
    const std::string before = console.Shot();
    console.messages.AnswerNext(true);
    console.Click(1030);
    EXPECT_EQ(console.messages.Texts(),
              (std::vector<std::string>{kConfirmRecord, "alumno protegido"}));
    EXPECT_TRUE(console.file.Student(kDni));
    EXPECT_EQ(console.file.Accesses(kDni).size(), 3u);
    EXPECT_EQ(console.Shot(), before);
}

// Orphaned accesses would later be shown as the history of a new student with the same DNI.
TEST(DeleteRecord, AFailingHistoryDeletionKeepsTheStudent) {
    Shown console;
    console.file.Execute(
        "CREATE TRIGGER keep_accesses BEFORE DELETE ON Picadas "
        "BEGIN SELECT RAISE(ABORT, 'historial protegido'); END;");
    console.messages.AnswerNext(true);
    console.Click(1030);
    EXPECT_EQ(console.messages.Texts(),
              (std::vector<std::string>{kConfirmRecord, "historial protegido"}));
    EXPECT_TRUE(console.file.Student(kDni));
    EXPECT_EQ(console.file.Accesses(kDni).size(), 3u);
    EXPECT_EQ(console.controls.GetWindowText(1002), "Ana");
}

TEST(DeleteRecord, AStudentDeletedMeanwhileIsReportedNotAnnounced) {
    Shown console;
    {
        accessdb::Connection other = console.file.Open();
        other.DeleteAccesses(kDni);
        other.DeleteStudent(kDni);
    }
    const std::string before = console.Shot();
    console.messages.AnswerNext(true);
    console.Click(1030);
    EXPECT_EQ(console.messages.Texts(),
              (std::vector<std::string>{kConfirmRecord, "No hay ningún registro activo."}));
    EXPECT_EQ(console.Shot(), before);
    EXPECT_EQ(console.file.Accesses(kOther).size(), 2u);
}

}  // namespace
}  // namespace mireval::testing
