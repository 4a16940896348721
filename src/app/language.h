#pragma once

#include <string_view>

class QCoreApplication;
class QLocale;

enum class Language { English, Japanese };

// Japanese for a Japanese locale, English for any other. Where no locale is
// chosen at all (the C locale) the build's own language decides: exactly
// "English" keeps the English texts, any other name gives Japanese.
Language ChooseLanguage(const QLocale& locale, std::string_view buildLanguage);

// Loads the language's translations, Velmora's own and Qt's (the dialogs'
// buttons and file dialogs). Returns false when Velmora's could not be
// loaded, leaving the English texts; Qt's are optional.
bool UseLanguage(QCoreApplication& application, Language language);
