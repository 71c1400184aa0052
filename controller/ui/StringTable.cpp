#include "StringTable.h"

#include <array>
#include <utility>

#include "controller/ui/ControlIds.h"

namespace tarvo {

namespace strings {

namespace {

constexpr std::array<std::pair<int, const char*>, 6> kStrings{{
    {kDocument, "Control de presencia\n\nTarvo\n\n\nTarvo.Document\nTarvo.Document"},
    {kAppTitle, "Control de presencia"},
    {ids::kIdleMessage, "Listo"},
    {ids::kAppAbout,
     "Muestra la información del programa, el número de versión y el copyright\nAcerca de"},
    {ids::kAppExit, "Salir de la aplicación; permite guardar documentos\nSalir"},
    {ids::kViewStatusBar, "Muestra u oculta la barra de estado\nAlternar barra de estado"},
}};

}  // namespace

QString Load(int id) {
    for (const auto& [key, text] : kStrings) {
        if (key == id) {
            return QString::fromUtf8(text);
        }
    }
    return {};
}

QString Prompt(int id) { return Load(id).section(QLatin1Char('\n'), 0, 0); }

QString DocumentTitle() { return Load(kDocument).section(QLatin1Char('\n'), 0, 0); }

}  // namespace strings

}  // namespace tarvo
