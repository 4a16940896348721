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
    for (const NumberSetting& number : NumberSettings)
        if (!Within(settings.*number.member, number.minimum, number.maximum))
            return number.fault;
    if (!ShapeOf(settings.scale))
        return SettingsFault::Scale;
    return SettingsFault::None;
}

} // namespace music
