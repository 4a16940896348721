// The controller's inputs while a piece plays or is paused: the ticks, Stop,
// Pause and Resume, and the steps taken while paused.
#include "controller.h"

void Controller::Tick()
{
    if (state_ != State::Playing || quit_)
        return;
    if (performer_.Step().ended) {
        EndPlayback();
    } else {
        emit playheadChanged();
        emit statusChanged(StatusText());
    }
    screen_.SetProgress(Player().Progress());
    performer_.ReportLostPort();
}

std::optional<fractal::Cell> Controller::Playhead() const
{
    if (!PieceOnStage())
        return std::nullopt;
    return composer_.CellAt(Player().Position());
}

std::optional<int> Controller::PlayheadStep() const
{
    if (!PieceOnStage())
        return std::nullopt;
    return Player().Position();
}

std::optional<std::uint8_t> Controller::SoundingDirection() const
{
    // Byte 0 is never struck, and after the last byte's tick nothing sounds.
    const int position = Player().Position();
    if (!PieceOnStage() || position < 1 || position >= Player().Length())
        return std::nullopt;
    return composer_.DirectionAt(position);
}

const music::MusicSettings& Controller::LegendSettings() const
{
    return PieceOnStage() ? PieceSettings() : MusicSettings();
}

void Controller::StopMusic()
{
    if (Offered().stopMusic)
        EndPlayback();
}

void Controller::EndPlayback()
{
    performer_.End();
    SetState(*Row().afterStop);
    emit playheadChanged();
}

void Controller::Pause()
{
    if (!Offered().pause || state_ != State::Playing)
        return;
    performer_.Pause();
    SetState(*Row().afterPause);
}

void Controller::Resume()
{
    if (!Offered().pause || state_ != State::Paused)
        return;
    performer_.Resume();
    SetState(*Row().afterPause);
}

void Controller::StepForward()
{
    StepBy(1);
}

void Controller::StepBack()
{
    StepBy(-1);
}

void Controller::StepBy(int by)
{
    if (!Offered().step || !performer_.StepBy(by))
        return;
    emit playheadChanged();
    emit statusChanged(StatusText());
    screen_.SetProgress(Player().Progress());
}
