#include "support/test_disc.h"

#include <tuple>

#include "image/check.h"
#include "image/entry_ops.h"
#include "image/image_file.h"

namespace marlin::test {

using namespace marlin::image;

int AddFile(Disc& disc, SectorAddress dir, std::string_view name, const std::vector<std::uint8_t>& data,
            std::uint32_t load, std::uint32_t exec, std::string_view attributes)
{
    const auto has = [&](char c) { return attributes.find(c) != std::string_view::npos; };
    DirEntry entry;
    entry.name = std::string(name);
    std::tie(entry.R, entry.W, entry.L, entry.load, entry.exec) = std::tuple(has('R'), has('W'), has('L'), load, exec);
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

std::vector<std::string> ConsistencyProblems(const Disc& disc)
{
    // The checker reads the image, the on-disc map included; what it cannot
    // see is the working copy. Sectors neither free nor used are left by
    // design (a sidecar shorter than its file, a map too full to take a run
    // back), so they are not counted.
    std::vector<std::string> problems = Check(disc);
    std::erase_if(problems, [](const std::string& p) { return p.starts_with("Lost space"); });
    Disc reread = disc;
    ReadFreeSpaceMap(reread);
    if (reread.map != disc.map)
        problems.push_back("the working map differs from the one on the disc");
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
