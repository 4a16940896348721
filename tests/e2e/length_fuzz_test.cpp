#include "e2e_support.h"
#include "window_fixture.h"

#include "length_text.h"
#include "music_timer.h"
#include "shared_state.h"

#include <QLineEdit>
#include <QPushButton>

#include <QTest>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

// A Length text built around a number whose reading is known by
// construction: digits with blanks anywhere, a period as the decimal point,
// then something that cannot continue a number.
struct LengthCase
{
    std::string text;
    int expectedLength;  // what the walk should use: the rounded number or 400
    bool accepted;       // false: 400 is used and the box should read "400"
};

class LengthTexts
{
public:
    LengthTexts(std::uint64_t seed, bool astralCharacters)
        : rng_(seed)
        , astral_(astralCharacters)
    {
    }

    LengthCase Next()
    {
        if (Chance(0.1))
            return NotANumber();
        return Number();
    }

private:
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }
    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }

    template <typename T>
    const T& Pick(const std::vector<T>& from)
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

    std::string Blanks() { return std::string(static_cast<std::size_t>(Uniform(1, 3)), ' '); }

    // Characters that cannot continue a number: no digit, no blank, no
    // exponent letter, no period unless the number already has one.
    std::string Stopper(bool numberHasPeriod)
    {
        std::vector<std::string> stoppers{"a", "x", "Z", "k", "#", "!", "%", ",", "/", "*", "(", "-", "+",
                                          "_", ":", ";", "=", "'", "\"", "&", "長", "é"};
        if (numberHasPeriod)
            stoppers.push_back(".");
        if (astral_)
            stoppers.push_back("😀");
        return Pick(stoppers);
    }

    std::string Tail()
    {
        static const std::vector<std::string> pieces{"0", "7", "9", "e", "E", "5", ".", " ", "abc", "長さ", "-", "+", "e3"};
        std::string tail;
        const int count = Chance(0.02) ? Uniform(200, 1000) : Uniform(0, 6);
        for (int i = 0; i < count; ++i)
            tail += Pick(pieces);
        return tail;
    }

    LengthCase NotANumber()
    {
        switch (Uniform(0, 3)) {
        case 0: return {"", 400, false};
        case 1: return {std::string(static_cast<std::size_t>(Uniform(1, 20)), ' '), 400, false};
        default: {
            static const std::vector<std::string> starts{"abc", "x", "Z", "#", "!", "%", ",", "/", "(", "長さ",
                                                         "é", "_", "NaN", "inf", "四百", "?"};
            std::string text = (Chance(0.3) ? Blanks() : "") + Pick(starts) + Tail();
            return {text, 400, false};
        }
        }
    }

    LengthCase Number()
    {
        const bool negative = Chance(0.12);
        std::string integer;
        switch (Uniform(0, 9)) {
        case 0: integer = std::to_string(Pick(std::vector<int>{0, 1, 6, 7, 8, 9, 10, 799, 800, 801, 802, 1000})); break;
        case 1: integer = Digits(Uniform(4, 20), true); break;
        case 2: integer = Chance(0.3) ? Digits(Uniform(300, 600), true) : ""; break;
        default: integer = std::to_string(Uniform(0, 1000)); break;
        }
        std::string fraction;
        bool period = false;
        switch (Uniform(0, 7)) {
        case 0: period = true; break;  // a trailing period
        case 1:
        case 2:
            period = true;
            fraction = Digits(Uniform(1, 6), false);
            break;
        case 3:
            period = true;
            fraction = Pick(std::vector<std::string>{"5", "50", "500000", "49999", "500001", "4", "6", "05"});
            break;
        default: break;
        }
        if (integer.empty() && fraction.empty())
            integer = "0";
        const std::string leadingZeros = Chance(0.15) ? std::string(static_cast<std::size_t>(Uniform(1, 5)), '0') : "";

        std::string number = (negative ? "-" : "") + leadingZeros + integer + (period ? "." : "") + fraction;
        std::string text;
        for (const char c : number) {
            if (Chance(0.08))
                text += Blanks();
            text.push_back(c);
        }
        if (Chance(0.3))
            text = Blanks() + text;
        if (Chance(0.3))
            text += Blanks();
        if (Chance(0.5))
            text += Stopper(period) + Tail();

        const int rounded = RoundHalfToEven(integer, fraction);
        const bool accepted = !negative && rounded >= 8 && rounded <= 800;
        return {text, accepted ? rounded : 400, accepted};
    }

    // The integer nearest to integer.fraction, halves to the even one; any
    // number of five digits or more is simply reported as out of range.
    static int RoundHalfToEven(const std::string& integer, const std::string& fraction)
    {
        const std::size_t firstSignificant = integer.find_first_not_of('0');
        const std::string significant = firstSignificant == std::string::npos ? "" : integer.substr(firstSignificant);
        if (significant.size() > 4)
            return 100000;
        const int whole = significant.empty() ? 0 : std::stoi(significant);
        if (fraction.empty() || fraction[0] < '5')
            return whole;
        if (fraction[0] > '5' || fraction.find_first_not_of('0', 1) != std::string::npos)
            return whole + 1;
        return whole % 2 == 0 ? whole : whole + 1;
    }

    std::mt19937_64 rng_;
    bool astral_;
};

std::string Shown(const std::string& text)
{
    return text.size() > 80 ? text.substr(0, 80) + "... (" + std::to_string(text.size()) + " bytes)" : text;
}

TEST(LengthTextFuzz, ReadsTheRoundedLeadingNumberWithinEightTo800AndOtherwise400)
{
    const std::uint64_t seed = e2e::SeedFromEnvironment(20240611);
    const long count = e2e::CountFromEnvironment("VELMORA_LENGTH_TEXTS", 100000);
    LengthTexts texts(seed, true);
    int acceptedCount = 0;
    for (long i = 0; i < count; ++i) {
        const LengthCase c = texts.Next();
        const LengthReading reading = ReadLength(c.text);
        acceptedCount += c.accepted;
        EXPECT_EQ(reading.length, c.expectedLength) << "text '" << Shown(c.text) << "' should give " << c.expectedLength;
        EXPECT_EQ(reading.accepted, c.accepted)
            << "text '" << Shown(c.text) << "' should be " << (c.accepted ? "used as typed" : "replaced by 400");
        if (HasFailure()) {
            std::printf("Length text fuzz failed at text %ld of seed %llu (set VELMORA_FUZZ_SEED to replay)\n", i,
                        static_cast<unsigned long long>(seed));
            break;
        }
    }
    if (!HasFailure()) {
        EXPECT_GT(acceptedCount, count / 10) << "the fuzz should exercise accepted lengths, not only the fallback";
        EXPECT_LT(acceptedCount, count * 9 / 10) << "the fuzz should exercise the fallback too";
    }
}

class LengthThroughTheWindow : public WindowFixture
{
protected:
    // Types the text key by key; characters QTest has no key for arrive as
    // key events that carry only their text, as an input method would send them.
    void TypeAnyText(const QString& text)
    {
        const bool ascii = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (ascii) {
            TypeLength(text);
            return;
        }
        form->Length()->clear();
        for (const QChar c : text) {
            QTest::sendKeyEvent(QTest::Click, form->Length(), Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
};

// Each text is typed into the box and a piece composed from the top-left
// corner of the default outline, whose frame is long enough for any length.
TEST_F(LengthThroughTheWindow, TheComposedMelodyHasTheTypedLengthPlusOneOrFallsBackTo400)
{
    const std::uint64_t seed = e2e::SeedFromEnvironment(20240611) + 1;
    const long count = e2e::CountFromEnvironment("VELMORA_LENGTH_WINDOW_TEXTS", 250);
    LengthTexts texts(seed, false);
    SelectSeido(0);
    for (long i = 0; i < count; ++i) {
        const LengthCase c = texts.Next();
        const QString typed = QString::fromStdString(c.text);
        TypeAnyText(typed);
        ASSERT_EQ(form->Length()->text(), typed) << "the box should hold the text as typed";

        Click(form->Draw());
        Click(form->Trace());
        Click(form->Compose());
        PressAt(0, 0);
        ASSERT_TRUE(form->Timer()->IsEnabled()) << "the walk along the frame should complete for '" << Shown(c.text) << "'";
        EXPECT_EQ(MelodyLength, c.expectedLength + 1)
            << "text '" << Shown(c.text) << "' should give a melody of " << c.expectedLength + 1 << " bytes";
        EXPECT_EQ(form->Length()->text(), c.accepted ? typed : QStringLiteral("400"))
            << "text '" << Shown(c.text) << "' should " << (c.accepted ? "stay as typed" : "become 400");
        Click(form->StopMusic());
        if (HasFailure()) {
            std::printf("Length window fuzz failed at text %ld of seed %llu (set VELMORA_FUZZ_SEED to replay)\n", i,
                        static_cast<unsigned long long>(seed - 1));
            break;
        }
    }
}

} // namespace
