#include "music_settings.h"

#include <algorithm>
#include <cmath>

namespace music {

namespace {

bool Within(int value, int low, int high)
{
    return value >= low && value <= high;
}

constexpr double MicrosecondsPerMinute = 60e6;
// A division (1/480 of a quarter note) at one beat a minute: 125000 us.
constexpr double MicrosecondsPerDivisionAtOneBeat = MicrosecondsPerMinute / QuarterNoteDivisions;

} // namespace

std::optional<StepNoteShape> ShapeOf(StepNote note)
{
    for (const StepNoteShape& shape : StepNotes)
        if (shape.note == note)
            return shape;
    return std::nullopt;
}

std::int64_t StepMicroseconds(double tempo, StepNote note)
{
    const auto shape = ShapeOf(note);
    if (!shape || !std::isfinite(tempo) || tempo <= 0)
        return 0;
    return std::llround(MicrosecondsPerDivisionAtOneBeat * shape->divisions / tempo);
}

double TempoForStep(double stepMilliseconds, StepNote note)
{
    const auto shape = ShapeOf(note);
    return MicrosecondsPerDivisionAtOneBeat * (shape ? shape->divisions : 0) / (stepMilliseconds * 1000);
}

TempoRange TempoRangeFor(StepNote note)
{
    return {std::max(MinTempo, TempoForStep(MaxStepMilliseconds, note)),
            std::min(MaxTempo, TempoForStep(MinStepMilliseconds, note))};
}

SettingsFault CheckTiming(double tempo, StepNote note)
{
    if (!(tempo >= MinTempo && tempo <= MaxTempo))
        return SettingsFault::Tempo;
    if (!ShapeOf(note))
        return SettingsFault::StepNote;
    const std::int64_t step = StepMicroseconds(tempo, note);
    if (step < std::int64_t{MinStepMilliseconds} * 1000 || step > std::int64_t{MaxStepMilliseconds} * 1000)
        return SettingsFault::StepLength;
    return SettingsFault::None;
}

std::optional<ScaleShape> ShapeOf(Scale scale)
{
    for (const ScaleShape& shape : Scales)
        if (shape.scale == scale)
            return shape;
    return std::nullopt;
}

SettingsFault CheckSettings(const MusicSettings& settings)
{
    if (const SettingsFault timing = CheckTiming(settings.tempo, settings.stepNote); timing != SettingsFault::None)
        return timing;
    for (const NumberSetting& number : NumberSettings)
        if (!Within(settings.*number.member, number.minimum, number.maximum))
            return number.fault;
    if (!ShapeOf(settings.scale))
        return SettingsFault::Scale;
    return SettingsFault::None;
}

} // namespace music
