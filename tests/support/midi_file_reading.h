#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

// What an independent reader (mido, through midi_file_reader.py) finds in a
// Standard MIDI File, so tests check events and times, not bytes.
namespace midi_reading {

struct Event
{
    int ms = 0;
    std::string type;  // note_on, note_off, program_change
    int channel = 0;
    int data1 = 0;     // note or program
    int data2 = 0;     // velocity

    friend bool operator==(const Event&, const Event&) = default;
    friend auto operator<=>(const Event&, const Event&) = default;
};

inline void PrintTo(const Event& event, std::ostream* out)
{
    *out << event.ms << "ms " << event.type << " ch" << event.channel << ' ' << event.data1 << ' ' << event.data2;
}

struct Reading
{
    int format = -1;
    int ticksPerBeat = -1;
    int trackCount = -1;
    int lengthMs = -1;
    std::vector<std::string> trackNames;
    std::vector<Event> events;
    // The first Set Tempo (microseconds per quarter note) and time signature,
    // and each event's time in ticks, by its index in events.
    int tempo = -1;
    std::string timeSignature;
    std::vector<long long> eventTicks;

    std::vector<Event> OnChannel(int channel) const;
};

// Throws std::runtime_error when the reader cannot read the file.
Reading ReadMidiFile(const std::filesystem::path& path);

} // namespace midi_reading
