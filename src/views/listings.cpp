#include "views/listings.h"

#include <functional>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/walk_guard.h"
#include "views/format.h"

namespace marlin::views {

using namespace marlin::image;

namespace {

constexpr char kCR = '\r';

// Filled with spaces to width, or cut to it.
std::string Fixed(std::string text, std::size_t width)
{
    text.resize(width, ' ');
    return text;
}

// Boot option names are four wide; a value with no name (4 and above, only
// on a damaged or foreign disc) shows the empty name.
std::string BootOptionName(std::uint8_t option)
{
    return option < kBootOptionNames.size() ? Fixed(std::string(kBootOptionNames[option]), 4) : "";
}

// Name, attributes and sequence number: the 20 columns both listings share.
std::string EntryField(const Disc& disc, SectorAddress dir, int slot)
{
    const std::uint64_t e = EntryOffset(dir, slot);
    return Fixed(GetEntryName(disc, dir, slot), 10) + " " + Fixed(AttributeString(disc, e), 3) + "(" +
           HexByte(disc, e + entry::kSequence) + ")  ";
}

// Four catalogue fields per line; the block ends with an empty line.
void CatalogueEntries(const Disc& disc, SectorAddress dir, TextSink& sink)
{
    std::string out;
    bool endedLine = false;
    for (int i = 0; i < dir::kSlots && !SlotIsEmpty(disc, dir, i); ++i) {
        out += EntryField(disc, dir, i);
        endedLine = (i + 1) % 4 == 0;
        if (endedLine)
            out += kCR;
    }
    if (!endedLine)
        out += kCR;
    out += kCR;
    sink.Write(out);
}

// One line per entry: a directory shows its start sector, a file its load
// and execution addresses, length and start sector.
void ExamineEntries(const Disc& disc, SectorAddress dir, TextSink& sink)
{
    std::string out;
    for (int i = 0; i < dir::kSlots && !SlotIsEmpty(disc, dir, i); ++i) {
        const std::uint64_t e = EntryOffset(dir, i);
        out += EntryField(disc, dir, i);
        if (!(disc.At(e + entry::kAttrD) & 0x80)) {
            out += HexLong(disc, e + entry::kLoad) + "  ";
            out += HexLong(disc, e + entry::kExec) + "  ";
            out += HexLong(disc, e + entry::kLength) + "  ";
        }
        out += HexTriple(disc, e + entry::kStart);
        out += kCR;
    }
    sink.Write(out);
}

enum class Kind { Cat, Ex };

struct RecursiveListing {
    const Disc& disc;
    Kind kind;
    TextSink& out;
    WalkGuard guard{disc};

    void List(SectorAddress sector, const std::string& path, int depth)
    {
        if (!IsDirectory(disc, sector)) {
            out.Write(kNotADirectory);
            return;
        }
        // A damaged image may list a directory twice or inside itself; list
        // each directory once, and, as the tree, only where its own
        // subdirectories would not be nested too deep.
        if (!WalkGuard::DepthAllowed(depth + 1) || guard.Entered(sector))
            return;
        guard.Enter(sector);
        const std::string stars(40, '*');
        out.Write(stars + kCR + path + kCR + stars + kCR);
        out.Write(ShowHeader(disc, sector));
        if (kind == Kind::Cat) {
            CatalogueEntries(disc, sector, out);
        } else {
            ExamineEntries(disc, sector, out);
            out.Write("\r");
        }
        // Every slot with a name byte and the D bit, even past the end slot.
        for (int i = 0; i < dir::kSlots; ++i) {
            const std::uint64_t e = EntryOffset(sector, i);
            if ((disc.At(e) & 0x7F) == 0 || !(disc.At(e + entry::kAttrD) & 0x80))
                continue;
            const SectorAddress child(disc.Read24(e + entry::kStart));
            List(child, path + "." + GetDirectoryName(disc, child), depth + 1);
        }
    }
};

// One directory's listing: the header, then the entries as the kind lists them.
void WriteSingle(const Disc& disc, SectorAddress sector, Kind kind, TextSink& sink)
{
    if (!IsDirectory(disc, sector)) {
        sink.Write(kNotADirectory);
        return;
    }
    sink.Write(ShowHeader(disc, sector));
    if (kind == Kind::Cat)
        CatalogueEntries(disc, sector, sink);
    else
        ExamineEntries(disc, sector, sink);
}

void WriteRecursive(const Disc& disc, SectorAddress sector, std::string_view path, Kind kind, TextSink& sink)
{
    RecursiveListing listing{disc, kind, sink};
    listing.List(sector, std::string(path), 0);
}

// A listing as a view: made whole (its size follows the directories), then
// shown a line at a time.
View Made(const char* title, std::string viewName, const std::function<void(TextSink&)>& write)
{
    StringSink text;
    write(text);
    return {title, std::move(viewName), std::make_unique<StringLines>(std::move(text.text))};
}

} // namespace

std::string ShowHeader(const Disc& disc, SectorAddress sector)
{
    const std::uint64_t d = sector.ByteOffset();
    std::string out;
    out += Fixed(GetDirectoryTitle(disc, sector), 19) + " (" + HexByte(disc, d + dir::kSequence) + ")" + kCR;
    out += Fixed("Drive:0", 19) + " Option " + HexByte(disc, map::kBootOption) + " (" +
           BootOptionName(disc.At(map::kBootOption)) + ")" + kCR;
    out += Fixed("Dir. " + GetDirectoryName(disc, sector), 19) + " Lib. \"Unset\"" + kCR;
    out += kCR;
    return out;
}

void WriteCat(const Disc& disc, SectorAddress sector, TextSink& sink)
{
    WriteSingle(disc, sector, Kind::Cat, sink);
}

void WriteEx(const Disc& disc, SectorAddress sector, TextSink& sink)
{
    WriteSingle(disc, sector, Kind::Ex, sink);
}

void WriteCatAll(const Disc& disc, SectorAddress sector, std::string_view path, TextSink& sink)
{
    WriteRecursive(disc, sector, path, Kind::Cat, sink);
}

void WriteExAll(const Disc& disc, SectorAddress sector, std::string_view path, TextSink& sink)
{
    WriteRecursive(disc, sector, path, Kind::Ex, sink);
}

void WriteMap(const Disc& disc, TextSink& sink)
{
    std::string out = "Address : Length\r";
    for (const MapRun& run : disc.map.runs)
        out += FixedHex(run.Start, 6) + "  : " + FixedHex(run.Length, 6) + kCR;
    sink.Write(out);
}

View ShowCat(const Disc& disc, SectorAddress sector)
{
    return Made("*CAT", GetDirectoryName(disc, sector), [&](TextSink& sink) { WriteCat(disc, sector, sink); });
}

View ShowEx(const Disc& disc, SectorAddress sector)
{
    return Made("*EX", GetDirectoryName(disc, sector), [&](TextSink& sink) { WriteEx(disc, sector, sink); });
}

View ShowCatAll(const Disc& disc, SectorAddress sector, std::string_view path)
{
    return Made("*CATALL", GetDirectoryName(disc, sector),
                [&](TextSink& sink) { WriteCatAll(disc, sector, path, sink); });
}

View ShowExAll(const Disc& disc, SectorAddress sector, std::string_view path)
{
    return Made("*EXALL", GetDirectoryName(disc, sector),
                [&](TextSink& sink) { WriteExAll(disc, sector, path, sink); });
}

View ShowCatAll(const Disc& disc, SectorAddress sector)
{
    return ShowCatAll(disc, sector, GetDirectoryName(disc, sector));
}

View ShowExAll(const Disc& disc, SectorAddress sector)
{
    return ShowExAll(disc, sector, GetDirectoryName(disc, sector));
}

View ShowMap(const Disc& disc)
{
    return Made("Free Disc Space Map", "FreeSpace", [&](TextSink& sink) { WriteMap(disc, sink); });
}

} // namespace marlin::views
