#include "language.h"

#include <QCoreApplication>
#include <QTranslator>

bool UseLanguage(QCoreApplication& application, std::string_view language)
{
    if (language == "English")
        return true;
    auto* translator = new QTranslator(&application);
    if (!translator->load(QStringLiteral(":/i18n/velmora_ja.qm"))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
