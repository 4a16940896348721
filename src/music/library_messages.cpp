#include "library_messages.h"

#include <alsa/asoundlib.h>
#include <fluidsynth.h>
#include <jack/jack.h>

#include <cstdarg>
#include <cstdio>
#include <initializer_list>
#include <syslog.h>

namespace music {

namespace {

// The libraries' handlers take no state of ours beyond FluidSynth's, so the
// destination is chosen by which of these functions is handed to them.
void ToSystemLog(const char* library, const char* text)
{
    syslog(LOG_USER | LOG_DEBUG, "%s: %s", library, text);
}

void ToTerminal(const char* library, const char* text)
{
    std::fprintf(stderr, "%s: %s\n", library, text);
}

template <void (*Write)(const char*, const char*)>
void AlsaMessage(const char* file, int line, const char* function, int, const char* format, ...)
{
    char text[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    char where[768];
    std::snprintf(where, sizeof where, "%s:%d (%s) %s", file, line, function, text);
    Write("ALSA", where);
}

template <void (*Write)(const char*, const char*)>
void JackMessage(const char* text)
{
    Write("JACK", text);
}

void FluidSynthMessage(int, const char* text, void* where)
{
    if (*static_cast<const LibraryMessages*>(where) == LibraryMessages::Terminal)
        ToTerminal("FluidSynth", text);
    else
        ToSystemLog("FluidSynth", text);
}

} // namespace

void RouteLibraryMessages(LibraryMessages where)
{
    static constexpr LibraryMessages SystemLog = LibraryMessages::SystemLog;
    static constexpr LibraryMessages Terminal = LibraryMessages::Terminal;
    const bool terminal = where == LibraryMessages::Terminal;
    snd_lib_error_set_handler(terminal ? AlsaMessage<ToTerminal> : AlsaMessage<ToSystemLog>);
    jack_set_error_function(terminal ? JackMessage<ToTerminal> : JackMessage<ToSystemLog>);
    jack_set_info_function(terminal ? JackMessage<ToTerminal> : JackMessage<ToSystemLog>);
    for (const int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO})
        fluid_set_log_function(level, FluidSynthMessage,
                               const_cast<LibraryMessages*>(terminal ? &Terminal : &SystemLog));
}

} // namespace music
