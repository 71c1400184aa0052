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
        auto source = accessdb::OpenSiteTables(admin::LocationArgument(from, "el origen"),
                                               accessdb::OpenMode::ExistingOnly);
        auto target = accessdb::OpenSiteTables(admin::LocationArgument(to, "el destino"),
                                               accessdb::OpenMode::CreateIfMissing);
        const admin::CopyCount count = admin::CopySite(
            *source, *target, [](const std::string& step) { std::cerr << step << '\n'; });
        std::cout << "Copiados " << count.students << " alumnos y " << count.accesses
                  << " accesos de " << from << " a " << to << "; la copia coincide fila a fila.\n";
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
