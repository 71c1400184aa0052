#include "Confirmation.h"

namespace admin {

namespace {

bool IsYes(std::string answer) {
    while (!answer.empty() && (answer.back() == ' ' || answer.back() == '\r')) {
        answer.pop_back();
    }
    return answer == "sí" || answer == "si" || answer == "Sí" || answer == "Si" || answer == "SÍ" ||
           answer == "SI";
}

}  // namespace

bool ConfirmDeletion(AdminSession& session, const std::string& question) {
    session.Err() << question << " Escriba «sí» para borrar: " << std::flush;
    const auto answer = session.ReadAnswer();
    if (!answer || !IsYes(*answer)) {
        session.Err() << "No se ha borrado nada.\n";
        return false;
    }
    return true;
}

}  // namespace admin
