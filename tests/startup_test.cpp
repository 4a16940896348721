// Built twice: once with the English language constant, once with another,
// and EXPECT_ENGLISH says which the texts must be.
#include "magnification.h"
#include "music_timer.h"
#include "progress_bar.h"
#include "shared_state.h"
#include "walk.h"
#include "window_fixture.h"

#include <QLabel>

#include <string>

namespace {

constexpr bool English = EXPECT_ENGLISH;

struct ControlCase
{
    const char* name;
    QWidget* widget;
    QRect geometry;
    const char* english;
    const char* japanese;
    bool enabled;
};

QString TextOf(QWidget* widget)
{
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    return {};
}

class StartupTest : public WindowFixture
{
};

} // namespace

TEST_F(StartupTest, ControlsOpenAtTheirDesignedPlacesWithTheirCaptions)
{
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(form->size(), QSize(578, 497));

    const ControlCase cases[] = {
        {"Trace", form->Trace(), {8, 176, 113, 33}, "Trace Outline", "輪郭線", false},
        {"Draw", form->Draw(), {8, 96, 113, 33}, "Draw All Area", "全体描画", true},
        {"Accuracy", form->Accuracy(), {8, 40, 65, 20}, "Accuracy", "精度", true},
        {"Compose", form->Compose(), {8, 216, 113, 33}, "Compose Music", "作曲", false},
        {"Mangify", form->Mangify(), {8, 136, 113, 33}, "Magnify Area", "一部拡大", false},
        {"StopMusic", form->StopMusic(), {8, 256, 113, 33}, "Stop Music", "演奏停止", false},
        {"Quit", form->Quit(), {8, 408, 113, 33}, "Quit", "終了", true},
        {"LengthTxt", form->LengthTxt(), {8, 64, 65, 20}, "Length", "長さ", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.name;
        EXPECT_EQ(TextOf(c.widget), QString::fromUtf8(English ? c.english : c.japanese)) << c.name;
        EXPECT_EQ(c.widget->isEnabled(), c.enabled) << c.name;
    }
    EXPECT_EQ(form->Area()->geometry(), QRect(136, 40, 400, 400));
    EXPECT_EQ(form->Progress()->geometry(), QRect(136, 8, 400, 25));
    EXPECT_EQ(form->Seido()->geometry(), QRect(72, 40, 49, 20));
    EXPECT_EQ(form->Length()->geometry(), QRect(72, 64, 49, 20));
}

TEST_F(StartupTest, InputsAndStateStartAsDesigned)
{
    ASSERT_EQ(form->Seido()->count(), 3);
    EXPECT_EQ(form->Seido()->itemText(0), QString::fromUtf8("低"));
    EXPECT_EQ(form->Seido()->itemText(1), QString::fromUtf8("中"));
    EXPECT_EQ(form->Seido()->itemText(2), QString::fromUtf8("高"));
    EXPECT_EQ(form->Seido()->currentIndex(), 1);
    EXPECT_EQ(form->Length()->text(), QStringLiteral("400"));
    EXPECT_FALSE(form->Area()->IsLineVisible());
    EXPECT_EQ(form->Progress()->Value(), 0.0f);
    EXPECT_FALSE(form->Timer()->IsEnabled());
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_EQ(View.XMin, -2.0);
    EXPECT_EQ(View.XMax, 0.7);
    EXPECT_EQ(View.YMin, -1.4);
    EXPECT_EQ(View.YMax, 1.3);
    EXPECT_EQ(form->Area()->Pixel(200, 200), 0) << "the picture starts black";
}

TEST_F(StartupTest, APressBeforeAnyRenderDoesNothing)
{
    PressAt(100, 100);
    MoveTo(200, 200);
    EXPECT_EQ(InteractionMode, ModeIdle);
    EXPECT_FALSE(form->Area()->IsLineVisible());
    EXPECT_TRUE(messages->Texts().empty());
}

TEST_F(StartupTest, MessagesComeInTheBuiltLanguage)
{
    Click(form->Draw());
    Click(form->Mangify());
    DrawAndTrace();
    Click(form->Compose());
    PressAt(200, 200);  // inside the set: no outline there

    const std::vector<std::string> expected = {
        English ? MagnifyHintEnglish : MagnifyHintJapanese,
        English ? AskStartPointEnglish : AskStartPointJapanese,
        English ? NotOnOutlineEnglish : NotOnOutlineJapanese,
    };
    EXPECT_EQ(messages->Texts(), expected);
    EXPECT_EQ(std::string(MagnifyHintJapanese), "マウスで拡大を行う範囲の開始点と終了点をクリックしてください。");
    EXPECT_EQ(std::string(AskStartPointJapanese), "輪郭線上の開始点を選択してください");
    EXPECT_EQ(std::string(NotOnOutlineJapanese), "クリックされた点は輪郭線から外れています。");
}
