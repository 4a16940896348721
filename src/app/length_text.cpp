#include "length_text.h"

#include <QString>

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The longest prefix of the blank-free text that forms a number, in the
// form [sign] digits [. digits] [(E|e) [sign] digits].
std::string NumberPrefix(std::string_view text)
{
    std::string compact;
    compact.reserve(text.size());
    for (const char c : text) {
        if (!IsBlank(c))
            compact.push_back(c);
    }

    std::size_t i = 0;
    std::string number;
    if (i < compact.size() && compact[i] == '-')
        number.push_back(compact[i++]);
    else if (i < compact.size() && compact[i] == '+')
        ++i;
    bool digits = false;
    while (i < compact.size() && IsDigit(compact[i])) {
        number.push_back(compact[i++]);
        digits = true;
    }
    if (i < compact.size() && compact[i] == '.') {
        number.push_back(compact[i++]);
        while (i < compact.size() && IsDigit(compact[i])) {
            number.push_back(compact[i++]);
            digits = true;
        }
    }
    if (!digits)
        return {};
    if (i < compact.size() && (compact[i] == 'E' || compact[i] == 'e')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < compact.size() && (compact[j] == '+' || compact[j] == '-'))
            exponent.push_back(compact[j++]);
        bool exponentDigits = false;
        while (j < compact.size() && IsDigit(compact[j])) {
            exponent.push_back(compact[j++]);
            exponentDigits = true;
        }
        if (exponentDigits)
            number += exponent;
    }
    return number;
}

// A Japanese input method types digits, signs, the full stop and spaces in
// their full-width forms. Only those become ASCII: normalising the whole
// text would also read "½", "²" or "⑧" as digits.
std::string FullWidthAsAscii(std::string_view text)
{
    constexpr char16_t FullWidthOffset = 0xFEE0;  // U+FF01..U+FF5E mirror ASCII 0x21..0x7E
    constexpr char16_t IdeographicSpace = 0x3000;
    QString converted = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    for (QChar& c : converted) {
        const char16_t code = c.unicode();
        const bool digit = code >= u'０' && code <= u'９';
        if (digit || code == u'＋' || code == u'－' || code == u'．')
            c = QChar(static_cast<char16_t>(code - FullWidthOffset));
        else if (code == IdeographicSpace)
            c = QLatin1Char(' ');
    }
    return converted.toStdString();
}

} // namespace

double LeadingNumber(std::string_view text)
{
    const std::string number = NumberPrefix(text);
    if (number.empty())
        return 0.0;
    // Read independently of the user's locale: the period is always the point.
    double value = 0.0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range)
        return std::numeric_limits<double>::quiet_NaN();
    return value;
}

LengthReading ReadLength(std::string_view text)
{
    const std::string ascii = FullWidthAsAscii(text);
    const double rounded = std::nearbyint(LeadingNumber(ascii));
    // Checked as a double: the original converted first and overflowed on
    // texts like "99999"; here anything outside the range simply falls back.
    if (!(rounded >= MinimumLength && rounded <= MaximumLength))
        return {DefaultLength, false};
    return {static_cast<std::int16_t>(rounded), true};
}
