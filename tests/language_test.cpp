#include "language.h"

#include <gtest/gtest.h>

#include <string_view>

TEST(LanguageChoice, OnlyTheExactWordEnglishSelectsEnglishTexts)
{
    struct Case
    {
        std::string_view language;
        std::string_view expected;
    };
    const Case cases[] = {
        {"English", "en"}, {"Japanese", "ja"}, {"english", "ja"}, {"", "ja"}, {"English ", "ja"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChooseText(c.language, "en", "ja"), c.expected) << "language '" << c.language << "'";
}
