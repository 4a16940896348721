#pragma once

#include "music_settings.h"
#include "output_choice.h"

#include <QMenu>

#include <vector>

class Controller;
class QAction;
class SyncMenu;
class QSettings;
struct Commands;

// The Music menu: the musical settings of the next piece and their
// defaults, whether pieces loop, Pause with the steps taken while paused,
// the Output list of where pieces play and the Sync menu of what they keep
// time with,
// the settings and the output kept in the store between runs. A new musical
// command belongs here.
class MusicMenu : public QMenu
{
    Q_OBJECT

public:
    // Lives in the menu bar; its dialogs open over the bar's window.
    MusicMenu(Controller& controller, QWidget* menuBar);

    // Reads the musical settings and the output from the store, and writes
    // every later change there; without a store nothing is remembered.
    void RememberIn(QSettings& store);
    void ShowMusicSettings();
    void ApplyMusicSettings(const music::MusicSettings& settings);
    void ChooseOutput(const OutputChoice& choice);
    // Pause is checked while the piece is paused.
    void ShowCommands(const Commands& offered, bool paused);

    QAction* MusicSettingsAction() const { return musicSettings_; }
    QAction* RestoreDefaultsAction() const { return restoreDefaults_; }
    QAction* LoopAction() const { return loop_; }
    QAction* PauseAction() const { return pause_; }
    QAction* StepForwardAction() const { return stepForward_; }
    QAction* StepBackAction() const { return stepBack_; }
    QMenu* OutputMenu() const { return outputMenu_; }
    SyncMenu* Sync() const { return sync_; }

signals:
    // The next piece's settings changed, and with them the notes of its directions.
    void settingsChanged();

private:
    void ShowOutputs(const std::vector<OutputChoice>& outputs);

    Controller& controller_;
    QAction* musicSettings_ = nullptr;
    QAction* restoreDefaults_ = nullptr;
    QAction* loop_ = nullptr;
    QAction* pause_ = nullptr;
    QAction* stepForward_ = nullptr;
    QAction* stepBack_ = nullptr;
    QMenu* outputMenu_ = nullptr;
    SyncMenu* sync_ = nullptr;
    QSettings* preferences_ = nullptr;
};
