#include "language.h"

#ifndef VELMORA_UI_LANGUAGE
#define VELMORA_UI_LANGUAGE "English"
#endif

const std::string_view UiLanguage = VELMORA_UI_LANGUAGE;
