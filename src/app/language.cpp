#include "language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

bool InstallTranslation(QCoreApplication& application, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(&application);
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

} // namespace

Language ChooseLanguage(const QLocale& locale, std::string_view buildLanguage)
{
    if (locale.language() == QLocale::Japanese)
        return Language::Japanese;
    if (locale.language() == QLocale::C)
        return buildLanguage == "English" ? Language::English : Language::Japanese;
    return Language::English;
}

bool UseLanguage(QCoreApplication& application, Language language)
{
    if (language == Language::English)
        return true;
    InstallTranslation(application, QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return InstallTranslation(application, QStringLiteral("velmora_ja"), QStringLiteral(":/i18n"));
}
