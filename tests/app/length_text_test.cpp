#include "length_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(LengthText, ReadsTheLeadingNumberRoundedHalfToEvenAndFallsBackTo400OutsideEightTo800)
{
    struct Case
    {
        std::string text;
        int length;
        bool accepted;
    };
    const Case cases[] = {
        // The range and its edges, before and after rounding.
        {"8", 8, true}, {"800", 800, true}, {"7", 400, false}, {"801", 400, false},
        {"-5", 400, false}, {"7.5", 8, true}, {"8.5", 8, true}, {"9.5", 10, true},
        {"800.5", 800, true}, {"800.6", 400, false}, {"7.4", 400, false}, {"0", 400, false},
        // How the number is found in the text.
        {"abc", 400, false}, {"", 400, false}, {".", 400, false}, {" 1 2 ", 12, true},
        {"12abc", 12, true}, {"+20", 20, true}, {"\t64\n", 64, true}, {"1,5", 400, false},
        {"2e2", 200, true}, {"80e-1", 8, true}, {"12e", 12, true}, {"1e", 400, false},
        // Full-width forms read as their ASCII counterparts.
        {"１２", 12, true}, {"＋２０", 20, true}, {"８００．５", 800, true}, {"\u3000６４", 64, true},
        // Beyond 16 and 32 bits: values that would wrap into the range must not.
        {"99999", 400, false}, {"32768", 400, false}, {"65936", 400, false}, {"65544", 400, false},
        {"-65528", 400, false}, {"4294967304", 400, false}, {"1e10", 400, false},
        {"1e400", 400, false}, {"-1e400", 400, false}, {std::string(500, '9'), 400, false},
    };
    for (const Case& c : cases) {
        const LengthReading reading = ReadLength(c.text);
        EXPECT_EQ(reading.length, c.length) << "text '" << c.text.substr(0, 20) << "'";
        EXPECT_EQ(reading.accepted, c.accepted) << "text '" << c.text.substr(0, 20) << "'";
    }
}
