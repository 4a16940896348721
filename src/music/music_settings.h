#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace music {

enum class Scale {
    Major,
    NaturalMinor,
    HarmonicMinor,
    Dorian,
    Mixolydian,
    MajorPentatonic,
    MinorPentatonic,
    Blues,
    WholeTone,
};

// The pitch classes of a scale in semitones above its tonic, lowest first;
// only the first `size` entries count. The id names the scale in stored
// settings and in places: the names the window shows may change, it may not.
struct ScaleShape
{
    Scale scale;
    std::string_view id;
    int size;
    std::array<std::uint8_t, 7> semitones;
};

inline constexpr std::array<ScaleShape, 9> Scales{{
    {Scale::Major, "major", 7, {0, 2, 4, 5, 7, 9, 11}},
    {Scale::NaturalMinor, "naturalMinor", 7, {0, 2, 3, 5, 7, 8, 10}},
    {Scale::HarmonicMinor, "harmonicMinor", 7, {0, 2, 3, 5, 7, 8, 11}},
    {Scale::Dorian, "dorian", 7, {0, 2, 3, 5, 7, 9, 10}},
    {Scale::Mixolydian, "mixolydian", 7, {0, 2, 4, 5, 7, 9, 10}},
    {Scale::MajorPentatonic, "majorPentatonic", 5, {0, 2, 4, 7, 9}},
    {Scale::MinorPentatonic, "minorPentatonic", 5, {0, 3, 5, 7, 10}},
    {Scale::Blues, "blues", 6, {0, 3, 5, 6, 7, 10}},
    {Scale::WholeTone, "wholeTone", 6, {0, 2, 4, 6, 8, 10}},
}};

// The shape of a scale, or nothing for a value outside the enumeration.
std::optional<ScaleShape> ShapeOf(Scale scale);

inline constexpr int KeyCount = 12;
inline constexpr std::array<std::string_view, KeyCount> KeyNames{"C",  "C#", "D",  "D#", "E",  "F",
                                                                 "F#", "G",  "G#", "A",  "A#", "B"};

inline constexpr int ProgramCount = 128;
// The General MIDI level 1 instruments, by 0-based program number.
inline constexpr std::array<std::string_view, ProgramCount> GeneralMidiProgramNames{
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavinet",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)", "Electric Guitar (clean)",
    "Electric Guitar (muted)", "Overdriven Guitar", "Distortion Guitar", "Guitar Harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "Synth Strings 1", "Synth Strings 2",
    "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "Synth Brass 1", "Synth Brass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
    "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
    "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
    "FX 5 (brightness)", "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bagpipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};

// The note value a step lasts. The id names it in stored settings and in
// places; divisions is its length in 480ths of a quarter note, which is also
// its length in ticks of the MIDI file, so every step lands on the grid.
enum class StepNote {
    Quarter,
    Eighth,
    EighthTriplet,
    Sixteenth,
    SixteenthTriplet,
    ThirtySecond,
};

inline constexpr int QuarterNoteDivisions = 480;

struct StepNoteShape
{
    StepNote note;
    std::string_view id;
    int divisions;
};

inline constexpr std::array<StepNoteShape, 6> StepNotes{{
    {StepNote::Quarter, "1/4", 480},
    {StepNote::Eighth, "1/8", 240},
    {StepNote::EighthTriplet, "1/8T", 160},
    {StepNote::Sixteenth, "1/16", 120},
    {StepNote::SixteenthTriplet, "1/16T", 80},
    {StepNote::ThirtySecond, "1/32", 60},
}};

// The shape of a note value, or nothing for a value outside the enumeration.
std::optional<StepNoteShape> ShapeOf(StepNote note);

// A step may last 50 to 1000 ms whatever tempo and note value give it.
inline constexpr int MinStepMilliseconds = 50;
inline constexpr int MaxStepMilliseconds = 1000;
inline constexpr int DefaultStepMilliseconds = 200;
// Beats (quarter notes) a minute; sixteenths over this range step from 1000 ms down to 50 ms.
inline constexpr double MinTempo = 15;
inline constexpr double MaxTempo = 300;
inline constexpr double DefaultTempo = 75;
inline constexpr StepNote DefaultStepNote = StepNote::Sixteenth;
// A note-on of velocity 0 is a note-off, so the quietest volume is 1.
inline constexpr int MinVelocity = 1;
inline constexpr int MaxVelocity = 127;

// How a piece sounds. The defaults are the program's original voice.
struct MusicSettings
{
    double tempo = DefaultTempo;
    StepNote stepNote = DefaultStepNote;
    int key = 0;  // semitones above C
    Scale scale = Scale::Major;
    int melodyProgram = 88;   // Pad 1 (new age)
    int chordProgram = 46;    // Orchestral Harp
    int melodyVelocity = 127;
    int chordVelocity = 100;

    friend bool operator==(const MusicSettings&, const MusicSettings&) = default;
};

// The first field out of its range, as a value a dialog can point at.
enum class SettingsFault {
    None,
    Tempo,
    StepNote,
    StepLength,  // tempo and note value together give a step outside 50..1000 ms
    Key,
    Scale,
    MelodyProgram,
    ChordProgram,
    MelodyVelocity,
    ChordVelocity,
};

// The settings that are whole numbers, each with its range and the fault
// a value outside the range gives, in the order they are checked.
struct NumberSetting
{
    int MusicSettings::*member;
    SettingsFault fault;
    int minimum;
    int maximum;
};
inline constexpr std::array<NumberSetting, 5> NumberSettings{{
    {&MusicSettings::key, SettingsFault::Key, 0, KeyCount - 1},
    {&MusicSettings::melodyProgram, SettingsFault::MelodyProgram, 0, ProgramCount - 1},
    {&MusicSettings::chordProgram, SettingsFault::ChordProgram, 0, ProgramCount - 1},
    {&MusicSettings::melodyVelocity, SettingsFault::MelodyVelocity, MinVelocity, MaxVelocity},
    {&MusicSettings::chordVelocity, SettingsFault::ChordVelocity, MinVelocity, MaxVelocity},
}};

// A step's length, rounded to the microsecond: exact for every tempo with
// few decimals (75 beats a minute in sixteenths: 200000).
std::int64_t StepMicroseconds(double tempo, StepNote note);
inline std::int64_t StepMicroseconds(const MusicSettings& settings)
{
    return StepMicroseconds(settings.tempo, settings.stepNote);
}
// The tempo at which a step of this note value lasts this long.
double TempoForStep(double stepMilliseconds, StepNote note);

// The tempi at which a step of this note value stays within 50..1000 ms.
struct TempoRange
{
    double minimum;
    double maximum;
};
TempoRange TempoRangeFor(StepNote note);

// Tempo, note value and step length first, in that order.
SettingsFault CheckTiming(double tempo, StepNote note);

// The timing, then the first number out of its range, then a scale outside the enumeration.
SettingsFault CheckSettings(const MusicSettings& settings);
inline bool IsValid(const MusicSettings& settings)
{
    return CheckSettings(settings) == SettingsFault::None;
}

} // namespace music
