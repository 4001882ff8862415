#include "cli/json_output.h"

#include <cstdint>

#include <nlohmann/json.hpp>

#include "cli/cli_common.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/layout.h"

namespace marlin::cli {

using namespace marlin::image;
// Fields in the order they are added, as a reader expects them.
using Json = nlohmann::ordered_json;

namespace {

// Bytes as the disc holds them, each a character of its own (Latin-1), so
// that any byte makes valid UTF-8 and is escaped on the way out.
Json Text(std::string_view bytes)
{
    std::string utf8;
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (u >> 6));
            utf8 += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return utf8;
}

Json EntryJson(const DirEntry& e)
{
    // The sequence number is two BCD digits, read as the listings show them.
    return {{"name", Text(e.name)},
            {"attributes", AttributeLetters(e)},
            {"sequence", (e.sequence >> 4) * 10 + (e.sequence & 0x0F)},
            {"load", e.load},
            {"exec", e.exec},
            {"length", e.length},
            {"sector", e.start.Value()},
            {"directory", e.D}};
}

Json TreeJson(const views::TreeNode& node)
{
    Json children = Json::array();
    for (const views::TreeNode& child : node.children)
        children.push_back(TreeJson(child));
    return {{"name", Text(node.name)}, {"sector", node.sector.Value()}, {"children", std::move(children)}};
}

// The dump escapes bytes below 0x20 and those above 0x7F, but some of the
// former by letter (\n) and 0x7F not at all; each becomes \u00XX here.
void Print(const Json& doc)
{
    const std::string dumped = doc.dump(-1, ' ', true);
    std::string out;
    out.reserve(dumped.size() + 1);
    constexpr std::string_view kLetters = "btnfr", kCodes = "\b\t\n\f\r";
    for (std::size_t i = 0; i < dumped.size(); ++i) {
        const char c = dumped[i];
        // A backslash is always followed by the character it escapes.
        const std::size_t letter = c == '\\' ? kLetters.find(dumped[i + 1]) : std::string_view::npos;
        if (c == '\x7F' || letter != std::string_view::npos) {
            const auto code = static_cast<unsigned>(c == '\x7F' ? c : kCodes[letter]);
            out += "\\u00";
            out += "0123456789abcdef"[code >> 4];
            out += "0123456789abcdef"[code & 15];
            i += c == '\\';
        } else {
            out += c;
            if (c == '\\')
                out += dumped[++i];
        }
    }
    out += '\n';
    WriteStdout(std::span(reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
}

} // namespace

bool MapChecksumsHold(const Disc& disc)
{
    return disc.At(map::kChecksum0) == MapChecksum(disc, 0) &&
           disc.At(map::kChecksum1) == MapChecksum(disc, kSectorSize);
}

void PrintInfoJson(const Disc& disc)
{
    std::int64_t free = 0;
    for (const MapRun& r : disc.map.runs)
        free += r.Length;
    const std::uint8_t boot = disc.At(map::kBootOption);
    Print({{"freeBytes", free * kSectorSize},
           {"usedBytes", (std::int64_t{disc.DiscSizeField()} - free) * kSectorSize},
           {"discSectors", disc.DiscSizeField()},
           {"bootOption", boot},
           {"bootOptionName", boot < kBootOptionNames.size() ? Json(kBootOptionNames[boot]) : Json()},
           {"freeRuns", disc.map.Count()},
           {"mapChecksumsHold", MapChecksumsHold(disc)}});
}

void PrintTreeJson(const views::TreeNode& root)
{
    Print(TreeJson(root));
}

void PrintLsJson(const Disc& disc, SectorAddress dir, const std::string& path)
{
    Json entries = Json::array();
    for (const ListedEntry& listed : ListEntries(disc, dir))
        entries.push_back(EntryJson(listed.entry));
    Print({{"directory", Text(path)}, {"entries", std::move(entries)}});
}

void PrintFindJson(std::string_view pattern, const std::string& path, const std::vector<FoundEntry>& found)
{
    Json matches = Json::array();
    for (const FoundEntry& f : found) {
        Json match = {{"path", Text(f.path)}};
        match.update(EntryJson(f.listed.entry));
        matches.push_back(std::move(match));
    }
    Print({{"pattern", Text(pattern)}, {"directory", Text(path)}, {"matches", std::move(matches)}});
}

void PrintCheckJson(const std::vector<std::string>& problems)
{
    Json lines = Json::array();
    for (const std::string& line : problems)
        lines.push_back(Text(line));
    Print({{"problems", std::move(lines)}});
}

void PrintMapJson(const Disc& disc)
{
    Json runs = Json::array();
    for (const MapRun& run : disc.map.runs)
        runs.push_back({{"start", run.Start}, {"length", run.Length}});
    Print({{"runs", std::move(runs)}});
}

} // namespace marlin::cli
