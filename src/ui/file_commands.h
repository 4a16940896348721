#pragma once

#include "audio_export.h"
#include "file_writing.h"

#include <QObject>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>

class AudioExportTask;
class VideoExportTask;
class Controller;
class QAction;
class QMenu;
class QProgressDialog;
class QSettings;
class QWidget;
struct Commands;

// The commands that write or read files: Save Picture, Export Melody,
// Export Audio and Export Video with their progress dialogs, Open Place and
// Save Place. They
// choose the file, ask before replacing a link that leads nowhere, and say
// why a file could not be written. Each kind of file opens where the last of
// its kind went, and gets its type's extension when none is typed. A new
// export belongs here.
class FileCommands : public QObject
{
    Q_OBJECT

public:
    using MessagePresenter = std::function<void(const QString& text)>;
    // Dialogs open over the window; messages go to the presenter.
    FileCommands(Controller& controller, QWidget& window, MessagePresenter showMessage);
    // Stops an audio export still running; its file is not left behind.
    ~FileCommands() override;

    // Adds the commands to the File menu in their designed order.
    void AddTo(QMenu& fileMenu);
    // Reads whether exported audio is normalised, and the last folder of each
    // kind of file, from the store, and writes each change back there.
    void RememberIn(QSettings& store);
    void ShowCommands(const Commands& offered);

    // Asks where to save; an empty answer cancels. Replaceable for tests.
    using FileChooser = std::function<QString(const QString& title, const QString& suggested, const QString& filter)>;
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // Asks which place to open; an empty answer cancels. Replaceable for tests.
    using PlaceChooser = std::function<QString(const QString& folder)>;
    void SetPlaceChooser(PlaceChooser chooser) { choosePlace_ = std::move(chooser); }

    void SavePicture();
    void ExportMelody();
    // Renders the most recent completed piece to a sound file off the window's thread.
    void ExportAudio();
    // The same piece as a video: the path drawing itself with its sound.
    void ExportVideo();
    void SavePlace();
    void OpenPlace();
    // Opens a place file, or a picture or piece that keeps its place.
    void OpenPlaceFile(const QString& path);

    QAction* SavePictureAction() const { return savePicture_; }
    QAction* ExportMelodyAction() const { return exportMelody_; }
    QAction* ExportAudioAction() const { return exportAudio_; }
    QAction* NormaliseAudioAction() const { return normaliseAudio_; }
    QAction* ExportVideoAction() const { return exportVideo_; }
    QAction* OpenPlaceAction() const { return openPlace_; }
    QAction* SavePlaceAction() const { return savePlace_; }

private:
    // The kinds of file whose folders are remembered apart.
    enum class Kind { Pictures, Places, Midi, Audio, Videos };
    struct SaveDialog
    {
        QString title;
        Kind kind;
        QString suggestedName;
        QString filter;
        QString failure;
    };
    // Asks where to save, then writes the file whole or reports why it could not.
    void SaveAs(const SaveDialog& dialog, const QByteArray& data);
    // False when the user would rather not replace a link that leads nowhere.
    bool ConfirmDanglingLink(const QString& title, const QString& path);
    void ShowWriteFailure(const QString& failure, const QString& path, const WriteFailure& reason);
    void FollowAudioExport();
    void FollowVideoExport();
    // Asks for a file to export to, and refuses what is not a regular file
    // or a link the user would rather keep; empty when nothing is to be written.
    QString ChooseExportTarget(const QString& title, Kind kind, const QString& suggestedName, const QString& types,
                               const QString& failure);
    // A progress dialog that stays out of the way of a piece that plays.
    QProgressDialog* MakeProgress(const QString& text, const QString& title);
    // As Normalise Exported Audio says, for sound files and videos alike.
    music::AudioLevel AudioLevel() const;
    // The last folder of that kind while it exists, else the user's folder of that kind.
    QString SuggestedPath(Kind kind, const QString& name) const;
    void RememberFolder(Kind kind, const QString& chosenPath);

    Controller& controller_;
    QWidget& window_;
    MessagePresenter showMessage_;
    FileChooser chooseFile_;
    PlaceChooser choosePlace_;
    // The last folder of each kind; kept in the store too, when there is one.
    std::array<QString, 5> folders_;

    QAction* savePicture_ = nullptr;
    QAction* exportMelody_ = nullptr;
    QAction* exportAudio_ = nullptr;
    QAction* normaliseAudio_ = nullptr;
    QAction* exportVideo_ = nullptr;
    QSettings* preferences_ = nullptr;
    QAction* openPlace_ = nullptr;
    QAction* savePlace_ = nullptr;

    std::unique_ptr<AudioExportTask> audioExport_;
    QProgressDialog* audioProgress_ = nullptr;
    QTimer audioPoll_;
    std::unique_ptr<VideoExportTask> videoExport_;
    QProgressDialog* videoProgress_ = nullptr;
    QTimer videoPoll_;
};
