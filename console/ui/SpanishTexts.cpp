#include "SpanishTexts.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <ctime>

namespace mireval::ui {

bool LoadSpanishToolkitTexts(QTranslator& translator) {
    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Spain));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator.load(QStringLiteral("qtbase_es"), folder)) {
        return false;
    }
    QCoreApplication::installTranslator(&translator);
    return true;
}

int CurrentYear() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_year + 1900;
}

}  // namespace mireval::ui
