#pragma once

#include "midi_message.h"

#include <cstdint>
#include <vector>

namespace music {

// Playback advances one step at a time; step k sounds k steps after the
// piece starts.
inline constexpr int StepMilliseconds = 200;

// A message and the step it sounds at; step 0 is the start of the piece.
struct TimedMessage
{
    int step = 0;
    MidiMessage message;
};

// The piece as a format 1 Standard MIDI File: a tempo track named "Velmora",
// then one track per channel that occurs, in channel order ("Melody" for
// channel 0, "Chords" for channel 1, "Channel N" for any other 0-based N).
//
// Every message sounds at its step's time; messages are kept in the given
// order where steps are equal, and a negative step counts as step 0.
// At the end step (never earlier than the last message's step) every note
// still sounding gets a note-off, channel by channel and note by note from
// the lowest, because live playback silences the output with a reset that a
// file cannot hold. A note struck again while sounding is released once per
// strike, so each note-on in the file has a note-off to pair with.
//
// Throws std::invalid_argument for a message that is not a channel voice
// message or has a data byte above 127, and std::length_error if two events
// of a track lie too far apart for a MIDI delta time (about 77 hours).
std::vector<std::uint8_t> StandardMidiFile(const std::vector<TimedMessage>& messages, int endStep);

} // namespace music
