#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "controller/journal/StationJournal.h"
#include "support/TempFolder.h"

using namespace tarvo;

namespace {

OwedRecord Access(const std::string& key, const std::string& hora) {
    return {key, accessdb::AccessRecord{"12345678", " 5/03/2024", hora, "5"}, {}};
}

std::vector<std::string> Keys(const StationJournal& journal) {
    std::vector<std::string> keys;
    for (const OwedRecord& record : journal.Owed()) {
        keys.push_back(record.key);
    }
    return keys;
}

std::uintmax_t Size(const std::filesystem::path& file) { return std::filesystem::file_size(file); }

}  // namespace

// What is owed outlives the program, in its order, with every text as it was (tabs, line ends
// and backslashes included), and only this user may read it.
TEST(StationJournal, WhatIsOwedIsReadBackByTheNextProgramInItsOrder) {
    TempFolder folder;
    const std::filesystem::path state = folder / "estado";
    OwedRecord odd{"k\t2\\x",
                   std::nullopt,
                   {"1234\n5678", " 5/03/2024", "09:00:01", "0", "conserje\\ría", "error",
                    "motivo\tcon\ttabuladores"}};
    {
        StationJournal journal(state);
        journal.Owe(Access("k1", "09:00:00"));
        journal.Owe(odd);
        journal.Owe(Access("k3", "09:00:02"));
        journal.Written("k1");
    }
    const StationJournal again(state);
    ASSERT_EQ(Keys(again), (std::vector<std::string>{"k\t2\\x", "k3"}));
    const OwedRecord& read = again.Owed()[0];
    EXPECT_FALSE(read.access.has_value());
    EXPECT_EQ(read.attempt.dni, odd.attempt.dni);
    EXPECT_EQ(read.attempt.puesto, odd.attempt.puesto);
    EXPECT_EQ(read.attempt.motivo, odd.attempt.motivo);
    EXPECT_EQ(again.Owed()[1].access->hora, "09:00:02");

    struct stat info {};
    ASSERT_EQ(stat(state.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    ASSERT_EQ(stat((state / "diario").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// A line the station was writing when it died is not a record; once nothing is owed the
// journal starts again empty.
TEST(StationJournal, AnUnfinishedLastLineIsIgnoredAndAnEmptyDebtEmptiesTheFile) {
    TempFolder folder;
    {
        StationJournal journal(folder.Path());
        journal.Owe(Access("k1", "09:00:00"));
    }
    std::ofstream(folder / "diario", std::ios::app) << "A\tk2\t12345678\t 5/03/2024\t09:";
    StationJournal journal(folder.Path());
    EXPECT_EQ(Keys(journal), std::vector<std::string>{"k1"});
    journal.Written("k1");
    EXPECT_TRUE(journal.Owed().empty());
    EXPECT_EQ(Size(folder / "diario"), 0u);
    EXPECT_TRUE(StationJournal(folder.Path()).Owed().empty());
}

TEST(StationJournal, AFolderThatCannotBeMadeIsTold) {
    TempFolder folder;
    std::ofstream(folder / "archivo") << "x";
    EXPECT_THROW(StationJournal(folder / "archivo" / "tarvo"), std::system_error);
}

TEST(StateFolder, FollowsXdgStateHomeElseTheSystemsFolderForRoot) {
    const char* saved = std::getenv("XDG_STATE_HOME");
    const std::string kept = saved ? saved : "";
    setenv("XDG_STATE_HOME", "/srv/estado", 1);
    EXPECT_EQ(StateFolder(), "/srv/estado/tarvo");
    unsetenv("XDG_STATE_HOME");
    if (geteuid() == 0) {
        EXPECT_EQ(StateFolder(), "/var/lib/tarvo");
    } else {
        EXPECT_EQ(StateFolder(), std::filesystem::path(std::getenv("HOME")) / ".local/state/tarvo");
    }
    if (saved) {
        setenv("XDG_STATE_HOME", kept.c_str(), 1);
    }
}
