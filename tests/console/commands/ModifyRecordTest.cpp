// "Modificar Datos de Registro": edit mode, "GUARDAR" and "CANCELAR".
#include <gtest/gtest.h>

#include "ConsoleHarness.h"
#include "console/commands/ControlIds.h"

namespace mireval::testing {
namespace {

const std::string kInvalidPeriod =
    "Imposible guardar datos. Periodos de intervalo de restricción mal definidos.\n";
const char* kDni = "11111111";

// A shown student in edit mode; the edit-mode notice is already answered and forgotten.
struct Editing : Console {
    explicit Editing(const accessdb::StudentRecord& student, bool withHistory = true) {
        file.AddStudent(student);
        if (withHistory) {
            file.AddAccess(student.dni, "15/03/2026", "10:20:30", "3");
        }
        file.AddStudent(
            Student("99999999", "Otro", "Alumno", "", "5", "1", "1", "1", "01/01/20", "02/02/20"));
        Search(student.dni);
        Click(1032);
        messages.Forget();
    }
    void ChooseStart(const char* day, const char* month, const char* year) {
        controls.Choose(1025, day);
        controls.Choose(1026, month);
        controls.Choose(1016, year);
    }
    void ChooseEnd(const char* day, const char* month, const char* year) {
        controls.Choose(1021, day);
        controls.Choose(1022, month);
        controls.Choose(1023, year);
    }
    bool InEditMode() const {
        return form.Members().m_modoEdicion && controls.GetWindowText(1031) == "GUARDAR";
    }
};

accessdb::StudentRecord Plain() { return Student(kDni, "Ana", "Ruiz", "Gil"); }

void ExpectOtherStudentUntouched(const Console& console) {
    const auto other = console.file.Student("99999999");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->nombre, "Otro");
    EXPECT_EQ(other->puerta, "5");
    EXPECT_EQ(other->fechaB, "02/02/20");
}

TEST(EnterEditMode, WithThePeriodOffTheDateListsStayDisabledUntilTheBoxIsChecked) {
    Editing console(Plain());
    for (int list : ids::kDateLists) {
        EXPECT_FALSE(console.controls.IsWindowEnabled(list)) << list;
    }
    EXPECT_TRUE(console.controls.IsWindowEnabled(1011));
    console.Click(1011);
    for (int list : ids::kDateLists) {
        EXPECT_TRUE(console.controls.IsWindowEnabled(list)) << list;
    }
}

TEST(SaveRecord, APeriodIsStoredAsTwoDigitDatesWithTheFlagsAndDoors) {
    Editing console(Plain());
    console.Click(1011);
    console.ChooseStart("05", "03", "14");
    console.ChooseEnd("31", "12", "14");
    console.Click(1049);
    console.Click(1055);
    console.Click(1010);
    console.controls.Type(1002, "Ana María");
    console.Click(1031);
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_FALSE(console.InEditMode());
    const auto stored = console.file.Student(kDni);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->nombre, "Ana María");
    EXPECT_EQ(stored->puerta, "2,8");
    EXPECT_EQ(stored->agosto, "1");
    EXPECT_EQ(stored->finDeSemana, "0");
    EXPECT_EQ(stored->periodoTemporal, "1");
    EXPECT_EQ(stored->fechaA, "05/03/14");
    EXPECT_EQ(stored->fechaB, "31/12/14");
    ExpectOtherStudentUntouched(console);
}

TEST(SaveRecord, YearsWellPastTwentyTwentyCanBeChosenAndStored) {
    Editing console(Plain());
    console.Click(1011);
    console.ChooseStart("01", "09", "26");
    console.ChooseEnd("30", "06", "36");  // ten years past the form's year
    console.Click(1031);
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_EQ(console.file.Student(kDni)->fechaA, "01/09/26");
    EXPECT_EQ(console.file.Student(kDni)->fechaB, "30/06/36");
}

TEST(SaveRecord, StartAndEndOnTheSameDayIsAccepted) {
    Editing console(Plain());
    console.Click(1011);
    console.ChooseStart("10", "06", "14");
    console.ChooseEnd("10", "06", "14");
    console.Click(1031);
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_EQ(console.file.Student(kDni)->fechaB, "10/06/14");
}

// Reversed periods and any blank piece: nothing is stored, edit mode goes on with blank lists.
TEST(SaveRecord, AnInvalidPeriodIsRefusedAndEditModeContinues) {
    struct Case {
        const char* name;
        std::array<const char*, 6> dates;  // start day, month, year, end day, month, year
    };
    const Case cases[] = {
        {"reversed days", {"10", "06", "14", "09", "06", "14"}},
        {"reversed months", {"01", "07", "14", "31", "06", "14"}},
        {"reversed years", {"01", "01", "15", "31", "12", "14"}},
        {"blank start day", {" ", "06", "14", "09", "07", "14"}},
        {"blank start month", {"01", " ", "14", "09", "07", "14"}},
        {"blank start year", {"01", "06", " ", "09", "07", "14"}},
        {"empty start year", {"01", "06", "", "09", "07", "14"}},
        {"blank end day", {"01", "06", "14", " ", "07", "14"}},
        {"blank end month", {"01", "06", "14", "09", " ", "14"}},
        {"blank end year", {"01", "06", "14", "09", "07", " "}},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        Editing console(Plain());
        console.Click(1011);
        console.ChooseStart(test.dates[0], test.dates[1], test.dates[2]);
        console.ChooseEnd(test.dates[3], test.dates[4], test.dates[5]);
        console.Click(1049);
        console.Click(1031);
        EXPECT_EQ(console.messages.Texts(), std::vector<std::string>{kInvalidPeriod});
        EXPECT_TRUE(console.InEditMode());
        for (int list : ids::kDateLists) {
            EXPECT_EQ(console.controls.GetWindowText(list), " ") << list;
        }
        EXPECT_EQ(console.file.Student(kDni)->puerta, "") << "nothing stored";
        EXPECT_EQ(console.file.Student(kDni)->periodoTemporal, "0");
    }
}

TEST(SaveRecord, WithThePeriodOffBothDatesAreStoredEmptyWhateverTheListsShow) {
    Editing console(
        Student(kDni, "Ana", "Ruiz", "", "1,2,3,4,5,6,7,8", "0", "1", "1", "05/03/14", "31/12/14"));
    console.Click(1011);  // off
    console.Click(1048);
    console.Click(1049);
    console.Click(1050);
    console.Click(1051);
    console.Click(1052);
    console.Click(1053);
    console.Click(1054);
    console.Click(1055);
    console.Click(1031);
    const auto stored = console.file.Student(kDni);
    EXPECT_EQ(stored->periodoTemporal, "0");
    EXPECT_EQ(stored->fechaA, "");
    EXPECT_EQ(stored->fechaB, "");
    EXPECT_EQ(stored->puerta, "");
    EXPECT_EQ(stored->finDeSemana, "1");
    EXPECT_EQ(console.controls.GetWindowText(1025), "05") << "the lists keep what they showed";
}

TEST(SaveRecord, EliminarHistorialEndsEnabledOnlyWhenThereIsAHistory) {
    {
        Editing console(Plain(), true);
        console.Click(1031);
        EXPECT_TRUE(console.controls.IsWindowEnabled(1029));
    }
    {
        Editing console(Plain(), false);
        console.Click(1031);
        EXPECT_FALSE(console.controls.IsWindowEnabled(1029));
    }
}

// Another console deleted the student meanwhile: the save must fail, not pass for stored.
TEST(SaveRecord, AStudentDeletedMeanwhileIsReportedAndNotCreatedAgain) {
    Editing console(Plain());
    console.file.Open().DeleteStudent(kDni);
    console.controls.Type(1002, "Nueva");
    console.Click(1031);
    ASSERT_EQ(console.messages.Shown().size(), 1u);
    EXPECT_EQ(console.messages.Texts()[0], "No hay ningún registro activo.");
    EXPECT_FALSE(console.InEditMode()) << "edit mode ends as after a save";
    EXPECT_FALSE(console.file.Student(kDni));
    ExpectOtherStudentUntouched(console);
}

TEST(CancelEditMode, BringsBackTheStoredNamesDoorsAndDates) {
    Editing console(
        Student(kDni, "Ana", "Ruiz", "Gil", "2,8", "1", "0", "1", "05/03/14", "31/12/14"));
    console.controls.Type(1002, "Cambiado");
    console.Click(1048);
    console.Click(1055);
    console.Click(1010);
    console.ChooseStart("20", "10", "30");
    console.Click(1032);
    auto& c = console.controls;
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_FALSE(console.InEditMode());
    EXPECT_EQ(c.GetWindowText(1031), "Añadir Registro");
    EXPECT_EQ(c.GetWindowText(1032), "Modificar Datos de Registro");
    EXPECT_EQ(c.GetWindowText(1002), "Ana");
    std::string doors;
    for (int box : ids::kDoorBoxes) {
        doors += c.GetCheck(box) == 1 ? '1' : '0';
    }
    EXPECT_EQ(doors, "01000001");
    EXPECT_EQ(c.GetCheck(1010), 1);
    EXPECT_EQ(c.GetWindowText(1025), "05");
    EXPECT_EQ(c.GetWindowText(1016), "14");
    EXPECT_EQ(c.GetWindowText(1033), "15/03/2026  10:20:30  Acceso a entrada nº 3\r\n");
    EXPECT_EQ(console.file.Student(kDni)->nombre, "Ana");
}

TEST(CancelEditMode, WithThePeriodOffTheDateListsShowBlank) {
    Editing console(Plain());
    console.Click(1011);
    console.ChooseStart("20", "10", "30");
    console.Click(1032);
    EXPECT_EQ(console.controls.GetCheck(1011), 0);
    for (int list : ids::kDateLists) {
        EXPECT_EQ(console.controls.GetWindowText(list), " ") << list;
    }
}

TEST(CancelEditMode, WithoutHistoryTheNoHistoryTextShows) {
    Editing console(Plain(), false);
    console.Click(1032);
    EXPECT_TRUE(console.messages.Shown().empty());
    EXPECT_EQ(console.controls.GetWindowText(1033),
              "Este usuario no tiene accesos registrados en su historial");
    EXPECT_TRUE(console.controls.IsWindowEnabled(1029));
    EXPECT_FALSE(console.controls.IsWindowEnabled(1037));
}

TEST(CancelEditMode, AStudentDeletedElsewhereIsReportedAndEditModeEndsAllTheSame) {
    Editing console(Plain());
    console.file.Open().DeleteStudent(kDni);
    console.Click(1032);
    EXPECT_EQ(console.messages.Texts(),
              std::vector<std::string>{
                  "[CHANGE DATA] El DNI introducido no esta registrado en la base de datos"});
    EXPECT_FALSE(console.InEditMode());
    EXPECT_EQ(console.controls.GetWindowText(1032), "Modificar Datos de Registro");
    EXPECT_FALSE(console.controls.IsWindowEnabled(1005));
    EXPECT_FALSE(console.controls.IsWindowEnabled(1028));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1030));
    EXPECT_TRUE(console.controls.IsWindowEnabled(1027));
}

}  // namespace
}  // namespace mireval::testing
