#include "sync_timeline.h"

#include <iterator>

namespace music {

std::optional<SyncSource> SyncSourceFromId(std::string_view id)
{
    for (std::size_t i = 0; i < std::size(SyncSourceIds); ++i)
        if (SyncSourceIds[i] == id)
            return static_cast<SyncSource>(i);
    return std::nullopt;
}

std::string_view IdOf(SyncSource source)
{
    return SyncSourceIds[static_cast<std::size_t>(source)];
}

} // namespace music
