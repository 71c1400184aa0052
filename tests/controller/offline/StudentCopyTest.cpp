// The station's copy of the students as it keeps it on disk and decides on it: read back as it
// was written, whatever the names hold; none when what is there is not a whole copy; its age
// against the site's limit.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "controller/offline/StudentCopy.h"
#include "support/TempFolder.h"

using namespace tarvo;

namespace {

accessdb::StudentRecord Row(std::string dni, std::string nombre) {
    return {std::move(dni), std::move(nombre), "Pérez", "", "1,5,", "0", "1", "0", "", ""};
}

StudentCopy Copy() {
    StudentCopy copy;
    copy.students = {Row("02345678", "Ana\tMaría\\"), Row("12345678", "Luis\nJosé"),
                     Row("22345678", "")};
    accessdb::Timetable pupils;
    pupils.nombre = "Alumnado\t1";
    pupils.dias[0] = {{465, 915}};
    pupils.dias[3] = {{465, 600}, {660, 915}};
    accessdb::Timetable staff;
    staff.nombre = "Personal";
    staff.diasSinClase = true;
    copy.timetables = {pupils, staff};
    copy.studentTimetables = {{"12345678", "Alumnado\t1"}, {"22345678", "Personal"}};
    copy.doorTimetables[4] = "Personal";
    copy.calendar = {{"2026-12-23", "2027-01-07", "Navidad"}, {"2027-03-19", "2027-03-19", ""}};
    copy.changes = 41;
    copy.limitHours = 24;
    copy.currentAt = 1'700'000'000;
    return copy;
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 0777) : 0;
}

}  // namespace

TEST(StudentCopyTest, ASavedCopyReadsBackWholeAndOnlyItsUserMayReadIt) {
    TempFolder temp;
    const std::filesystem::path folder = temp / "p5";
    SaveCopy(folder, Copy());
    const std::optional<StudentCopy> read = LoadCopy(folder);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->students.size(), 3u);
    EXPECT_EQ(read->students[0].nombre, "Ana\tMaría\\");
    EXPECT_EQ(read->students[1].nombre, "Luis\nJosé");
    EXPECT_EQ(read->students[2].finDeSemana, "1");
    EXPECT_EQ(read->timetables, Copy().timetables);
    EXPECT_EQ(read->studentTimetables, Copy().studentTimetables);
    EXPECT_EQ(read->doorTimetables, Copy().doorTimetables);
    EXPECT_EQ(read->calendar, Copy().calendar);
    EXPECT_EQ(read->changes, 41);
    EXPECT_EQ(read->limitHours, 24);
    EXPECT_EQ(read->currentAt, 1'700'000'000);
    EXPECT_EQ(read->Find("12345678")->nombre, "Luis\nJosé");
    EXPECT_FALSE(read->Find("12345679"));
    EXPECT_FALSE(read->Find(""));
    EXPECT_EQ(ModeOf(folder), 0700u);
    EXPECT_EQ(ModeOf(folder / "copia"), 0600u);
    EXPECT_EQ(ModeOf(folder / "copia-vigente"), 0600u);
    EXPECT_FALSE(std::filesystem::exists(folder / "copia.nuevo"));
}

// A confirmation moves the copy's time on; one left from another copy (another count of
// changes) does not, and neither does one that is not whole.
TEST(StudentCopyTest, OnlyAConfirmationOfTheSameCopyMovesItsTime) {
    TempFolder temp;
    StudentCopy copy = Copy();
    SaveCopy(temp.Path(), copy);
    copy.currentAt += 600;
    copy.limitHours = 2;
    SaveConfirmation(temp.Path(), copy);
    EXPECT_EQ(LoadCopy(temp.Path())->currentAt, copy.currentAt);
    EXPECT_EQ(LoadCopy(temp.Path())->limitHours, 2);

    StudentCopy other = copy;
    other.changes = 42;
    other.currentAt += 600;
    SaveConfirmation(temp.Path(), other);
    EXPECT_EQ(LoadCopy(temp.Path())->currentAt, Copy().currentAt);
    std::ofstream(temp / "copia-vigente") << "41\t";
    EXPECT_EQ(LoadCopy(temp.Path())->currentAt, Copy().currentAt);
}

TEST(StudentCopyTest, WhatIsNotAWholeCopyIsNone) {
    TempFolder temp;
    EXPECT_FALSE(LoadCopy(temp.Path()));
    SaveCopy(temp.Path(), Copy());
    std::string text;
    {
        std::ifstream in(temp / "copia", std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), {});
    }
    const auto written = [&](const std::string& contents) {
        std::ofstream(temp / "copia", std::ios::binary | std::ios::trunc) << contents;
        return LoadCopy(temp.Path()).has_value();
    };
    EXPECT_TRUE(written(text));
    EXPECT_FALSE(written(text.substr(0, text.rfind("fin"))));    // cut before its end
    EXPECT_FALSE(written(text.substr(0, text.find('\n') + 5)));  // cut inside a row
    std::string miscounted = text;
    miscounted.replace(miscounted.rfind("fin\t"), std::string::npos, "fin\t2\n");
    EXPECT_FALSE(written(miscounted));
    EXPECT_FALSE(written("tarvo copia de alumnos 9\t41\t0\t24\nfin\t0\n"));
    EXPECT_FALSE(written(""));
}

// What applies to a card, read from the copy as the server's statement reads it: the student's
// and the door's timetable on that weekday, and the day's description when it is without school.
TEST(StudentCopyTest, ACardsTimetablesAreReadFromTheCopy) {
    const StudentCopy copy = Copy();
    const accessdb::CardTimetables thursday = copy.TimetablesFor("12345678", '5', "2027-01-07", 4);
    ASSERT_TRUE(thursday.alumno && thursday.puerta && thursday.diaSinClase);
    EXPECT_EQ(thursday.alumno->nombre, "Alumnado\t1");
    EXPECT_EQ(thursday.alumno->tramos,
              (std::vector<accessdb::TimetableSegment>{{465, 600}, {660, 915}}));
    EXPECT_EQ(thursday.puerta->nombre, "Personal");
    EXPECT_TRUE(thursday.puerta->diasSinClase);
    EXPECT_EQ(*thursday.diaSinClase, "Navidad");
    const accessdb::CardTimetables after = copy.TimetablesFor("02345678", '3', "2027-01-08", 5);
    EXPECT_FALSE(after.alumno || after.puerta || after.diaSinClase);
    EXPECT_EQ(copy.TimetablesFor("22345678", '1', "2027-03-19", 5).diaSinClase, "");
    EXPECT_TRUE(copy.TimetablesFor("22345678", '1', "2027-03-19", 5).alumno->tramos.empty());
}

// Younger than the limit, and not at it; a limit of 0 never; a clock set back before the copy
// was current gives it no age rather than a negative one.
TEST(StudentCopyTest, ACopyDecidesWhileYoungerThanTheLimit) {
    StudentCopy copy = Copy();
    const std::time_t at = copy.currentAt;
    EXPECT_TRUE(copy.UsableAt(at));
    EXPECT_TRUE(copy.UsableAt(at + 24 * 3600 - 1));
    EXPECT_FALSE(copy.UsableAt(at + 24 * 3600));
    EXPECT_TRUE(copy.UsableAt(at - 3 * 24 * 3600));
    copy.limitHours = 0;
    EXPECT_FALSE(copy.UsableAt(at));
}
