// The file as the programs find and make it: its name in any letter case, its mode in a
// shared folder. A writer waiting for another is the storage test's, on both engines.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"
#include "accessdb/DatabaseFile.h"
#include "support/DatabaseFailure.h"
#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

using namespace accessdb;

namespace {

class DatabaseTest : public ::testing::Test {
  protected:
    Connection Console() { return Connection::Open(file, OpenMode::CreateIfMissing); }
    Connection Controller() { return Connection::Open(file, OpenMode::ExistingOnly); }

    TempFolder folder;
    std::filesystem::path file = folder / "Alumnos.mdb";
};

}  // namespace

// The site's data folder is shared by its group: a file one user creates there, and the journal
// beside it, must be writable by the others; in a private folder the file stays private.
TEST_F(DatabaseTest, ANewFileIsWritableByTheGroupOfASharedFolder) {
    namespace fs = std::filesystem;
    const mode_t previousMask = umask(022);
    const auto groupWrites = [](const fs::path& path) {
        return (fs::status(path).permissions() & fs::perms::group_write) != fs::perms::none;
    };
    fs::create_directory(folder / "shared");
    fs::permissions(folder / "shared", fs::perms(02775));
    const fs::path shared = folder / "shared" / "Alumnos.mdb";
    fs::create_directory(folder / "private");
    fs::permissions(folder / "private", fs::perms(0755));
    const fs::path private_ = folder / "private" / "Alumnos.mdb";
    {
        Connection console = Connection::Open(shared, OpenMode::CreateIfMissing);
        Connection::Open(private_, OpenMode::CreateIfMissing).AddStudent(Student());
        console.AddStudent(Student());
        EXPECT_TRUE(groupWrites(shared));
        EXPECT_TRUE(groupWrites(shared.string() + "-wal"));
        EXPECT_FALSE(groupWrites(private_));
    }
    umask(previousMask);
}

TEST_F(DatabaseTest, ControllerNeverCreatesTheFile) {
    EXPECT_EQ(Failure([&] { Controller(); }).Code(), kFileNotFound);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(DatabaseTest, EitherLetterCaseReachesTheOneFileEvenBesideStraySpellings) {
    Connection::Open(folder / "alumnos.mdb", OpenMode::CreateIfMissing).AddStudent(Student());
    EXPECT_EQ(Controller().FindStudent("12345678")->nombre, "Ana");
    EXPECT_FALSE(std::filesystem::exists(file));
    std::filesystem::rename(folder / "alumnos.mdb", file);
    std::ofstream(folder / "ALUMNOS.mdb") << "";  // stray files with other spellings
    std::ofstream(folder / "alumnos.mdb") << "";
    for (const char* name : {"Alumnos.mdb", "alumnos.mdb", "ALUMNOS.MDB"}) {
        EXPECT_EQ(FindDatabaseFile(folder / name), file) << name;
        EXPECT_EQ(
            Connection::Open(folder / name, OpenMode::ExistingOnly).FindStudent("12345678")->nombre,
            "Ana");
    }
}
