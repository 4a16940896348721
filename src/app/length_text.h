#pragma once

#include <cstdint>
#include <string_view>

inline constexpr std::int16_t MinimumLength = 8;
inline constexpr std::int16_t MaximumLength = 800;
inline constexpr std::int16_t DefaultLength = 400;
inline constexpr const char* DefaultLengthText = "400";

// The decimal number at the start of a text: blanks anywhere are skipped,
// the period is the decimal point, an exponent may follow, reading stops at
// the first character that cannot continue the number, and a text that does
// not begin with a number reads as 0. A number beyond the range of a
// double reads as NaN, which no range check accepts.
double LeadingNumber(std::string_view text);

struct LengthReading
{
    std::int16_t length;
    bool accepted;  // false: the default was used and the box should show it
};

// The walk length a Length text (UTF-8) asks for, rounded half to even;
// anything outside 8..800, however large, falls back to 400. Full-width
// digits, signs, full stops and ideographic spaces read as their ASCII forms.
LengthReading ReadLength(std::string_view text);
