#include "music_settings.h"

namespace music {

namespace {

bool Within(int value, int low, int high)
{
    return value >= low && value <= high;
}

} // namespace

std::optional<ScaleShape> ShapeOf(Scale scale)
{
    for (const ScaleShape& shape : Scales)
        if (shape.scale == scale)
            return shape;
    return std::nullopt;
}

SettingsFault CheckSettings(const MusicSettings& settings)
{
    if (!Within(settings.stepMilliseconds, MinStepMilliseconds, MaxStepMilliseconds))
        return SettingsFault::StepLength;
    if (!Within(settings.key, 0, KeyCount - 1))
        return SettingsFault::Key;
    if (!ShapeOf(settings.scale))
        return SettingsFault::Scale;
    if (!Within(settings.melodyProgram, 0, ProgramCount - 1))
        return SettingsFault::MelodyProgram;
    if (!Within(settings.chordProgram, 0, ProgramCount - 1))
        return SettingsFault::ChordProgram;
    if (!Within(settings.melodyVelocity, MinVelocity, MaxVelocity))
        return SettingsFault::MelodyVelocity;
    if (!Within(settings.chordVelocity, MinVelocity, MaxVelocity))
        return SettingsFault::ChordVelocity;
    return SettingsFault::None;
}

} // namespace music
