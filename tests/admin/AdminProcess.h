#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "support/StudentDatabase.h"
#include "support/TempFolder.h"

// tarvo-admin run as a script runs it: no terminal (standard input from /dev/null), its exit
// code, and standard output and standard error apart.
struct AdminRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ShellQuoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

inline std::string ReadWhole(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// `prefix` goes before the program (a "cd DIR &&", an "env VAR=..."), `arguments` after it,
// each already quoted for the shell where needed.
inline AdminRun RunAdminProgram(const std::string& arguments, const std::string& prefix = "") {
    TempFolder capture;
    const std::string command = prefix + " " + std::string(TARVO_ADMIN) + " " + arguments +
                                " </dev/null >" + ShellQuoted((capture / "out").string()) + " 2>" +
                                ShellQuoted((capture / "err").string());
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWhole(capture / "out"),
            ReadWhole(capture / "err")};
}

inline void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream(file, std::ios::binary) << bytes;
}

// The access date text of the day `daysAgo` before today, local time, as the controller
// writes it (" 5/07/2014").
inline std::string AccessDateDaysAgo(int daysAgo) {
    std::time_t when = std::time(nullptr);
    std::tm local{};
    localtime_r(&when, &local);
    local.tm_mday -= daysAgo;
    local.tm_hour = 12;  // away from a daylight-saving change
    when = std::mktime(&local);
    localtime_r(&when, &local);
    char text[16];
    std::strftime(text, sizeof text, "%d/%m/%Y", &local);
    if (text[0] == '0') {
        text[0] = ' ';
    }
    return text;
}

// Every value of a site's file, quoted so that a NULL and an empty text read differently.
inline Rows EverySiteValue(const std::filesystem::path& file) {
    return Sql(file,
               "SELECT quote(DNI), quote(Nombre), quote(Apellido1), quote(Apellido2),"
               " quote(Puerta), quote(Agosto), quote(Fin_de_semana), quote(Periodo_temporal),"
               " quote(FechaA), quote(FechaB) FROM Alumnos ORDER BY DNI;"
               "SELECT quote(DNI), quote(Fecha), quote(Hora), quote(Puerta) FROM Picadas"
               " ORDER BY rowid;"
               "SELECT quote(DNI), quote(Fecha), quote(Hora), quote(Puerta), quote(Puesto),"
               " quote(Resultado), quote(Motivo), quote(Dia) FROM Intentos ORDER BY Orden");
}
