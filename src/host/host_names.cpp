#include "host/host_names.h"

#include <algorithm>
#include <array>

#include "image/directory.h"

namespace marlin::host {

using namespace marlin::image;

namespace {

bool IsUnsafeHostCharacter(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u < 32 || u == 127;
}

} // namespace

std::string SafeHostName(std::string_view imageName, bool forWindows)
{
    std::string h(imageName);
    for (char& c : h)
        if (c == '/' || IsUnsafeHostCharacter(c))
            c = '_';
    // Device names: each test sees the result of the one before, so CON_
    // stays CON_ and only an exact match grows.
    for (const char* device : {"CON", "PRN", "LPT", "COM"})
        if (UpperName(h) == device)
            h += '_';
    // "", "." and ".." would name the folder itself or its parent.
    if (h.find_first_not_of('.') == std::string::npos)
        h.insert(h.begin(), '_');
    return forWindows ? WindowsHostName(h) : h;
}

std::string WindowsHostName(std::string_view hostName)
{
    std::string h(hostName);
    for (char& c : h)
        if (std::string_view("\\:*?\"<>|").find(c) != std::string_view::npos)
            c = '_';
    // Windows drops trailing dots and blanks, so "A." and "A" would be one file.
    for (auto c = h.rbegin(); c != h.rend() && (*c == '.' || *c == ' '); ++c)
        *c = '_';
    // A device is named by the part before the first dot, blanks after it dropped.
    std::string stem = UpperName(h.substr(0, h.find('.')));
    stem.erase(stem.find_last_not_of(' ') + 1);
    constexpr std::array<std::string_view, 4> kDevices = {"CON", "PRN", "AUX", "NUL"};
    const bool numbered =
        stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' && stem[3] <= '9';
    if (numbered || std::find(kDevices.begin(), kDevices.end(), stem) != kDevices.end())
        h.insert(stem.size(), 1, '_');
    return h;
}

std::string ImageNameFromHost(std::string_view candidate)
{
    std::string n(candidate.substr(0, dir::kNameLength));
    // Positions counted from 1: a "." at 3 or later ends the name.
    if (const auto dot = n.find('.'); dot != std::string::npos && dot >= 2)
        n.resize(dot);
    for (char& c : n) {
        const auto u = static_cast<unsigned char>(c);
        if (c == ' ' || u == 0 || u >= 128)
            c = '_';
    }
    if (n.size() >= 2 && n[1] == '.') {
        if (n[0] == '$')
            n.erase(0, 2);
        else
            n[1] = '_';
    }
    return n;
}

std::string PrintableHostName(std::string_view hostName)
{
    std::string n(hostName);
    for (char& c : n) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 32 || u > 126)
            c = '_';
    }
    return n;
}

std::string TrimBlanks(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

} // namespace marlin::host
