#pragma once

#include "client_area.h"
#include "file_commands.h"
#include "music_menu.h"
#include "palette.h"
#include "view.h"

#include <QMainWindow>

#include <array>
#include <functional>

class Controller;
class QAction;
class QSettings;

// The program's only window. It creates its parts (the client area, the
// file commands and the Music menu) and the menu bar, connects them to the
// controller and presents its messages; the View and Help menus and Quit
// live here. Every input goes to the controller; the window shows what the
// controller reports.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(Controller& controller, QWidget* parent = nullptr);
    // The file commands stop an audio export still running; its file is not left behind.
    ~MainWindow() override;

    // Shows a modal message; replaceable so tests can read messages and go on.
    using MessagePresenter = std::function<void(const QString& text)>;
    void SetMessagePresenter(MessagePresenter presenter) { presentMessage_ = std::move(presenter); }
    // The file commands' dialogs, replaceable for tests.
    using FileChooser = FileCommands::FileChooser;
    void SetFileChooser(FileChooser chooser) { files_.SetFileChooser(std::move(chooser)); }
    using PlaceChooser = FileCommands::PlaceChooser;
    void SetPlaceChooser(PlaceChooser chooser) { files_.SetPlaceChooser(std::move(chooser)); }
    // Named in the About box.
    void SetSoundFontName(const QString& name) { soundFontName_ = name; }

    void SavePicture() { files_.SavePicture(); }
    void ExportMelody() { files_.ExportMelody(); }
    void ExportAudio() { files_.ExportAudio(); }
    void ExportVideo() { files_.ExportVideo(); }
    void SavePlace() { files_.SavePlace(); }
    void OpenPlace() { files_.OpenPlace(); }
    void OpenPlaceFile(const QString& path) { files_.OpenPlaceFile(path); }
    void ShowAbout();
    void ShowMusicSettings() { music_->ShowMusicSettings(); }
    void ApplyMusicSettings(const music::MusicSettings& settings) { music_->ApplyMusicSettings(settings); }
    void ChooseOutput(const OutputChoice& choice) { music_->ChooseOutput(choice); }
    // Music → Sync → Ableton Link, as the user chooses it: the session is joined.
    void JoinLink();
    void RememberIn(QSettings& store)
    {
        music_->RememberIn(store);
        files_.RememberIn(store);
        RememberPictureSizeIn(store);
        RememberPaletteIn(store);
    }

    QWidget* Client() const { return client_; }
    QPushButton* DrawButton() const { return client_->DrawButton(); }
    QPushButton* MagnifyButton() const { return client_->MagnifyButton(); }
    QPushButton* TraceButton() const { return client_->TraceButton(); }
    QPushButton* ComposeButton() const { return client_->ComposeButton(); }
    QPushButton* StopMusicButton() const { return client_->StopMusicButton(); }
    QPushButton* QuitButton() const { return client_->QuitButton(); }
    QLabel* AccuracyLabel() const { return client_->AccuracyLabel(); }
    QComboBox* AccuracyList() const { return client_->AccuracyList(); }
    QLabel* LengthLabel() const { return client_->LengthLabel(); }
    QLineEdit* LengthBox() const { return client_->LengthBox(); }
    PictureView* PictureArea() const { return client_->PictureArea(); }
    ProgressBar* Progress() const { return client_->Progress(); }
    QLabel* StatusLine() const { return client_->StatusLine(); }
    QLabel* ViewReadout() const { return client_->ViewReadout(); }
    QAction* SavePictureAction() const { return files_.SavePictureAction(); }
    QAction* ExportMelodyAction() const { return files_.ExportMelodyAction(); }
    QAction* ExportAudioAction() const { return files_.ExportAudioAction(); }
    QAction* NormaliseAudioAction() const { return files_.NormaliseAudioAction(); }
    QAction* ExportVideoAction() const { return files_.ExportVideoAction(); }
    QAction* OpenPlaceAction() const { return files_.OpenPlaceAction(); }
    QAction* SavePlaceAction() const { return files_.SavePlaceAction(); }
    QAction* QuitAction() const { return quitAction_; }
    QAction* BackAction() const { return back_; }
    QAction* RedrawAction() const { return redraw_; }
    QAction* CancelAction() const { return cancel_; }
    QAction* AboutAction() const { return about_; }
    QAction* FullScreenAction() const { return fullScreen_; }
    QAction* ZoomInAction() const { return zoomIn_; }
    QAction* ZoomOutAction() const { return zoomOut_; }
    // Left, right, up and down.
    const std::array<QAction*, 4>& PanActions() const { return pan_; }
    QAction* FocusPictureAction() const { return focusPicture_; }
    QAction* ShowOrbitAction() const { return showOrbit_; }
    // View -> Picture Size: 400 to 1,200 cells, in the order of fractal::PictureSides.
    const std::array<QAction*, fractal::PictureSides.size()>& PictureSizeActions() const { return pictureSizes_; }
    // View -> Colours: Classic, Sunset and Ocean, in the order of fractal::Palettes.
    const std::array<QAction*, fractal::Palettes.size()>& ColourActions() const { return colours_; }
    QAction* MusicSettingsAction() const { return music_->MusicSettingsAction(); }
    QAction* RestoreDefaultsAction() const { return music_->RestoreDefaultsAction(); }
    QMenu* OutputMenu() const { return music_->OutputMenu(); }
    QAction* PauseAction() const { return music_->PauseAction(); }
    QAction* StepForwardAction() const { return music_->StepForwardAction(); }
    QAction* StepBackAction() const { return music_->StepBackAction(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape leaves full screen when it cancels nothing.
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateMenus();
    void CreateViewGestures(QMenu& view);
    void CreatePictureSizes(QMenu& view);
    void RememberPictureSizeIn(QSettings& store);
    void ShowPictureSize(int side);
    void CreateColours(QMenu& view);
    void RememberPaletteIn(QSettings& store);
    void ShowPalette();
    void Connect();
    void ShowCommands();
    void ShowWork();
    void ShowProgress(float value);
    void ShowView();
    void ShowRubberBand();
    void ShowPlayhead();
    void ShowOrbit();
    void ShowMessage(const QString& text);

    Controller& controller_;
    MessagePresenter presentMessage_;
    FileCommands files_;
    QString soundFontName_;

    ClientArea* client_ = nullptr;
    MusicMenu* music_ = nullptr;
    QAction* quitAction_ = nullptr;
    QAction* back_ = nullptr;
    QAction* redraw_ = nullptr;
    QAction* cancel_ = nullptr;
    QAction* about_ = nullptr;
    QAction* fullScreen_ = nullptr;
    QAction* zoomIn_ = nullptr;
    QAction* zoomOut_ = nullptr;
    std::array<QAction*, 4> pan_{};
    QAction* focusPicture_ = nullptr;
    QAction* showOrbit_ = nullptr;
    std::array<QAction*, fractal::PictureSides.size()> pictureSizes_{};
    std::array<QAction*, fractal::Palettes.size()> colours_{};
    QSettings* preferences_ = nullptr;
};
