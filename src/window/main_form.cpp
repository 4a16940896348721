#include "main_form.h"

#include "draw_area.h"
#include "magnification.h"
#include "midi_control.h"
#include "music_timer.h"
#include "outline.h"
#include "progress_bar.h"
#include "renderer.h"
#include "screen_refresh.h"
#include "sequencer.h"
#include "shared_state.h"
#include "toolkit_binding.h"
#include "language.h"
#include "walk.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The designed layout, in twips; 15 twips make one pixel.
struct Placement
{
    int left;
    int top;
    int width;
    int height;
};

constexpr QRect ToPixels(Placement p)
{
    return {p.left / 15, p.top / 15, p.width / 15, p.height / 15};
}

constexpr Placement TracePlace{120, 2640, 1695, 495};
constexpr Placement DrawAreaPlace{2040, 600, 5895, 6015};
constexpr Placement DrawPlace{120, 1440, 1695, 495};
constexpr Placement ProgressPlace{2040, 120, 5895, 375};
constexpr Placement SeidoPlace{1080, 600, 735, 300};
constexpr Placement AccuracyPlace{120, 600, 975, 300};
constexpr Placement ComposePlace{120, 3240, 1695, 495};
constexpr Placement MangifyPlace{120, 2040, 1695, 495};
constexpr Placement StopMusicPlace{120, 3840, 1695, 495};
constexpr Placement QuitPlace{120, 6120, 1695, 495};
constexpr Placement LengthTxtPlace{120, 960, 975, 300};
constexpr Placement LengthPlace{1080, 960, 735, 300};

QPushButton* MakeButton(QWidget* parent, Placement place, const char* japanese, bool enabled)
{
    auto* button = new QPushButton(QString::fromUtf8(japanese), parent);
    button->setGeometry(ToPixels(place));
    button->setEnabled(enabled);
    return button;
}

QLabel* MakeLabel(QWidget* parent, Placement place, const char* japanese)
{
    auto* label = new QLabel(QString::fromUtf8(japanese), parent);
    label->setGeometry(ToPixels(place));
    return label;
}

} // namespace

MainForm::MainForm(QWidget* parent)
    : QWidget(parent)
{
    CreateControls();
    toolkit::Bind({draw_, mangify_, trace_, compose_, stopMusic_, quit_, drawArea_, progress_,
                   length_, seido_, musicTimer_, [this] { Unload(); }});
    RouteEvents();
    StartUp();
}

MainForm::~MainForm()
{
    musicTimer_->SetEnabled(false);
    ScreenRefresh::Forget(drawArea_);
    ScreenRefresh::Forget(progress_);
    toolkit::Unbind();
}

// Created in the designed tab order, with the designed Japanese captions.
void MainForm::CreateControls()
{
    setWindowTitle(QStringLiteral("Velmora"));
    setFixedSize(ClientWidth, ClientHeight);

    trace_ = MakeButton(this, TracePlace, "輪郭線", false);
    drawArea_ = new DrawArea(this);
    drawArea_->setGeometry(ToPixels(DrawAreaPlace));
    draw_ = MakeButton(this, DrawPlace, "全体描画", true);
    progress_ = new ProgressBar(this);
    progress_->setGeometry(ToPixels(ProgressPlace));
    seido_ = new QComboBox(this);
    seido_->setGeometry(ToPixels(SeidoPlace));
    accuracy_ = MakeLabel(this, AccuracyPlace, "精度");
    compose_ = MakeButton(this, ComposePlace, "作曲", false);
    mangify_ = MakeButton(this, MangifyPlace, "一部拡大", false);
    stopMusic_ = MakeButton(this, StopMusicPlace, "演奏停止", false);
    quit_ = MakeButton(this, QuitPlace, "終了", true);
    lengthTxt_ = MakeLabel(this, LengthTxtPlace, "長さ");
    length_ = new QLineEdit(QStringLiteral("400"), this);
    length_->setGeometry(ToPixels(LengthPlace));
    musicTimer_ = new MusicTimer(this);
}

void MainForm::RouteEvents()
{
    connect(draw_, &QPushButton::clicked, this, [] { DrawClicked(); });
    connect(mangify_, &QPushButton::clicked, this, [] { MangifyClicked(); });
    connect(trace_, &QPushButton::clicked, this, [] { TraceClicked(); });
    connect(compose_, &QPushButton::clicked, this, [] { ComposeClicked(); });
    connect(stopMusic_, &QPushButton::clicked, this, [] { StopMusicClicked(); });
    connect(quit_, &QPushButton::clicked, this, [] { QuitClicked(); });
    connect(drawArea_, &DrawArea::Pressed, this, &MainForm::DrawAreaPressed);
    connect(drawArea_, &DrawArea::Moved, this, [](float x, float y) { MagnifyMove(x, y); });
    connect(musicTimer_, &MusicTimer::Tick, this, [] { MusicTimerTick(); });
}

void MainForm::StartUp()
{
    if (UiLanguage == "English") {
        setWindowTitle(QStringLiteral("Velmora"));
        accuracy_->setText(QStringLiteral("Accuracy"));
        lengthTxt_->setText(QStringLiteral("Length"));
        draw_->setText(QStringLiteral("Draw All Area"));
        mangify_->setText(QStringLiteral("Magnify Area"));
        trace_->setText(QStringLiteral("Trace Outline"));
        compose_->setText(QStringLiteral("Compose Music"));
        stopMusic_->setText(QStringLiteral("Stop Music"));
        quit_->setText(QStringLiteral("Quit"));
    }
    SetDefaultView();
    drawArea_->resize(DrawArea::Side, DrawArea::Side);
    progress_->resize(DrawArea::Side, progress_->height());
    seido_->addItem(QString::fromUtf8("低"));
    seido_->addItem(QString::fromUtf8("中"));
    seido_->addItem(QString::fromUtf8("高"));
    seido_->setCurrentIndex(1);
    drawArea_->SetLineVisible(false);
    InteractionMode = ModeIdle;
}

void MainForm::DrawAreaPressed(float x, float y)
{
    if (InteractionMode == ModeStartPoint)
        ChooseStartPoint(x, y);
    else
        MagnifyPress(x, y);
}

void MainForm::Unload()
{
    unloaded_ = true;
    musicTimer_->SetEnabled(false);
    close();
}

// Closing by the window frame must not leave a note hanging: do what Quit does.
void MainForm::closeEvent(QCloseEvent* event)
{
    if (!unloaded_) {
        CloseMidi();
        unloaded_ = true;
        musicTimer_->SetEnabled(false);
    }
    event->accept();
}
