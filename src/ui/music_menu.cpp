#include "music_menu.h"

#include "command_table.h"
#include "controller.h"
#include "music_settings_dialog.h"
#include "preferences.h"
#include "sync_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QSettings>

#include <algorithm>

namespace {

QString OutputName(const OutputChoice& choice)
{
    switch (choice.kind) {
    case OutputChoice::Kind::BuiltIn:
        return MusicMenu::tr("Built-in synthesizer");
    case OutputChoice::Kind::OwnPort:
        return MusicMenu::tr("Own port “%1” for other programs").arg(QString::fromLatin1(music::VirtualPortName));
    case OutputChoice::Kind::Port:
        break;
    }
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(choice.port),
                                         choice.api == music::ExternalMidiApi::Jack ? QStringLiteral("JACK")
                                                                                    : QStringLiteral("ALSA"));
}

} // namespace

MusicMenu::MusicMenu(Controller& controller, QWidget* menuBar)
    : QMenu(tr("Music"), menuBar)
    , controller_(controller)
{
    musicSettings_ = addAction(tr("Settings…"), this, &MusicMenu::ShowMusicSettings);
    restoreDefaults_ = addAction(tr("Restore Defaults"), this, [this] { ApplyMusicSettings(music::MusicSettings{}); });
    // Not remembered between runs: a piece that never ends is asked for each time.
    loop_ = addAction(tr("Loop"), this, [this](bool checked) { controller_.SetLooping(checked); });
    loop_->setCheckable(true);
    addSeparator();
    // Space while a piece plays; the arrows step only while it is paused,
    // so elsewhere they still move the picture's cursor.
    pause_ = addAction(tr("Pause"), QKeySequence(Qt::Key_Space), this, [this](bool paused) {
        if (paused)
            controller_.Pause();
        else
            controller_.Resume();
        pause_->setChecked(controller_.CurrentState() == State::Paused);
    });
    pause_->setCheckable(true);
    stepForward_ = addAction(tr("Step Forward"), QKeySequence(Qt::Key_Right), &controller_, &Controller::StepForward);
    stepBack_ = addAction(tr("Step Back"), QKeySequence(Qt::Key_Left), &controller_, &Controller::StepBack);
    ShowCommands({}, false);
    addSeparator();
    outputMenu_ = addMenu(tr("Output"));
    // The ports of other programs come and go: listed afresh each time.
    connect(outputMenu_, &QMenu::aboutToShow, this, [this] { ShowOutputs(AvailableOutputs()); });
    ShowOutputs({BuiltInOutput});
    sync_ = new SyncMenu(controller_, this);
    addMenu(sync_);
}

void MusicMenu::ShowCommands(const Commands& offered, bool paused)
{
    pause_->setEnabled(offered.pause);
    pause_->setChecked(paused);
    stepForward_->setEnabled(offered.step);
    stepBack_->setEnabled(offered.step);
}

void MusicMenu::RememberIn(QSettings& store)
{
    preferences_ = &store;
    controller_.SetMusicSettings(LoadMusicSettings(store));
    controller_.SetOutputChoice(LoadOutputChoice(store));
    sync_->RememberIn(store);
    emit settingsChanged();
}

void MusicMenu::ShowMusicSettings()
{
    MusicSettingsDialog dialog(controller_.MusicSettings(), parentWidget()->window());
    if (dialog.exec() == QDialog::Accepted)
        ApplyMusicSettings(dialog.Settings());
}

void MusicMenu::ApplyMusicSettings(const music::MusicSettings& settings)
{
    if (controller_.SetMusicSettings(settings) != music::SettingsFault::None)
        return;
    if (preferences_)
        SaveMusicSettings(*preferences_, settings);
    emit settingsChanged();
}

void MusicMenu::ChooseOutput(const OutputChoice& choice)
{
    controller_.SetOutputChoice(choice);
    if (preferences_)
        SaveOutputChoice(*preferences_, choice);
}

void MusicMenu::ShowOutputs(const std::vector<OutputChoice>& outputs)
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
