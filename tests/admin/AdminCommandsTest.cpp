// The other commands on tables in memory: the command line, the exports' day ranges, the
// purge's boundary day, a person's data, erase's confirmation and faults. check and backup are
// tested on real files.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>

#include "FakeAdminTables.h"
#include "admin/AdminCommands.h"
#include "admin/Days.h"
#include "admin/ExitCodes.h"
#include "admin/SheetExport.h"
#include "support/TempFolder.h"

namespace {

accessdb::AttemptRecord Attempt(const std::string& dni, const std::string& fecha,
                                const std::string& resultado, const std::string& motivo) {
    return {dni, fecha, "08:00:00", "3", "puerta-norte", resultado, motivo};
}

class AdminCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        site.students[12345678] = {"12345678", "Ana", "Pérez", "Gil",      "1,3,",
                                   "0",        "1",   "1",     "05/03/14", "31/12/14"};
        site.students[1234567] = {"01234567", "Nuño", "Ibáñez", "", "8", "0", "0", "0", "", ""};
        // Today is 1 June 2026: 90 days before is 3 March.
        site.accesses = {{"12345678", " 1/03/2026", "10:00:00", "3"},
                         {"12345678", " 2/03/2026", "10:00:00", "1"},
                         {"01234567", " 3/03/2026", "11:00:00", "8"},
                         {"12345678", "15/05/2026", "12:00:00", "3"}};
        site.attempts = {Attempt("12345678", " 2/03/2026", "concedido", ""),
                         Attempt("12345678", " 3/03/2026", "denegado", "fin de semana"),
                         Attempt("9999999X", "15/05/2026", "no registrado", "")};
    }

    int Run(const std::vector<std::string>& args) { return admin::RunAdmin(args, session); }

    TempFolder folder;
    FakeSite site;
    FakeSession session{site};
};

}  // namespace

TEST_F(AdminCommands, AWrongCommandLineIsAUsageErrorThatTouchesNothing) {
    const std::vector<std::vector<std::string>> wrong = {
        {},
        {"frobnicate"},
        {"import"},
        {"import", "a.csv", "--force"},
        {"export"},
        {"export", "teachers"},
        {"export", "students", "--from", "01/01/2026"},
        {"export", "accesses", "--from", "31/02/2026"},
        {"export", "accesses", "--from", "2026-03-02", "--to", "01/03/2026"},
        {"export", "accesses", "--to"},
        {"purge"},
        {"purge", "--older-than", "90"},
        {"purge", "--older-than", "3m"},
        {"person", "1234567"},
        {"erase", "1234567X"},
        {"check", "de más"},
        {"backup"},
        {"copy", "a"},
        {"offline-limit", "721"},
        {"offline-limit", "-1"},
        {"offline-limit", "24h"},
        {"offline-limit", "12", "24"},
    };
    for (const auto& args : wrong) {
        SCOPED_TRACE(args.empty() ? "(none)" : args[0] + (args.size() > 1 ? " " + args[1] : ""));
        session.err.str("");
        EXPECT_EQ(Run(args), admin::kExitUsage);
        // The reason in one line, then where the help is: never the whole help.
        const std::string err = session.err.str();
        ASSERT_TRUE(err.starts_with("tarvo-admin: ")) << err;
        EXPECT_EQ(err.substr(err.find('\n') + 1),
                  "Escriba «tarvo-admin --help» para ver las órdenes y sus opciones.\n");
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
        EXPECT_EQ(err.find("Uso: tarvo-admin"), std::string::npos);
    }
    session.err.str("");
    Run({});
    EXPECT_EQ(session.err.str(),
              "tarvo-admin: falta la orden\n"
              "Escriba «tarvo-admin --help» para ver las órdenes y sus opciones.\n");
    EXPECT_EQ(site.opens, 0);
    EXPECT_TRUE(site.purgeChunks.empty());

    EXPECT_EQ(Run({"--help"}), admin::kExitDone);
    EXPECT_TRUE(session.out.str().starts_with("Uso: tarvo-admin"));
    EXPECT_NE(session.out.str().find("4 filas rechazadas"), std::string::npos);
    EXPECT_NE(session.out.str().find("offline-limit [HORAS]"), std::string::npos);
}

TEST_F(AdminCommands, ExportsWriteTheTablesAsStoredAndFilterAccessesByDay) {
    EXPECT_EQ(Run({"export", "students"}), admin::kExitDone);
    EXPECT_EQ(session.out.str(),
              "DNI;Nombre;Apellido1;Apellido2;Puerta;Agosto;Fin_de_semana;Periodo_temporal;"
              "FechaA;FechaB;Horario\n"
              "01234567;Nuño;Ibáñez;;8;0;0;0;;;\n"
              "12345678;Ana;Pérez;Gil;1,3,;0;1;1;05/03/14;31/12/14;\n");
    EXPECT_NE(session.err.str().find("Exportados 2 alumnos."), std::string::npos);

    // Both day forms, both bounds included; the dates zero-padded, as a spreadsheet reads a
    // date (stored, the day is blank-padded).
    session.out.str("");
    EXPECT_EQ(Run({"export", "accesses", "--from", "02/03/2026", "--to=2026-03-03"}),
              admin::kExitDone);
    EXPECT_EQ(session.out.str(),
              "DNI;Fecha;Hora;Puerta\n"
              "12345678;02/03/2026;10:00:00;1\n"
              "01234567;03/03/2026;11:00:00;8\n");
    EXPECT_EQ(site.accesses[1].fecha, " 2/03/2026");

    session.out.str("");
    EXPECT_EQ(Run({"export", "attempts", "--from", "2026-03-03"}), admin::kExitDone);
    EXPECT_EQ(session.out.str(),
              "DNI;Fecha;Hora;Puerta;Puesto;Resultado;Motivo\n"
              "12345678;03/03/2026;08:00:00;3;puerta-norte;denegado;fin de semana\n"
              "9999999X;15/05/2026;08:00:00;3;puerta-norte;no registrado;\n");
}

// What an export writes is read back wherever a day is read: --from and --to take the exported
// "01/03/2026" as they take the stored " 1/03/2026" and a typed "1/3/2026".
TEST_F(AdminCommands, ExportedDatesAreDatesToSpreadsheetsAndReadBackAsDays) {
    EXPECT_EQ(admin::SheetDate(" 1/03/2026"), "01/03/2026");
    EXPECT_EQ(admin::SheetDate("15/05/2026"), "15/05/2026");
    EXPECT_EQ(admin::SheetDate("1/3/2026"), "01/03/2026");
    // Not an access date: kept as stored, never invented.
    for (const char* kept : {"", "31/02/2026", "ayer", " 1/03/26", "2026-03-01"}) {
        EXPECT_EQ(admin::SheetDate(kept), kept);
    }

    const admin::Day march2{std::chrono::year(2026), std::chrono::month(3), std::chrono::day(2)};
    for (const char* form : {"02/03/2026", " 2/03/2026", "2/3/2026", "2026-03-02"}) {
        EXPECT_EQ(admin::ReadCommandLineDay(form), march2) << "«" << form << "»";
    }
    for (const char* wrong : {"2/3/26", "02/03/2026x", "/03/2026", "2//2026", "32/03/2026"}) {
        EXPECT_FALSE(admin::ReadCommandLineDay(wrong)) << "«" << wrong << "»";
    }
}

// "Older than 90 days" on 1 June: the 3rd of March is 90 days old and stays, the 2nd goes.
TEST_F(AdminCommands, PurgeDeletesTheDaysBeforeTheBoundaryAndNeverAStudent) {
    EXPECT_EQ(Run({"purge", "--older-than", "90d", "--yes"}), admin::kExitDone);
    EXPECT_EQ(site.purgeBefore.front(), "2026-03-03");
    ASSERT_EQ(site.accesses.size(), 2u);
    EXPECT_EQ(site.accesses[0].fecha, " 3/03/2026");
    EXPECT_EQ(site.accesses[1].fecha, "15/05/2026");
    ASSERT_EQ(site.attempts.size(), 2u);
    EXPECT_EQ(site.attempts[0].fecha, " 3/03/2026");
    EXPECT_EQ(site.students.size(), 2u);
    EXPECT_EQ(session.out.str(),
              "Borrados 3 registros de accesos e intentos anteriores al 03/03/2026 (de hace más "
              "de 90 días).\n");

    // Weeks count seven days; nothing left to delete is a success that says 0.
    session.out.str("");
    EXPECT_EQ(Run({"purge", "--older-than=13w", "--yes"}), admin::kExitDone);
    EXPECT_EQ(site.purgeBefore.back(), "2026-03-02");
    EXPECT_NE(session.out.str().find("Borrados 0 registros"), std::string::npos);
}

TEST_F(AdminCommands, PurgeAsksAPersonAndNeedsYesFromAScript) {
    // A script without --yes: refused before anything is opened.
    EXPECT_EQ(Run({"purge", "--older-than", "90d"}), admin::kExitUsage);
    EXPECT_EQ(session.err.str(),
              "tarvo-admin: purge borra para siempre; sin un terminal que lo confirme, añada "
              "--yes.\n");
    EXPECT_EQ(site.opens, 0);

    // A person is told how many would go, counted before anything is deleted; anything but
    // "sí", or the end of input, keeps them all.
    session.terminal = true;
    for (const std::optional<std::string>& answer :
         {std::optional<std::string>("no"), std::optional<std::string>()}) {
        session.err.str("");
        session.answer = answer;
        EXPECT_EQ(Run({"purge", "--older-than", "90d"}), admin::kExitFailed);
        EXPECT_EQ(session.err.str(),
                  "¿Borrar para siempre 3 registros (2 accesos y 1 intento) anteriores al "
                  "03/03/2026? Escriba «sí» para borrar: No se ha borrado nada.\n");
        EXPECT_TRUE(site.purgeChunks.empty());
        EXPECT_EQ(site.accesses.size(), 4u);
        EXPECT_EQ(site.attempts.size(), 3u);
    }
    EXPECT_EQ(session.questions, 2);

    session.answer = "Sí ";
    EXPECT_EQ(Run({"purge", "--older-than", "90d"}), admin::kExitDone);
    EXPECT_EQ(site.accesses.size(), 2u);
    EXPECT_EQ(site.attempts.size(), 2u);
    EXPECT_NE(session.out.str().find("Borrados 3 registros"), std::string::npos);

    // Nothing older left: nothing to ask. --yes on a terminal goes straight on.
    session.out.str("");
    EXPECT_EQ(Run({"purge", "--older-than", "90d"}), admin::kExitDone);
    EXPECT_NE(session.out.str().find("Borrados 0 registros"), std::string::npos);
    EXPECT_EQ(Run({"purge", "--older-than", "1d", "--yes"}), admin::kExitDone);
    EXPECT_EQ(session.questions, 3);
    EXPECT_TRUE(site.accesses.empty());
}

TEST_F(AdminCommands, PurgeGoesInShortChunksUntilNoneIsLeftPausingOnlyOnAFile) {
    site.accesses.assign(2500, {"12345678", " 1/01/2020", "10:00:00", "3"});
    EXPECT_EQ(Run({"purge", "--older-than", "1d", "--yes"}), admin::kExitDone);
    EXPECT_TRUE(site.accesses.empty());
    // Chunks of at most 1000 rows (the last takes the attempts too), then the empty call that
    // ends it.
    EXPECT_EQ(site.purgeChunks, (std::vector<std::size_t>{1000, 1000, 1000, 1000}));
    EXPECT_EQ(session.pauses.size(), 3u);
    EXPECT_NE(session.out.str().find("Borrados 2503 registros"), std::string::npos)
        << session.out.str();

    // A server's changes queue the waiting writers themselves: no pauses between chunks.
    site.server = true;
    site.accesses.assign(1500, {"12345678", " 1/01/2020", "10:00:00", "3"});
    session.pauses.clear();
    EXPECT_EQ(Run({"purge", "--older-than", "1d", "--yes"}), admin::kExitDone);
    EXPECT_TRUE(site.accesses.empty());
    EXPECT_TRUE(session.pauses.empty());
}

TEST_F(AdminCommands, PersonGivesEverythingHeldOnTheStudentInOneText) {
    site.horario = "Alumnado";
    EXPECT_EQ(Run({"person", "12345678"}), admin::kExitDone);
    const std::string report = session.out.str();
    for (const char* part :
         {"Informe del 01/06/2026", "DNI:", "12345678", "Segundo apellido:", "Gil",
          "Puertas permitidas:", "1, 3", "Sin paso en fin de semana:", "sí", "Periodo sin paso:",
          "sí, del 05/03/14 al 31/12/14", "ACCESOS CONCEDIDOS (3)", "Horario:", "Alumnado",
          "15/05/2026  12:00:00  3", "INTENTOS DE PASO (2)", "denegado   fin de semana"}) {
        EXPECT_NE(report.find(part), std::string::npos) << part << "\n" << report;
    }
    // Another student's rows are not in it.
    EXPECT_EQ(report.find("11:00:00"), std::string::npos) << report;
    EXPECT_EQ(report.find("no registrado"), std::string::npos) << report;
}

TEST_F(AdminCommands, PersonWritesANewFileOnlyItsOwnerReads) {
    const std::string file = (folder / "ana.txt").string();
    EXPECT_EQ(Run({"person", "12345678", "--out", file}), admin::kExitDone);
    std::ifstream in(file);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("ACCESOS CONCEDIDOS (3)"), std::string::npos);
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_NE(session.out.str().find("escritos en " + file + " (3 accesos, 2 intentos)"),
              std::string::npos);

    // Never written over.
    EXPECT_EQ(Run({"person", "01234567", "--out", file}), admin::kExitTargetHasData);
    std::ifstream again(file);
    const std::string after((std::istreambuf_iterator<char>(again)),
                            std::istreambuf_iterator<char>());
    EXPECT_EQ(after, text);

    EXPECT_EQ(Run({"person", "87654321"}), admin::kExitFailed);
    EXPECT_NE(session.err.str().find("no hay nada guardado del DNI 87654321"), std::string::npos);
}

TEST_F(AdminCommands, EraseAsksAPersonAndNeedsYesFromAScript) {
    // A script without --yes: refused before anything is opened.
    EXPECT_EQ(Run({"erase", "12345678"}), admin::kExitUsage);
    EXPECT_NE(session.err.str().find("añada --yes"), std::string::npos);
    EXPECT_EQ(site.opens, 0);

    // A person who answers anything but "sí" keeps the student.
    session.terminal = true;
    session.answer = "no";
    EXPECT_EQ(Run({"erase", "12345678"}), admin::kExitFailed);
    EXPECT_NE(session.err.str().find("¿Borrar para siempre al alumno 12345678 (Ana Pérez Gil) "
                                     "con sus 3 accesos y 2 intentos?"),
              std::string::npos)
        << session.err.str();
    EXPECT_NE(session.err.str().find("No se ha borrado nada."), std::string::npos);
    session.answer.reset();  // end of input
    EXPECT_EQ(Run({"erase", "12345678"}), admin::kExitFailed);
    EXPECT_TRUE(site.students.contains(12345678));
    EXPECT_EQ(site.accesses.size(), 4u);

    session.answer = "sí";
    EXPECT_EQ(Run({"erase", "12345678"}), admin::kExitDone);
    EXPECT_FALSE(site.students.contains(12345678));
    EXPECT_EQ(site.accesses.size(), 1u);  // Nuño's
    EXPECT_EQ(site.attempts.size(), 1u);  // the unregistered card's
    EXPECT_NE(session.out.str().find("Borrado el alumno 12345678"), std::string::npos);
}

TEST_F(AdminCommands, AnEraseThatFailsSaysSoAndLeavesEverything) {
    site.eraseFails = true;
    EXPECT_EQ(Run({"erase", "12345678", "--yes"}), admin::kExitFailed);
    EXPECT_NE(session.err.str().find("tarvo-admin: Error de disco"), std::string::npos);
    EXPECT_EQ(session.out.str(), "");
    EXPECT_TRUE(site.students.contains(12345678));
    EXPECT_EQ(site.accesses.size(), 4u);
    EXPECT_EQ(site.attempts.size(), 3u);
}

// The console's delete keeps a student's attempts: they are still the person's data, to hand
// over and to erase.
TEST_F(AdminCommands, WhatADeletedStudentLeftIsStillReportedAndErased) {
    site.attempts.push_back(Attempt("23456789", "20/05/2026", "no registrado", ""));
    EXPECT_EQ(Run({"person", "23456789"}), admin::kExitDone);
    EXPECT_NE(session.out.str().find("El DNI 23456789 ya no está registrado como alumno"),
              std::string::npos)
        << session.out.str();
    EXPECT_NE(session.out.str().find("INTENTOS DE PASO (1)"), std::string::npos);

    session.terminal = true;
    session.answer = "si";
    EXPECT_EQ(Run({"erase", "23456789"}), admin::kExitDone);
    EXPECT_NE(session.err.str().find("lo que queda del DNI 23456789, que ya no es un alumno "
                                     "registrado: 0 accesos y 1 intento?"),
              std::string::npos)
        << session.err.str();
    EXPECT_EQ(site.attempts.size(), 3u);
    EXPECT_EQ(Run({"person", "23456789"}), admin::kExitFailed);
}
