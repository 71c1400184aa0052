#include <gtest/gtest.h>

#include <map>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "controller/cycle/AccessRules.h"
#include "support/TempFolder.h"

namespace {

using accessdb::Connection;
using accessdb::OpenMode;
using accessdb::StudentRecord;

// "Www Mmm dd hh:mm:ss yyyy\n" as ctime writes it.
ClockFields At(const char* clockText) { return ClockFields::FromClockText(clockText); }

const ClockFields kWednesdayInMarch = At("Wed Mar 11 09:41:07 2026\n");

StudentRecord Student(std::string puerta, std::string agosto = "0", std::string weekend = "0",
                      std::string period = "0", std::string fechaA = "", std::string fechaB = "") {
    return {"12345678",
            "Ana",
            "Pérez",
            "Gil",
            std::move(puerta),
            std::move(agosto),
            std::move(weekend),
            std::move(period),
            std::move(fechaA),
            std::move(fechaB)};
}

class RulesOnAFile : public ::testing::Test {
  protected:
    Verdict DecideFor(const StudentRecord& student, char door, const ClockFields& now,
                      std::string_view dni = "12345678") {
        {
            Connection console = Connection::Open(file, OpenMode::CreateIfMissing);
            try {
                console.DeleteStudent(student.dni);
            } catch (const accessdb::DatabaseError&) {
            }
            console.AddStudent(student);
            console.SaveStudent(student);
        }
        Connection db = Connection::Open(file, OpenMode::ExistingOnly);
        return AccessRules::Decide(db, dni, door, now);
    }

    TempFolder folder;
    std::filesystem::path file = folder / "Alumnos.mdb";
};

}  // namespace

TEST(ClockFieldsTest, CutsTheClockTextAtItsPositions) {
    const ClockFields f = At("Sat Aug 23 09:41:07 2013\n");
    EXPECT_EQ(f.weekday, "Sat");
    EXPECT_EQ(f.day, "23");
    EXPECT_EQ(f.month, "08");
    EXPECT_EQ(f.year, "2013");
    EXPECT_EQ(f.hora, "09:41:07");
    EXPECT_EQ(f.fecha, "23/08/2013");
    EXPECT_EQ(At("Sun Jul  5 18:00:59 2014\n").fecha, " 5/07/2014");
    EXPECT_EQ(At("Mon Dec 31 23:59:59 2029\n").month, "12");
}

TEST(ClockFieldsTest, ReadClockTakesTheTimeFromItsSource) {
    struct FixedClock : ClockSource {
        std::time_t Now() const override { return 1373017259; }  // 2013-07-05 09:40:59 UTC
    } clock;
    setenv("TZ", "UTC", 1);
    tzset();
    const ClockFields f = AccessRules(clock).ReadClock();
    EXPECT_EQ(f.fecha, " 5/07/2013");
    EXPECT_EQ(f.hora, "09:40:59");
    EXPECT_EQ(f.weekday, "Fri");
}

TEST_F(RulesOnAFile, DoorTestAndItsTexts) {
    const Verdict granted = DecideFor(Student("1,3,5,"), '3', kWednesdayInMarch);
    EXPECT_TRUE(granted.grant);
    EXPECT_TRUE(granted.doorPermitted);
    EXPECT_EQ(granted.displayName, "Ana   Pérez");
    EXPECT_FALSE(granted.nameFieldText);  // a grant without a period leaves the fields alone
    EXPECT_FALSE(granted.dniFieldText);

    const Verdict notListed = DecideFor(Student("1,3,5,"), '2', kWednesdayInMarch);
    EXPECT_FALSE(notListed.grant);
    EXPECT_FALSE(notListed.doorPermitted);
    EXPECT_EQ(notListed.nameFieldText, "Ana   Pérez");
    EXPECT_EQ(notListed.dniFieldText, "No posee autorizacion al recinto ");

    const Verdict noDoor = DecideFor(Student("1,2,3,4,5,6,7,8"), '0', kWednesdayInMarch);
    EXPECT_FALSE(noDoor.grant);
    EXPECT_EQ(noDoor.dniFieldText, "Elija recinto a acceder ");

    const Verdict emptyList = DecideFor(Student(""), '1', kWednesdayInMarch);
    EXPECT_FALSE(emptyList.grant);
}

TEST_F(RulesOnAFile, AugustAndWeekendRestrictions) {
    const ClockFields augustSaturday = At("Sat Aug 15 10:00:00 2026\n");
    const Verdict august =
        DecideFor(Student("5", "1", "0", "1", "01/01/26", "31/12/26"), '5', augustSaturday);
    EXPECT_TRUE(august.restricted);
    EXPECT_FALSE(august.doorPermitted);  // counts as denied
    EXPECT_FALSE(august.grant);
    EXPECT_EQ(august.dniFieldText, "Acceso restringido temporalmente");
    EXPECT_EQ(august.nameFieldText, "Ana   Pérez");

    const Verdict weekend = DecideFor(Student("5", "0", "1"), '5', augustSaturday);
    EXPECT_TRUE(weekend.restricted);
    EXPECT_FALSE(weekend.grant);

    const Verdict sundayFree =
        DecideFor(Student("5", "0", "0"), '5', At("Sun Mar  8 10:00:00 2026\n"));
    EXPECT_TRUE(sundayFree.grant);

    const Verdict weekdayWithWeekendFlag =
        DecideFor(Student("5", "1", "1"), '5', kWednesdayInMarch);
    EXPECT_TRUE(weekdayWithWeekendFlag.grant);
}

TEST_F(RulesOnAFile, APeriodStoredWithTwoDigitYearsRestrictsInsideItsBoundaries) {
    const StudentRecord student = Student("5", "0", "0", "1", "10/03/26", "20/03/26");
    EXPECT_FALSE(DecideFor(student, '5', At("Tue Mar 10 08:00:00 2026\n")).restricted);
    EXPECT_TRUE(DecideFor(student, '5', At("Wed Mar 11 08:00:00 2026\n")).restricted);
    EXPECT_TRUE(DecideFor(student, '5', At("Thu Mar 19 08:00:00 2026\n")).restricted);
    EXPECT_FALSE(DecideFor(student, '5', At("Fri Mar 20 08:00:00 2026\n")).restricted);
    EXPECT_FALSE(DecideFor(student, '5', At("Wed Mar 11 08:00:00 2027\n")).restricted);

    // Across a year's end, and with four-digit years as a hand-filled file may hold them.
    EXPECT_TRUE(DecideFor(Student("5", "0", "0", "1", "20/12/25", "10/01/26"), '5',
                          At("Thu Jan  1 08:00:00 2026\n"))
                    .restricted);
    EXPECT_TRUE(
        DecideFor(Student("5", "0", "0", "1", "01/03/2026", "31/03/2026"), '5', kWednesdayInMarch)
            .restricted);

    // Outside the period the student passes, and the fields show who it was.
    const Verdict outside = DecideFor(student, '5', At("Mon Apr  6 08:00:00 2026\n"));
    EXPECT_TRUE(outside.grant);
    EXPECT_EQ(outside.nameFieldText, "Ana   Pérez");
    EXPECT_EQ(outside.dniFieldText, "12345678");

    // A period flag without dates restricts nothing.
    EXPECT_TRUE(DecideFor(Student("5", "0", "0", "1", "", ""), '5', kWednesdayInMarch).grant);
}

TEST_F(RulesOnAFile, UnregisteredAndRefusedDnis) {
    const Verdict unknown = DecideFor(Student("5"), '5', kWednesdayInMarch, "87654321");
    EXPECT_TRUE(unknown.unregistered);
    EXPECT_TRUE(unknown.doorPermitted);
    EXPECT_FALSE(unknown.grant);
    EXPECT_EQ(unknown.displayName, "Acceso denegado");
    EXPECT_EQ(unknown.nameFieldText, "Nombre no registrado");
    EXPECT_FALSE(unknown.dniFieldText);
    EXPECT_FALSE(unknown.errorDescription);

    for (const char* forged : {"1 OR 1=1", "1234567A"}) {
        const Verdict v = DecideFor(Student("1,2,3,4,5,6,7,8"), '5', kWednesdayInMarch, forged);
        EXPECT_FALSE(v.grant) << forged;
        EXPECT_FALSE(v.doorPermitted) << forged;
        EXPECT_FALSE(v.unregistered) << forged;
        EXPECT_EQ(v.nameFieldText, "Algun problema en BBDD");
        ASSERT_TRUE(v.errorDescription);
        EXPECT_NE(v.errorDescription->find("ocho cifras"), std::string::npos);
    }
}

TEST_F(RulesOnAFile, LongStoredValuesAreCutToTheWorkingWidths) {
    StudentRecord s = Student(std::string(19, ',') + "5");  // door 5 beyond the 19 characters kept
    s.nombre = "Maximiliano Alejandro Bartolomé";
    s.apellido1 = "Fernández-Villaverde de la Concepción";
    const Verdict v = DecideFor(s, '5', kWednesdayInMarch);
    EXPECT_FALSE(v.doorPermitted);
    EXPECT_EQ(v.displayName, "Maximiliano Alejandro Bartolomé   Ferná");  // 39 characters
}

namespace {
// Reports which columns were read, and fails on a column it was told to break.
class RecordingStudent : public accessdb::StudentFields {
  public:
    explicit RecordingStudent(std::map<std::string, std::string> columns, std::string broken = "")
        : m_columns(std::move(columns)), m_broken(std::move(broken)) {}
    std::string Field(std::string_view column) override {
        reads.emplace_back(column);
        if (column == m_broken) {
            throw accessdb::DatabaseError(5, "database is locked");
        }
        return m_columns[std::string(column)];
    }
    std::vector<std::string> reads;

  private:
    std::map<std::string, std::string> m_columns;
    std::string m_broken;
};

std::map<std::string, std::string> Columns(const StudentRecord& s) {
    return {{"Nombre", s.nombre},
            {"Apellido1", s.apellido1},
            {"Puerta", s.puerta},
            {"Agosto", s.agosto},
            {"Fin_de_semana", s.finDeSemana},
            {"Periodo_temporal", s.periodoTemporal},
            {"FechaA", s.fechaA},
            {"FechaB", s.fechaB}};
}
using Reads = std::vector<std::string>;
}  // namespace

TEST(RulesReadOrder, RestrictionFieldsAreReadOnlyWhenTheirTestIsReached) {
    RecordingStudent august(Columns(Student("5", "1", "1", "1", "01/01/26", "31/12/26")));
    AccessRules::Decide(august, "12345678", '5', At("Sat Aug 15 10:00:00 2026\n"));
    EXPECT_EQ(august.reads, (Reads{"Nombre", "Apellido1", "Puerta", "Agosto"}));

    RecordingStudent weekday(Columns(Student("5", "1", "1", "1", "01/01/26", "31/12/26")));
    AccessRules::Decide(weekday, "12345678", '5', kWednesdayInMarch);
    EXPECT_EQ(weekday.reads,
              (Reads{"Nombre", "Apellido1", "Puerta", "Periodo_temporal", "FechaA", "FechaB"}));

    RecordingStudent denied(Columns(Student("1", "1", "1", "1")));
    AccessRules::Decide(denied, "12345678", '5', At("Sat Aug 15 10:00:00 2026\n"));
    EXPECT_EQ(denied.reads, (Reads{"Nombre", "Apellido1", "Puerta"}));
}

TEST(RulesReadOrder, AFailureAfterTheDoorTestNeverLeavesTheAccessToBeRecorded) {
    RecordingStudent student(Columns(Student("5", "0", "0", "1", "01/01/26", "31/12/26")),
                             "FechaA");
    const Verdict v = AccessRules::Decide(student, "12345678", '5', kWednesdayInMarch);
    EXPECT_FALSE(v.grant);
    EXPECT_FALSE(v.doorPermitted);
    EXPECT_FALSE(v.unregistered);
    EXPECT_EQ(v.nameFieldText, "Algun problema en BBDD");
    EXPECT_EQ(v.errorDescription, "database is locked");
}
