#include "midi_file_reading.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

namespace midi_reading {
namespace {

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

Reading Parse(const std::string& output)
{
    std::istringstream lines(output);
    std::string line;
    Reading reading;
    std::getline(lines, line);
    std::istringstream header(line);
    std::string word;
    header >> word >> reading.format >> reading.ticksPerBeat >> reading.trackCount >> reading.lengthMs;
    if (word != "header" || !header)
        throw std::runtime_error("reader printed no header:\n" + output);
    std::string names;
    std::getline(header >> std::ws, names);
    reading.trackNames = Split(names, '|');
    std::getline(lines, line);
    std::istringstream timing(line);
    if (!(timing >> word >> reading.tempo >> reading.timeSignature) || word != "timing")
        throw std::runtime_error("reader printed no timing:\n" + output);
    while (std::getline(lines, line)) {
        Event event;
        long long tick = 0;
        std::istringstream fields(line);
        if (!(fields >> event.ms >> event.type >> event.channel >> event.data1 >> event.data2 >> tick))
            throw std::runtime_error("unreadable event line: " + line);
        reading.events.push_back(event);
        reading.eventTicks.push_back(tick);
    }
    return reading;
}

} // namespace

std::vector<Event> Reading::OnChannel(int channel) const
{
    std::vector<Event> found;
    for (const auto& event : events) {
        if (event.channel == channel)
            found.push_back(event);
    }
    return found;
}

Reading ReadMidiFile(const std::filesystem::path& path)
{
    const std::string command =
        std::string("'") + PYTHON3 + "' '" + MIDI_FILE_READER + "' '" + path.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run " + command);
    std::string output;
    char buffer[4096];
    for (std::size_t count; (count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, count);
    if (pclose(pipe) != 0)
        throw std::runtime_error("mido could not read the file:\n" + output);
    return Parse(output);
}

} // namespace midi_reading
