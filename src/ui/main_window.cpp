#include "main_window.h"

#include "controller.h"
#include "direction_legend.h"
#include "picture.h"
#include "picture_view.h"
#include "preferences.h"
#include "progress_bar.h"
#include "sync_menu.h"
#include "view_explorer.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSettings>

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
    view->addSeparator();
    CreateViewGestures(*view);
    view->addSeparator();
    // Not remembered: a new session starts with the picture alone.
    showOrbit_ = view->addAction(tr("Show Orbit"), &controller_, &Controller::SetOrbitShown);
    showOrbit_->setCheckable(true);
    showOrbit_->setToolTip(tr("Draw the orbit of the point under the pointer or the picture's cursor, and say "
                              "whether it escapes"));
    view->addSeparator();
    CreatePictureSizes(*view);
    CreateColours(*view);
    view->addSeparator();
    fullScreen_ = view->addAction(tr("Full Screen"));
    fullScreen_->setShortcut(QKeySequence(Qt::Key_F11));
    fullScreen_->setCheckable(true);
    connect(fullScreen_, &QAction::toggled, this,
            [this](bool on) { setWindowState(windowState().setFlag(Qt::WindowFullScreen, on)); });

    music_ = new MusicMenu(controller_, menuBar());
    menuBar()->addMenu(music_);
    QMenu* help = menuBar()->addMenu(tr("Help"));
    about_ = help->addAction(tr("About Velmora"), this, &MainWindow::ShowAbout);
}

namespace {

// A keyboard pan moves the view a tenth of the picture.
constexpr float PanParts = 10.0f;

} // namespace

// + and - zoom about the centre and Ctrl+arrows pan, from anywhere in the
// window but the Length box; the arrows alone move the picture's cursor.
void MainWindow::CreateViewGestures(QMenu& view)
{
    // The centre and a tenth of the picture on screen, whatever its size.
    const auto centre = [this] { return controller_.CurrentPicture().CellsPerSide() / 2.0f; };
    zoomIn_ = view.addAction(tr("Zoom In"), [this, centre] { controller_.Zoom(centre(), centre(), 2.0); });
    zoomIn_->setShortcuts({QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal), QKeySequence::ZoomIn});
    zoomOut_ = view.addAction(tr("Zoom Out"), [this, centre] { controller_.Zoom(centre(), centre(), 0.5); });
    zoomOut_->setShortcuts({QKeySequence(Qt::Key_Minus), QKeySequence::ZoomOut});
    QMenu* move = view.addMenu(tr("Move the View"));
    const struct
    {
        const char* name;
        Qt::Key key;
        float dx, dy;
    } directions[] = {{QT_TR_NOOP("Left"), Qt::Key_Left, -1.0f, 0.0f},
                      {QT_TR_NOOP("Right"), Qt::Key_Right, 1.0f, 0.0f},
                      {QT_TR_NOOP("Up"), Qt::Key_Up, 0.0f, -1.0f},
                      {QT_TR_NOOP("Down"), Qt::Key_Down, 0.0f, 1.0f}};
    for (std::size_t i = 0; i < pan_.size(); ++i) {
        const auto& d = directions[i];
        pan_[i] = move->addAction(tr(d.name), QKeySequence(Qt::CTRL | d.key), this,
                                  [this, dx = d.dx, dy = d.dy] {
                                      const float cells = controller_.CurrentPicture().CellsPerSide() / PanParts;
                                      controller_.Pan(dx * cells, dy * cells);
                                  });
    }
    focusPicture_ = view.addAction(tr("Picture Cursor"), QKeySequence(Qt::Key_F6), this,
                                   [this] { client_->PictureArea()->ShowCursor(); });
}

// Each size is a checkable entry of one group; the choice takes effect with
// the next picture, as the accuracy does, so a piece playing is not cut off.
void MainWindow::CreatePictureSizes(QMenu& view)
{
    QMenu* sizes = view.addMenu(tr("Picture Size"));
    auto* group = new QActionGroup(sizes);
    for (std::size_t i = 0; i < pictureSizes_.size(); ++i) {
        const int side = fractal::PictureSides[i];
        QAction* action = sizes->addAction(tr("%L1 cells").arg(side));
        action->setCheckable(true);
        action->setActionGroup(group);
        connect(action, &QAction::triggered, this, [this, side] {
            controller_.SetPictureSide(side);
            if (preferences_)
                SavePictureSide(*preferences_, side);
        });
        pictureSizes_[i] = action;
    }
    ShowPictureSize(controller_.PictureSide());
}

void MainWindow::ShowPictureSize(int side)
{
    for (std::size_t i = 0; i < pictureSizes_.size(); ++i)
        pictureSizes_[i]->setChecked(fractal::PictureSides[i] == side);
}

void MainWindow::RememberPictureSizeIn(QSettings& store)
{
    preferences_ = &store;
    controller_.SetPictureSide(LoadPictureSide(store));
    ShowPictureSize(controller_.PictureSide());
}

// Unlike the size, a palette shows at once: the picture on screen is
// recoloured from what was drawn.
void MainWindow::CreateColours(QMenu& view)
{
    QMenu* colours = view.addMenu(tr("Colours"));
    auto* group = new QActionGroup(colours);
    // In the order of fractal::Palettes.
    static constexpr std::array<const char*, fractal::Palettes.size()> Names{
        QT_TR_NOOP("Classic"), QT_TR_NOOP("Sunset"), QT_TR_NOOP("Ocean")};
    for (std::size_t i = 0; i < colours_.size(); ++i) {
        const fractal::Palette palette = fractal::Palettes[i];
        QAction* action = colours->addAction(tr(Names[i]));
        action->setCheckable(true);
        action->setActionGroup(group);
        connect(action, &QAction::triggered, this, [this, palette] {
            controller_.SetPalette(palette);
            if (preferences_)
                SavePalette(*preferences_, palette);
        });
        colours_[i] = action;
    }
    ShowPalette();
}

void MainWindow::ShowPalette()
{
    for (std::size_t i = 0; i < colours_.size(); ++i)
        colours_[i]->setChecked(fractal::Palettes[i] == controller_.CurrentPalette());
}

void MainWindow::RememberPaletteIn(QSettings& store)
{
    preferences_ = &store;
    controller_.SetPalette(LoadPalette(store));
    ShowPalette();
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
    connect(client_->PictureArea(), &PictureView::released, c, &Controller::Release);
    connect(client_->PictureArea(), &PictureView::zoomed, c, &Controller::Zoom);
    connect(client_->PictureArea(), &PictureView::panned, c, &Controller::Pan);
    connect(client_->AccuracyList(), &QComboBox::currentIndexChanged, c, &Controller::SetAccuracy);
    connect(client_->LengthBox(), &QLineEdit::textChanged, c, &Controller::SetLengthText);

    connect(c, &Controller::pictureChanged, client_->PictureArea(), &PictureView::PictureChanged);
    connect(c, &Controller::progressChanged, this, &MainWindow::ShowProgress);
    connect(c, &Controller::commandsChanged, this, &MainWindow::ShowCommands);
    connect(c, &Controller::rubberBandChanged, this, &MainWindow::ShowRubberBand);
    connect(c, &Controller::playheadChanged, this, &MainWindow::ShowPlayhead);
    connect(c, &Controller::messageRequested, this, &MainWindow::ShowMessage);
    connect(c, &Controller::lengthTextChanged, client_->LengthBox(), &QLineEdit::setText);
    connect(c, &Controller::quitRequested, this, &QWidget::close);
    connect(c, &Controller::statusChanged, client_->StatusLine(), &QLabel::setText);
    connect(c, &Controller::viewChanged, this, &MainWindow::ShowView);
    connect(c, &Controller::orbitChanged, this, &MainWindow::ShowOrbit);
    connect(music_, &MusicMenu::settingsChanged, client_->Legend(), qOverload<>(&QWidget::update));
    // A place opened at another size: the menu shows it, and it is kept.
    connect(c, &Controller::pictureSideChanged, this, [this](int side) {
        ShowPictureSize(side);
        if (preferences_)
            SavePictureSide(*preferences_, side);
    });
    // A place opened in another palette: the menu shows it, and it is kept.
    connect(c, &Controller::paletteChanged, this, [this] {
        ShowPalette();
        if (preferences_)
            SavePalette(*preferences_, controller_.CurrentPalette());
    });
}

void MainWindow::ShowView()
{
    client_->ViewReadout()->setText(controller_.ViewReadout());
    // An opened place draws at its own iterations: the list says so, and Redraw keeps them.
    if (controller_.CurrentState() != State::Rendering && controller_.Offered().savePicture)
        client_->ShowIterationsInForce(controller_.MaxIterations(), AutomaticIterations(controller_.CurrentDeepView()));
}

// A trace runs while Trace is still offered; a render starts from nothing.
void MainWindow::ShowProgress(float value)
{
    const State state = controller_.CurrentState();
    if (state == State::Rendering)
        client_->ShowProgress(tr("Drawing %p%"), value);
    else if (state == State::Playing)
        client_->ShowProgress(tr("Playing %p%"), value);
    else if (state == State::Paused)
        client_->ShowProgress(tr("Paused %p%"), value);
    else if (controller_.Offered().trace && value > 0.0f)
        client_->ShowProgress(tr("Tracing %p%"), value);
}

// The bar shows while the controller draws or plays; a stopped or ended
// piece, a finished trace or a cancelled render leave nothing part-way.
void MainWindow::ShowWork()
{
    switch (controller_.CurrentState()) {
    case State::Rendering:
        ShowProgress(controller_.Progress());
        break;
    case State::Playing:
    case State::Paused:
        // From the piece's own start, not from the trace before it.
        ShowProgress(controller_.Player().Progress());
        break;
    default:
        client_->ShowProgress({}, 0.0f);
    }
}

void MainWindow::ShowCommands()
{
    const Commands offered = controller_.Offered();
    client_->ShowCommands(offered);
    files_.ShowCommands(offered);
    back_->setEnabled(offered.back);
    redraw_->setEnabled(offered.redraw);
    cancel_->setEnabled(offered.cancel);
    zoomIn_->setEnabled(offered.zoom);
    zoomOut_->setEnabled(offered.zoom);
    for (QAction* pan : pan_)
        pan->setEnabled(offered.pan);
    quitAction_->setEnabled(!controller_.HasQuit());
    music_->ShowCommands(offered, controller_.CurrentState() == State::Paused);
    client_->Legend()->update();
    ShowWork();
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
    std::vector<QPoint> path;
    if (const auto step = controller_.PlayheadStep()) {
        path.reserve(controller_.PathCells().size());
        for (const fractal::Cell& c : controller_.PathCells())
            path.emplace_back(c.x, c.y);
    }
    client_->PictureArea()->SetPathProgress(std::move(path), controller_.PlayheadStep());
    client_->Legend()->update();
}

void MainWindow::ShowOrbit()
{
    std::vector<QLineF> segments;
    std::vector<QPointF> points;
    if (const auto& orbit = controller_.Orbit(); orbit && controller_.OrbitShown()) {
        for (const fractal::OrbitSegment& s : orbit->segments)
            segments.emplace_back(s.from.x, s.from.y, s.to.x, s.to.y);
        for (const fractal::PlanePoint& p : orbit->points)
            points.emplace_back(p.x, p.y);
    }
    client_->PictureArea()->SetOrbit(std::move(segments), std::move(points));
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

// The focus comes back to the control that had it, or to the picture when
// that control is no longer offered; never on to the next button, Quit.
void MainWindow::ShowMessage(const QString& text)
{
    const QPointer<QWidget> focused = QApplication::focusWidget();
    if (presentMessage_)
        presentMessage_(text);
    if (focused && focused->window() == this && focused->isEnabled() && focused != client_->QuitButton())
        focused->setFocus();
    else
        client_->PictureArea()->setFocus();
}

void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && isFullScreen())
        fullScreen_->setChecked(false);
    else
        QMainWindow::keyPressEvent(event);
}

// The window manager may leave full screen too; the menu follows.
void MainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange && fullScreen_)
        fullScreen_->setChecked(isFullScreen());
    QMainWindow::changeEvent(event);
}

// Closing by the window frame must not leave a note hanging: the controller
// silences and closes the output as Quit does.
void MainWindow::closeEvent(QCloseEvent* event)
{
    controller_.WindowClosing();
    event->accept();
}

void MainWindow::JoinLink()
{
    music_->Sync()->Choose({music::SyncSource::Link, {}, {}});
}
