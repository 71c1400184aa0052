#include "SystemErrors.h"

#include <cerrno>
#include <filesystem>

namespace accessdb {

std::string SystemErrorText(int errnum) {
    switch (errnum) {
        case ENOENT:
            return "no existe ese archivo o la carpeta que lo contiene. Compruebe el nombre y "
                   "la carpeta.";
        case EACCES:
        case EPERM:
            return "no tiene permiso. Elija una carpeta suya, o pida permiso a quien administra "
                   "el equipo.";
        case ENOSPC:
        case EDQUOT:
            return "el disco está lleno. Libere espacio, o elija otro disco, y vuelva a "
                   "intentarlo.";
        case EFBIG:
            return "el archivo es demasiado grande para ese disco (una memoria USB en FAT "
                   "admite hasta 4 GB). Elija otro disco.";
        case EISDIR:
            return "es una carpeta, no un archivo. Nombre un archivo.";
        case ENOTDIR:
            return "una parte de la ruta es un archivo, no una carpeta. Compruebe la ruta.";
        case EROFS:
            return "el disco solo se puede leer (¿una memoria USB protegida contra escritura?). "
                   "Elija otro disco o quite la protección.";
        case EEXIST:
            return "ya existe. Elija un nombre nuevo.";
        case ENAMETOOLONG:
            return "el nombre es demasiado largo. Elija uno más corto.";
        case ELOOP:
            return "la ruta tiene demasiados enlaces simbólicos. Compruebe la ruta.";
        case EMFILE:
        case ENFILE:
            return "el equipo tiene demasiados archivos abiertos. Cierre otros programas y "
                   "vuelva a intentarlo.";
        case EIO:
            return "el disco ha fallado al leer o escribir. Compruebe el disco o la memoria USB "
                   "y vuelva a intentarlo.";
        case ENXIO:
        case ENODEV:
            return "el dispositivo no está disponible (¿se ha desconectado la memoria USB?). "
                   "Conéctelo y vuelva a intentarlo.";
        case EBUSY:
        case ETXTBSY:
            return "otro programa lo está usando. Ciérrelo y vuelva a intentarlo.";
        case EPIPE:
            return "el programa que recibía la salida se cerró antes de leerla entera.";
        case ENOMEM:
            return "no queda memoria libre en el equipo. Cierre otros programas y vuelva a "
                   "intentarlo.";
        case EXDEV:
            return "no se puede mover entre dos discos distintos. Elija una carpeta del mismo "
                   "disco.";
        case EINVAL:
            return "el sistema no admite ese nombre o esa operación en ese disco. Elija otro "
                   "nombre u otro disco.";
        default:
            return "el sistema ha rechazado la operación (error " + std::to_string(errnum) +
                   "). Compruebe el archivo y el disco, y vuelva a intentarlo.";
    }
}

std::string SystemErrorText(const std::system_error& error) {
    std::string paths;
    if (const auto* fsError = dynamic_cast<const std::filesystem::filesystem_error*>(&error)) {
        for (const auto* path : {&fsError->path1(), &fsError->path2()}) {
            if (!path->empty()) {
                paths += (paths.empty() ? "" : ", ") + path->string();
            }
        }
    }
    const std::error_code& code = error.code();
    const bool fromErrno =
        code.category() == std::generic_category() || code.category() == std::system_category();
    const std::string text =
        fromErrno ? SystemErrorText(code.value())
                  : "no se ha podido leer o escribir un archivo. Compruebe el archivo y el "
                    "disco, y vuelva a intentarlo.";
    return paths.empty() ? text : paths + ": " + text;
}

}  // namespace accessdb
