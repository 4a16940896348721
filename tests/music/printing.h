#pragma once

// Readable failure messages for MIDI messages; gtest finds this by
// argument-dependent lookup.

#include "midi_message.h"

#include <ios>
#include <ostream>

namespace music {

inline void PrintTo(const MidiMessage& message, std::ostream* out)
{
    *out << std::hex << std::uppercase << int(message.status) << std::dec << ' ' << int(message.data1) << ' '
         << int(message.data2);
}

} // namespace music
