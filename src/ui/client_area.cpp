#include "client_area.h"

#include "controller.h"
#include "direction_legend.h"
#include "picture_view.h"
#include "progress_bar.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleOptionComboBox>
#include <QVBoxLayout>

#include <algorithm>

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
// In the column of buttons, between Stop Music and Quit, where the design left room.
constexpr Placement LegendPlace{120, 4440, 1695, 1560};

// The picture at one cell a point, as designed; the bar above it is as wide.
constexpr QRect DesignedPicture{ToPixels(PicturePlace).topLeft(), QSize(Picture::Side, Picture::Side)};
// Kept round the picture as the window grows.
constexpr int PictureRightMargin = ClientArea::Width - (DesignedPicture.x() + Picture::Side);
constexpr int PictureBottomMargin = ClientArea::Height - (DesignedPicture.y() + Picture::Side);
// Between the accuracy list and the picture, as designed.
constexpr int ListToPictureGap = DesignedPicture.x() - (ToPixels(AccuracyPlace).x() + ToPixels(AccuracyPlace).width());

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
    CreateControls(controller);
    FillAccuracyList();
    SetToolTips();
    SetTabOrder();
    // The list grows to its longest entry; the picture's column moves right to make room.
    QRect list = ToPixels(AccuracyPlace);
    list.setWidth(AccuracyListWidth());
    accuracy_->setGeometry(list);
    pictureShift_ = std::max(0, list.right() + 1 + ListToPictureGap - DesignedPicture.x());
    setMinimumSize(Width + pictureShift_, Height);
    resize(minimumSize());
    PlacePictureAndProgress();
    window.setCentralWidget(this);
    CreateStatusLines(controller, window);
}

// The picture and the bar are sized to the picture's side rather than the
// designed twips, and grow with the window.
void ClientArea::CreateControls(const Controller& controller)
{
    trace_ = MakeButton(this, TracePlace, tr("Trace Outline"), false);
    picture_ = new PictureView(controller.CurrentPicture(), throttle_, this);
    draw_ = MakeButton(this, DrawPlace, tr("Draw All Area"), true);
    progress_ = new ProgressBar(throttle_, this);
    progress_->setGeometry(ToPixels(ProgressPlace));
    // Nothing to follow yet.
    progress_->hide();
    accuracy_ = new QComboBox(this);
    accuracyLabel_ = MakeLabel(this, AccuracyLabelPlace, tr("Accuracy"));
    compose_ = MakeButton(this, ComposePlace, tr("Compose Music"), false);
    magnify_ = MakeButton(this, MagnifyPlace, tr("Magnify Area"), false);
    stopMusic_ = MakeButton(this, StopMusicPlace, tr("Stop Music"), false);
    quit_ = MakeButton(this, QuitPlace, tr("Quit"), true);
    lengthLabel_ = MakeLabel(this, LengthLabelPlace, tr("Length"));
    length_ = new QLineEdit(controller.LengthText(), this);
    length_->setGeometry(ToPixels(LengthPlace));
    legend_ = new DirectionLegend(controller, this);
    legend_->setGeometry(ToPixels(LegendPlace));
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
    // A Custom entry goes once the user chooses another.
    connect(accuracy_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index != CustomAccuracy && accuracy_->count() > CustomAccuracy)
            accuracy_->removeItem(CustomAccuracy);
    });
}

// Named by its count alone, as the counted entries are: a word beside it
// would widen the list, and the picture's column with it, by half again.
QString ClientArea::CustomAccuracyText(int iterations) const
{
    return QLocale().toString(iterations);
}

int ClientArea::AccuracyListWidth() const
{
    // A Custom entry is never a million, which has an entry of its own.
    QStringList entries{CustomAccuracyText(Controller::IterationsByAccuracy.back() - 1)};
    for (int i = 0; i < accuracy_->count(); ++i)
        entries.append(accuracy_->itemText(i));
    int widest = 0;
    for (const QString& entry : entries)
        widest = std::max(widest, accuracy_->fontMetrics().horizontalAdvance(entry));
    QStyleOptionComboBox option;
    option.initFrom(accuracy_);
    const QSize text(widest, accuracy_->fontMetrics().height());
    const int needed = accuracy_->style()->sizeFromContents(QStyle::CT_ComboBox, &option, text, accuracy_).width();
    return std::max(ToPixels(AccuracyPlace).width(), needed);
}

void ClientArea::ShowIterationsInForce(int iterations, int automaticIterations)
{
    const int current = accuracy_->currentIndex();
    if (current == Controller::AutomaticAccuracy && iterations == automaticIterations)
        return;
    const auto& counts = Controller::IterationsByAccuracy;
    if (const auto entry = std::find(counts.begin(), counts.end(), iterations); entry != counts.end()) {
        accuracy_->setCurrentIndex(static_cast<int>(entry - counts.begin()));
        return;
    }
    if (accuracy_->count() <= CustomAccuracy)
        accuracy_->addItem({});
    accuracy_->setItemText(CustomAccuracy, CustomAccuracyText(iterations));
    accuracy_->setItemData(CustomAccuracy, tr("The iterations of the place opened; Redraw keeps them"),
                           Qt::ToolTipRole);
    accuracy_->setCurrentIndex(CustomAccuracy);
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
    length_->setToolTip(tr("8 to 800 steps"));
}

// Top to bottom down the column of controls; the picture takes the focus by a click.
void ClientArea::SetTabOrder()
{
    QWidget* const order[] = {accuracy_, length_, draw_, magnify_, trace_, compose_, stopMusic_, quit_};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void ClientArea::resizeEvent(QResizeEvent*)
{
    PlacePictureAndProgress();
}

// The picture fills what the window gives right of the controls, inside the
// designed margins; the bar sits on the picture's square, as wide.
void ClientArea::PlacePictureAndProgress()
{
    const QRect area(DesignedPicture.x() + pictureShift_, DesignedPicture.y(),
                     width() - DesignedPicture.x() - pictureShift_ - PictureRightMargin,
                     height() - DesignedPicture.y() - PictureBottomMargin);
    picture_->setGeometry(area);
    const QRect square = picture_->PictureArea().toAlignedRect();
    const QRect designedBar = ToPixels(ProgressPlace);
    progress_->setGeometry(area.x() + square.x(), designedBar.y(), square.width(), designedBar.height());
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
    // The window's frame resizes it; a grip would take room from the lines.
    window.statusBar()->setSizeGripEnabled(false);
}

void ClientArea::ShowProgress(const QString& caption, float value)
{
    if (caption.isEmpty()) {
        progress_->hide();
        return;
    }
    progress_->SetCaption(caption);
    progress_->SetValue(value);
    progress_->show();
}

void ClientArea::ShowCommands(const Commands& offered)
{
    const std::pair<QPushButton*, bool> buttons[] = {{draw_, offered.draw}, {magnify_, offered.magnify},
                                                     {trace_, offered.trace}, {compose_, offered.compose},
                                                     {stopMusic_, offered.stopMusic}};
    for (const auto& [button, enabled] : buttons) {
        if (!enabled && button->hasFocus())
            picture_->setFocus();
    }
    draw_->setEnabled(offered.draw);
    magnify_->setEnabled(offered.magnify);
    trace_->setEnabled(offered.trace);
    compose_->setEnabled(offered.compose);
    stopMusic_->setEnabled(offered.stopMusic);
}
