// A sheet of students checked row by row: every kind of bad row is refused with its line and
// field, and the forms spreadsheets write are stored as the programs store them.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "admin/StudentSheet.h"

using ::testing::HasSubstr;

namespace {

const std::string kHeader =
    "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;FechaB\n";
const std::string kGoodRow = "12345678;Ana;Pérez;Gil;1,3,;0;1;1;05/03/14;31/12/14\n";

std::string Faults(const admin::StudentSheet& sheet) {
    std::string text;
    for (const auto& fault : sheet.faults) {
        text += std::to_string(fault.line) + " [" + fault.field + "] " + fault.text + "\n";
    }
    return text;
}

}  // namespace

// One case per kind of fault: the row is refused, the good rows around it are kept, and the
// fault names the line and the column.
TEST(StudentSheet, EachKindOfBadRowIsRefusedWithItsLineAndField) {
    struct Case {
        const char* name;
        std::string row;
        const char* field;
        const char* says;
    };
    const Case cases[] = {
        {"DNI of seven digits", "1234567;Ana;Pérez;;;;;;;\n", "DNI", "tiene 7 cifras"},
        {"letter in the DNI", "12345678Z;Ana;Pérez;;;;;;;\n", "DNI", "solo puede tener cifras"},
        {"no DNI", ";Ana;Pérez;;;;;;;\n", "DNI", "falta el DNI"},
        {"door 9", "23456789;Ana;Pérez;;1,9;;;;;\n", "Puerta", "«9» no es una puerta"},
        {"door 0", "23456789;Ana;Pérez;;0;;;;;\n", "Puerta", "«0» no es una puerta"},
        {"door 13", "23456789;Ana;Pérez;;13;;;;;\n", "Puerta", "«13» no es una puerta"},
        {"flag 2", "23456789;Ana;Pérez;;;2;;;;\n", "Agosto", "no es 1 ni 0"},
        {"31 February", "23456789;Ana;Pérez;;;;;1;31/02/14;31/12/14\n", "FechaA",
         "«31/02/14» no existe"},
        {"month 13", "23456789;Ana;Pérez;;;;;1;01/01/14;01/13/14\n", "FechaB", "no existe"},
        {"not a date", "23456789;Ana;Pérez;;;;;1;marzo;31/12/14\n", "FechaA",
         "no es una fecha DD/MM/AA"},
        {"year beyond two digits", "23456789;Ana;Pérez;;;;;1;01/01/1999;31/12/14\n", "FechaA",
         "el año 1999"},
        {"period starting after its end", "23456789;Ana;Pérez;;;;;1;31/12/14;05/03/14\n", "FechaB",
         "antes de empezar"},
        {"period without its end", "23456789;Ana;Pérez;;;;;1;05/03/14;\n", "FechaB",
         "fecha de fin"},
        {"line break in a name", "23456789;\"Ana\nMaría\";Pérez;;;;;;;\n", "Nombre",
         "salto de línea"},
        {"too few fields", "23456789;Ana;Pérez\n", "", "tiene 3 campos y la cabecera 10"},
        {"too many fields", "23456789;Ana;Pérez;;;;;;;;de más\n", "",
         "tiene 11 campos y la cabecera 10"},
        {"DNI already in the file", "12345678;Otra;Ana;;;;;;;\n", "DNI", "ya está en la línea 2"},
        {"quotes left open", "23456789;\"Ana;Pérez;;;;;;;\n", "", "no se cierran"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto sheet = admin::ReadStudentSheet(
            kHeader + kGoodRow + test.row + "87654321;Luis;Sanz;;;;;;;\n", false);
        ASSERT_EQ(sheet.faults.size(), 1u) << Faults(sheet);
        EXPECT_EQ(sheet.faults[0].line, 3u);
        EXPECT_EQ(sheet.faults[0].field, test.field);
        EXPECT_THAT(sheet.faults[0].text, HasSubstr(test.says)) << Faults(sheet);
        // The good rows on either side are read all the same (except after an open quote,
        // which takes the rest of the file with it).
        ASSERT_FALSE(sheet.rows.empty());
        EXPECT_EQ(sheet.rows[0].student.dni, "12345678");
        EXPECT_EQ(sheet.rows[0].line, 2u);
    }
}

// Every fault of a row is told, not only the first. Which of two rows with one DNI is right is
// for the school to say: the later one is refused even when the first was refused for
// something else.
TEST(StudentSheet, EveryFaultOfARowIsToldAndItsDniStillCountsForTheRowsAfter) {
    const auto sheet = admin::ReadStudentSheet(
        kHeader + "12345678;Ana;Pérez;;9;x;;;;\n" + "12345678;Ana;Pérez;;1;;;;;\n", false);
    ASSERT_EQ(sheet.faults.size(), 3u) << Faults(sheet);
    EXPECT_EQ(sheet.faults[0].field, "Puerta");
    EXPECT_EQ(sheet.faults[1].field, "Agosto");
    EXPECT_EQ(sheet.faults[2].line, 3u);
    EXPECT_THAT(sheet.faults[2].text, HasSubstr("ya está en la línea 2"));
    EXPECT_TRUE(sheet.rows.empty());
}

TEST(StudentSheet, FilesWithoutAUsableHeaderAreRefusedWhole) {
    struct Case {
        const char* name;
        std::string text;
        std::size_t line;
        const char* says;
    };
    const Case cases[] = {
        {"empty file", "", 0, "está vacío"},
        {"only blank lines", "\r\n\r\n;;;\r\n", 0, "está vacío"},
        {"no header", kGoodRow, 1, "no existe"},
        {"misspelt column", "DNI;Nombre;Apellido1;Puertas\n", 1,
         "«Puertas», una columna que no existe"},
        {"required column missing", "DNI;Nombre\n" + kGoodRow, 1, "faltan las columnas Apellido1"},
        {"column named twice", "DNI;Nombre;Apellido1;dni\n", 1,
         "«dni» repite la columna DNI, ya nombrada en la columna 1"},
        {"not text", std::string("DNI;Nombre\n\0\0\0", 14), 2, "no es un archivo de texto"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto sheet = admin::ReadStudentSheet(test.text, false);
        ASSERT_FALSE(sheet.faults.empty());
        EXPECT_EQ(sheet.faults[0].line, test.line);
        EXPECT_THAT(sheet.faults[0].text, HasSubstr(test.says)) << Faults(sheet);
        EXPECT_TRUE(sheet.rows.empty());
    }
}

// Spreadsheets write dates, flags and door lists their own way; the table holds one form.
TEST(StudentSheet, WhatASpreadsheetWritesIsStoredAsTheProgramsStoreIt) {
    const auto sheet = admin::ReadStudentSheet(
        "dni,NOMBRE,Apellido1,Apellido2,Puerta,Agosto,Fin de semana,Periodo_temporal,FechaA,"
        "FechaB\r\n"
        "01234567,Nuño,Ibáñez,,\"1,3\",Sí,no,1,5/3/2014,2014-12-31\r\n"
        " 23456789 ,\" Ana \",Gil,,8 2 2,SI,NO,0,,\r\n"
        "34567890,Luis,Sanz,,\"1,2,3,4,5,6,7,8\",1,0,,05/03/14,05/03/14\r\n"
        ",,,,,,,,,\r\n",
        false);
    ASSERT_TRUE(sheet.faults.empty()) << Faults(sheet);
    ASSERT_EQ(sheet.rows.size(), 3u);
    // Names are kept exactly as written; an empty Periodo_temporal reads as off, its dates kept.
    const accessdb::StudentRecord expected[] = {
        {"01234567", "Nuño", "Ibáñez", "", "1,3,", "1", "0", "1", "05/03/14", "31/12/14"},
        {"23456789", " Ana ", "Gil", "", "2,8", "1", "0", "0", "", ""},
        {"34567890", "Luis", "Sanz", "", "1,2,3,4,5,6,7,8", "1", "0", "0", "05/03/14", "05/03/14"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(admin::StudentSheetLine(sheet.rows[i].student),
                  admin::StudentSheetLine(expected[i]));
    }
    EXPECT_EQ(sheet.rows[2].line, 4u);
}

TEST(StudentSheet, OptionalColumnsTakeANewStudentsValuesUnlessAnUpdateNeedsThemAll) {
    const std::string sheetText = "Apellido1;DNI;Nombre\nPérez;12345678;Ana\n";
    const auto sheet = admin::ReadStudentSheet(sheetText, false);
    ASSERT_TRUE(sheet.faults.empty()) << Faults(sheet);
    const accessdb::StudentRecord expected{"12345678", "Ana", "Pérez", "", "",
                                           "0",        "0",   "0",     "", ""};
    EXPECT_EQ(admin::StudentSheetLine(sheet.rows.at(0).student), admin::StudentSheetLine(expected));

    // An update replaces every column: a sheet that leaves some out would wipe them.
    const auto update = admin::ReadStudentSheet(sheetText, true);
    ASSERT_EQ(update.faults.size(), 1u);
    EXPECT_THAT(update.faults[0].text, HasSubstr("--update"));
    EXPECT_THAT(update.faults[0].text, HasSubstr("Apellido2, Puerta, Agosto"));
    EXPECT_TRUE(update.rows.empty());
}

// Once a cell to the right of the sheet was touched, spreadsheets save empty columns after the
// last one: a column the header leaves unnamed is no column of the table, and is ignored while
// no row holds anything in it.
TEST(StudentSheet, ColumnsTheHeaderLeavesUnnamedAreIgnoredWhileNoRowFillsThem) {
    struct Case {
        const char* name;
        std::string text;
    };
    const Case cases[] = {
        {"empty columns after the last, ;",
         "DNI;Nombre;Apellido1;Apellido2;;;\n12345678;Ana;Pérez;Gil;;;\n23456789;Luis;Sanz;;;;\n"},
        {"empty columns after the last, commas and CR LF",
         "DNI,Nombre,Apellido1,Apellido2,,,\r\n12345678,Ana,Pérez,Gil,,,\r\n"
         "23456789,Luis,Sanz,,,,\r\n"},
        {"rows without the empty columns",
         "DNI;Nombre;Apellido1;Apellido2;;\n"
         "12345678;Ana;Pérez;Gil\n23456789;Luis;Sanz;;\n"},
        {"a blank header cell",
         "DNI;Nombre;Apellido1;Apellido2; ;\n"
         "12345678;Ana;Pérez;Gil; ;\n23456789;Luis;Sanz;;;\n"},
        {"an empty column between two",
         "DNI;;Nombre;Apellido1;Apellido2\n"
         "12345678;;Ana;Pérez;Gil\n23456789;;Luis;Sanz;\n"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const auto sheet = admin::ReadStudentSheet(test.text, false);
        ASSERT_TRUE(sheet.faults.empty()) << Faults(sheet);
        ASSERT_EQ(sheet.rows.size(), 2u);
        EXPECT_EQ(sheet.rows[0].student.nombre, "Ana");
        EXPECT_EQ(sheet.rows[0].student.apellido2, "Gil");
        EXPECT_EQ(sheet.rows[1].student.dni, "23456789");
        EXPECT_EQ(sheet.rows[1].line, 3u);
    }

    // A value under an unnamed column belongs to no column of the table: its row is refused,
    // the column told by its position, every other fault of the row as well.
    const auto sheet = admin::ReadStudentSheet(
        "DNI;Nombre;Apellido1;Apellido2;;;\n12345678;Ana;Pérez;Gil;;;\n"
        "23456789;Luis;Sanz;;;2º B;\n"
        "3456789;Eva;Ruiz;;x;;y\n",
        false);
    ASSERT_EQ(sheet.rows.size(), 1u);
    EXPECT_EQ(sheet.rows[0].student.dni, "12345678");
    ASSERT_EQ(sheet.faults.size(), 4u) << Faults(sheet);
    EXPECT_EQ(sheet.faults[0].line, 3u);
    EXPECT_EQ(sheet.faults[0].column, 6u);
    EXPECT_EQ(sheet.faults[0].field, "");
    EXPECT_THAT(sheet.faults[0].text,
                HasSubstr("«2º B» está en una columna que la cabecera no nombra"))
        << Faults(sheet);
    EXPECT_EQ(sheet.faults[1].line, 4u);
    EXPECT_EQ(sheet.faults[1].field, "DNI");
    EXPECT_EQ(sheet.faults[2].column, 5u);
    EXPECT_EQ(sheet.faults[3].column, 7u);
}
