#include "sync_choice.h"

#include "midi_clock_input.h"

std::vector<SyncChoice> AvailableClockInputs()
{
    using music::ExternalMidiApi;
    std::vector<SyncChoice> inputs;
    for (const auto api : {ExternalMidiApi::AlsaSequencer, ExternalMidiApi::Jack}) {
        const auto ports = music::ListMidiOutputPorts(api);
        if (!ports && api == ExternalMidiApi::Jack)
            continue;
        inputs.push_back({music::SyncSource::FollowClock, api, {}});
        for (const std::string& port : ports.value_or(std::vector<std::string>{})) {
            // Velmora's own ports are no clock source for itself.
            if (port.find(music::ExternalClientName) != 0)
                inputs.push_back({music::SyncSource::FollowClock, api, port});
        }
    }
    return inputs;
}
