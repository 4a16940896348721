#pragma once

#include "midi_out.h"
#include "rtmidi_output.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where pieces are played: the built-in synthesizer, Velmora's own port that
// other programs connect to, or another program's MIDI input port.
struct OutputChoice
{
    enum class Kind { BuiltIn, OwnPort, Port };
    Kind kind = Kind::BuiltIn;
    music::ExternalMidiApi api = music::ExternalMidiApi::AlsaSequencer;
    std::string port;  // for Kind::Port, as ListMidiInputPorts names it

    friend bool operator==(const OutputChoice&, const OutputChoice&) = default;
};

inline const OutputChoice BuiltInOutput{OutputChoice::Kind::BuiltIn, music::ExternalMidiApi::AlsaSequencer, {}};
// Velmora's own port, through the ALSA sequencer, which JACK programs reach too
// where a bridge (PipeWire, a2jmidid) runs.
inline const OutputChoice OwnPortOutput{OutputChoice::Kind::OwnPort, music::ExternalMidiApi::AlsaSequencer, {}};

// The built-in synthesizer, the own port, then every input port the ALSA
// sequencer and a JACK server offer now; an API that cannot be reached adds none.
std::vector<OutputChoice> AvailableOutputs();

using ExternalOutput = music::ExternalMidiOut;

// Makes the output for a choice other than the built-in synthesizer;
// replaceable so tests can play a port that comes and goes.
using ExternalOutputFactory = std::function<std::unique_ptr<ExternalOutput>(const OutputChoice&)>;

// Through RtMidi, to the ALSA sequencer or JACK.
std::unique_ptr<ExternalOutput> MakeRtMidiOutput(const OutputChoice& choice);
