// A station's copy of the students kept from a real server: read whole at the first pass, only
// confirmed while the students do not change (the file left as it was), read again after a
// console's change, loaded from the station's folder by a station started while its server is
// away; and the station's row of Puestos written at each pass.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestServer.h"
#include "accessdb/Connection.h"
#include "accessdb/Timetables.h"
#include "controller/offline/CopyKeeper.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"
#include "tests/controller/cycle/CycleFakes.h"

using namespace accessdb;
namespace tarvo {}
using namespace tarvo;
using namespace std::chrono_literals;

namespace {

struct FileStamp {
    ino_t inode = 0;
    bool operator==(const FileStamp&) const = default;
};

FileStamp StampOf(const std::filesystem::path& file) {
    struct stat info {};
    return ::stat(file.c_str(), &info) == 0 ? FileStamp{info.st_ino} : FileStamp{};
}

}  // namespace

TEST(StationCopy, TheCopyIsReadWhenTheStudentsChangeAndOnlyConfirmedOtherwise) {
    const testserver::PrivateSchema schema;
    const StorageLocation site = schema.Location();
    Connection console = Connection::Open(site, OpenMode::CreateIfMissing);
    console.AddStudent(Student());
    console.SaveStudent(Student("1,5,"));
    TempFolder state;
    cyclefakes::FakeClock clock;
    CopyKeeper keeper(site, state / "p5", "p5", clock, 0s);
    EXPECT_FALSE(keeper.Copy());

    ASSERT_TRUE(keeper.Pass()) << keeper.LastProblem();
    ASSERT_TRUE(keeper.Copy());
    EXPECT_EQ(keeper.Copy()->students.size(), 1u);
    EXPECT_EQ(keeper.Copy()->Find("12345678")->puerta, "1,5,");
    EXPECT_EQ(keeper.Copy()->limitHours, kDefaultOfflineHours);
    const FileStamp first = StampOf(state / "p5" / "copia");

    clock.now += 60;
    keeper.Tell({clock.now - 30, 2});
    ASSERT_TRUE(keeper.Pass());
    EXPECT_EQ(StampOf(state / "p5" / "copia"), first);  // unchanged: only confirmed
    EXPECT_EQ(keeper.Copy()->currentAt, clock.now);
    const std::vector<StationReport> rows = console.ListStations();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].nombre, "p5");
    EXPECT_EQ(rows[0].ultimoContacto, ReportedTime(clock.now));
    EXPECT_EQ(rows[0].sinServidorDesde, ReportedTime(clock.now - 30));
    EXPECT_EQ(rows[0].pendientes, 2);
    EXPECT_EQ(rows[0].copiaDe, ReportedTime(clock.now));

    console.SaveStudent(Student("3"));
    console.SetOfflineLimitHours(6);
    ASSERT_TRUE(keeper.Pass());
    EXPECT_NE(StampOf(state / "p5" / "copia"), first);
    EXPECT_EQ(keeper.Copy()->Find("12345678")->puerta, "3");
    EXPECT_EQ(keeper.Copy()->limitHours, 6);

    // A timetable given to the student, and a day without school, are changes the copy follows.
    const FileStamp second = StampOf(state / "p5" / "copia");
    TimetableStore timetables(console.Session());
    Timetable mornings;
    mornings.nombre = "Mañanas";
    mornings.dias[0] = {{480, 900}};
    timetables.Save(mornings);
    timetables.AssignStudent("12345678", "Mañanas");
    timetables.AssignDoor('5', "Mañanas");
    timetables.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});
    ASSERT_TRUE(keeper.Pass());
    EXPECT_NE(StampOf(state / "p5" / "copia"), second);
    const CardTimetables card = keeper.Copy()->TimetablesFor("12345678", '5', "2026-12-24", 1);
    ASSERT_TRUE(card.alumno && card.puerta);
    EXPECT_EQ(card.alumno->tramos, (std::vector<TimetableSegment>{{480, 900}}));
    EXPECT_EQ(card.puerta->nombre, "Mañanas");
    EXPECT_EQ(card.diaSinClase, "Navidad");

    // A station started while its server is away decides on what it saved.
    const StorageLocation away = StorageLocation::Server("host=/nonexistent port=1");
    CopyKeeper restarted(away, state / "p5", "p5", clock, 0s);
    ASSERT_TRUE(restarted.Copy());
    EXPECT_EQ(restarted.Copy()->Find("12345678")->puerta, "3");
    EXPECT_EQ(restarted.Copy()->currentAt, clock.now);
    EXPECT_FALSE(restarted.Pass());
    EXPECT_NE(restarted.LastProblem().find("servidor"), std::string::npos)
        << restarted.LastProblem();
}
