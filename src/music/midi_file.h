#pragma once

#include "midi_message.h"
#include "music_settings.h"
#include "sequencer.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace music {

enum class MidiFileFault {
    None,
    // A message that is not a channel voice message, or a data byte above 127.
    InvalidMessage,
    // Two events of a track too far apart for a MIDI delta time.
    TooLong,
    // A tempo or note value that settings may not hold (CheckTiming).
    InvalidStepLength,
};

struct MidiFileOutcome
{
    std::vector<std::uint8_t> bytes;  // empty unless fault is None
    MidiFileFault fault = MidiFileFault::None;
};

// The piece as a format 1 Standard MIDI File: a tempo track named "Velmora",
// then one track per channel that occurs, in channel order ("Melody" for
// channel 0, "Chords" for channel 1, "Channel N" for any other 0-based N).
//
// The file says what was played: 480 ticks per quarter note, a step as many
// ticks as its note value has divisions (a sixteenth: 120), the tempo in
// beats a minute as a Set Tempo of 60,000,000 / tempo microseconds per
// quarter note, rounded, and 4/4 time, so a step lands on the grid of any
// sequencer that reads the file.
//
// Every message sounds at its step's time; messages are kept in the given
// order where steps are equal, and a negative step counts as step 0.
// At the end step (never earlier than the last message's step) every note
// still sounding gets a note-off, channel by channel and note by note from
// the lowest, because live playback silences the output with a reset that a
// file cannot hold. A note struck again while sounding is released once per
// strike, so each note-on in the file has a note-off to pair with.
//
// A non-empty text is written as a text event (FF 01) at time 0 in the
// tempo track, after its name; without one the file is as it always was.
//
// A fault comes back as a value and no bytes.
MidiFileOutcome MakeStandardMidiFile(const std::vector<TimedMessage>& messages, int endStep, double tempo,
                                     StepNote stepNote, std::string_view text = {});

// A piece of these notes as playback with these settings sends it.
MidiFileOutcome PieceMidiFile(const std::vector<std::uint8_t>& notes, const MusicSettings& settings = {},
                              std::string_view text = {});

// The text events (FF 01) of a Standard MIDI File's first track, in order,
// as far as the track can be read: every event is walked (delta times,
// running status, meta and sysex events), so bytes inside other events are
// never taken for text. Nothing for bytes that are not a Standard MIDI File.
std::vector<std::string> FirstTrackTexts(std::span<const std::uint8_t> file);

// The same at the default tempo and note value, for callers that treat a fault as a bug:
// throws std::invalid_argument for an invalid message and std::length_error
// if two events of a track lie too far apart (about 77 hours).
std::vector<std::uint8_t> StandardMidiFile(const std::vector<TimedMessage>& messages, int endStep);

} // namespace music
