#include "midi_out.h"

namespace music {

OpenOutcome OpenOutput(MidiOut& output)
{
    if (!output.DeviceAvailable())
        return OpenOutcome::NoDevice;
    if (!output.Open())
        return OpenOutcome::Refused;
    switch (output.CurrentReadiness()) {
    case MidiOut::Readiness::Sounding:
        return OpenOutcome::Opened;
    case MidiOut::Readiness::Preparing:
        return OpenOutcome::Pending;
    case MidiOut::Readiness::SilentInstruments:
        return OpenOutcome::SilentInstruments;
    case MidiOut::Readiness::NoSound:
        break;
    }
    return OpenOutcome::Refused;
}

void CloseOutput(MidiOut& output)
{
    output.SilenceAll();
    output.Close();
}

} // namespace music
