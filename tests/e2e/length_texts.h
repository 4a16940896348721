#pragma once

// Random Length texts whose reading is known by construction: a decimal
// number (sign, digits, a period, an exponent) with blanks anywhere,
// ASCII or full-width digits, then something that cannot continue it; or a
// text that does not begin with a number at all. The expected length is the
// number rounded half to even when it lies within 8..800, else 400.

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace e2e {

struct LengthCase
{
    std::string text;  // UTF-8
    int length;        // what the walk should use
    bool accepted;     // false: 400 is used and the box should say so
};

class LengthTexts
{
public:
    struct Options
    {
        bool longTexts = true;     // hundreds of digits or characters now and then
        bool tabsAndLines = true;  // blanks other than the space
    };

    LengthTexts(std::uint64_t seed, Options options) : rng_(seed), options_(options) {}

    LengthCase Next() { return Chance(0.1) ? NotANumber() : Number(); }

    // The integer nearest to whole.fraction x 10^exponent, halves to the even
    // one, worked out on the decimal digits; none when it has five digits or
    // more, which is out of range however it rounds.
    static std::optional<int> Rounded(const std::string& whole, const std::string& fraction, int exponent)
    {
        std::string digits = whole + fraction;
        const long point = static_cast<long>(whole.size()) + exponent;
        std::string integer;
        std::string rest;
        if (point <= 0) {
            rest = std::string(static_cast<std::size_t>(-point), '0') + digits;
        } else {
            if (static_cast<std::size_t>(point) > digits.size())
                digits.append(static_cast<std::size_t>(point) - digits.size(), '0');
            integer = digits.substr(0, static_cast<std::size_t>(point));
            rest = digits.substr(static_cast<std::size_t>(point));
        }
        integer.erase(0, integer.find_first_not_of('0') == std::string::npos ? integer.size()
                                                                              : integer.find_first_not_of('0'));
        if (integer.size() > 4)
            return std::nullopt;
        const int value = integer.empty() ? 0 : std::stoi(integer);
        if (rest.empty() || rest[0] < '5')
            return value;
        if (rest[0] > '5' || rest.find_first_not_of('0', 1) != std::string::npos)
            return value + 1;
        return value % 2 == 0 ? value : value + 1;
    }

private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    const std::string& Pick(const std::vector<std::string>& from)
    {
        return from[static_cast<std::size_t>(Uniform(0, static_cast<int>(from.size()) - 1))];
    }

    std::string Digits(int count, bool nonZeroFirst)
    {
        std::string digits;
        for (int i = 0; i < count; ++i)
            digits.push_back(static_cast<char>('0' + Uniform(i == 0 && nonZeroFirst ? 1 : 0, 9)));
        return digits;
    }

    // A digit as typed: ASCII, or full-width as a Japanese input method types it.
    std::string Typed(char digit)
    {
        if (!Chance(0.2))
            return std::string(1, digit);
        return {char(0xEF), char(0xBC), char(0x90 + (digit - '0'))};
    }

    std::string Blanks()
    {
        static const std::vector<std::string> all{" ", " ", " ", "\t", "\r", "\n"};
        std::string blanks;
        for (int i = Uniform(1, 3); i > 0; --i)
            blanks += options_.tabsAndLines ? Pick(all) : " ";
        return blanks;
    }

    std::string Tail()
    {
        static const std::vector<std::string> pieces{"0", "7", "9", "e", "E", "5", ".", " ", "abc", "長さ", "-", "+", "e3"};
        std::string tail;
        const int count = options_.longTexts && Chance(0.02) ? Uniform(200, 1000) : Uniform(0, 6);
        for (int i = 0; i < count; ++i)
            tail += Pick(pieces);
        return tail;
    }

    LengthCase NotANumber()
    {
        if (Chance(0.2))
            return {Chance(0.5) ? "" : Blanks(), 400, false};
        // None of these can begin a number, whatever follows.
        static const std::vector<std::string> starts{"abc", "x", "Z", "#", "!", "%", ",", "/", "(", "長さ", "é",
                                                     "_", "NaN", "inf", "四百", "?", "e5", "-x", "*"};
        return {(Chance(0.3) ? Blanks() : "") + Pick(starts) + Tail(), 400, false};
    }

    LengthCase Number()
    {
        const int sign = Uniform(0, 9);  // 0: minus, 1: plus, else none
        std::string whole;
        switch (Uniform(0, 9)) {
        case 0: whole = Pick({"0", "1", "6", "7", "8", "9", "10", "799", "800", "801", "802", "1000"}); break;
        case 1: whole = Digits(Uniform(4, 20), true); break;
        case 2: whole = options_.longTexts && Chance(0.3) ? Digits(Uniform(300, 600), true) : ""; break;
        default: whole = std::to_string(Uniform(0, 1000)); break;
        }
        std::string fraction;
        const int periodKind = Uniform(0, 7);
        const bool period = periodKind <= 3;
        if (periodKind == 1 || periodKind == 2)
            fraction = Digits(Uniform(1, 6), false);
        else if (periodKind == 3)
            fraction = Pick({"5", "50", "500000", "49999", "500001", "4", "6", "05"});
        if (whole.empty() && fraction.empty())
            whole = "0";
        if (Chance(0.15))
            whole.insert(0, std::string(static_cast<std::size_t>(Uniform(1, 5)), '0'));

        // An exponent moves the point; only on short numbers, whose value a
        // double holds exactly enough to round as the decimal digits do.
        int exponent = 0;
        std::string exponentText;
        bool exponentLeftOpen = false;
        const int exponentKind = whole.size() <= 6 ? Uniform(0, 9) : 9;
        if (exponentKind <= 1) {
            exponent = Chance(0.05) ? Uniform(-400, 400) : Uniform(-3, 3);
            exponentText = std::string(Chance(0.5) ? "e" : "E") + (exponent < 0 ? "-" : Chance(0.3) ? "+" : "") +
                           std::to_string(std::abs(exponent));
        } else if (exponentKind == 2) {
            // "e" with no digits is not part of the number.
            exponentText = Pick({"e", "E", "e+", "E-"});
            exponentLeftOpen = true;
        }

        std::vector<std::string> characters;
        if (sign < 2)
            characters.push_back(sign == 0 ? "-" : "+");
        for (const char c : whole)
            characters.push_back(Typed(c));
        if (period)
            characters.push_back(".");
        for (const char c : fraction)
            characters.push_back(Typed(c));
        for (const char c : exponentText)
            characters.push_back(c >= '0' && c <= '9' ? Typed(c) : std::string(1, c));

        std::string text = Chance(0.3) ? Blanks() : "";
        for (const std::string& c : characters)
            text += (Chance(0.08) ? Blanks() : "") + c;
        if (Chance(0.3))
            text += Blanks();
        if (exponentLeftOpen || Chance(0.5)) {
            // Letters only after an open exponent: a sign or digit there would close it.
            static const std::vector<std::string> letters{"a", "x", "Z", "k", "長", "é"};
            static const std::vector<std::string> others{"#", "!", "%", ",", "/", "*", "(", "-", "+", "_",
                                                         ":", ";", "=", "'", "\"", "&", "😀"};
            std::string stopper = exponentLeftOpen || Chance(0.4) ? Pick(letters) : Pick(others);
            if (period && !exponentLeftOpen && Chance(0.1))
                stopper = ".";
            text += stopper + Tail();
        }

        const std::optional<int> rounded = Rounded(whole, fraction, exponent);
        const bool accepted = sign != 0 && rounded && *rounded >= 8 && *rounded <= 800;
        return {text, accepted ? *rounded : 400, accepted};
    }

    std::mt19937_64 rng_;
    Options options_;
};

} // namespace e2e
