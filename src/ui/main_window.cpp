#include "main_window.h"

#include "controller.h"
#include "audio_export_task.h"
#include "file_writing.h"
#include "music_settings_dialog.h"
#include "picture_view.h"
#include "place.h"
#include "preferences.h"
#include "progress_bar.h"

#include <QAbstractItemView>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QVBoxLayout>

#include <algorithm>

#ifndef VELMORA_VERSION
#define VELMORA_VERSION "unknown"
#endif

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

void ShowModalBox(QWidget* parent, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationDisplayName(), text, QMessageBox::Ok, parent);
    box.exec();
}

// The user's own folder of that kind, else the home folder; without a home
// (HOME unset, where Qt answers "/") the current folder.
QString SuggestedPath(QStandardPaths::StandardLocation location, const QString& name)
{
    QString folder = QStandardPaths::writableLocation(location);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = qEnvironmentVariableIsEmpty("HOME") ? QDir::currentPath() : QDir::homePath();
    return QDir(folder).filePath(name);
}

QString OutputName(const OutputChoice& choice)
{
    switch (choice.kind) {
    case OutputChoice::Kind::BuiltIn:
        return MainWindow::tr("Built-in synthesizer");
    case OutputChoice::Kind::OwnPort:
        return MainWindow::tr("Own port “%1” for other programs").arg(QString::fromLatin1(music::VirtualPortName));
    case OutputChoice::Kind::Port:
        break;
    }
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(choice.port),
                                         choice.api == music::ExternalMidiApi::Jack ? QStringLiteral("JACK")
                                                                                    : QStringLiteral("ALSA"));
}

// How often the progress dialog looks at the worker's progress.
constexpr int AudioPollMilliseconds = 50;
constexpr int AudioProgressSteps = 1000;

} // namespace

MainWindow::~MainWindow() = default;

MainWindow::MainWindow(Controller& controller, QWidget* parent)
    : QMainWindow(parent)
    , controller_(controller)
    , presentMessage_([this](const QString& text) { ShowModalBox(this, text); })
{
    chooseFile_ = [this](const QString& title, const QString& suggested, const QString& filter) {
        return QFileDialog::getSaveFileName(this, title, suggested, filter);
    };
    choosePlace_ = [this](const QString& folder) {
        return QFileDialog::getOpenFileName(this, tr("Open Place"), folder,
                                            tr("Places, pictures and pieces (*.velmora *.json *.png *.mid *.midi)"));
    };
    CreateControls();
    CreateMenus();
    Connect();
    ShowCommands();
}

// Created in the designed tab order. The picture and the bar are sized to
// the picture's side rather than the designed twips.
void MainWindow::CreateControls()
{
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/velmora.png")));
    client_ = new QWidget(this);
    client_->setFixedSize(ClientWidth, ClientHeight);
    setCentralWidget(client_);
    // The menu bar sits above the designed client area, which keeps its size.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

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

    accuracy_->addItem(tr("Low"));
    accuracy_->addItem(tr("Medium"));
    accuracy_->addItem(tr("High"));
    for (int i = Controller::FirstCountedAccuracy; i < Controller::AutomaticAccuracy; ++i)
        accuracy_->addItem(QLocale().toString(Controller::IterationsByAccuracy[static_cast<std::size_t>(i)]));
    accuracy_->addItem(tr("Automatic"));
    accuracy_->setCurrentIndex(1);

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

    // Below the designed client area, which keeps its size and places.
    // Two lines: what to do next, and where the view is.
    auto* statusLines = new QWidget;
    auto* lines = new QVBoxLayout(statusLines);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    status_ = new QLabel(controller_.StatusText());
    readout_ = new QLabel(controller_.ViewReadout());
    lines->addWidget(status_);
    lines->addWidget(readout_);
    statusBar()->addWidget(statusLines, 1);
    statusBar()->setSizeGripEnabled(false);
    controller_.SetAccuracy(accuracy_->currentIndex());
}

void MainWindow::CreateMenus()
{
    QMenu* file = menuBar()->addMenu(tr("File"));
    savePicture_ = file->addAction(tr("Save Picture…"), QKeySequence(Qt::CTRL | Qt::Key_S), this,
                                   &MainWindow::SavePicture);
    exportMelody_ = file->addAction(tr("Export Melody as MIDI…"), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                                    &MainWindow::ExportMelody);
    exportAudio_ = file->addAction(tr("Export Audio…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), this,
                                   &MainWindow::ExportAudio);
    file->addSeparator();
    openPlace_ = file->addAction(tr("Open Place…"), QKeySequence(Qt::CTRL | Qt::Key_O), this, &MainWindow::OpenPlace);
    savePlace_ = file->addAction(tr("Save Place…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                                 &MainWindow::SavePlace);
    file->addSeparator();
    quitAction_ = file->addAction(tr("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), &controller_, &Controller::Quit);

    QMenu* view = menuBar()->addMenu(tr("View"));
    back_ = view->addAction(tr("Back"), QKeySequence(Qt::ALT | Qt::Key_Left), &controller_, &Controller::Back);
    redraw_ = view->addAction(tr("Redraw"), QKeySequence(Qt::Key_F5), &controller_, &Controller::Redraw);
    cancel_ = view->addAction(tr("Cancel"), QKeySequence(Qt::Key_Escape), &controller_, &Controller::Cancel);

    CreateMusicMenu();
    QMenu* help = menuBar()->addMenu(tr("Help"));
    about_ = help->addAction(tr("About Velmora"), this, &MainWindow::ShowAbout);
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
    connect(c, &Controller::playheadChanged, this, &MainWindow::ShowPlayhead);
    connect(c, &Controller::messageRequested, this, &MainWindow::ShowMessage);
    connect(c, &Controller::lengthTextChanged, length_, &QLineEdit::setText);
    connect(c, &Controller::quitRequested, this, &QWidget::close);
    connect(c, &Controller::statusChanged, status_, &QLabel::setText);
    connect(c, &Controller::viewChanged, this, [this] { readout_->setText(controller_.ViewReadout()); });
}

void MainWindow::ShowCommands()
{
    const Commands offered = controller_.Offered();
    draw_->setEnabled(offered.draw);
    magnify_->setEnabled(offered.magnify);
    trace_->setEnabled(offered.trace);
    compose_->setEnabled(offered.compose);
    stopMusic_->setEnabled(offered.stopMusic);
    back_->setEnabled(offered.back);
    redraw_->setEnabled(offered.redraw);
    cancel_->setEnabled(offered.cancel);
    savePicture_->setEnabled(offered.savePicture);
    savePlace_->setEnabled(offered.savePicture);
    openPlace_->setEnabled(!controller_.HasQuit());
    exportMelody_->setEnabled(offered.exportMelody);
    exportAudio_->setEnabled(offered.exportMelody && !audioExport_);
    quitAction_->setEnabled(!controller_.HasQuit());
}

void MainWindow::ShowRubberBand()
{
    const RubberBand& band = controller_.CurrentRubberBand();
    picture_->SetRubberBand(band.visible, QLineF(band.start, band.end));
}

void MainWindow::ShowPlayhead()
{
    const auto cell = controller_.Playhead();
    picture_->SetPlayhead(cell ? std::optional<QPoint>(QPoint(cell->x, cell->y)) : std::nullopt);
}

void MainWindow::SavePicture()
{
    if (!controller_.Offered().savePicture)
        return;
    SaveAs({tr("Save Picture"), QStandardPaths::PicturesLocation, QStringLiteral("velmora.png"),
            tr("PNG images (*.png)"), tr("The picture could not be saved.")},
           PictureFile(controller_.CurrentPicture(), PlaceToJson(controller_.CurrentPlace())));
}

void MainWindow::SavePlace()
{
    if (!controller_.Offered().savePicture)
        return;
    SaveAs({tr("Save Place"), QStandardPaths::DocumentsLocation, QStringLiteral("velmora.velmora"),
            tr("Velmora places (*.velmora *.json)"), tr("The place could not be saved.")},
           PlaceToJson(controller_.CurrentPlace()));
}

void MainWindow::OpenPlace()
{
    if (controller_.HasQuit())
        return;
    const QString path = choosePlace_(SuggestedPath(QStandardPaths::DocumentsLocation, {}));
    if (!path.isEmpty())
        OpenPlaceFile(path);
}

void MainWindow::OpenPlaceFile(const QString& path)
{
    const auto read = ReadPlaceAt(path);
    if (const auto* reason = std::get_if<QString>(&read)) {
        ShowMessage(tr("The place could not be opened.") + QLatin1Char('\n') + QDir::toNativeSeparators(path)
                    + QLatin1Char('\n') + *reason);
        return;
    }
    controller_.OpenPlace(std::get<Place>(read));
}

void MainWindow::ExportMelody()
{
    if (!controller_.Offered().exportMelody)
        return;
    const std::vector<std::uint8_t> bytes = controller_.PieceAsMidiFile();
    SaveAs({tr("Export Melody as MIDI"), QStandardPaths::MusicLocation, QStringLiteral("velmora.mid"),
            tr("MIDI files (*.mid *.midi)"), tr("The melody could not be exported.")},
           QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

void MainWindow::SaveAs(const SaveDialog& dialog, const QByteArray& data)
{
    const QString path = chooseFile_(dialog.title, SuggestedPath(dialog.folder, dialog.suggestedName), dialog.filter);
    if (path.isEmpty())
        return;
    if (!ConfirmDanglingLink(dialog.title, path))
        return;
    if (const auto failure = WriteFileAtomically(path, data))
        ShowWriteFailure(dialog.failure, path, *failure);
}

// The file dialog asks before it replaces a file, but not a link that leads nowhere.
bool MainWindow::ConfirmDanglingLink(const QString& title, const QString& path)
{
    return !IsDanglingLink(path)
           || QMessageBox::question(this, title,
                                    tr("%1 is a link to a file that does not exist.\nDo you want to replace the link?")
                                        .arg(QDir::toNativeSeparators(path)))
                  == QMessageBox::Yes;
}

void MainWindow::ShowWriteFailure(const QString& failure, const QString& path, const WriteFailure& reason)
{
    ShowMessage(failure + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n')
                + WriteFailureMessage(reason));
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

void MainWindow::CreateMusicMenu()
{
    QMenu* music = menuBar()->addMenu(tr("Music"));
    musicSettings_ = music->addAction(tr("Settings…"), this, &MainWindow::ShowMusicSettings);
    restoreDefaults_ = music->addAction(tr("Restore Defaults"), this,
                                        [this] { ApplyMusicSettings(music::MusicSettings{}); });
    music->addSeparator();
    outputMenu_ = music->addMenu(tr("Output"));
    // The ports of other programs come and go: listed afresh each time.
    connect(outputMenu_, &QMenu::aboutToShow, this, [this] { ShowOutputs(AvailableOutputs()); });
    ShowOutputs({BuiltInOutput});
    audioPoll_.setInterval(AudioPollMilliseconds);
    connect(&audioPoll_, &QTimer::timeout, this, &MainWindow::FollowAudioExport);
}

void MainWindow::RememberIn(QSettings& store)
{
    preferences_ = &store;
    controller_.SetMusicSettings(LoadMusicSettings(store));
    controller_.SetOutputChoice(LoadOutputChoice(store));
}

void MainWindow::ShowMusicSettings()
{
    MusicSettingsDialog dialog(controller_.MusicSettings(), this);
    if (dialog.exec() == QDialog::Accepted)
        ApplyMusicSettings(dialog.Settings());
}

void MainWindow::ApplyMusicSettings(const music::MusicSettings& settings)
{
    if (controller_.SetMusicSettings(settings) == music::SettingsFault::None && preferences_)
        SaveMusicSettings(*preferences_, settings);
}

void MainWindow::ChooseOutput(const OutputChoice& choice)
{
    controller_.SetOutputChoice(choice);
    if (preferences_)
        SaveOutputChoice(*preferences_, choice);
}

void MainWindow::ShowOutputs(const std::vector<OutputChoice>& outputs)
{
    outputMenu_->clear();
    qDeleteAll(outputMenu_->findChildren<QActionGroup*>());
    const OutputChoice chosen = controller_.CurrentOutputChoice();
    auto* group = new QActionGroup(outputMenu_);
    const auto add = [&](const OutputChoice& choice, const QString& name) {
        QAction* action = outputMenu_->addAction(name);
        action->setCheckable(true);
        action->setChecked(choice == chosen);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, choice] { ChooseOutput(choice); });
    };
    for (const OutputChoice& choice : outputs)
        add(choice, OutputName(choice));
    // A remembered port that is not there now stays chosen, and says so.
    if (std::find(outputs.begin(), outputs.end(), chosen) == outputs.end())
        add(chosen, tr("%1 (not found)").arg(OutputName(chosen)));
}

void MainWindow::ExportAudio()
{
    if (!controller_.Offered().exportMelody || audioExport_)
        return;
    const QString path =
        chooseFile_(tr("Export Audio"), SuggestedPath(QStandardPaths::MusicLocation, QStringLiteral("velmora.flac")),
                    tr("FLAC files (*.flac);;WAV files (*.wav);;Ogg Vorbis files (*.ogg)"));
    if (path.isEmpty())
        return;
    // As for the other files: only a regular file is replaced, and a link that leads nowhere after asking.
    const QString shownPath = QDir::toNativeSeparators(path);
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile()) {
        ShowWriteFailure(tr("The audio could not be exported."), path, {WriteFailure::Step::NotARegularFile});
        return;
    }
    if (!ConfirmDanglingLink(tr("Export Audio"), path))
        return;
    audioExport_ = std::make_unique<AudioExportTask>(controller_.Piece(), controller_.PieceSettings(),
                                                  controller_.SoundFontPath(), path);
    audioProgress_ = new QProgressDialog(tr("Rendering the piece to %1…").arg(shownPath),
                                         tr("Cancel"), 0, AudioProgressSteps, this);
    audioProgress_->setWindowTitle(tr("Export Audio"));
    // Not modal: the piece that plays can still be stopped.
    audioProgress_->setWindowModality(Qt::NonModal);
    audioProgress_->setAutoReset(false);
    audioProgress_->setAutoClose(false);
    audioProgress_->setMinimumDuration(0);
    audioProgress_->setValue(0);
    connect(audioProgress_, &QProgressDialog::canceled, this, [task = audioExport_.get()] { task->Cancel(); });
    audioPoll_.start();
    ShowCommands();
}

void MainWindow::FollowAudioExport()
{
    if (!audioExport_)
        return;
    if (!audioExport_->Finished()) {
        if (!audioProgress_->wasCanceled())
            audioProgress_->setValue(static_cast<int>(audioExport_->Fraction() * AudioProgressSteps));
        return;
    }
    audioPoll_.stop();
    const std::unique_ptr<AudioExportTask> task = std::move(audioExport_);
    audioProgress_->deleteLater();
    audioProgress_ = nullptr;
    ShowCommands();
    if (const QString failure = task->FailureMessage(); !failure.isEmpty())
        ShowMessage(failure);
}
