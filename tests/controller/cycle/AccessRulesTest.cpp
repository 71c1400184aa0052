#include <gtest/gtest.h>

#include <map>

#include "accessdb/DatabaseError.h"
#include "controller/cycle/AccessRules.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using namespace tarvo;

namespace {

using accessdb::StudentRecord;

// "Www Mmm dd hh:mm:ss yyyy\n" as ctime writes it.
ClockFields At(const char* clockText) { return ClockFields::FromClockText(clockText); }

// The verdict as "<grant, door permitted, restricted, unregistered>|display name|name field|
// DNI field", a field left alone shown as "~".
std::string Summary(const Verdict& v) {
    return std::string(v.grant ? "G" : "-") + (v.doorPermitted ? "P" : "-") +
           (v.restricted ? "R" : "-") + (v.unregistered ? "U" : "-") + "|" + v.displayName + "|" +
           v.nameFieldText.value_or("~") + "|" + v.dniFieldText.value_or("~");
}

struct RuleCase {
    StudentRecord student;
    char door;
    const char* now;
    std::string verdict;
    const char* dni = "12345678";
};

const char* const kWednesday = "Wed Mar 11 09:41:07 2026\n";
const char* const kAugustSaturday = "Sat Aug 15 10:00:00 2026\n";
const std::string kGrant = "GP--|Ana   Pérez|~|~";  // the fields are left alone
const std::string kGrantShown = "GP--|Ana   Pérez|Ana   Pérez|12345678";  // a period was read
const std::string kRestricted = "--R-|Ana   Pérez|Ana   Pérez|Acceso restringido temporalmente";
const std::string kNotListed = "----|Ana   Pérez|Ana   Pérez|No posee autorizacion al recinto ";
const std::string kRefused = "----||Algun problema en BBDD|~";
const StudentRecord kMarch10To20 = Student("5", "0", "0", "1", "10/03/26", "20/03/26");

StudentRecord LongNames() {
    StudentRecord s = Student(std::string(19, ',') + "5");  // door 5 beyond the 19 kept
    s.nombre = "Maximiliano Alejandro Bartolomé";
    s.apellido1 = "Fernández-Villaverde de la Concepción";
    return s;
}

// clang-format off
const RuleCase kRuleCases[] = {
    {Student("1,3,5,"), '3', kWednesday, kGrant},
    {Student("1,3,5,"), '2', kWednesday, kNotListed},
    {Student("1,2,3,4,5,6,7,8"), '0', kWednesday,
     "----|Ana   Pérez|Ana   Pérez|Elija recinto a acceder "},
    {Student(""), '1', kWednesday, kNotListed},
    // A restriction counts as denied.
    {Student("5", "1", "0", "1", "01/01/26", "31/12/26"), '5', kAugustSaturday, kRestricted},
    {Student("5", "0", "1"), '5', kAugustSaturday, kRestricted},
    {Student("5"), '5', "Sun Mar  8 10:00:00 2026\n", kGrant},
    {Student("5", "1", "1"), '5', kWednesday, kGrant},
    // Both boundary days of a period lie outside it; two-digit years are this century's.
    {kMarch10To20, '5', "Tue Mar 10 08:00:00 2026\n", kGrantShown},
    {kMarch10To20, '5', "Wed Mar 11 08:00:00 2026\n", kRestricted},
    {kMarch10To20, '5', "Thu Mar 19 08:00:00 2026\n", kRestricted},
    {kMarch10To20, '5', "Fri Mar 20 08:00:00 2026\n", kGrantShown},
    {kMarch10To20, '5', "Wed Mar 11 08:00:00 2027\n", kGrantShown},
    {kMarch10To20, '5', "Mon Apr  6 08:00:00 2026\n", kGrantShown},
    {Student("5", "0", "0", "1", "20/12/25", "10/01/26"), '5', "Thu Jan  1 08:00:00 2026\n",
     kRestricted},
    {Student("5", "0", "0", "1", "30/11/26", "02/12/26"), '5', "Tue Dec  1 08:00:00 2026\n",
     kRestricted},
    {Student("5", "0", "0", "1", "01/03/2026", "31/03/2026"), '5', kWednesday, kRestricted},
    {Student("5", "0", "0", "1", "", ""), '5', kWednesday, kGrantShown},  // no dates: unrestricted
    {Student("5"), '5', kWednesday, "-P-U|Acceso denegado|Nombre no registrado|~", "87654321"},
    {Student("1,2,3,4,5,6,7,8"), '5', kWednesday, kRefused, "1 OR 1=1"},
    {Student("1,2,3,4,5,6,7,8"), '5', kWednesday, kRefused, "1234567A"},
    {LongNames(), '5', kWednesday,  // cut to the working widths: 39 characters shown
     "----|Maximiliano Alejandro Bartolomé   Ferná|Maximiliano Alejandro Bartolomé   Ferná|"
     "No posee autorizacion al recinto "},
};
// clang-format on

TEST(RulesOnAFile, EachRowGivesItsVerdict) {
    for (const RuleCase& c : kRuleCases) {
        const StudentRecord& s = c.student;
        SCOPED_TRACE(c.dni + (" " + s.puerta) + " " + s.agosto + s.finDeSemana + s.periodoTemporal +
                     " " + s.fechaA + "-" + s.fechaB + " door " + c.door + " at " + c.now);
        TempFolder folder;
        Register(folder / "Alumnos.mdb", {s});
        auto db =
            accessdb::Connection::Open(folder / "Alumnos.mdb", accessdb::OpenMode::ExistingOnly);
        const Verdict v = AccessRules::Decide(db, c.dni, c.door, At(c.now));
        EXPECT_EQ(Summary(v), c.verdict);
        EXPECT_EQ(v.errorDescription.has_value(), c.verdict == kRefused);
        if (v.errorDescription) {
            EXPECT_NE(v.errorDescription->find("ocho cifras"), std::string::npos);
        }
    }
}

}  // namespace
