#pragma once

namespace music {

// Where the messages that ALSA, JACK and FluidSynth print of their own
// accord go: the system log by default, so the terminal shows only what
// Velmora itself says, or the terminal as well with --verbose.
enum class LibraryMessages { SystemLog, Terminal };

// Sets where they go, for the whole process: the libraries keep one
// handler each. Call it before any of them is used.
void RouteLibraryMessages(LibraryMessages where);

} // namespace music
