#include "midi_out.h"

namespace music {

OpenOutcome OpenOutput(MidiOut& output)
{
    if (!output.DeviceAvailable())
        return OpenOutcome::NoDevice;
    return output.Open() ? OpenOutcome::Opened : OpenOutcome::Refused;
}

void CloseOutput(MidiOut& output)
{
    output.SilenceAll();
    output.Close();
}

} // namespace music
