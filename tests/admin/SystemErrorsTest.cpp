// Files the system refuses (a missing sheet, a folder that is not there, a path through a
// file, a folder the user may not write): each told in Spanish with what to do, never in the
// system's English.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "FakeAdminTables.h"
#include "accessdb/SystemErrors.h"
#include "admin/AdminCommands.h"
#include "admin/ExitCodes.h"
#include "support/TempFolder.h"

namespace {

// The system's own text for any errno, found anywhere in the output.
::testing::AssertionResult NoSystemEnglish(const std::string& text) {
    for (int errnum = 1; errnum < 134; ++errnum) {
        const std::string english = std::strerror(errnum);
        if (english.starts_with("Unknown error")) {
            continue;
        }
        if (text.find(english) != std::string::npos) {
            return ::testing::AssertionFailure() << "«" << english << "» in: " << text;
        }
    }
    return ::testing::AssertionSuccess();
}

// A session whose database cannot even be opened: the file system throws as it would.
class RefusingSession : public FakeSession {
  public:
    using FakeSession::FakeSession;
    std::unique_ptr<accessdb::AdminTables> OpenAdmin(const accessdb::StorageLocation&,
                                                     accessdb::OpenMode) override {
        throw std::filesystem::filesystem_error("filesystem error", "/srv/tarvo/Alumnos.mdb",
                                                std::make_error_code(std::errc::permission_denied));
    }
};

class SystemErrors : public ::testing::Test {
  protected:
    int Run(const std::vector<std::string>& args) {
        session.err.str("");
        session.out.str("");
        return admin::RunAdmin(args, session);
    }
    std::string Err() const { return session.err.str(); }

    TempFolder folder;
    FakeSite site;
    FakeSession session{site};
};

}  // namespace

TEST_F(SystemErrors, ASheetThatCannotBeReadIsToldInSpanish) {
    const std::string missing = (folder / "alumnos.csv").string();
    EXPECT_EQ(Run({"import", missing}), admin::kExitFailed);
    EXPECT_EQ(Err(), "tarvo-admin: no se puede leer " + missing +
                         ": no existe ese archivo o la carpeta que lo contiene. Compruebe el "
                         "nombre y la carpeta.\n");
    EXPECT_TRUE(NoSystemEnglish(Err()));

    EXPECT_EQ(Run({"import", folder.Path().string()}), admin::kExitFailed);
    EXPECT_NE(Err().find("es una carpeta, no un archivo"), std::string::npos) << Err();

    const auto file = folder / "hoja";
    std::ofstream(file) << "DNI;Nombre;Apellido1\n";
    EXPECT_EQ(Run({"import", (file / "alumnos.csv").string()}), admin::kExitFailed);
    EXPECT_NE(Err().find("una parte de la ruta es un archivo, no una carpeta"), std::string::npos)
        << Err();
    EXPECT_TRUE(NoSystemEnglish(Err()));
    EXPECT_EQ(site.opens, 0);
}

TEST_F(SystemErrors, APersonsReportIntoAFolderThatIsNotThereIsToldInSpanish) {
    site.students[12345678] = {"12345678", "Ana", "Pérez", "", "1,", "0", "0", "0", "", ""};
    const std::string intoMissing = (folder / "no-hay" / "ana.txt").string();
    EXPECT_EQ(Run({"person", "12345678", "--out", intoMissing}), admin::kExitFailed);
    EXPECT_EQ(Err(), "tarvo-admin: no se puede escribir " + intoMissing +
                         ": no existe ese archivo o la carpeta que lo contiene. Compruebe el "
                         "nombre y la carpeta.\n");
    EXPECT_EQ(Run({"person", "12345678", "--out", folder.Path().string()}),
              admin::kExitTargetHasData);
    EXPECT_NE(Err().find("ya existe, y no se escribe encima"), std::string::npos) << Err();
    EXPECT_TRUE(NoSystemEnglish(Err()));
}

TEST_F(SystemErrors, ABackupIntoAFolderThatCannotTakeItIsToldBeforeTheCopy) {
    const auto file = folder / "copias";
    std::ofstream(file) << "no soy una carpeta";
    EXPECT_EQ(Run({"backup", (file / "lunes.mdb").string()}), admin::kExitFailed);
    EXPECT_EQ(Err(), "tarvo-admin: no se puede escribir la copia de seguridad " +
                         (file / "lunes.mdb").string() +
                         ": una parte de la ruta es un archivo, no una carpeta. Compruebe la "
                         "ruta.\n");
    EXPECT_EQ(Run({"backup", (folder / "no-hay" / "lunes.mdb").string()}), admin::kExitFailed);
    EXPECT_NE(Err().find("no existe ese archivo o la carpeta"), std::string::npos) << Err();
    EXPECT_TRUE(NoSystemEnglish(Err()));
    EXPECT_TRUE(site.backups.empty());
    EXPECT_EQ(site.opens, 0);
    // The folder's trial file does not stay behind.
    EXPECT_EQ(Run({"backup", (folder / "martes.mdb").string()}), admin::kExitDone);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()), {}), 1);
}

TEST_F(SystemErrors, AFolderTheUserMayNotWriteIsToldInSpanish) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "run as root: permissions do not refuse root, so the case cannot occur";
    }
    const auto closed = folder / "cerrada";
    std::filesystem::create_directory(closed);
    chmod(closed.c_str(), 0555);
    EXPECT_EQ(Run({"backup", (closed / "lunes.mdb").string()}), admin::kExitFailed);
    EXPECT_NE(Err().find("no tiene permiso"), std::string::npos) << Err();
    EXPECT_TRUE(NoSystemEnglish(Err()));
    site.students[12345678] = {"12345678", "Ana", "Pérez", "", "1,", "0", "0", "0", "", ""};
    EXPECT_EQ(Run({"person", "12345678", "--out", (closed / "ana.txt").string()}),
              admin::kExitFailed);
    EXPECT_NE(Err().find("no tiene permiso"), std::string::npos) << Err();
    EXPECT_TRUE(NoSystemEnglish(Err()));
    chmod(closed.c_str(), 0755);
}

TEST_F(SystemErrors, AFileSystemFailureThrownAnywhereIsToldWithItsPathInSpanish) {
    RefusingSession refusing{site};
    EXPECT_EQ(admin::RunAdmin({"check"}, refusing), admin::kExitFailed);
    EXPECT_EQ(refusing.err.str(),
              "tarvo-admin: /srv/tarvo/Alumnos.mdb: no tiene permiso. Elija una carpeta suya, o "
              "pida permiso a quien administra el equipo.\n");
    EXPECT_TRUE(NoSystemEnglish(refusing.err.str()));

    // An errno the table does not name still reads as Spanish, with its number.
    const std::string other = accessdb::SystemErrorText(EOWNERDEAD);
    EXPECT_NE(other.find("error " + std::to_string(EOWNERDEAD)), std::string::npos);
    EXPECT_TRUE(NoSystemEnglish(other));
}
