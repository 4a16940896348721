#include "place_embedding.h"

#include "midi_file.h"
#include "place.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <span>
#include <vector>

namespace {

constexpr std::array<std::uint8_t, 8> PngSignature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr char MidiSignature[] = "MThd";
constexpr char TextChunk[] = "tEXt";
constexpr char EndChunk[] = "IEND";

// A chunk is its data's length, its type, its data and the CRC of type and data.
constexpr qsizetype LengthBytes = 4;
constexpr qsizetype TypeBytes = 4;
constexpr qsizetype CrcBytes = 4;
constexpr qsizetype ChunkOverhead = LengthBytes + TypeBytes + CrcBytes;
// PNG chunk lengths stay below 2^31.
constexpr std::uint32_t LargestChunkLength = 0x7FFFFFFF;

constexpr std::uint32_t CrcPolynomial = 0xEDB88320;  // reflected 0x04C11DB7
constexpr std::array<std::uint32_t, 256> CrcTable = [] {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < table.size(); ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 1) != 0 ? CrcPolynomial ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    return table;
}();

std::uint32_t ReadBigEndian(const QByteArray& bytes, qsizetype at)
{
    std::uint32_t value = 0;
    for (qsizetype i = 0; i < LengthBytes; ++i)
        value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

void AppendBigEndian(QByteArray& bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.append(static_cast<char>(static_cast<std::uint8_t>(value >> shift)));
}

struct Chunk
{
    qsizetype start = 0;  // of its length field
    qsizetype size = 0;   // the whole chunk
    QByteArray type;
    QByteArray data;
    bool crcRight = false;
};

// The chunks up to and including IEND; nothing when the bytes are no PNG or
// end before IEND.
std::optional<std::vector<Chunk>> Chunks(const QByteArray& png)
{
    if (!IsPng(png))
        return std::nullopt;
    std::vector<Chunk> chunks;
    for (qsizetype at = static_cast<qsizetype>(PngSignature.size());;) {
        if (png.size() - at < ChunkOverhead)
            return std::nullopt;
        const std::uint32_t length = ReadBigEndian(png, at);
        if (length > LargestChunkLength || png.size() - at - ChunkOverhead < static_cast<qsizetype>(length))
            return std::nullopt;
        Chunk chunk;
        chunk.start = at;
        chunk.size = ChunkOverhead + static_cast<qsizetype>(length);
        chunk.type = png.mid(at + LengthBytes, TypeBytes);
        chunk.data = png.mid(at + LengthBytes + TypeBytes, length);
        chunk.crcRight = Crc32(chunk.type + chunk.data) == ReadBigEndian(png, at + chunk.size - CrcBytes);
        at += chunk.size;
        chunks.push_back(std::move(chunk));
        if (chunks.back().type == EndChunk)
            return chunks;
    }
}

QByteArray PlaceChunkPrefix()
{
    return QByteArray(PngPlaceKeyword) + '\0';
}

bool IsPlaceChunk(const Chunk& chunk)
{
    return chunk.type == TextChunk && chunk.data.startsWith(PlaceChunkPrefix());
}

} // namespace

bool IsPng(const QByteArray& bytes)
{
    return bytes.size() >= static_cast<qsizetype>(PngSignature.size()) &&
           std::equal(PngSignature.begin(), PngSignature.end(), bytes.begin(),
                      [](std::uint8_t expected, char actual) { return expected == static_cast<std::uint8_t>(actual); });
}

bool IsStandardMidiFile(const QByteArray& bytes)
{
    return bytes.startsWith(MidiSignature);
}

std::uint32_t Crc32(const QByteArray& bytes)
{
    std::uint32_t c = 0xFFFFFFFF;
    for (const char byte : bytes)
        c = CrcTable[(c ^ static_cast<std::uint8_t>(byte)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFF;
}

std::optional<QByteArray> WithPlaceInPng(const QByteArray& png, const QByteArray& text)
{
    const auto chunks = Chunks(png);
    const QByteArray data = PlaceChunkPrefix() + text;
    if (!chunks || static_cast<std::uint64_t>(data.size()) > LargestChunkLength)
        return std::nullopt;
    QByteArray result = png.first(static_cast<qsizetype>(PngSignature.size()));
    for (const Chunk& chunk : *chunks) {
        if (chunk.type == EndChunk) {
            AppendBigEndian(result, static_cast<std::uint32_t>(data.size()));
            result += TextChunk;
            result += data;
            AppendBigEndian(result, Crc32(TextChunk + data));
        }
        if (!IsPlaceChunk(chunk))
            result += png.mid(chunk.start, chunk.size);
    }
    // Whatever followed IEND stays, as it was.
    const Chunk& end = chunks->back();
    result += png.mid(end.start + end.size);
    return result;
}

std::optional<QByteArray> PlaceTextInPng(const QByteArray& png)
{
    const auto chunks = Chunks(png);
    if (!chunks)
        return std::nullopt;
    for (const Chunk& chunk : *chunks)
        if (chunk.crcRight && IsPlaceChunk(chunk))
            return chunk.data.mid(PlaceChunkPrefix().size());
    return std::nullopt;
}

PngDamage DamageInPng(const QByteArray& png)
{
    const auto chunks = Chunks(png);
    if (!chunks)
        return {PngDamage::Kind::EndsEarly, {}};
    const auto wrong = std::find_if(chunks->begin(), chunks->end(), [](const Chunk& chunk) { return !chunk.crcRight; });
    if (wrong == chunks->end())
        return {};
    return {PngDamage::Kind::WrongChecksum, wrong->type};
}

std::optional<QByteArray> PlaceTextInMidi(const QByteArray& midi)
{
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(midi.constData()),
                                              static_cast<std::size_t>(midi.size()));
    for (const std::string& text : music::FirstTrackTexts(bytes)) {
        const QByteArray candidate = QByteArray::fromStdString(text);
        const QJsonDocument document = QJsonDocument::fromJson(candidate);
        if (document.isObject() && document.object().contains(QLatin1String(PlaceVersionField)))
            return candidate;
    }
    return std::nullopt;
}
