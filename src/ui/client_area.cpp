#include "client_area.h"

#include "controller.h"
#include "picture_view.h"
#include "progress_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

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
constexpr Placement PicturePlace{2040, 600, 5895, 6015};
constexpr Placement DrawPlace{120, 1440, 1695, 495};
constexpr Placement ProgressPlace{2040, 120, 5895, 375};
constexpr Placement AccuracyPlace{1080, 600, 735, 300};
constexpr Placement AccuracyLabelPlace{120, 600, 975, 300};
constexpr Placement ComposePlace{120, 3240, 1695, 495};
constexpr Placement MagnifyPlace{120, 2040, 1695, 495};
constexpr Placement StopMusicPlace{120, 3840, 1695, 495};
constexpr Placement QuitPlace{120, 6120, 1695, 495};
constexpr Placement LengthLabelPlace{120, 960, 975, 300};
constexpr Placement LengthPlace{1080, 960, 735, 300};

QPushButton* MakeButton(QWidget* parent, Placement place, const QString& caption, bool enabled)
{
    auto* button = new QPushButton(caption, parent);
    button->setGeometry(ToPixels(place));
    button->setEnabled(enabled);
    return button;
}

QLabel* MakeLabel(QWidget* parent, Placement place, const QString& caption)
{
    auto* label = new QLabel(caption, parent);
    label->setGeometry(ToPixels(place));
    return label;
}

} // namespace

ClientArea::ClientArea(const Controller& controller, QMainWindow& window)
    : QWidget(&window)
{
    setFixedSize(Width, Height);
    window.setCentralWidget(this);
    // The menu bar sits above the designed client area, which keeps its size.
    window.layout()->setSizeConstraint(QLayout::SetFixedSize);
    CreateControls(controller);
    FillAccuracyList();
    SetToolTips();
    CreateStatusLines(controller, window);
}

// Created in the designed tab order. The picture and the bar are sized to
// the picture's side rather than the designed twips.
void ClientArea::CreateControls(const Controller& controller)
{
    trace_ = MakeButton(this, TracePlace, tr("Trace Outline"), false);
    picture_ = new PictureView(controller.CurrentPicture(), throttle_, this);
    picture_->setGeometry(ToPixels(PicturePlace));
    picture_->resize(Picture::Side, Picture::Side);
    draw_ = MakeButton(this, DrawPlace, tr("Draw All Area"), true);
    progress_ = new ProgressBar(throttle_, this);
    progress_->setGeometry(ToPixels(ProgressPlace));
    progress_->resize(Picture::Side, progress_->height());
    accuracy_ = new QComboBox(this);
    accuracy_->setGeometry(ToPixels(AccuracyPlace));
    accuracyLabel_ = MakeLabel(this, AccuracyLabelPlace, tr("Accuracy"));
    compose_ = MakeButton(this, ComposePlace, tr("Compose Music"), false);
    magnify_ = MakeButton(this, MagnifyPlace, tr("Magnify Area"), false);
    stopMusic_ = MakeButton(this, StopMusicPlace, tr("Stop Music"), false);
    quit_ = MakeButton(this, QuitPlace, tr("Quit"), true);
    lengthLabel_ = MakeLabel(this, LengthLabelPlace, tr("Length"));
    length_ = new QLineEdit(controller.LengthText(), this);
    length_->setGeometry(ToPixels(LengthPlace));
}

void ClientArea::FillAccuracyList()
{
    accuracy_->addItem(tr("Low"));
    accuracy_->addItem(tr("Medium"));
    accuracy_->addItem(tr("High"));
    for (int i = Controller::FirstCountedAccuracy; i < Controller::AutomaticAccuracy; ++i)
        accuracy_->addItem(QLocale().toString(Controller::IterationsByAccuracy[static_cast<std::size_t>(i)]));
    accuracy_->addItem(tr("Automatic"));
    accuracy_->setCurrentIndex(1);
}

void ClientArea::SetToolTips()
{
    draw_->setToolTip(tr("Draw the whole set at the chosen accuracy"));
    magnify_->setToolTip(tr("Click two corners on the picture to magnify the region between them"));
    trace_->setToolTip(tr("Replace the picture by its outline, which the music walks along"));
    compose_->setToolTip(tr("Then click a start point on the outline to hear its walk"));
    stopMusic_->setToolTip(tr("Stop the piece at once"));
    quit_->setToolTip(tr("Silence the music and close Velmora"));
    accuracy_->setToolTip(tr("How many iterations decide whether a point escapes; Automatic gives deeper "
                             "magnifications more"));
    // The designed list is narrower than some names: its popup shows them whole.
    accuracy_->view()->setMinimumWidth(accuracy_->view()->sizeHintForColumn(0) + accuracy_->iconSize().width());
    length_->setToolTip(tr("8 to 800 steps"));
}

// Below the designed client area, which keeps its size and places.
// Two lines: what to do next, and where the view is.
void ClientArea::CreateStatusLines(const Controller& controller, QMainWindow& window)
{
    auto* statusLines = new QWidget;
    auto* lines = new QVBoxLayout(statusLines);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    status_ = new QLabel(controller.StatusText());
    readout_ = new QLabel(controller.ViewReadout());
    lines->addWidget(status_);
    lines->addWidget(readout_);
    window.statusBar()->addWidget(statusLines, 1);
    window.statusBar()->setSizeGripEnabled(false);
}

void ClientArea::ShowCommands(const Commands& offered)
{
    draw_->setEnabled(offered.draw);
    magnify_->setEnabled(offered.magnify);
    trace_->setEnabled(offered.trace);
    compose_->setEnabled(offered.compose);
    stopMusic_->setEnabled(offered.stopMusic);
}
