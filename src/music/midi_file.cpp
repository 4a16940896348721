#include "midi_file.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <string>
#include <string_view>

namespace music {

namespace {

// 192 ticks a step at 480 ticks per quarter note: a quarter note is 2.5
// steps, so a step of n ms asks for a tempo of n x 2500 microseconds per
// quarter note (200 ms: 500000, 120 beats a minute), and every step lands
// exactly on its time whatever its length.
constexpr std::uint16_t TicksPerQuarterNote = 480;
constexpr std::uint64_t TicksPerStep = 192;
constexpr std::uint32_t MicrosecondsPerQuarterNotePerStepMillisecond = 2500;
static_assert(TicksPerQuarterNote * 1000 / TicksPerStep == MicrosecondsPerQuarterNotePerStepMillisecond);
// Set Tempo holds three bytes.
static_assert(std::uint64_t{MaxStepMilliseconds} * MicrosecondsPerQuarterNotePerStepMillisecond < (1u << 24));

constexpr int ChannelCount = 16;
constexpr int NoteCount = 128;

// The largest value a MIDI variable-length quantity can carry (four bytes).
constexpr std::uint64_t LargestVariableLength = 0x0FFFFFFF;

constexpr std::uint8_t MetaEvent = 0xFF;
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

std::uint64_t TickOf(int step)
{
    return static_cast<std::uint64_t>(std::max(step, 0)) * TicksPerStep;
}

TrackWriter TempoTrack(std::uint64_t endTick, int stepMilliseconds)
{
    const std::uint32_t tempo =
        static_cast<std::uint32_t>(stepMilliseconds) * MicrosecondsPerQuarterNotePerStepMillisecond;
    TrackWriter track;
    track.Meta(0, TrackNameMeta, "Velmora");
    track.Meta(0, SetTempoMeta,
               Bytes({static_cast<std::uint8_t>(tempo >> 16), static_cast<std::uint8_t>(tempo >> 8),
                      static_cast<std::uint8_t>(tempo)}));
    // 4/4, a metronome click every quarter note, eight 32nd notes per quarter.
    track.Meta(0, TimeSignatureMeta, Bytes({4, 2, 24, 8}));
    track.Meta(endTick, EndOfTrackMeta, {});
    return track;
}

TrackWriter ChannelTrack(int channel, const std::vector<TimedMessage>& ordered, std::uint64_t endTick)
{
    TrackWriter track;
    track.Meta(0, TrackNameMeta, ChannelTrackName(channel));

    // How many strikes of each note have not been released yet.
    std::array<int, NoteCount> sounding{};
    for (const auto& [step, message] : ordered) {
        if (message.Channel() != channel)
            continue;
        track.Channel(TickOf(step), message);
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

} // namespace

MidiFileOutcome MakeStandardMidiFile(const std::vector<TimedMessage>& messages, int endStep, int stepMilliseconds)
{
    if (stepMilliseconds < MinStepMilliseconds || stepMilliseconds > MaxStepMilliseconds)
        return {{}, MidiFileFault::InvalidStepLength};
    for (const auto& timed : messages)
        if (!IsValid(timed.message))
            return {{}, MidiFileFault::InvalidMessage};

    std::vector<TimedMessage> ordered = messages;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return TickOf(a.step) < TickOf(b.step); });

    std::uint64_t endTick = TickOf(endStep);
    std::array<bool, ChannelCount> channelUsed{};
    for (const auto& timed : ordered) {
        endTick = std::max(endTick, TickOf(timed.step));
        channelUsed[timed.message.Channel()] = true;
    }

    std::vector<TrackWriter> tracks;
    tracks.push_back(TempoTrack(endTick, stepMilliseconds));
    for (int channel = 0; channel < ChannelCount; ++channel)
        if (channelUsed[channel])
            tracks.push_back(ChannelTrack(channel, ordered, endTick));
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

MidiFileOutcome PieceMidiFile(const std::vector<std::uint8_t>& notes, const MusicSettings& settings)
{
    return MakeStandardMidiFile(PieceMessages(notes, settings), PieceEndStep(notes), settings.stepMilliseconds);
}

std::vector<std::uint8_t> StandardMidiFile(const std::vector<TimedMessage>& messages, int endStep)
{
    MidiFileOutcome outcome = MakeStandardMidiFile(messages, endStep, StepMilliseconds);
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

} // namespace music
