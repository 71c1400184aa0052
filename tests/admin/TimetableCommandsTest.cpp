// tarvo-admin's timetables and school calendar on a real database file, run as a script runs
// it: the Horario column of the student sheet, `calendario import|export` with iCalendar files
// and sheets of dates, and `horarios`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "accessdb/Timetables.h"
#include "support/StudentDatabase.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class TimetableCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        Register(database, {{"12345678", "Ana", "Pérez", "Gil", "1,3,", "0", "0", "0", "", ""},
                            {"01234567", "Nuño", "Ibáñez", "", "8", "0", "0", "0", "", ""}});
        auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        accessdb::TimetableStore store(db.Session());
        accessdb::Timetable pupils{"Alumnado", false, {}};
        for (int day = 0; day < 5; ++day) {
            pupils.dias[day] = {{465, 915}};
        }
        store.Save(pupils);
        accessdb::Timetable staff{"Personal", true, {}};
        for (auto& day : staff.dias) {
            day = {{0, 1440}};
        }
        store.Save(staff);
        store.AssignDoor('8', "Personal");
    }

    AdminRun Admin(const std::string& arguments) {
        return RunAdminProgram(
            arguments, "cd " + ShellQuoted(folder.Path().string()) + " && env -u TARVO_DATABASE");
    }
    Rows Assignments() {
        return Sql(database, "SELECT DNI || '=' || Horario FROM Horarios_alumnos ORDER BY DNI");
    }
    Rows Calendar(const std::filesystem::path& file) {
        return Sql(file,
                   "SELECT Desde || '..' || Hasta || ' ' || Descripcion FROM Calendario"
                   " ORDER BY Desde");
    }

    TempFolder folder;
    std::filesystem::path database = folder / "Alumnos.mdb";
};

const std::string kHeader =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB;"
    "Horario\n";

}  // namespace

TEST_F(TimetableCommands, TheSheetsHorarioGivesEachStudentATimetableAndANameThatIsNoneIsRefused) {
    WriteFile(folder / "nuevos.csv",
              "DNI;Nombre;Apellido1;Horario\n"
              "23456789;Luis;Sanz;Alumnado\n"
              "34567890;Eva;Ruiz; Personal \n"
              "45678901;Iker;Mora;Alumnos\n"
              "56789012;Sara;Vidal;\n");
    const AdminRun refused = Admin("import nuevos.csv");
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_THAT(refused.err, HasSubstr("nuevos.csv, línea 4, campo Horario: no hay ningún horario "
                                       "«Alumnos»; los horarios son «Alumnado» y «Personal»"));
    EXPECT_EQ(Sql(database, "SELECT count(*) FROM Alumnos"), Rows{"2"});
    EXPECT_TRUE(Assignments().empty());

    const AdminRun skipped = Admin("import nuevos.csv --skip-bad");
    EXPECT_EQ(skipped.exitCode, 4);
    EXPECT_EQ(skipped.out, "Importados 3 alumnos (3 nuevos, 0 actualizados), 2 con horario.\n");
    EXPECT_EQ(Assignments(), (Rows{"23456789=Alumnado", "34567890=Personal"}));

    // Exported with its Horario, the sheet reads back as it was; an empty cell takes the
    // timetable away, and a sheet without the column leaves them all as they are.
    const AdminRun exported = Admin("export students");
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_THAT(exported.out, HasSubstr(kHeader));
    EXPECT_THAT(exported.out, HasSubstr("\n23456789;Luis;Sanz;;;0;0;0;;;Alumnado\n"));
    EXPECT_THAT(exported.out, HasSubstr("\n12345678;Ana;Pérez;Gil;1,3,;0;0;0;;;\n"));
    WriteFile(folder / "todos.csv", exported.out);
    EXPECT_EQ(Admin("import todos.csv --update").exitCode, 0);
    EXPECT_EQ(Admin("export students").out, exported.out);

    WriteFile(folder / "cambio.csv", kHeader + "23456789;Luis;Sanz;;;0;0;0;;;\n" +
                                         "12345678;Ana;Pérez;Gil;1,3,;0;0;0;;;Personal\n");
    EXPECT_EQ(Admin("import cambio.csv --update").exitCode, 0);
    EXPECT_EQ(Assignments(), (Rows{"12345678=Personal", "34567890=Personal"}));
    WriteFile(folder / "sin.csv",
              "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;"
              "FechaA;FechaB\n12345678;Ana;Pérez;Gil;1,3,;0;0;0;;\n");
    const AdminRun without = Admin("import sin.csv --update");
    EXPECT_EQ(without.out, "Importados 1 alumno (0 nuevos, 1 actualizado).\n");
    EXPECT_EQ(Assignments(), (Rows{"12345678=Personal", "34567890=Personal"}));
}

const std::string kRegionalCalendar =
    "BEGIN:VCALENDAR\r\n"
    "VERSION:2.0\r\n"
    "PRODID:-//Consejería de Educación//Calendario escolar 2026-2027//ES\r\n"
    "BEGIN:VEVENT\r\nUID:navidad@junta\r\nDTSTAMP:20260701T080000Z\r\n"
    "DTSTART;VALUE=DATE:20261223\r\nDTEND;VALUE=DATE:20270108\r\nSUMMARY:Navidad\r\n"
    "END:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:pilar@junta\r\nDTSTAMP:20260701T080000Z\r\n"
    "DTSTART;VALUE=DATE:20261012\r\nDURATION:P1D\r\nSUMMARY:Fiesta nacional\r\n"
    "RRULE:FREQ=YEARLY\r\nEXDATE;VALUE=DATE:20271012\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:inmaculada@junta\r\nDTSTAMP:20260701T080000Z\r\n"
    "DTSTART;VALUE=DATE:20261208\r\nSUMMARY:Inmaculada\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:claustro@centro\r\nDTSTAMP:20260701T080000Z\r\n"
    "DTSTART;TZID=Europe/Madrid:20261015T170000\r\nDTEND;TZID=Europe/Madrid:20261015T190000\r\n"
    "SUMMARY:Reunión de familias\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:anulado@centro\r\nDTSTAMP:20260701T080000Z\r\n"
    "DTSTART;VALUE=DATE:20261102\r\nSUMMARY:Puente\r\nSTATUS:CANCELLED\r\nEND:VEVENT\r\n"
    "BEGIN:VEVENT\r\nUID:semana@centro\r\nDTSTAMP:20260701T080000Z\r\n"
    "DTSTART;VALUE=DATE:20270322\r\nDTEND;VALUE=DATE:20270327\r\n"
    "SUMMARY:Semana Santa\\, vacaciones\r\nEND:VEVENT\r\n"
    "END:VCALENDAR\r\n";

TEST_F(TimetableCommands, ARegionalICalendarBecomesDaysWithoutSchoolAndExportsToTheSameDays) {
    WriteFile(folder / "calendario.ics", kRegionalCalendar);
    const AdminRun imported = Admin("calendario import calendario.ics");
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    // The yearly holiday is taken up to the end of the year after next (the test's clock is
    // the machine's own: 2026 or later), less the year it is excluded.
    const Rows days = Calendar(database);
    EXPECT_THAT(days, ::testing::IsSupersetOf({"2026-10-12..2026-10-12 Fiesta nacional",
                                               "2026-12-08..2026-12-08 Inmaculada",
                                               "2026-12-23..2027-01-07 Navidad",
                                               "2027-03-22..2027-03-26 Semana Santa, vacaciones",
                                               "2028-10-12..2028-10-12 Fiesta nacional"}));
    EXPECT_THAT(days, Not(::testing::Contains("2027-10-12..2027-10-12 Fiesta nacional")));
    EXPECT_THAT(days, Not(::testing::Contains(HasSubstr("Puente"))));
    EXPECT_THAT(imported.err, HasSubstr("calendario.ics: se deja fuera «Reunión de familias» "
                                        "(15/10/2026): tiene hora, y solo los días enteros son "
                                        "días sin clase."));
    EXPECT_THAT(imported.err, HasSubstr("el evento «Fiesta nacional» (12/10/2026) se repite más "
                                        "allá del 31/12/"));
    EXPECT_THAT(imported.out, HasSubstr("Importados " + std::to_string(days.size()) +
                                        " periodos sin clase de calendario.ics"));

    // Imported twice, nothing doubles.
    EXPECT_EQ(Admin("calendario import calendario.ics").exitCode, 0);
    EXPECT_EQ(Calendar(database), days);

    const AdminRun exported = Admin("calendario export");
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    EXPECT_TRUE(exported.out.starts_with("BEGIN:VCALENDAR\r\n"));
    EXPECT_THAT(exported.out, HasSubstr("DTSTART;VALUE=DATE:20261223\r\n"
                                        "DTEND;VALUE=DATE:20270108\r\n"));
    // Every event carries what RFC 5545 asks of one: its UID and DTSTAMP.
    const auto count = [&](const std::string& what) {
        std::size_t n = 0;
        for (std::size_t at = 0; (at = exported.out.find(what, at)) != std::string::npos; ++at) {
            ++n;
        }
        return n;
    };
    EXPECT_EQ(count("BEGIN:VEVENT"), days.size());
    EXPECT_EQ(count("\r\nUID:"), days.size());
    EXPECT_EQ(count("\r\nDTSTAMP:"), days.size());

    TempFolder other;
    Register(other / "Alumnos.mdb", {});
    WriteFile(other / "exportado.ics", exported.out);
    const AdminRun again = RunAdminProgram("calendario import exportado.ics",
                                           "cd " + ShellQuoted(other.Path().string()) + " &&");
    ASSERT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.err, "");
    EXPECT_EQ(Calendar(other / "Alumnos.mdb"), days);
}

TEST_F(TimetableCommands, ASheetOfDatesIsReadWholeOrNotAtAll) {
    WriteFile(folder / "fiestas.csv",
              "Desde;Hasta;Descripcion\n"
              "24/02/2027;;Fiesta local\n"
              "2027-04-30;03/05/2027;Puente de mayo\n"
              "31/02/2027;;Mal día\n"
              "10/06/2027;09/06/2027;Al revés\n");
    const AdminRun refused = Admin("calendario import fiestas.csv");
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_THAT(refused.err,
                HasSubstr("línea 4, campo Desde: «31/02/2027» no es un día DD/MM/AAAA ni "
                          "AAAA-MM-DD"));
    EXPECT_THAT(refused.err, HasSubstr("línea 5, campo Hasta: el último día (09/06/2027) es "
                                       "anterior al primero (10/06/2027)"));
    EXPECT_TRUE(Calendar(database).empty());

    WriteFile(folder / "fiestas.csv",
              "Desde;Hasta;Descripcion\n"
              "24/02/2027;;Fiesta local\n"
              "2027-04-30;03/05/2027;Puente de mayo\n");
    EXPECT_EQ(Admin("calendario import fiestas.csv").exitCode, 0);
    EXPECT_EQ(Calendar(database), (Rows{"2027-02-24..2027-02-24 Fiesta local",
                                        "2027-04-30..2027-05-03 Puente de mayo"}));
    const AdminRun sheet = Admin("calendario export --csv");
    EXPECT_EQ(sheet.out,
              "Desde;Hasta;Descripcion\n"
              "24/02/2027;24/02/2027;Fiesta local\n"
              "30/04/2027;03/05/2027;Puente de mayo\n");

    WriteFile(folder / "roto.ics", "BEGIN:VCALENDAR\r\nesto no es un calendario\r\n");
    const AdminRun broken = Admin("calendario import roto.ics");
    EXPECT_NE(broken.exitCode, 0);
    EXPECT_EQ(Calendar(database).size(), 2u);
    EXPECT_EQ(Admin("calendario").exitCode, 2);
    EXPECT_EQ(Admin("calendario import").exitCode, 2);
    EXPECT_EQ(Admin("calendario export fiestas.csv").exitCode, 2);
}

TEST_F(TimetableCommands, HorariosListsEachTimetableItsDaysAndWhoKeepsToIt) {
    auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
    accessdb::TimetableStore store(db.Session());
    store.AssignStudent("12345678", "Alumnado");
    store.AssignStudent("01234567", "Alumnado");
    store.AssignDoor('3', "Alumnado");
    store.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});
    const AdminRun listed = Admin("horarios");
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(listed.out,
              "Alumnado (solo los días con clase)\n"
              "  lunes a viernes: 07:45-15:15\n"
              "  sábado y domingo: cerrado\n"
              "  puertas: 3\n"
              "  alumnos: 2 (01234567, 12345678)\n"
              "Personal (vale también los días sin clase)\n"
              "  lunes a domingo: 00:00-24:00\n"
              "  puertas: 8\n"
              "  alumnos: 0\n"
              "Calendario: 1 periodo sin clase (calendario export los escribe).\n");
}

// Moving a site takes its timetables, who keeps to them and its calendar along, checked.
TEST_F(TimetableCommands, ACopyOfTheSiteCarriesItsTimetablesAndCalendar) {
    {
        auto db = accessdb::Connection::Open(database, accessdb::OpenMode::ExistingOnly);
        accessdb::TimetableStore store(db.Session());
        store.AssignStudent("12345678", "Alumnado");
        store.AddCalendarRange({"2026-12-23", "2027-01-07", "Navidad"});
    }
    const auto everything = [](const std::filesystem::path& file) {
        return Sql(file,
                   "SELECT Nombre || Dias_sin_clase FROM Horarios ORDER BY Nombre;"
                   "SELECT Horario || Dia || '/' || Desde || '-' || Hasta FROM Tramos"
                   " ORDER BY Horario, Dia;"
                   "SELECT DNI || Horario FROM Horarios_alumnos;"
                   "SELECT Puerta || Horario FROM Horarios_puertas;"
                   "SELECT Desde || Hasta || Descripcion FROM Calendario");
    };
    const auto copy = folder / "copia.mdb";
    const AdminRun copied = RunAdminProgram("copy " + ShellQuoted(database.string()) + " " +
                                            ShellQuoted(copy.string()));
    ASSERT_EQ(copied.exitCode, 0) << copied.err;
    EXPECT_THAT(copied.out, HasSubstr("Copiados 2 horarios (1 alumnos y 1 puertas con horario) y "
                                      "1 periodos sin clase."));
    EXPECT_EQ(everything(copy), everything(database));
    EXPECT_EQ(everything(copy).size(), 2u + 12u + 1u + 1u + 1u);

    // A target with days without school of its own but no students: the students go, the
    // calendar is not mixed, and the script is told.
    const auto other = folder / "otra.mdb";
    Register(other, {});
    Sql(other, "INSERT INTO Calendario VALUES ('2027-02-24', '2027-02-24', 'Fiesta local')");
    const AdminRun mixed = RunAdminProgram("copy " + ShellQuoted(database.string()) + " " +
                                           ShellQuoted(other.string()));
    EXPECT_EQ(mixed.exitCode, 1);
    EXPECT_THAT(mixed.err, HasSubstr("El destino ya tiene horarios o días sin clase"));
    EXPECT_EQ(Sql(other,
                  "SELECT count(*) FROM Alumnos; SELECT count(*) FROM Horarios;"
                  " SELECT Descripcion FROM Calendario"),
              (Rows{"2", "0", "Fiesta local"}));
}
