#pragma once

#include <string_view>

class QCoreApplication;

// The texts are written in English; any other language name loads the
// Japanese translation into the application. Returns false when the
// translation could not be loaded, leaving the English texts.
bool UseLanguage(QCoreApplication& application, std::string_view language);
