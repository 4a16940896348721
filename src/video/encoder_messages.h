#pragma once

namespace video {

// Where what FFmpeg's libraries print of their own accord goes: the system
// log, or the terminal as well (--verbose), as for the sound libraries.
// FFmpeg keeps one handler for the whole process; set it before encoding.
void RouteEncoderMessages(bool toTerminal);

} // namespace video
