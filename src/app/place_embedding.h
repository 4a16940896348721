#pragma once

#include <QByteArray>

#include <cstdint>
#include <optional>

// Places kept inside the files Velmora writes, so a saved picture or an
// exported piece can be opened again where it was made.

// The keyword of the PNG text chunk (tEXt) that holds a place.
inline constexpr char PngPlaceKeyword[] = "Velmora place";

bool IsPng(const QByteArray& bytes);
bool IsStandardMidiFile(const QByteArray& bytes);

// The CRC-32 of PNG chunks (and zlib, gzip): ISO 3309, reflected, initial
// and final value all ones.
std::uint32_t Crc32(const QByteArray& bytes);

// The PNG with the text as a "Velmora place" tEXt chunk just before its IEND
// chunk, replacing any such chunk it had. The text must be Latin-1, as tEXt
// asks (a place's JSON is plain ASCII). Nothing when the bytes are not a PNG
// that can be walked chunk by chunk to its IEND.
std::optional<QByteArray> WithPlaceInPng(const QByteArray& png, const QByteArray& text);

// The text of the first "Velmora place" tEXt chunk whose CRC is right.
std::optional<QByteArray> PlaceTextInPng(const QByteArray& png);

// What keeps a PNG from being read whole: it ends before its IEND chunk, or
// a chunk's CRC does not match its type and data (the first such chunk).
struct PngDamage
{
    enum class Kind { None, EndsEarly, WrongChecksum };
    Kind kind = Kind::None;
    QByteArray chunkType;
};
PngDamage DamageInPng(const QByteArray& png);

// The first text event of the MIDI file's first track that is a JSON object
// with a "velmora" field; any other text is skipped.
std::optional<QByteArray> PlaceTextInMidi(const QByteArray& midi);
