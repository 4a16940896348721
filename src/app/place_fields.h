#pragma once

// The fields of a place's JSON, shared by its reading and its writing.

#include "music_settings.h"

#include <array>
#include <string_view>

namespace place_fields {

constexpr music::NumberSetting NumberSettingFor(music::SettingsFault fault)
{
    for (const music::NumberSetting& number : music::NumberSettings)
        if (number.fault == fault)
            return number;
    return music::NumberSettings.front();
}

// The musical settings that a place writes as numbers, in the order they are written.
struct MusicNumber
{
    const char* name;
    music::NumberSetting setting;
};
constexpr std::array<MusicNumber, 4> MusicNumbers{{
    {"melodyProgram", NumberSettingFor(music::SettingsFault::MelodyProgram)},
    {"chordProgram", NumberSettingFor(music::SettingsFault::ChordProgram)},
    {"melodyVolume", NumberSettingFor(music::SettingsFault::MelodyVelocity)},
    {"chordVolume", NumberSettingFor(music::SettingsFault::ChordVelocity)},
}};
constexpr char ViewField[] = "view";
constexpr char IterationsField[] = "iterations";
constexpr char LengthField[] = "length";
// The picture's side; written only when it is not the default, so a
// default place, and every file that holds one, reads as it always did.
constexpr char SizeField[] = "size";
// The palette's name; written only when it is not Classic, for the same reason.
constexpr char PaletteField[] = "palette";
constexpr char StartField[] = "start";
constexpr char MusicField[] = "music";
constexpr char CellXField[] = "x";
constexpr char CellYField[] = "y";
constexpr char KeyField[] = "key";
constexpr char ScaleField[] = "scale";
// Beats a minute (decimals allowed) and the note value of a step, both
// optional: a place without them has the step length in milliseconds, as
// places were written before, and a step of a sixteenth.
constexpr char TempoField[] = "tempo";
constexpr char StepNoteField[] = "stepNote";
constexpr char StepMillisecondsField[] = "stepMilliseconds";

constexpr std::array<const char*, 4> CornerFields{"xMin", "xMax", "yMin", "yMax"};

inline std::string_view NameOf(music::Scale scale)
{
    const auto shape = music::ShapeOf(scale);
    return shape ? shape->id : music::Scales.front().id;
}

inline std::string_view NameOf(music::StepNote note)
{
    const auto shape = music::ShapeOf(note);
    return shape ? shape->id : music::StepNotes.front().id;
}

inline std::string_view NameOfKey(int key)
{
    return key >= 0 && key < music::KeyCount ? music::KeyNames[static_cast<std::size_t>(key)] : music::KeyNames[0];
}

} // namespace place_fields
