// tarvo-admin: the jobs a school runs on its database from a terminal or a timer.
#include <iostream>
#include <string>
#include <vector>

#include "LocationArgument.h"
#include "SiteCopy.h"
#include "accessdb/Connection.h"
#include "accessdb/DatabaseError.h"

namespace {

// Exit codes a script can rely on.
constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kTargetHasData = 3;

constexpr const char* kUsageText =
    "Uso: tarvo-admin copy ORIGEN DESTINO\n"
    "  Copia todos los alumnos y accesos de ORIGEN en DESTINO, que debe estar vacío, y\n"
    "  comprueba la copia fila a fila. ORIGEN y DESTINO son un archivo (Alumnos.mdb) o un\n"
    "  servidor PostgreSQL (postgresql://usuario@servidor/base o \"service=tarvo\").\n"
    "Salida: 0 hecho, 1 error, 2 uso incorrecto, 3 el destino ya tiene datos.\n";

int Copy(const std::string& from, const std::string& to) {
    try {
        const accessdb::StorageLocation source = admin::LocationArgument(from, "el origen");
        const accessdb::StorageLocation target = admin::LocationArgument(to, "el destino");
        auto sourceTables = accessdb::OpenSiteTables(source, accessdb::OpenMode::ExistingOnly);
        auto targetTables = accessdb::OpenSiteTables(target, accessdb::OpenMode::CreateIfMissing);
        const admin::CopyCount count =
            admin::CopySite(*sourceTables, *targetTables,
                            [](const std::string& step) { std::cerr << step << '\n'; });
        // The connection strings are not repeated: they may hold a password.
        std::cout << "Copiados " << count.students << " alumnos y " << count.accesses
                  << " accesos; la copia coincide fila a fila con el origen.\n";
        return kDone;
    } catch (const accessdb::DatabaseError& error) {
        std::cerr << "tarvo-admin: " << error.Description() << '\n';
        return error.Code() == accessdb::kTargetNotEmpty ? kTargetHasData : kFailed;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << kUsageText;
        return kDone;
    }
    if (args.size() == 3 && args[0] == "copy") {
        return Copy(args[1], args[2]);
    }
    std::cerr << kUsageText;
    return kUsage;
}
