#include "controller/card/ConnectMessages.h"

#include <array>

namespace tarvo {

namespace {

// Keyed by value, not by pcsc-lite's names: its header gives SCARD_E_UNSUPPORTED_FEATURE
// the value 0x8010001F, where this table (like Windows) has it at 0x80100022.
constexpr LONG kFirstError = 0x80100001;
constexpr std::array<const char*, 0x31> kErrorMessages = {
    "Fallo en comprobacion de consistencia interna\n",       // 0x80100001 SCARD_F_INTERNAL_ERROR
    "Accion cancelada por SCardCancel\n",                    // 0x80100002 SCARD_E_CANCELLED
    "Handle proporcionado no valido\n",                      // 0x80100003 SCARD_E_INVALID_HANDLE
    "Uno o mas parametros enviados mal interpretados\n",     // 0x80100004 SCARD_E_INVALID_PARAMETER
    "Informacion doe registro no valida, Invalid Tarjet\n",  // 0x80100005 SCARD_E_INVALID_TARGET
    "No hay suficiente memoria para completar el comando\n",  // 0x80100006 SCARD_E_NO_MEMORY
    "Temporizador de consistencia interna expirado\n",        // 0x80100007 SCARD_F_WAITED_TOO_LONG
    "Buffer de recepcion demasiado pequeño\n",  // 0x80100008 SCARD_E_INSUFFICIENT_BUFFER
    "El nombre del lector no se reconoce\n",    // 0x80100009 SCARD_E_UNKNOWN_READER
    "Valor de tiempo especificado por el usuario expirado\n",     // 0x8010000A SCARD_E_TIMEOUT
    "No se puede acceder a la tarjeta, demasiadas conexiones\n",  // 0x8010000B
                                                                  // SCARD_E_SHARING_VIOLATION
    "Operacion no valida para esta tarjeta\n",                    // 0x8010000C SCARD_E_NO_SMARTCARD
    "Nombre de tarjeta no reconocido\n",                          // 0x8010000D SCARD_E_UNKNOWN_CARD
    "El sistema no dispone de los medios de comunicacion adecuados\n",  // 0x8010000E
                                                                        // SCARD_E_CANT_DISPOSE
    "Protocolo incompatible con el protocolo actual\n",  // 0x8010000F SCARD_E_PROTO_MISMATCH
    "El lector o la tarjeta no esta listo para aceptar comandos\n",  // 0x80100010 SCARD_E_NOT_READY
    "Uno o mas de los valores de los parametros proporcionados no pueden ser interpretados\n",  // 0x80100011 SCARD_E_INVALID_VALUE
    "Accion cancelada por el sistema\n",                // 0x80100012 SCARD_E_SYSTEM_CANCELLED
    "Erro interno de comunicacion\n",                   // 0x80100013 SCARD_F_COMM_ERROR
    "Error interno de fuente desconocida\n",            // 0x80100014 SCARD_F_UNKNOWN_ERROR
    "ATR no valido\n",                                  // 0x80100015 SCARD_E_INVALID_ATR
    "Intento de finalizar transaccion no existente\n",  // 0x80100016 SCARD_E_NOT_TRANSACTED
    "Lector especificado no listo para su uso\n",       // 0x80100017 SCARD_E_READER_UNAVAILABLE
    "Operacion abortada para permitir al servidor salir de la aplicacion\n",  // 0x80100018
                                                                              // SCARD_P_SHUTDOWN
    "buffer de recepcion PCI demasiado pequeño\n",  // 0x80100019 SCARD_E_PCI_TOO_SMALL
    "El conductor o el lector no cumplen los requisitos minimos\n",  // 0x8010001A
                                                                     // SCARD_E_READER_UNSUPPORTED
    "El controlador de lector no produce nombre unico\n",  // 0x8010001B SCARD_E_DUPLICATE_READER
    "La tarjeta no cumple los requisitos minimos\n",       // 0x8010001C SCARD_E_CARD_UNSUPPORTED
    "El administrador de recursos de tarjetas no se esta ejecutando\n",  // 0x8010001D
                                                                         // SCARD_E_NO_SERVICE
    "El administrador de recursos de tarjeta esta apagado\n",  // 0x8010001E SCARD_E_SERVICE_STOPPED
    "Error inesperado en la tarjeta\n",                        // 0x8010001F SCARD_E_UNEXPECTED
    "No hay instalacion ICC para la tarjeta\n",          // 0x80100020 SCARD_E_ICC_INSTALLATION
    "La orden solicita crear objetos no compatibles\n",  // 0x80100021 SCARD_E_ICC_CREATEORDER
    "Esta tarjeta no soporta esta orden\n",              // 0x80100022 SCARD_E_UNSUPPORTED_FEATURE
    "El directorio identificado no existe en esta tarjeta\n",  // 0x80100023 SCARD_E_DIR_NOT_FOUND
    "El archivo identificado no existe en esta tarjeta\n",     // 0x80100024 SCARD_E_FILE_NOT_FOUND
    "La ruta especificada no representa un directorio valido en esta tarjeta\n",  // 0x80100025
                                                                                  // SCARD_E_NO_DIR
    "La ruta especificada no representa un fichero valido en esta tarjeta\n",     // 0x80100026
                                                                                  // SCARD_E_NO_FILE
    "Se niega el acceso a este archivo\n",       // 0x80100027 SCARD_E_NO_ACCESS
    "La tarjeta no tiene suficiente memoria\n",  // 0x80100028 SCARD_E_WRITE_TOO_MANY
    "Error al establecer el puntero al archivo de la tarjeta\n",  // 0x80100029 SCARD_E_BAD_SEEK
    "Pin proporcionado incorrecto\n",                             // 0x8010002A SCARD_E_INVALID_CHV
    "Error desconocido de regreso de un componente en capas\n",   // 0x8010002B
                                                                  // SCARD_E_UNKNOWN_RES_MNG
    "Certificado solicitado no existe\n",               // 0x8010002C SCARD_E_NO_SUCH_CERTIFICATE
    "El certificado solicitado no se puede obtener\n",  // 0x8010002D
                                                        // SCARD_E_CERTIFICATE_UNAVAILABLE
    "No se puede encontrar un lector de tarjetas inteligentes\n",  // 0x8010002E
                                                                   // SCARD_E_NO_READERS_AVAILABLE
    "Error de comunicacion con la tarjeta\n",            // 0x8010002F SCARD_E_COMM_DATA_LOST
    "El contenedor de clave no existe en la tarjeta\n",  // 0x80100030 SCARD_E_NO_KEY_CONTAINER
    "Administrador de recursos de tarjeta demasiado ocupado\n",  // 0x80100031
                                                                 // SCARD_E_SERVER_TOO_BUSY
};

constexpr LONG kFirstWarning = 0x80100065;
constexpr std::array<const char*, 0x0B> kWarningMessages = {
    "El lector no puede comunicarse con la tarjeta debido a comflictos de ATR\n",  // 0x80100065
                                                                                   // SCARD_W_UNSUPPORTED_CARD
    "aa\n",          // 0x80100066 SCARD_W_UNRESPONSIVE_CARD
    "ssss\n",        // 0x80100067 SCARD_W_UNPOWERED_CARD
    "sddddddddd\n",  // 0x80100068 SCARD_W_RESET_CARD
    "La tarjeta inteligente se ha eliminado, conexion no posible\n",  // 0x80100069
                                                                      // SCARD_W_REMOVED_CARD
    "ññññññññññññ\n",        // 0x8010006A SCARD_W_SECURITY_VIOLATION
    "kikikiki\n",            // 0x8010006B SCARD_W_WRONG_CHV
    "ppppoooooooooiiiii\n",  // 0x8010006C SCARD_W_CHV_BLOCKED
    "qqqqqppp000\n",         // 0x8010006D SCARD_W_EOF
    "oioioiooi\n",           // 0x8010006E SCARD_W_CANCELLED_BY_USER
    "El lector no puede comunicarse con la tarjeta debido a comflictos de ATR\n",  // 0x8010006F
                                                                                   // SCARD_W_CARD_NOT_AUTHENTICATED
};

}  // namespace

std::string_view ConnectFailureMessage(LONG code) {
    if (code >= kFirstError && code < kFirstError + static_cast<LONG>(kErrorMessages.size())) {
        return kErrorMessages[static_cast<size_t>(code - kFirstError)];
    }
    if (code >= kFirstWarning &&
        code < kFirstWarning + static_cast<LONG>(kWarningMessages.size())) {
        return kWarningMessages[static_cast<size_t>(code - kFirstWarning)];
    }
    return kUnknownConnectFailureMessage;
}

}  // namespace tarvo
