#include "main_window.h"

#include "controller.h"
#include "picture_view.h"
#include "progress_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
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

void ShowModalBox(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

MainWindow::MainWindow(Controller& controller, QWidget* parent)
    : QMainWindow(parent)
    , controller_(controller)
    , presentMessage_(ShowModalBox)
{
    CreateControls();
    Connect();
    ShowCommands();
}

// Created in the designed tab order. The picture and the bar are sized to
// the picture's side rather than the designed twips.
void MainWindow::CreateControls()
{
    setWindowTitle(QStringLiteral("Velmora"));
    client_ = new QWidget(this);
    client_->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client_);

    trace_ = MakeButton(client_, TracePlace, tr("Trace Outline"), false);
    picture_ = new PictureView(controller_.CurrentPicture(), throttle_, client_);
    picture_->setGeometry(ToPixels(PicturePlace));
    picture_->resize(Picture::Side, Picture::Side);
    draw_ = MakeButton(client_, DrawPlace, tr("Draw All Area"), true);
    progress_ = new ProgressBar(throttle_, client_);
    progress_->setGeometry(ToPixels(ProgressPlace));
    progress_->resize(Picture::Side, progress_->height());
    accuracy_ = new QComboBox(client_);
    accuracy_->setGeometry(ToPixels(AccuracyPlace));
    accuracyLabel_ = MakeLabel(client_, AccuracyLabelPlace, tr("Accuracy"));
    compose_ = MakeButton(client_, ComposePlace, tr("Compose Music"), false);
    magnify_ = MakeButton(client_, MagnifyPlace, tr("Magnify Area"), false);
    stopMusic_ = MakeButton(client_, StopMusicPlace, tr("Stop Music"), false);
    quit_ = MakeButton(client_, QuitPlace, tr("Quit"), true);
    lengthLabel_ = MakeLabel(client_, LengthLabelPlace, tr("Length"));
    length_ = new QLineEdit(controller_.LengthText(), client_);
    length_->setGeometry(ToPixels(LengthPlace));

    // The accuracy entries read the same in every language.
    accuracy_->addItem(tr("低"));
    accuracy_->addItem(tr("中"));
    accuracy_->addItem(tr("高"));
    accuracy_->setCurrentIndex(1);
    controller_.SetAccuracy(accuracy_->currentIndex());
}

void MainWindow::Connect()
{
    Controller* c = &controller_;
    connect(draw_, &QPushButton::clicked, c, &Controller::Draw);
    connect(magnify_, &QPushButton::clicked, c, &Controller::ExplainMagnify);
    connect(trace_, &QPushButton::clicked, c, &Controller::Trace);
    connect(compose_, &QPushButton::clicked, c, &Controller::Compose);
    connect(stopMusic_, &QPushButton::clicked, c, &Controller::StopMusic);
    connect(quit_, &QPushButton::clicked, c, &Controller::Quit);
    connect(picture_, &PictureView::pressed, c, &Controller::Press);
    connect(picture_, &PictureView::moved, c, &Controller::Move);
    connect(accuracy_, &QComboBox::currentIndexChanged, c, &Controller::SetAccuracy);
    connect(length_, &QLineEdit::textChanged, c, &Controller::SetLengthText);

    connect(c, &Controller::pictureChanged, picture_, &PictureView::PictureChanged);
    connect(c, &Controller::progressChanged, progress_, &ProgressBar::SetValue);
    connect(c, &Controller::commandsChanged, this, &MainWindow::ShowCommands);
    connect(c, &Controller::rubberBandChanged, this, &MainWindow::ShowRubberBand);
    connect(c, &Controller::messageRequested, this, &MainWindow::ShowMessage);
    connect(c, &Controller::lengthTextChanged, length_, &QLineEdit::setText);
    connect(c, &Controller::quitRequested, this, &QWidget::close);
}

void MainWindow::ShowCommands()
{
    const Commands offered = controller_.Offered();
    draw_->setEnabled(offered.draw);
    magnify_->setEnabled(offered.magnify);
    trace_->setEnabled(offered.trace);
    compose_->setEnabled(offered.compose);
    stopMusic_->setEnabled(offered.stopMusic);
}

void MainWindow::ShowRubberBand()
{
    const RubberBand& band = controller_.CurrentRubberBand();
    picture_->SetRubberBand(band.visible, QLineF(band.start, band.end));
}

void MainWindow::ShowMessage(const QString& text)
{
    if (presentMessage_)
        presentMessage_(text);
}

// Closing by the window frame must not leave a note hanging: the controller
// silences and closes the output as Quit does.
void MainWindow::closeEvent(QCloseEvent* event)
{
    controller_.WindowClosing();
    event->accept();
}
