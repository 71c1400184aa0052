#pragma once

class QTranslator;

namespace tarvo {

// The toolkit's own texts (dialog buttons, context menus) in Spanish whatever the machine's
// locale: the programs speak Spanish throughout. False when the translations are not installed.
bool InstallSpanishTranslations(QTranslator& translator);

}  // namespace tarvo
