#include "encoder_messages.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <syslog.h>

namespace video {

namespace {

void ToSystemLog(void* context, int level, const char* format, va_list arguments)
{
    if (level > av_log_get_level())
        return;
    char line[1024];
    int prefix = 1;
    av_log_format_line2(context, level, format, arguments, line, sizeof line, &prefix);
    syslog(LOG_USER | LOG_DEBUG, "FFmpeg: %s", line);
}

} // namespace

void RouteEncoderMessages(bool toTerminal)
{
    av_log_set_callback(toTerminal ? av_log_default_callback : ToSystemLog);
}

} // namespace video
