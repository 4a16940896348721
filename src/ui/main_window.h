#pragma once

#include "file_replacement.h"
#include "music_settings.h"
#include "output_choice.h"
#include "repaint_throttle.h"

#include <QMainWindow>
#include <QStandardPaths>
#include <QTimer>

#include <functional>
#include <memory>

class AudioExportTask;
class Controller;
class PictureView;
class ProgressBar;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressDialog;
class QSettings;
class QPushButton;

// The program's only window: its controls at their designed places. Every
// input goes to the controller; the window shows what the controller reports.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr int ClientWidth = 578;
    static constexpr int ClientHeight = 497;

    explicit MainWindow(Controller& controller, QWidget* parent = nullptr);
    // Stops an audio export still running; its file is not left behind.
    ~MainWindow() override;

    // Shows a modal message; replaceable so tests can read messages and go on.
    using MessagePresenter = std::function<void(const QString& text)>;
    void SetMessagePresenter(MessagePresenter presenter) { presentMessage_ = std::move(presenter); }
    // Asks where to save; an empty answer cancels. Replaceable for tests.
    using FileChooser = std::function<QString(const QString& title, const QString& suggested, const QString& filter)>;
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    // Named in the About box.
    void SetSoundFontName(const QString& name) { soundFontName_ = name; }

    void SavePicture();
    void ExportMelody();
    void SavePlace();
    void OpenPlace();
    // Opens a place file, or a picture or piece that keeps its place.
    void OpenPlaceFile(const QString& path);
    // Asks which place to open; an empty answer cancels. Replaceable for tests.
    using PlaceChooser = std::function<QString(const QString& folder)>;
    void SetPlaceChooser(PlaceChooser chooser) { choosePlace_ = std::move(chooser); }
    void ShowAbout();
    // Renders the most recent completed piece to a sound file off the window's thread.
    void ExportAudio();
    void ShowMusicSettings();
    void ApplyMusicSettings(const music::MusicSettings& settings);
    void ChooseOutput(const OutputChoice& choice);
    // Reads the musical settings and the output from the store, and writes
    // every later change there; without a store nothing is remembered.
    void RememberIn(QSettings& store);

    QWidget* Client() const { return client_; }
    QPushButton* DrawButton() const { return draw_; }
    QPushButton* MagnifyButton() const { return magnify_; }
    QPushButton* TraceButton() const { return trace_; }
    QPushButton* ComposeButton() const { return compose_; }
    QPushButton* StopMusicButton() const { return stopMusic_; }
    QPushButton* QuitButton() const { return quit_; }
    QLabel* AccuracyLabel() const { return accuracyLabel_; }
    QComboBox* AccuracyList() const { return accuracy_; }
    QLabel* LengthLabel() const { return lengthLabel_; }
    QLineEdit* LengthBox() const { return length_; }
    PictureView* PictureArea() const { return picture_; }
    ProgressBar* Progress() const { return progress_; }
    QAction* SavePictureAction() const { return savePicture_; }
    QAction* ExportMelodyAction() const { return exportMelody_; }
    QAction* QuitAction() const { return quitAction_; }
    QAction* BackAction() const { return back_; }
    QAction* OpenPlaceAction() const { return openPlace_; }
    QAction* SavePlaceAction() const { return savePlace_; }
    QAction* RedrawAction() const { return redraw_; }
    QAction* CancelAction() const { return cancel_; }
    QLabel* StatusLine() const { return status_; }
    QLabel* ViewReadout() const { return readout_; }
    QAction* AboutAction() const { return about_; }
    QAction* ExportAudioAction() const { return exportAudio_; }
    QAction* MusicSettingsAction() const { return musicSettings_; }
    QAction* RestoreDefaultsAction() const { return restoreDefaults_; }
    QMenu* OutputMenu() const { return outputMenu_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void CreateMenus();
    void Connect();
    struct SaveDialog
    {
        QString title;
        QStandardPaths::StandardLocation folder;
        QString suggestedName;
        QString filter;
        QString failure;
    };
    // Asks where to save, then writes the file whole or reports why it could not.
    void SaveAs(const SaveDialog& dialog, const QByteArray& data);
    // False when the user would rather not replace a link that leads nowhere.
    bool ConfirmDanglingLink(const QString& title, const QString& path);
    void ShowWriteFailure(const QString& failure, const QString& path, const music::FileFailure& reason);
    void ShowCommands();
    void ShowRubberBand();
    void ShowPlayhead();
    void ShowMessage(const QString& text);
    void CreateMusicMenu();
    void ShowOutputs(const std::vector<OutputChoice>& outputs);
    void FollowAudioExport();

    Controller& controller_;
    RepaintThrottle throttle_;
    MessagePresenter presentMessage_;
    FileChooser chooseFile_;
    PlaceChooser choosePlace_;
    QString soundFontName_;

    QWidget* client_ = nullptr;
    QPushButton* trace_ = nullptr;
    PictureView* picture_ = nullptr;
    QPushButton* draw_ = nullptr;
    ProgressBar* progress_ = nullptr;
    QComboBox* accuracy_ = nullptr;
    QLabel* accuracyLabel_ = nullptr;
    QPushButton* compose_ = nullptr;
    QPushButton* magnify_ = nullptr;
    QPushButton* stopMusic_ = nullptr;
    QPushButton* quit_ = nullptr;
    QLabel* lengthLabel_ = nullptr;
    QLineEdit* length_ = nullptr;
    QAction* savePicture_ = nullptr;
    QAction* exportMelody_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* back_ = nullptr;
    QAction* openPlace_ = nullptr;
    QAction* savePlace_ = nullptr;
    QAction* redraw_ = nullptr;
    QAction* cancel_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* readout_ = nullptr;
    QAction* about_ = nullptr;
    QAction* exportAudio_ = nullptr;
    QAction* musicSettings_ = nullptr;
    QAction* restoreDefaults_ = nullptr;
    QMenu* outputMenu_ = nullptr;
    QSettings* preferences_ = nullptr;

    std::unique_ptr<AudioExportTask> audioExport_;
    QProgressDialog* audioProgress_ = nullptr;
    QTimer audioPoll_;
};
