#pragma once

#include <QTranslator>

namespace mireval::ui {

// Loads Qt's own Spanish texts ("Aceptar", "Cancelar", the edit boxes' context menus) whatever
// the machine's locale, and installs them. False when the translations are not installed.
bool LoadSpanishToolkitTexts(QTranslator& translator);

// The year of the local clock, from which the date lists reach ahead.
int CurrentYear();

}  // namespace mireval::ui
