#include "midi_file.h"

#include <algorithm>
#include <cmath>
#include <array>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace music {

namespace {

// A tick is one division of a quarter note, so a step's note value is its
// length in ticks.
constexpr std::uint16_t TicksPerQuarterNote = QuarterNoteDivisions;
constexpr double MicrosecondsPerMinute = 60e6;
// Set Tempo holds three bytes.
static_assert(MicrosecondsPerMinute / MinTempo < (1u << 24));

constexpr int ChannelCount = 16;
constexpr int NoteCount = 128;

// The largest value a MIDI variable-length quantity can carry (four bytes).
constexpr std::uint64_t LargestVariableLength = 0x0FFFFFFF;

constexpr std::uint8_t MetaEvent = 0xFF;
constexpr std::uint8_t SysexEvent = 0xF0;
constexpr std::uint8_t SysexContinuation = 0xF7;
constexpr std::uint8_t TextMeta = 0x01;
constexpr std::uint8_t TrackNameMeta = 0x03;
constexpr std::uint8_t EndOfTrackMeta = 0x2F;
constexpr std::uint8_t SetTempoMeta = 0x51;
constexpr std::uint8_t TimeSignatureMeta = 0x58;

// The caller has checked that value fits.
void AppendVariableLength(std::vector<std::uint8_t>& bytes, std::uint64_t value)
{
    // Seven bits per byte, most significant first; every byte but the last has its top bit set.
    std::array<std::uint8_t, 4> groups{};
    int count = 0;
    do {
        groups[count++] = static_cast<std::uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0);
    while (count > 1)
        bytes.push_back(static_cast<std::uint8_t>(groups[--count] | 0x80));
    bytes.push_back(groups[0]);
}

void AppendBigEndian(std::vector<std::uint8_t>& bytes, std::uint32_t value, int byteCount)
{
    for (int shift = 8 * (byteCount - 1); shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Program change and channel pressure carry one data byte; the other channel messages carry two.
int DataByteCount(std::uint8_t kind)
{
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

bool IsValid(const MidiMessage& message)
{
    if (message.status < 0x80 || message.status >= 0xF0)
        return false;
    return message.data1 <= 0x7F && (DataByteCount(message.Kind()) == 1 || message.data2 <= 0x7F);
}

// Events of one track, written in time order with delta times.
class TrackWriter
{
public:
    void Meta(std::uint64_t tick, std::uint8_t type, std::string_view data)
    {
        Delta(tick);
        bytes_.push_back(MetaEvent);
        bytes_.push_back(type);
        AppendVariableLength(bytes_, data.size());
        bytes_.insert(bytes_.end(), data.begin(), data.end());
    }

    void Channel(std::uint64_t tick, const MidiMessage& message)
    {
        Delta(tick);
        bytes_.push_back(message.status);
        bytes_.push_back(message.data1);
        if (DataByteCount(message.Kind()) == 2)
            bytes_.push_back(message.data2);
    }

    // Whether some delta time was too large to write.
    bool TooLong() const { return tooLong_; }

    void AppendChunkTo(std::vector<std::uint8_t>& file) const
    {
        file.insert(file.end(), {'M', 'T', 'r', 'k'});
        AppendBigEndian(file, static_cast<std::uint32_t>(bytes_.size()), 4);
        file.insert(file.end(), bytes_.begin(), bytes_.end());
    }

private:
    void Delta(std::uint64_t tick)
    {
        const std::uint64_t delta = tick - lastTick_;
        if (delta > LargestVariableLength) {
            tooLong_ = true;
            return;
        }
        AppendVariableLength(bytes_, delta);
        lastTick_ = tick;
    }

    std::vector<std::uint8_t> bytes_;
    std::uint64_t lastTick_ = 0;
    bool tooLong_ = false;
};

std::string Bytes(std::initializer_list<std::uint8_t> values)
{
    return std::string(values.begin(), values.end());
}

std::string ChannelTrackName(int channel)
{
    if (channel == 0)
        return "Melody";
    if (channel == 1)
        return "Chords";
    return "Channel " + std::to_string(channel);
}

std::uint64_t TickOf(int step, std::uint64_t ticksPerStep)
{
    return static_cast<std::uint64_t>(std::max(step, 0)) * ticksPerStep;
}

TrackWriter TempoTrack(std::uint64_t endTick, double beatsPerMinute, std::string_view text)
{
    const auto tempo = static_cast<std::uint32_t>(std::llround(MicrosecondsPerMinute / beatsPerMinute));
    TrackWriter track;
    track.Meta(0, TrackNameMeta, "Velmora");
    if (!text.empty())
        track.Meta(0, TextMeta, text);
    track.Meta(0, SetTempoMeta,
               Bytes({static_cast<std::uint8_t>(tempo >> 16), static_cast<std::uint8_t>(tempo >> 8),
                      static_cast<std::uint8_t>(tempo)}));
    // 4/4, a metronome click every quarter note, eight 32nd notes per quarter.
    track.Meta(0, TimeSignatureMeta, Bytes({4, 2, 24, 8}));
    track.Meta(endTick, EndOfTrackMeta, {});
    return track;
}

TrackWriter ChannelTrack(int channel, const std::vector<TimedMessage>& ordered, std::uint64_t ticksPerStep,
                         std::uint64_t endTick)
{
    TrackWriter track;
    track.Meta(0, TrackNameMeta, ChannelTrackName(channel));

    // How many strikes of each note have not been released yet.
    std::array<int, NoteCount> sounding{};
    for (const auto& [step, message] : ordered) {
        if (message.Channel() != channel)
            continue;
        track.Channel(TickOf(step, ticksPerStep), message);
        const bool noteOn = message.Kind() == NoteOnKind;
        if (noteOn && message.data2 > 0)
            ++sounding[message.data1];
        else if ((noteOn || message.Kind() == NoteOffKind) && sounding[message.data1] > 0)
            --sounding[message.data1];
    }

    for (int note = 0; note < NoteCount; ++note)
        for (int strike = 0; strike < sounding[note]; ++strike)
            track.Channel(endTick, NoteOff(static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(channel)));
    track.Meta(endTick, EndOfTrackMeta, {});
    return track;
}

// Reads a file's bytes front to back; every read past the end fails.
class ByteReader
{
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool AtEnd() const { return position_ >= bytes_.size(); }
    std::size_t Left() const { return bytes_.size() - position_; }

    std::optional<std::uint8_t> Peek() const
    {
        return AtEnd() ? std::nullopt : std::optional<std::uint8_t>(bytes_[position_]);
    }

    std::optional<std::uint8_t> Byte()
    {
        const auto byte = Peek();
        if (byte)
            ++position_;
        return byte;
    }

    std::optional<std::uint32_t> BigEndian(int byteCount)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < byteCount; ++i) {
            const auto byte = Byte();
            if (!byte)
                return std::nullopt;
            value = value << 8 | *byte;
        }
        return value;
    }

    // At most four bytes, as the writer's AppendVariableLength makes them.
    std::optional<std::uint32_t> VariableLength()
    {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const auto byte = Byte();
            if (!byte)
                return std::nullopt;
            value = value << 7 | (*byte & 0x7Fu);
            if ((*byte & 0x80) == 0)
                return value;
        }
        return std::nullopt;
    }

    std::optional<std::span<const std::uint8_t>> Take(std::size_t count)
    {
        if (count > Left())
            return std::nullopt;
        const auto taken = bytes_.subspan(position_, count);
        position_ += count;
        return taken;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

bool HasTag(std::span<const std::uint8_t> tag, std::string_view expected)
{
    return std::equal(tag.begin(), tag.end(), expected.begin(), expected.end());
}

constexpr std::string_view HeaderTag = "MThd";
constexpr std::string_view TrackTag = "MTrk";
constexpr std::size_t TagSize = 4;
constexpr int ChunkLengthBytes = 4;

// The first MTrk chunk's bytes, cut short where the file ends; any other
// chunk before it is skipped, as readers of the format must.
std::optional<std::span<const std::uint8_t>> FirstTrack(std::span<const std::uint8_t> file)
{
    ByteReader reader(file);
    for (bool header = true;; header = false) {
        const auto tag = reader.Take(TagSize);
        const auto length = tag ? reader.BigEndian(ChunkLengthBytes) : std::nullopt;
        if (!length || (header && !HasTag(*tag, HeaderTag)))
            return std::nullopt;
        if (!header && HasTag(*tag, TrackTag))
            return reader.Take(std::min<std::size_t>(*length, reader.Left()));
        if (!reader.Take(*length))
            return std::nullopt;
    }
}

} // namespace

MidiFileOutcome MakeStandardMidiFile(const std::vector<TimedMessage>& messages, int endStep, double tempo,
                                     StepNote stepNote, std::string_view text)
{
    if (CheckTiming(tempo, stepNote) != SettingsFault::None)
        return {{}, MidiFileFault::InvalidStepLength};
    const std::uint64_t ticksPerStep = static_cast<std::uint64_t>(ShapeOf(stepNote)->divisions);
    // A meta event's length is a variable-length quantity too.
    if (text.size() > LargestVariableLength)
        return {{}, MidiFileFault::TooLong};
    for (const auto& timed : messages)
        if (!IsValid(timed.message))
            return {{}, MidiFileFault::InvalidMessage};

    std::vector<TimedMessage> ordered = messages;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return std::max(a.step, 0) < std::max(b.step, 0); });

    std::uint64_t endTick = TickOf(endStep, ticksPerStep);
    std::array<bool, ChannelCount> channelUsed{};
    for (const auto& timed : ordered) {
        endTick = std::max(endTick, TickOf(timed.step, ticksPerStep));
        channelUsed[timed.message.Channel()] = true;
    }

    std::vector<TrackWriter> tracks;
    tracks.push_back(TempoTrack(endTick, tempo, text));
    for (int channel = 0; channel < ChannelCount; ++channel)
        if (channelUsed[channel])
            tracks.push_back(ChannelTrack(channel, ordered, ticksPerStep, endTick));
    for (const auto& track : tracks)
        if (track.TooLong())
            return {{}, MidiFileFault::TooLong};

    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd'};
    AppendBigEndian(file, 6, 4);
    AppendBigEndian(file, 1, 2); // format 1: simultaneous tracks
    AppendBigEndian(file, static_cast<std::uint32_t>(tracks.size()), 2);
    AppendBigEndian(file, TicksPerQuarterNote, 2);
    for (const auto& track : tracks)
        track.AppendChunkTo(file);
    return {std::move(file), MidiFileFault::None};
}

MidiFileOutcome PieceMidiFile(const std::vector<std::uint8_t>& notes, const MusicSettings& settings,
                              std::string_view text)
{
    return MakeStandardMidiFile(PieceMessages(notes, settings), PieceEndStep(notes), settings.tempo, settings.stepNote,
                                text);
}

std::vector<std::uint8_t> StandardMidiFile(const std::vector<TimedMessage>& messages, int endStep)
{
    MidiFileOutcome outcome = MakeStandardMidiFile(messages, endStep, DefaultTempo, DefaultStepNote);
    switch (outcome.fault) {
    case MidiFileFault::None:
        break;
    case MidiFileFault::InvalidMessage:
        throw std::invalid_argument("not a valid MIDI channel voice message");
    case MidiFileFault::TooLong:
        throw std::length_error("events too far apart for a MIDI delta time");
    case MidiFileFault::InvalidStepLength:
        throw std::invalid_argument("step length out of range");
    }
    return std::move(outcome.bytes);
}

std::vector<std::string> FirstTrackTexts(std::span<const std::uint8_t> file)
{
    std::vector<std::string> texts;
    const auto track = FirstTrack(file);
    if (!track)
        return texts;
    ByteReader reader(*track);
    std::uint8_t runningStatus = 0;
    while (!reader.AtEnd()) {
        if (!reader.VariableLength())
            break;
        const auto lead = reader.Peek();
        if (!lead)
            break;
        if (*lead == MetaEvent || *lead == SysexEvent || *lead == SysexContinuation) {
            reader.Byte();
            const auto type = *lead == MetaEvent ? reader.Byte() : std::optional<std::uint8_t>(0);
            const auto length = type ? reader.VariableLength() : std::nullopt;
            const auto data = length ? reader.Take(*length) : std::nullopt;
            if (!data)
                break;
            if (*lead == MetaEvent && *type == TextMeta)
                texts.emplace_back(data->begin(), data->end());
            if (*lead == MetaEvent && *type == EndOfTrackMeta)
                break;
            // Meta and sysex events end any running status.
            runningStatus = 0;
            continue;
        }
        if (*lead >= 0x80) {
            // Other system messages have no place in a file.
            if (*lead >= 0xF0)
                break;
            runningStatus = *lead;
            reader.Byte();
        } else if (runningStatus == 0) {
            break;
        }
        const auto data = reader.Take(static_cast<std::size_t>(DataByteCount(runningStatus & 0xF0)));
        if (!data || std::any_of(data->begin(), data->end(), [](std::uint8_t byte) { return byte > 0x7F; }))
            break;
    }
    return texts;
}

} // namespace music
