// Length texts against a rule worked out on their decimal digits: first
// many through ReadLength, then a few typed key by key into the real box
// and composed.

#include "e2e_support.h"
#include "length_texts.h"
#include "session.h"

#include "length_text.h"
#include "main_window.h"
#include "picture_view.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdio>

namespace {

std::string Shown(const std::string& text)
{
    return text.size() > 80 ? text.substr(0, 80) + "... (" + std::to_string(text.size()) + " bytes)" : text;
}

TEST(LengthText, ReadsTheRoundedLeadingNumberWithin8To800AndOtherwise400)
{
    // The edges of the rule, then random texts.
    const e2e::LengthCase fixed[] = {
        {"7.5", 8, true},     {"8.5", 8, true},       {"9.5", 10, true},      {"800.5", 800, true},
        {"800.51", 400, false}, {"7.49", 400, false}, {"99999", 400, false},  {"-8", 400, false},
        {" 1 2 x", 12, true}, {"1.2e1", 12, true},    {"12e", 12, true},      {"1e999", 400, false},
        {"１２", 12, true},   {"12.", 12, true},      {"", 400, false},       {"+64", 64, true},
    };
    for (const auto& c : fixed) {
        const LengthReading reading = ReadLength(c.text);
        EXPECT_EQ(reading.length, c.length) << "text '" << c.text << "'";
        EXPECT_EQ(reading.accepted, c.accepted) << "text '" << c.text << "'";
    }

    const std::uint64_t seed = e2e::SeedFromEnvironment(20240611);
    const long count = e2e::NumberFromEnvironment("VELMORA_LENGTH_TEXTS", 20000);
    e2e::LengthTexts texts(seed, {});
    long accepted = 0;
    for (long i = 0; i < count && !HasFailure(); ++i) {
        const e2e::LengthCase c = texts.Next();
        const LengthReading reading = ReadLength(c.text);
        accepted += c.accepted;
        EXPECT_EQ(reading.length, c.length) << "text '" << Shown(c.text) << "'";
        EXPECT_EQ(reading.accepted, c.accepted) << "text '" << Shown(c.text) << "'";
    }
    if (HasFailure()) {
        std::printf("replay with VELMORA_FUZZ_SEED=%llu\n", static_cast<unsigned long long>(seed));
        return;
    }
    EXPECT_GT(accepted, count / 10) << "the texts should reach accepted lengths";
    EXPECT_LT(accepted, count * 9 / 10) << "the texts should reach the fallback too";
}

// Full-width digits read as their ASCII digits; other characters that
// merely look like digits (superscripts, fractions, circled numbers) are
// not digits and end the number like any other character.
TEST(LengthText, OnlyFullWidthFormsReadAsAscii)
{
    const e2e::LengthCase cases[] = {
        {"8½", 8, true},      // not 81
        {"1²", 400, false},   // not 12
        {"⑧", 400, false},   // not 8
        {"¹²", 400, false},   // not 12
        {"８½", 8, true},     // the full-width eight alone
    };
    for (const auto& c : cases) {
        const LengthReading reading = ReadLength(c.text);
        EXPECT_EQ(reading.length, c.length) << "text '" << c.text << "'";
        EXPECT_EQ(reading.accepted, c.accepted) << "text '" << c.text << "'";
    }
}

// Each text is typed into the box and a piece composed from the top-left
// corner of the whole set at low accuracy, whose frame is long enough for
// any length.
TEST(LengthThroughTheWindow, TheMelodyHasTheTypedLengthPlusOneOrFallsBackTo400)
{
    Session session(Session::WithWindow::Yes);
    MainWindow& window = session.Window();
    QLineEdit* box = window.LengthBox();
    QTest::keyClick(window.AccuracyList(), Qt::Key_Up);

    const std::uint64_t seed = e2e::SeedFromEnvironment(20240611) + 1;
    e2e::LengthTexts texts(seed, {.longTexts = false, .tabsAndLines = false});
    std::vector<e2e::LengthCase> cases{{"１２", 12, true}, {"abc", 400, false}};
    for (long i = e2e::NumberFromEnvironment("VELMORA_LENGTH_WINDOW_TEXTS", 12); i > 0; --i)
        cases.push_back(texts.Next());

    for (const e2e::LengthCase& c : cases) {
        const QString typed = QString::fromStdString(c.text);
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Backspace);
        // Characters without a key arrive as key events carrying only their
        // text, as an input method sends them.
        for (qsizetype i = 0; i < typed.size(); ++i) {
            const qsizetype n = typed[i].isHighSurrogate() ? 2 : 1;
            const QString character = typed.mid(i, n);
            if (character[0].unicode() < 0x80)
                QTest::keyClick(box, character[0].toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, character, Qt::NoModifier);
            i += n - 1;
        }
        ASSERT_EQ(box->text(), typed);

        QTest::mouseClick(window.DrawButton(), Qt::LeftButton);
        QTest::mouseClick(window.TraceButton(), Qt::LeftButton);
        QTest::mouseClick(window.ComposeButton(), Qt::LeftButton);
        e2e::PressOn(window.PictureArea(), QPointF(0, 0));
        ASSERT_TRUE(session.controller.Timer().IsEnabled()) << "the walk along the frame plays for '" << c.text << "'";
        EXPECT_EQ(session.controller.Melody().size(), static_cast<std::size_t>(c.length) + 1) << "text '" << c.text << "'";
        EXPECT_EQ(box->text(), c.accepted ? typed : QStringLiteral("400")) << "text '" << c.text << "'";
        QTest::mouseClick(window.StopMusicButton(), Qt::LeftButton);
    }
}

} // namespace
