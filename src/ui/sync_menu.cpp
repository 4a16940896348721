#include "sync_menu.h"

#include "controller.h"
#include "midi_clock_input.h"
#include "preferences.h"

#include <QAction>
#include <QSettings>

#include <algorithm>

namespace {

QString ClockInputName(const SyncChoice& choice)
{
    const QString api = choice.api == music::ExternalMidiApi::Jack ? QStringLiteral("JACK") : QStringLiteral("ALSA");
    if (choice.clockPort.empty())
        return SyncMenu::tr("Own port “%1” (%2)").arg(QString::fromLatin1(music::ClockInPortName), api);
    return QStringLiteral("%1 (%2)").arg(QString::fromStdString(choice.clockPort), api);
}

} // namespace

SyncMenu::SyncMenu(Controller& controller, QWidget* parent)
    : QMenu(tr("Sync"), parent)
    , controller_(controller)
{
    const auto add = [this](const QString& name, music::SyncSource source) {
        QAction* action = addAction(name, this, [this, source] { Choose({source, {}, {}}); });
        action->setCheckable(true);
        return action;
    };
    off_ = add(tr("Off"), music::SyncSource::Off);
    link_ = add(tr("Ableton Link"), music::SyncSource::Link);
    sendClock_ = add(tr("Send MIDI Clock"), music::SyncSource::SendClock);
    followClock_ = addMenu(tr("Follow MIDI Clock"));
    // Other programs' ports come and go: listed afresh each time.
    connect(followClock_, &QMenu::aboutToShow, this, [this] { ShowClockInputs(AvailableClockInputs()); });
    followJack_ = add(tr("Follow JACK Transport"), music::SyncSource::FollowJack);
    ShowClockInputs({});
    ShowChoice();
}

void SyncMenu::RememberIn(QSettings& store)
{
    preferences_ = &store;
    // Shown as chosen; a Link session is not joined by a choice of an earlier run.
    controller_.SetSyncChoice(LoadSyncChoice(store), false);
    ShowChoice();
}

void SyncMenu::Choose(const SyncChoice& choice)
{
    controller_.SetSyncChoice(choice, true);
    if (preferences_)
        SaveSyncChoice(*preferences_, choice);
    ShowChoice();
}

void SyncMenu::ShowChoice()
{
    const music::SyncSource source = controller_.CurrentSyncChoice().source;
    off_->setChecked(source == music::SyncSource::Off);
    link_->setChecked(source == music::SyncSource::Link);
    sendClock_->setChecked(source == music::SyncSource::SendClock);
    followJack_->setChecked(source == music::SyncSource::FollowJack);
    followClock_->menuAction()->setCheckable(true);
    followClock_->menuAction()->setChecked(source == music::SyncSource::FollowClock);
}

void SyncMenu::ShowClockInputs(const std::vector<SyncChoice>& inputs)
{
    followClock_->clear();
    const SyncChoice chosen = controller_.CurrentSyncChoice();
    const auto add = [this, &chosen](const SyncChoice& choice, const QString& name) {
        QAction* action = followClock_->addAction(name, this, [this, choice] { Choose(choice); });
        action->setCheckable(true);
        action->setChecked(choice == chosen);
    };
    for (const SyncChoice& input : inputs)
        add(input, ClockInputName(input));
    // A remembered port that is not there now stays chosen, and says so.
    if (chosen.source == music::SyncSource::FollowClock && std::find(inputs.begin(), inputs.end(), chosen) == inputs.end())
        add(chosen, tr("%1 (not found)").arg(ClockInputName(chosen)));
    if (inputs.empty() && chosen.source != music::SyncSource::FollowClock)
        add({music::SyncSource::FollowClock, music::ExternalMidiApi::AlsaSequencer, {}},
            ClockInputName({music::SyncSource::FollowClock, music::ExternalMidiApi::AlsaSequencer, {}}));
}
