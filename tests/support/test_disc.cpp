#include "support/test_disc.h"

#include <algorithm>
#include <cstring>
#include <set>

#include <gtest/gtest.h>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"

namespace marlin::test {

using namespace marlin::image;

int AddFile(Disc& disc, SectorAddress dir, std::string_view name, const std::vector<std::uint8_t>& data,
            std::uint32_t load, std::uint32_t exec, std::string_view attributes)
{
    DirEntry entry;
    entry.name = std::string(name);
    entry.R = attributes.find('R') != std::string_view::npos;
    entry.W = attributes.find('W') != std::string_view::npos;
    entry.L = attributes.find('L') != std::string_view::npos;
    entry.load = load;
    entry.exec = exec;
    entry.length = static_cast<std::uint32_t>(data.size());
    SilentSink sink;
    const auto start = CreateFile(disc, dir, entry, data, sink);
    return start.Done() ? static_cast<int>(start->Value()) : -1;
}

SectorAddress MakeDir(Disc& disc, SectorAddress parent, std::string_view name)
{
    CollectingSink sink;
    const auto d = CreateDirectory(disc, parent, name, sink);
    EXPECT_TRUE(d.Done()) << name << (sink.messages.empty() ? "" : ": " + sink.messages.front());
    return d.Done() ? *d : kRoot;
}

DirEntry EntryNamed(const Disc& disc, SectorAddress dir, std::string_view name)
{
    const int slot = FindEntry(disc, dir, name);
    EXPECT_GE(slot, 0) << name;
    return slot < 0 ? DirEntry{} : ReadEntry(disc, dir, slot);
}

void SetStart(Disc& disc, SectorAddress dir, std::string_view name, std::uint32_t start)
{
    const int slot = FindEntry(disc, dir, name);
    ASSERT_GE(slot, 0) << name;
    disc.Write24(EntryOffset(dir, slot) + entry::kStart, start);
}

namespace {

struct Extent {
    std::uint64_t start, length;
    std::string what;
};

void Walk(const Disc& disc, SectorAddress dir, const std::string& path, std::set<std::uint32_t>& onPath,
          std::vector<Extent>& extents, std::vector<std::string>& problems)
{
    if (!IsDirectory(disc, dir)) {
        problems.push_back(path + ": directory block unsigned or outside the disc");
        return;
    }
    if (!onPath.insert(dir.Value()).second) {
        problems.push_back(path + ": directory lists itself or an ancestor");
        return;
    }
    const std::uint64_t d = dir.ByteOffset();
    if (disc.At(d + dir::kSequence) != disc.At(d + dir::kSequenceCopy))
        problems.push_back(path + ": sequence copies differ");
    if (std::memcmp(disc.Image().data() + d + dir::kSignature2, kSignature, 4) != 0)
        problems.push_back(path + ": second signature missing");
    std::string previous;
    const int count = EntryCount(disc, dir);
    for (int i = 0; i < count; ++i) {
        const DirEntry e = ReadEntry(disc, dir, i);
        const std::string upper = UpperName(e.name);
        if (i > 0 && !(previous < upper))
            problems.push_back(path + ": entries out of order at " + e.name);
        previous = upper;
        const std::string child = path + "." + e.name;
        if (e.D) {
            extents.push_back({e.start.Value(), dir::kBlockSectors, child});
            if (disc.Read24(e.start.ByteOffset() + dir::kParent) != dir.Value())
                problems.push_back(child + ": parent field wrong");
            Walk(disc, e.start, child, onPath, extents, problems);
        } else {
            extents.push_back({e.start.Value(), SectorCount(e.length), child});
        }
    }
    for (int i = count; i < dir::kSlots; ++i)
        for (std::size_t k = 0; k < dir::kSlotSize; ++k)
            if (disc.At(EntryOffset(dir, i) + k) != 0) {
                problems.push_back(path + ": slot after the end not clear");
                i = dir::kSlots;
                break;
            }
    onPath.erase(dir.Value());
}

} // namespace

std::vector<std::string> ConsistencyProblems(const Disc& disc)
{
    std::vector<std::string> problems;
    const std::uint64_t sectors = disc.DiscSizeField();
    if (disc.At(map::kChecksum0) != MapChecksum(disc, 0))
        problems.push_back("map checksum 0");
    if (disc.At(map::kChecksum1) != MapChecksum(disc, kSectorSize))
        problems.push_back("map checksum 1");
    if (disc.At(map::kEndPointer) != disc.map.Count() * 3)
        problems.push_back("end pointer does not match the working map");
    std::vector<Extent> extents{{0, 2, "map"}, {kRootSector, dir::kBlockSectors, "$"}};
    for (int i = 0; i < disc.map.Count(); ++i) {
        const MapRun& r = disc.map.runs[static_cast<std::size_t>(i)];
        if (disc.Read24(map::kStarts + 3 * static_cast<std::uint64_t>(i)) != r.Start ||
            disc.Read24(map::kLengths + 3 * static_cast<std::uint64_t>(i)) != r.Length)
            problems.push_back("on-disc map differs from the working copy at run " + std::to_string(i));
        if (r.Length == 0)
            problems.push_back("empty free run " + std::to_string(i));
        if (i > 0) {
            const MapRun& p = disc.map.runs[static_cast<std::size_t>(i - 1)];
            if (p.Start + p.Length >= r.Start)
                problems.push_back("free runs out of order, overlapping or unmerged at " + std::to_string(i));
        }
        extents.push_back({r.Start, r.Length, "free run " + std::to_string(i)});
    }
    std::set<std::uint32_t> onPath;
    Walk(disc, kRoot, "$", onPath, extents, problems);
    std::sort(extents.begin(), extents.end(), [](const Extent& a, const Extent& b) { return a.start < b.start; });
    for (std::size_t i = 0; i < extents.size(); ++i) {
        if (extents[i].start + extents[i].length > sectors)
            problems.push_back(extents[i].what + " reaches past the disc's end");
        if (i > 0 && extents[i - 1].start + extents[i - 1].length > extents[i].start)
            problems.push_back(extents[i - 1].what + " overlaps " + extents[i].what);
    }
    return problems;
}

Disc SampleDisc()
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    const bool made = AddFile(disc, kRoot, "ALPHA", std::vector<std::uint8_t>(300, 1), 0x1900, 0x8023, "WR") == 7 &&
                      *CreateDirectory(disc, kRoot, "Games", sink) == SectorAddress(9) &&
                      AddFile(disc, SectorAddress(9), "Elite", std::vector<std::uint8_t>(5000, 2), 0xFFFF0E00,
                              0xFFFF0E23, "LR") == 14 &&
                      AddFile(disc, kRoot, "beta", {}, 0, 0, "R") == 34;
    EXPECT_TRUE(made) << "the sample disc was not laid out as its golden texts expect";
    return disc;
}

std::uint8_t NextBcd(std::uint8_t b)
{
    const int v = (10 * (b >> 4) + (b & 15) + 1) % 100;
    return static_cast<std::uint8_t>(16 * (v / 10) + v % 10);
}

std::vector<std::uint8_t> Bytes(std::string_view text)
{
    return {text.begin(), text.end()};
}

} // namespace marlin::test
