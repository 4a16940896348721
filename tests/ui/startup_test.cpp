// Built once per language: VELMORA_TEST_LANGUAGE is loaded before any
// window exists, as the program does at start-up.
#include "language.h"
#include "main_window.h"
#include "picture_view.h"
#include "progress_bar.h"
#include "session.h"
#include "window_driver.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>

#include <gtest/gtest.h>

#include <string_view>

namespace {

using namespace window_driver;

constexpr bool English = std::string_view(VELMORA_TEST_LANGUAGE) == "English";

QString InLanguage(const char* english, const char* japanese)
{
    return QString::fromUtf8(English ? english : japanese);
}

class StartupWindow : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        languageLoaded = UseLanguage(*qApp, English ? Language::English : Language::Japanese);
    }
    void SetUp() override { ASSERT_TRUE(languageLoaded) << "the translation did not load"; }

    static inline bool languageLoaded = false;
    Session session{Session::WithWindow::Yes};
    MainWindow& window = session.Window();
};

TEST_F(StartupWindow, ControlsSitAtTheirDesignedPlacesWithTheirCaptions)
{
    struct Control
    {
        const char* name;
        QWidget* widget;
        QRect geometry;  // the designed twips / 15
        const char* english;
        const char* japanese;
        bool enabled;
    };
    // The accuracy list is as wide as its longest entry; the picture keeps the designed gap from it.
    const QRect list = window.AccuracyList()->geometry();
    const int shift = std::max(0, list.right() + 1 + 15 - 136);
    const Control controls[] = {
        {"Trace", window.TraceButton(), {8, 176, 113, 33}, "Trace Outline", "輪郭線", false},
        {"Draw", window.DrawButton(), {8, 96, 113, 33}, "Draw All Area", "全体描画", true},
        {"Accuracy label", window.AccuracyLabel(), {8, 40, 65, 20}, "Accuracy", "精度", true},
        {"Compose", window.ComposeButton(), {8, 216, 113, 33}, "Compose Music", "作曲", false},
        {"Magnify", window.MagnifyButton(), {8, 136, 113, 33}, "Magnify Area", "一部拡大", false},
        {"Stop Music", window.StopMusicButton(), {8, 256, 113, 33}, "Stop Music", "演奏停止", false},
        {"Quit", window.QuitButton(), {8, 408, 113, 33}, "Quit", "終了", true},
        {"Length label", window.LengthLabel(), {8, 64, 65, 20}, "Length", "長さ", true},
        {"Accuracy list", window.AccuracyList(), {72, 40, list.width(), 20}, nullptr, nullptr, true},
        {"Length box", window.LengthBox(), {72, 64, 49, 20}, nullptr, nullptr, true},
        // The picture and the bar take the picture's side rather than the twips.
        {"Picture", window.PictureArea(), {136 + shift, 40, 400, 400}, nullptr, nullptr, true},
        {"Progress", window.Progress(), {136 + shift, 8, 400, 25}, nullptr, nullptr, true},
    };
    for (const Control& c : controls) {
        EXPECT_EQ(c.widget->parentWidget(), window.Client()) << c.name;
        EXPECT_EQ(c.widget->geometry(), c.geometry) << c.name;
        EXPECT_EQ(c.widget->isEnabled(), c.enabled) << c.name;
        if (!c.english)
            continue;
        if (auto* button = qobject_cast<QPushButton*>(c.widget))
            EXPECT_EQ(button->text(), InLanguage(c.english, c.japanese)) << c.name;
        else if (auto* label = qobject_cast<QLabel*>(c.widget))
            EXPECT_EQ(label->text(), InLanguage(c.english, c.japanese)) << c.name;
        else
            ADD_FAILURE() << c.name << " has no caption";
    }

    const QList<QAction*> menus = window.menuBar()->actions();
    struct MenuText
    {
        QString shown;
        const char* english;
        const char* japanese;
    };
    const MenuText menuTexts[] = {
        {menus.value(0) ? menus.value(0)->text() : QString(), "File", "ファイル"},
        {window.SavePictureAction()->text(), "Save Picture…", "画像を保存…"},
        {window.ExportMelodyAction()->text(), "Export Melody as MIDI…", "メロディをMIDIで書き出す…"},
        {window.QuitAction()->text(), "Quit", "終了"},
        {menus.value(1) ? menus.value(1)->text() : QString(), "View", "表示"},
        {window.BackAction()->text(), "Back", "戻る"},
        {window.ExportAudioAction()->text(), "Export Audio…", "オーディオを書き出す…"},
        {menus.value(2) ? menus.value(2)->text() : QString(), "Music", "音楽"},
        {window.MusicSettingsAction()->text(), "Settings…", "設定…"},
        // Help stays the last menu, after the Music menu.
        {menus.isEmpty() ? QString() : menus.last()->text(), "Help", "ヘルプ"},
        {window.AboutAction()->text(), "About Velmora", "Velmoraについて"},
    };
    for (const MenuText& m : menuTexts)
        EXPECT_EQ(m.shown, InLanguage(m.english, m.japanese));

    EXPECT_EQ(window.windowTitle(), QStringLiteral("Velmora"));
    // The menu bar above and the status bar below leave the whole client
    // area showing, as wide as the window, between them.
    ASSERT_EQ(window.centralWidget(), window.Client());
    const QRect client(window.Client()->mapTo(&window, QPoint(0, 0)), window.Client()->size());
    EXPECT_EQ(client, QRect(0, window.menuBar()->height(), 578 + shift, 497));
    EXPECT_EQ(window.height(), window.menuBar()->height() + 497 + window.statusBar()->height());
    EXPECT_EQ(window.width(), 578 + shift);
}

TEST_F(StartupWindow, InputsStartAsDesigned)
{
    QComboBox* accuracy = window.AccuracyList();
    ASSERT_EQ(accuracy->count(), 8);
    const QString entries[] = {InLanguage("Low", "低"),  InLanguage("Medium", "中"), InLanguage("High", "高"),
                               QStringLiteral("1,000"),   QStringLiteral("10,000"),    QStringLiteral("100,000"),
                               QStringLiteral("1,000,000"), InLanguage("Automatic", "自動")};
    for (int i = 0; i < accuracy->count(); ++i)
        EXPECT_EQ(accuracy->itemText(i), entries[i]) << "entry " << i;
    EXPECT_EQ(accuracy->currentIndex(), 1);
    EXPECT_EQ(window.LengthBox()->text(), QStringLiteral("400"));
    EXPECT_FALSE(window.PictureArea()->IsRubberBandVisible());
    EXPECT_EQ(window.Progress()->Value(), 0.0f);
    QImage black(400, 400, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(window.PictureArea()->Image(), black);

    Click(window.DrawButton());
    EXPECT_EQ(session.controller.MaxIterations(), 50) << "the list's 中 reaches the controller";
}

// Each caption against the room its control's style gives the text; the
// accuracy list's every entry, with iterations no other entry gives, too.
TEST_F(StartupWindow, NoCaptionOrAccuracyEntryIsCutOff)
{
    session.controller.OpenView(fractal::DeepView(), 999'999, 400, std::nullopt);
    ASSERT_EQ(window.AccuracyList()->currentText(), QStringLiteral("999,999"));
    int checked = 0;
    const auto fits = [&](const QWidget* w, const QString& text, int room) {
        EXPECT_LE(w->fontMetrics().horizontalAdvance(text), room) << text.toStdString();
        ++checked;
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        QStyleOptionButton button;
        button.initFrom(w);
        QStyleOptionComboBox list;
        list.initFrom(w);
        if (auto* b = qobject_cast<QPushButton*>(w); b && b->isVisible())
            fits(w, b->text(), w->style()->subElementRect(QStyle::SE_PushButtonContents, &button, w).width());
        if (auto* l = qobject_cast<QLabel*>(w); l && l->isVisible())
            fits(w, l->text(), l->contentsRect().width());
        const auto* c = qobject_cast<QComboBox*>(w);
        for (int i = 0; c && i < c->count(); ++i)
            fits(w, c->itemText(i), w->style()->subControlRect(QStyle::CC_ComboBox, &list, QStyle::SC_ComboBoxEditField, w).width());
    }
    EXPECT_GE(checked, 6 + 2 + 9 + 2) << "the buttons, the labels, the list's entries and the status lines";
}

TEST_F(StartupWindow, MessagesComeInTheWindowsLanguage)
{
    Click(window.DrawButton());
    Click(window.MagnifyButton());
    Click(window.TraceButton());
    Click(window.ComposeButton());
    PressPicture(window, {200, 200});  // inside the set: no outline there

    const auto startPiece = [this] {
        Click(window.DrawButton());
        Click(window.TraceButton());
        Click(window.ComposeButton());
        const auto point = OutlinePointOnRow(session.controller.Outline());
        ASSERT_TRUE(point);
        PressPicture(window, *point);
        Click(window.StopMusicButton());
    };
    session.output.SetDeviceAvailable(false);
    startPiece();
    session.output.SetDeviceAvailable(true);
    session.output.SetOpenRefused(true);
    startPiece();

    window.AccuracyList()->setCurrentIndex(2);
    window.LengthBox()->setText(QStringLiteral("8"));
    Click(window.DrawButton());
    Click(window.TraceButton());
    Click(window.ComposeButton());
    const auto stuck = StartOfFailingWalk(session.controller.Outline(), 8);
    ASSERT_TRUE(stuck) << "the outline at 高 should hold a fragment too short for 8 steps";
    PressPicture(window, *stuck);

    const std::vector<QString> expected = {
        InLanguage("Click two corners to magnify, or drag a box over the area; the wheel zooms in and out about the pointer.",
                   "2つの角をクリックするか、範囲をドラッグして拡大してください。ホイールでポインタを中心に拡大・縮小できます。"),
        InLanguage("Please, click a point on the outline!", "輪郭線上の開始点を選択してください"),
        InLanguage("Clicked point is not on the outline!", "クリックされた点は輪郭線から外れています。"),
        InLanguage("Please, click a point on the outline!", "輪郭線上の開始点を選択してください"),
        InLanguage("No sound: no SoundFont was found at recorder.sf2. Install the Debian package "
                   "fluid-soundfont-gm to hear the pieces; until then they play silently.",
                   "使用できるMIDIデバイスがありません．"),
        InLanguage("Please, click a point on the outline!", "輪郭線上の開始点を選択してください"),
        InLanguage("No sound: the sound output could not be started (no sound server or sound card answered), "
                   "so the piece plays silently.",
                   "MIDIデバイスを使用できません．"),
        InLanguage("Please, click a point on the outline!", "輪郭線上の開始点を選択してください"),
        InLanguage("The walk ran out of outline before the piece was complete. Click another point on the "
                   "outline, or draw a new picture.",
                   "輪郭線のトレースに失敗しました。"),
    };
    EXPECT_EQ(session.messages, expected);
}

} // namespace
