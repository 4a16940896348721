#pragma once

// Finding a remembered port among the ports a MIDI API lists.

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace music {

// ALSA ends a port's name with its client and port numbers, which change
// whenever the other program restarts; a remembered name still finds it.
inline std::string WithoutAlsaNumbers(const std::string& name)
{
    const auto digits = [](std::string_view text) {
        return !text.empty() && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
    };
    const std::size_t space = name.rfind(' ');
    if (space == std::string::npos)
        return name;
    const std::string_view numbers = std::string_view(name).substr(space + 1);
    const std::size_t colon = numbers.find(':');
    if (colon == std::string_view::npos || !digits(numbers.substr(0, colon)) || !digits(numbers.substr(colon + 1)))
        return name;
    return name.substr(0, space);
}

// The index of the wanted port among the names, by its full name or else
// without ALSA's numbers.
inline std::optional<unsigned> FindIn(const std::vector<std::string>& names, const std::string& wanted)
{
    for (unsigned i = 0; i < names.size(); ++i)
        if (names[i] == wanted)
            return i;
    for (unsigned i = 0; i < names.size(); ++i)
        if (WithoutAlsaNumbers(names[i]) == WithoutAlsaNumbers(wanted))
            return i;
    return std::nullopt;
}

} // namespace music
