#include "file_commands.h"

#include "audio_export_task.h"
#include "controller.h"
#include "picture_view.h"
#include "place.h"
#include "preferences.h"
#include "video_export_task.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QSettings>

namespace {

struct FolderKind
{
    const char* key;  // in the store
    QStandardPaths::StandardLocation firstFolder;
};
// In the order of FileCommands::Kind.
constexpr FolderKind FolderKinds[] = {
    {"folders/pictures", QStandardPaths::PicturesLocation},
    {"folders/places", QStandardPaths::DocumentsLocation},
    {"folders/midi", QStandardPaths::MusicLocation},
    {"folders/audio", QStandardPaths::MusicLocation},
    {"folders/videos", QStandardPaths::MoviesLocation},
};

// "deep" saved as a place is "deep.velmora": the first extension the chosen
// file type names, added when the name has none.
QString FirstExtension(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}

QString WithExtension(const QString& path, const QString& filter)
{
    const QString extension = FirstExtension(filter);
    if (path.isEmpty() || extension.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    return path + QLatin1Char('.') + extension;
}

// How often the progress dialog looks at the worker's progress.
constexpr int AudioPollMilliseconds = 50;
constexpr int AudioProgressSteps = 1000;

} // namespace

FileCommands::FileCommands(Controller& controller, QWidget& window, MessagePresenter showMessage)
    : controller_(controller)
    , window_(window)
    , showMessage_(std::move(showMessage))
{
    chooseFile_ = [this](const QString& title, const QString& suggested, const QString& filter) {
        QFileDialog dialog(&window_, title, QFileInfo(suggested).path(), filter);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.selectFile(QFileInfo(suggested).fileName());
        // The dialog adds the extension before it asks about replacing a file.
        const auto followType = [&dialog](const QString& type) { dialog.setDefaultSuffix(FirstExtension(type)); };
        followType(dialog.selectedNameFilter());
        connect(&dialog, &QFileDialog::filterSelected, &dialog, followType);
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };
    choosePlace_ = [this](const QString& folder) {
        return QFileDialog::getOpenFileName(&window_, tr("Open Place"), folder,
                                            tr("Places, pictures and pieces (*.velmora *.json *.png *.mid *.midi)"));
    };
    audioPoll_.setInterval(AudioPollMilliseconds);
    connect(&audioPoll_, &QTimer::timeout, this, &FileCommands::FollowAudioExport);
    videoPoll_.setInterval(AudioPollMilliseconds);
    connect(&videoPoll_, &QTimer::timeout, this, &FileCommands::FollowVideoExport);
}

FileCommands::~FileCommands() = default;

// The user's own folder of that kind, else the home folder; without a home
// (HOME unset, where Qt answers "/") the current folder.
QString FileCommands::SuggestedPath(Kind kind, const QString& name) const
{
    const auto index = static_cast<std::size_t>(kind);
    QString folder = folders_[index];
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QStandardPaths::writableLocation(FolderKinds[index].firstFolder);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = qEnvironmentVariableIsEmpty("HOME") ? QDir::currentPath() : QDir::homePath();
    return QDir(folder).filePath(name);
}

void FileCommands::RememberFolder(Kind kind, const QString& chosenPath)
{
    const auto index = static_cast<std::size_t>(kind);
    folders_[index] = QFileInfo(chosenPath).absolutePath();
    if (preferences_)
        preferences_->setValue(QLatin1String(FolderKinds[index].key), folders_[index]);
}

void FileCommands::AddTo(QMenu& fileMenu)
{
    savePicture_ = fileMenu.addAction(tr("Save Picture…"), QKeySequence(Qt::CTRL | Qt::Key_S), this,
                                      &FileCommands::SavePicture);
    exportMelody_ = fileMenu.addAction(tr("Export Melody as MIDI…"), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                                       &FileCommands::ExportMelody);
    exportAudio_ = fileMenu.addAction(tr("Export Audio…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), this,
                                      &FileCommands::ExportAudio);
    exportVideo_ = fileMenu.addAction(tr("Export Video…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), this,
                                      &FileCommands::ExportVideo);
    // Checked unless the user wants the synthesizer's own level (limited,
    // never clipped), for a video's sound too.
    normaliseAudio_ = fileMenu.addAction(tr("Normalise Exported Audio to -16 LUFS"));
    normaliseAudio_->setCheckable(true);
    normaliseAudio_->setChecked(true);
    connect(normaliseAudio_, &QAction::toggled, this, [this](bool normalised) {
        if (preferences_)
            SaveAudioNormalised(*preferences_, normalised);
    });
    fileMenu.addSeparator();
    openPlace_ = fileMenu.addAction(tr("Open Place…"), QKeySequence(Qt::CTRL | Qt::Key_O), this,
                                    &FileCommands::OpenPlace);
    savePlace_ = fileMenu.addAction(tr("Save Place…"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this,
                                    &FileCommands::SavePlace);
}

void FileCommands::RememberIn(QSettings& store)
{
    preferences_ = &store;
    if (normaliseAudio_)
        normaliseAudio_->setChecked(LoadAudioNormalised(store));
    for (std::size_t i = 0; i < folders_.size(); ++i)
        folders_[i] = store.value(QLatin1String(FolderKinds[i].key)).toString();
}

void FileCommands::ShowCommands(const Commands& offered)
{
    savePicture_->setEnabled(offered.savePicture);
    savePlace_->setEnabled(offered.savePicture);
    openPlace_->setEnabled(!controller_.HasQuit());
    exportMelody_->setEnabled(offered.exportMelody);
    exportAudio_->setEnabled(offered.exportMelody && !audioExport_);
    exportVideo_->setEnabled(offered.exportMelody && !videoExport_);
}

void FileCommands::SavePicture()
{
    if (!controller_.Offered().savePicture)
        return;
    SaveAs({tr("Save Picture"), Kind::Pictures, QStringLiteral("velmora.png"),
            tr("PNG images (*.png)"), tr("The picture could not be saved.")},
           PictureFile(controller_.CurrentPicture(), PlaceToJson(controller_.CurrentPlace())));
}

void FileCommands::SavePlace()
{
    if (!controller_.Offered().savePicture)
        return;
    SaveAs({tr("Save Place"), Kind::Places, QStringLiteral("velmora.velmora"),
            tr("Velmora places (*.velmora *.json)"), tr("The place could not be saved.")},
           PlaceToJson(controller_.CurrentPlace()));
}

void FileCommands::OpenPlace()
{
    if (controller_.HasQuit())
        return;
    const QString path = choosePlace_(SuggestedPath(Kind::Places, {}));
    if (path.isEmpty())
        return;
    RememberFolder(Kind::Places, path);
    OpenPlaceFile(path);
}

void FileCommands::OpenPlaceFile(const QString& path)
{
    const auto read = ReadPlaceAt(path);
    if (const auto* reason = std::get_if<QString>(&read)) {
        showMessage_(tr("The place could not be opened.") + QLatin1Char('\n') + QDir::toNativeSeparators(path)
                     + QLatin1Char('\n') + *reason);
        return;
    }
    controller_.OpenPlace(std::get<Place>(read));
}

void FileCommands::ExportMelody()
{
    if (!controller_.Offered().exportMelody)
        return;
    const std::vector<std::uint8_t> bytes = controller_.PieceAsMidiFile();
    SaveAs({tr("Export Melody as MIDI"), Kind::Midi, QStringLiteral("velmora.mid"),
            tr("MIDI files (*.mid *.midi)"), tr("The melody could not be exported.")},
           QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

void FileCommands::SaveAs(const SaveDialog& dialog, const QByteArray& data)
{
    // Whatever answered may have left the extension out.
    const QString path =
        WithExtension(chooseFile_(dialog.title, SuggestedPath(dialog.kind, dialog.suggestedName), dialog.filter),
                      dialog.filter);
    if (path.isEmpty())
        return;
    RememberFolder(dialog.kind, path);
    if (!ConfirmDanglingLink(dialog.title, path))
        return;
    if (const auto failure = WriteFileAtomically(path, data))
        ShowWriteFailure(dialog.failure, path, *failure);
}

// The file dialog asks before it replaces a file, but not a link that leads nowhere.
bool FileCommands::ConfirmDanglingLink(const QString& title, const QString& path)
{
    return !IsDanglingLink(path)
           || QMessageBox::question(&window_, title,
                                    tr("%1 is a link to a file that does not exist.\nDo you want to replace the link?")
                                        .arg(QDir::toNativeSeparators(path)))
                  == QMessageBox::Yes;
}

void FileCommands::ShowWriteFailure(const QString& failure, const QString& path, const WriteFailure& reason)
{
    showMessage_(failure + QLatin1Char('\n') + QDir::toNativeSeparators(path) + QLatin1Char('\n')
                 + WriteFailureMessage(reason));
}

QString FileCommands::ChooseExportTarget(const QString& title, Kind kind, const QString& suggestedName,
                                         const QString& types, const QString& failure)
{
    const QString path = WithExtension(chooseFile_(title, SuggestedPath(kind, suggestedName), types), types);
    if (path.isEmpty())
        return {};
    RememberFolder(kind, path);
    // As for the other files: only a regular file is replaced, and a link that leads nowhere after asking.
    const QFileInfo existing(path);
    if (existing.exists() && !existing.isFile()) {
        ShowWriteFailure(failure, path, {WriteFailure::Step::NotARegularFile});
        return {};
    }
    return ConfirmDanglingLink(title, path) ? path : QString();
}

QProgressDialog* FileCommands::MakeProgress(const QString& text, const QString& title)
{
    auto* progress = new QProgressDialog(text, tr("Cancel"), 0, AudioProgressSteps, &window_);
    progress->setWindowTitle(title);
    // Not modal: the piece that plays can still be stopped.
    progress->setWindowModality(Qt::NonModal);
    progress->setAutoReset(false);
    progress->setAutoClose(false);
    progress->setMinimumDuration(0);
    progress->setValue(0);
    return progress;
}

music::AudioLevel FileCommands::AudioLevel() const
{
    return normaliseAudio_ && !normaliseAudio_->isChecked() ? music::AudioLevel::AsPlayed
                                                            : music::AudioLevel::Normalised;
}

void FileCommands::ExportAudio()
{
    if (!controller_.Offered().exportMelody || audioExport_)
        return;
    const QString path =
        ChooseExportTarget(tr("Export Audio"), Kind::Audio, QStringLiteral("velmora.flac"),
                           tr("FLAC files (*.flac);;WAV files (*.wav);;Ogg Vorbis files (*.ogg)"),
                           tr("The audio could not be exported."));
    if (path.isEmpty())
        return;
    audioExport_ = std::make_unique<AudioExportTask>(controller_.Piece(), controller_.PieceSettings(),
                                                  controller_.SoundFontPath(), path, AudioLevel());
    audioProgress_ = MakeProgress(tr("Rendering the piece to %1…").arg(QDir::toNativeSeparators(path)),
                                  tr("Export Audio"));
    connect(audioProgress_, &QProgressDialog::canceled, this, [task = audioExport_.get()] { task->Cancel(); });
    audioPoll_.start();
    ShowCommands(controller_.Offered());
}

void FileCommands::ExportVideo()
{
    if (!controller_.Offered().exportMelody || videoExport_)
        return;
    const QString path = ChooseExportTarget(tr("Export Video"), Kind::Videos, QStringLiteral("velmora.mp4"),
                                            tr("MP4 videos (*.mp4);;WebM videos (*.webm)"),
                                            tr("The video could not be exported."));
    if (path.isEmpty())
        return;
    video::PieceVideo piece = controller_.PieceAsVideo();
    piece.level = AudioLevel();
    videoExport_ = std::make_unique<VideoExportTask>(std::move(piece), controller_.SoundFontPath(), path);
    videoProgress_ = MakeProgress(tr("Making a video of the piece: %1…").arg(QDir::toNativeSeparators(path)),
                                  tr("Export Video"));
    connect(videoProgress_, &QProgressDialog::canceled, this, [task = videoExport_.get()] { task->Cancel(); });
    videoPoll_.start();
    ShowCommands(controller_.Offered());
}

void FileCommands::FollowAudioExport()
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
    ShowCommands(controller_.Offered());
    if (const QString failure = task->FailureMessage(); !failure.isEmpty())
        showMessage_(failure);
}

void FileCommands::FollowVideoExport()
{
    if (!videoExport_)
        return;
    if (!videoExport_->Finished()) {
        if (!videoProgress_->wasCanceled())
            videoProgress_->setValue(static_cast<int>(videoExport_->Fraction() * AudioProgressSteps));
        return;
    }
    videoPoll_.stop();
    const std::unique_ptr<VideoExportTask> task = std::move(videoExport_);
    videoProgress_->deleteLater();
    videoProgress_ = nullptr;
    ShowCommands(controller_.Offered());
    if (const QString failure = task->FailureMessage(); !failure.isEmpty())
        showMessage_(failure);
}
