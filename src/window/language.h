#pragma once

#include <string_view>

// The language of every two-language text, fixed when the program is built.
// "English" selects the English texts; any other value the Japanese ones.
extern const std::string_view UiLanguage;

const char* ChooseText(std::string_view language, const char* english, const char* japanese);

inline const char* UiText(const char* english, const char* japanese)
{
    return ChooseText(UiLanguage, english, japanese);
}
