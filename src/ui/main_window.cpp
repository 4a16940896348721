#include "main_window.h"

#include "controller.h"
#include "picture_view.h"
#include "progress_bar.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif

namespace {

void ShowModalBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

} // namespace

MainWindow::~MainWindow() = default;

MainWindow::MainWindow(Controller& controller, QWidget* parent)
    : QMainWindow(parent)
    , controller_(controller)
    , presentMessage_([this](const QString& text) { ShowModalBox(this, text); })
    , files_(controller, *this, [this](const QString& text) { ShowMessage(text); })
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/velmora.png")));
    client_ = new ClientArea(controller_, *this);
    controller_.SetAccuracy(client_->AccuracyList()->currentIndex());
    CreateMenus();
    Connect();
    ShowCommands();
}

void MainWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("File"));
    files_.AddTo(*file);
    file->addSeparator();
    quitAction_ = file->addAction(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &controller_, &Controller::Quit);

    QMenu* view = menuBar()->addMenu(tr("View"));
    back_ = view->addAction(tr("Back"), QKeySequence(Qt::ALT | Qt::Key_Left), &controller_, &Controller::Back);
    redraw_ = view->addAction(tr("Redraw"), QKeySequence(Qt::Key_F5), &controller_, &Controller::Redraw);
    cancel_ = view->addAction(tr("Cancel"), QKeySequence(Qt::Key_Escape), &controller_, &Controller::Cancel);

    music_ = new MusicMenu(controller_, menuBar());
    menuBar()->addMenu(music_);
    QMenu* help = menuBar()->addMenu(tr("Help"));
    about_ = help->addAction(tr("About Velmora"), this, &MainWindow::ShowAbout);
}

void MainWindow::Connect()
{
    Controller* c = &controller_;
    connect(client_->DrawButton(), &QPushButton::clicked, c, &Controller::Draw);
    connect(client_->MagnifyButton(), &QPushButton::clicked, c, &Controller::ExplainMagnify);
    connect(client_->TraceButton(), &QPushButton::clicked, c, &Controller::Trace);
    connect(client_->ComposeButton(), &QPushButton::clicked, c, &Controller::Compose);
    connect(client_->StopMusicButton(), &QPushButton::clicked, c, &Controller::StopMusic);
    connect(client_->QuitButton(), &QPushButton::clicked, c, &Controller::Quit);
    connect(client_->PictureArea(), &PictureView::pressed, c, &Controller::Press);
    connect(client_->PictureArea(), &PictureView::moved, c, &Controller::Move);
    connect(client_->AccuracyList(), &QComboBox::currentIndexChanged, c, &Controller::SetAccuracy);
    connect(client_->LengthBox(), &QLineEdit::textChanged, c, &Controller::SetLengthText);

    connect(c, &Controller::pictureChanged, client_->PictureArea(), &PictureView::PictureChanged);
    connect(c, &Controller::progressChanged, client_->Progress(), &ProgressBar::SetValue);
    connect(c, &Controller::commandsChanged, this, &MainWindow::ShowCommands);
    connect(c, &Controller::rubberBandChanged, this, &MainWindow::ShowRubberBand);
    connect(c, &Controller::playheadChanged, this, &MainWindow::ShowPlayhead);
    connect(c, &Controller::messageRequested, this, &MainWindow::ShowMessage);
    connect(c, &Controller::lengthTextChanged, client_->LengthBox(), &QLineEdit::setText);
    connect(c, &Controller::quitRequested, this, &QWidget::close);
    connect(c, &Controller::statusChanged, client_->StatusLine(), &QLabel::setText);
    connect(c, &Controller::viewChanged, this, [this] { client_->ViewReadout()->setText(controller_.ViewReadout()); });
}

void MainWindow::ShowCommands()
{
    const Commands offered = controller_.Offered();
    client_->ShowCommands(offered);
    files_.ShowCommands(offered);
    back_->setEnabled(offered.back);
    redraw_->setEnabled(offered.redraw);
    cancel_->setEnabled(offered.cancel);
    quitAction_->setEnabled(!controller_.HasQuit());
}

void MainWindow::ShowRubberBand()
{
    const RubberBand& band = controller_.CurrentRubberBand();
    client_->PictureArea()->SetRubberBand(band.visible, QLineF(band.start, band.end));
}

void MainWindow::ShowPlayhead()
{
    const auto cell = controller_.Playhead();
    client_->PictureArea()->SetPlayhead(cell ? std::optional<QPoint>(QPoint(cell->x, cell->y)) : std::nullopt);
}

void MainWindow::ShowAbout()
{
    const QString soundFont = soundFontName_.isEmpty() ? tr("none") : soundFontName_;
    QMessageBox::about(this, tr("About Velmora"),
                       tr("Velmora turns the boundary of the Mandelbrot set into music.\n"
                          "Draw the set, trace its outline, click a start point and listen to the walk.")
                           + QStringLiteral("\n\n") + tr("Version %1").arg(QStringLiteral(VELMORA_VERSION))
                           + QLatin1Char('\n') + tr("SoundFont: %1").arg(soundFont));
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
