#pragma once

#include "sync_choice.h"

#include <QMenu>

#include <vector>

class Controller;
class QAction;
class QSettings;

// Music → Sync: what pieces keep time with, one source at a time: Off (the
// program's own clock), Ableton Link, Send MIDI Clock, Follow MIDI Clock from
// a port, Follow JACK Transport. The choice is remembered between runs; a
// Link choice read back is shown as chosen, and joins the session only when
// the user chooses it again (or starts the program with --link).
class SyncMenu : public QMenu
{
    Q_OBJECT

public:
    SyncMenu(Controller& controller, QWidget* parent);

    // Reads the choice from the store, and writes every later one there.
    void RememberIn(QSettings& store);
    // The user's choice: a Link session is joined by it.
    void Choose(const SyncChoice& choice);

    QAction* OffAction() const { return off_; }
    QAction* LinkAction() const { return link_; }
    QAction* SendClockAction() const { return sendClock_; }
    QMenu* FollowClockMenu() const { return followClock_; }
    QAction* FollowJackAction() const { return followJack_; }

private:
    void ShowClockInputs(const std::vector<SyncChoice>& inputs);
    void ShowChoice();

    Controller& controller_;
    QAction* off_ = nullptr;
    QAction* link_ = nullptr;
    QAction* sendClock_ = nullptr;
    QMenu* followClock_ = nullptr;
    QAction* followJack_ = nullptr;
    QSettings* preferences_ = nullptr;
};
