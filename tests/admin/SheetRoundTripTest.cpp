// The sheet of students round trip on real files: what `export students` writes, `import` reads
// back into an empty database unchanged, whichever encoding, separator and line ends a
// spreadsheet saved it with.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "AdminProcess.h"
#include "accessdb/Connection.h"
#include "admin/CsvReader.h"
#include "admin/CsvWriter.h"
#include "support/StudentDatabase.h"

using ::testing::HasSubstr;

namespace {

// The sheet as a spreadsheet on a Windows machine with a decimal point saves it: commas,
// CR LF, Windows-1252.
std::string AsWindowsSheet(const std::string& utf8Sheet) {
    std::string sheet;
    for (const auto& record : admin::ReadCsv(utf8Sheet).records) {
        std::string line = admin::CsvLine(record.fields, ',');
        line.back() = '\r';
        sheet += line + "\n";
    }
    std::string windows;
    for (std::size_t i = 0; i < sheet.size(); ++i) {
        const auto c = static_cast<unsigned char>(sheet[i]);
        if (c < 0x80) {
            windows += sheet[i];
        } else {  // two-byte UTF-8 up to U+00FF is the same code in Windows-1252
            windows += static_cast<char>(((c & 0x1F) << 6) |
                                         (static_cast<unsigned char>(sheet[++i]) & 0x3F));
        }
    }
    return windows;
}

class SheetRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override {
        Register(source, {{"12345678", "Ana; \"Anita\"", "Pérez", "Gil", "1,3,", "0", "1", "1",
                           "05/03/14", "31/12/14"},
                          {"01234567", "Nuño", "Ibáñez", "", "8", "1", "0", "0", "", ""},
                          {"00000042", " Íñigo ", "Muñoz-Ávila", "d'Ors", "1,2,3,4,5,6,7,8", "0",
                           "0", "0", "", ""}});
        // Added but never saved: the columns keep the table's defaults.
        accessdb::Connection::Open(source, accessdb::OpenMode::ExistingOnly)
            .AddStudent({"99999999", "Sin", "Guardar", "", "", "", "", "", "", ""});
    }

    std::string Export(const std::filesystem::path& file) {
        const AdminRun run =
            RunAdminProgram("export students --database " + ShellQuoted(file.string()));
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out;
    }

    TempFolder folder;
    std::filesystem::path source = folder / "Alumnos.mdb";
};

}  // namespace

// Imported into an empty database, named or the working directory's Alumnos.mdb as the
// programs open it, and exported again: the same bytes, and the same table column for column.
TEST_F(SheetRoundTrip,
       ExportImportIntoAnEmptyDatabaseAndExportAgainGiveTheSameBytesWhateverTheSave) {
    const std::string sheet = Export(source);
    EXPECT_THAT(sheet, HasSubstr("99999999;Sin;Guardar;;;0;0;0;;;\n"));
    EXPECT_THAT(sheet, HasSubstr("\"Ana; \"\"Anita\"\"\""));
    std::string crlf = sheet;
    for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) {
        crlf.insert(at, "\r");
    }
    const std::pair<const char*, std::string> saved[] = {
        {"as exported, into a database named", sheet},
        {"UTF-8 with its mark, CR LF", "\xEF\xBB\xBF" + crlf},
        {"Windows-1252, commas, CR LF", AsWindowsSheet(sheet)},
    };
    for (const auto& [name, bytes] : saved) {
        SCOPED_TRACE(name);
        const auto dir = folder / name;
        const auto target = dir / "Alumnos.mdb";
        std::filesystem::create_directories(dir);
        WriteFile(dir / "alumnos.csv", bytes);
        const AdminRun run = RunAdminProgram(
            "import alumnos.csv" +
                (bytes == sheet ? " --database " + ShellQuoted(target.string()) : ""),
            "cd " + ShellQuoted(dir.string()) + " &&");
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, "Importados 4 alumnos (4 nuevos, 0 actualizados), 0 con horario.\n");
        EXPECT_EQ(Export(target), sheet);
        EXPECT_EQ(Sql(target, "SELECT * FROM Alumnos ORDER BY DNI"),
                  Sql(source, "SELECT * FROM Alumnos ORDER BY DNI"));
        // A database that did not exist is said to be new, lest it pass for the site's.
        EXPECT_THAT(run.err, HasSubstr("no había base de datos en " + target.string() +
                                       ": se ha creado una nueva"));
    }
}

// An update takes every column from the sheet; a second import without it changes nothing.
TEST_F(SheetRoundTrip, AnUpdateReplacesTheStudentsTheSheetNames) {
    const std::string sheet =
        "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;FechaA;"
        "FechaB\n"
        "12345678;Ana;Pérez;Gil;2;0;0;0;;\n"
        "23456789;Luis;Sanz;;1,3;0;0;1;01/09/26;30/06/27\n";
    WriteFile(folder / "alumnos.csv", sheet);
    const std::string args = "import " + ShellQuoted((folder / "alumnos.csv").string()) +
                             " --database " + ShellQuoted(source.string());
    const Rows before = Sql(source, "SELECT * FROM Alumnos ORDER BY DNI");

    const AdminRun refused = RunAdminProgram(args);
    EXPECT_EQ(refused.exitCode, 4);
    // The database is asked before anything is written: a student already there never stops
    // an import halfway.
    EXPECT_THAT(refused.err, HasSubstr("alumnos.csv: el alumno 12345678 de la línea 2 ya está "
                                       "registrado: si una importación anterior se interrumpió, "
                                       "ejecute de nuevo con --skip-bad"));
    EXPECT_EQ(Sql(source, "SELECT * FROM Alumnos ORDER BY DNI"), before);

    const AdminRun updated = RunAdminProgram(args + " --update");
    EXPECT_EQ(updated.exitCode, 0) << updated.err;
    EXPECT_EQ(updated.out, "Importados 2 alumnos (1 nuevo, 1 actualizado).\n");
    EXPECT_EQ(Sql(source, "SELECT * FROM Alumnos WHERE DNI IN (12345678, 23456789) ORDER BY DNI"),
              (Rows{"12345678|Ana|Pérez|Gil|2,|0|0|0||",
                    "23456789|Luis|Sanz||1,3,|0|0|1|01/09/26|30/06/27"}));
    EXPECT_EQ(Sql(source, "SELECT count(*) FROM Alumnos"), Rows{"5"});
}
