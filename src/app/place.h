#pragma once

#include "deep_view.h"
#include "palette.h"
#include "render.h"
#include "length_text.h"
#include "music_settings.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <string>
#include <variant>

// A place: everything that makes a picture and a piece, kept as a small JSON
// text so the user can come back to it.
inline constexpr int PlaceVersion = 1;
// The field that holds the version, always the first; it also tells a
// place's JSON from any other.
inline constexpr char PlaceVersionField[] = "velmora";
inline constexpr int MinPlaceIterations = 1;
inline constexpr int MaxPlaceIterations = fractal::MostIterations;
// Larger files are refused before they are parsed.
inline constexpr qsizetype MaxPlaceBytes = qsizetype{1} << 20;
// A PNG picture or a MIDI file holding a place may be larger than the place.
inline constexpr qsizetype MaxPlaceContainerBytes = qsizetype{16} << 20;
inline constexpr qsizetype MaxCoordinateCharacters = 10'000;
// The deepest view a place holds: its corners written with all the digits
// their precision needs stay within MaxCoordinateCharacters (33,000 bits are
// 9,935 digits, leaving room for a sign, the point and the exponent).
inline constexpr fractal::BigFloat::Bits MaxPlaceBits = 33'000;

// Whether a place can keep the view, so that it reads back. A view that
// cannot be kept is never shown: magnification stops before it.
inline bool PlaceCanKeep(const fractal::DeepView& view)
{
    return view.Precision() <= MaxPlaceBits;
}

// The cell of the picture where a piece started, within the view's side.
struct StartCell
{
    int x = 0;
    int y = 0;

    friend bool operator==(const StartCell&, const StartCell&) = default;
};

struct Place
{
    // With the picture's side, 400 cells unless the place names another.
    fractal::DeepView view;
    int iterations = 100;
    int length = DefaultLength;
    std::optional<StartCell> start;  // once a piece was composed
    music::MusicSettings music;
    // How its picture is coloured; a place written before palettes is Classic.
    fractal::Palette palette = fractal::Palette::Classic;

    friend bool operator==(const Place&, const Place&) = default;
};

enum class PlaceProblem {
    TooLarge,          // over MaxPlaceBytes (MaxPlaceContainerBytes for a picture or MIDI file)
    NotJson,           // position: the byte where parsing stopped
    NotObject,         // field: "" for the whole text
    WrongVersion,      // "velmora" is not PlaceVersion
    Missing,           // field
    Unexpected,        // field: one that a place does not have
    NotDecimalText,    // field: a coordinate that is not a decimal number in a string
    CoordinateTooLong, // field: over MaxCoordinateCharacters
    Reversed,          // field is greater than otherField
    TooDeep,           // the view needs more precision than a place can write
    OutOfRange,        // field: not a whole number from minimum to maximum
    NumberOutOfRange,  // field: not a number (decimals allowed) from minimum to maximum
    UnknownName,       // field: none of choices
    PngWithoutPlace,
    PngEndsEarly,      // a PNG cut off before its IEND chunk
    PngWrongChecksum,  // field: the type of the first chunk whose CRC is wrong
    MidiWithoutPlace,
    NotPlaceFile,      // neither a place, a PNG picture nor a MIDI file
};

// What is wrong with a place, and where: fields are named by their path,
// such as "view.xMin" or "music.key".
struct PlaceFailure
{
    PlaceProblem problem = PlaceProblem::NotPlaceFile;
    std::string field;
    std::string otherField;
    long long minimum = 0;
    long long maximum = 0;
    long long position = 0;
    std::string choices;  // for UnknownName: the accepted names, comma separated

    friend bool operator==(const PlaceFailure&, const PlaceFailure&) = default;
};

using PlaceReading = std::variant<Place, PlaceFailure>;

// The place as JSON, always in the same form: one field a line, fields in a
// fixed order, the view's corners as decimal texts that read back exactly.
// The musical settings are always written, so a place sounds the same even
// if the defaults change.
QByteArray PlaceToJson(const Place& place);

// A place from its JSON, or what is wrong with it. Never throws.
PlaceReading ReadPlace(const QByteArray& bytes);

// A place from a place file, a PNG picture or a Standard MIDI File, told
// apart by their first bytes. A place file is UTF-8 text; with a byte order
// mark it may also be UTF-16 (or UTF-32), as some editors save it.
PlaceReading ReadPlaceFromFile(const QByteArray& bytes);

// The failure as a sentence for the user, in the user's language.
QString PlaceFailureMessage(const PlaceFailure& failure);

// The place in the file at path (a place file, a PNG or a MIDI file), or why
// there is none, in the user's words.
std::variant<Place, QString> ReadPlaceAt(const QString& path);
