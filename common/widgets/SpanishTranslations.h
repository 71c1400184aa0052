#pragma once

class QTranslator;

namespace common {

// The programs speak Spanish throughout, whatever the machine's locale: Spanish becomes the
// default locale, and Qt's own texts (dialog buttons such as "Aceptar" and "Cancelar", the
// edit boxes' context menus) are loaded in Spanish into `translator` and installed. False when
// Qt's Spanish translations are not installed; the locale is Spanish all the same.
bool InstallSpanishTranslations(QTranslator& translator);

}  // namespace common
