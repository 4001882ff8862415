// Model-based test: seeded random sequences of every editing operation on
// discs of several sizes, checked after each step against a plain model of
// the tree (names, attributes, sequence numbers, titles, file bytes) and the
// consistency checker. Set MARLIN_MODEL_SEED to replay one seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <tuple>

#include "image/compaction.h"
#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using test::NextBcd;

struct MDir;

struct MEntry {
    std::string name;
    bool R = false, W = false, L = false;
    std::uint8_t seq = 0;
    std::uint32_t load = 0, exec = 0;
    std::vector<std::uint8_t> data;
    std::unique_ptr<MDir> dir; // set for a directory
    bool IsDir() const { return dir != nullptr; }
};

struct MDir {
    std::uint8_t master = 1;
    std::string title;
    std::vector<MEntry> entries; // in directory order
};

int Find(const MDir& d, std::string_view name)
{
    for (std::size_t i = 0; i < d.entries.size(); ++i)
        if (SameName(d.entries[i].name, name))
            return static_cast<int>(i);
    return -1;
}

// The sorted place: before the first entry whose upper-case name is greater.
void InsertSorted(MDir& d, MEntry e)
{
    const std::string key = UpperName(e.name);
    auto it =
        std::find_if(d.entries.begin(), d.entries.end(), [&](const MEntry& x) { return UpperName(x.name) > key; });
    d.entries.insert(it, std::move(e));
}

bool Legal(std::string_view text, std::string_view refused)
{
    for (char c : text) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 32 || code > 127 || refused.find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

using Messages = std::vector<std::string>;

bool ModelDeleteEntry(MDir& d, const std::string& name, bool isDir, bool ignoreLock, Messages& said)
{
    const int i = Find(d, name);
    if (i < 0)
        return false;
    const MEntry& e = d.entries[static_cast<std::size_t>(i)];
    if (!ignoreLock && e.L) {
        said.push_back((isDir ? "Cannot Delete Locked Directory : " : "Cannot Delete Locked File : ") + name);
        return true;
    }
    if (isDir && e.dir && !e.dir->entries.empty()) {
        said.push_back("Cannot Delete Non Empty Directory : " + name);
        return true;
    }
    d.master = NextBcd(d.master);
    d.entries.erase(d.entries.begin() + i);
    return false;
}

bool ModelDeleteDirectory(MDir* parent, MDir& d, const std::string& name, bool ignoreLock, bool recurse, Messages& said)
{
    bool result = false;
    while (recurse && !d.entries.empty()) {
        MEntry& first = d.entries.front();
        const std::string firstName = first.name;
        result = first.IsDir() ? ModelDeleteDirectory(&d, *first.dir, firstName, ignoreLock, recurse, said)
                               : ModelDeleteEntry(d, firstName, false, ignoreLock, said);
        if (result)
            break;
    }
    if (!result && parent)
        result = ModelDeleteEntry(*parent, name, true, ignoreLock, said);
    return result;
}

// Compaction exactly as the filing system's own tool did it: recursive
// collection, exchange sort, byte-at-a-time copy, linear parent updates.
void ReferenceCompact(Disc& disc)
{
    struct Rec {
        std::string Name;
        int Kind;
        std::uint32_t Parent, Start, Sectors;
    };
    std::vector<Rec> t;
    std::function<void(std::uint32_t)> collect = [&](std::uint32_t dir) {
        const SectorAddress d(dir);
        t.push_back({GetDirectoryName(disc, d), 0, disc.Read24(d.ByteOffset() + dir::kParent), dir, 5});
        if (!IsDirectory(disc, d))
            return;
        for (int i = 0; i < dir::kSlots && !SlotIsEmpty(disc, d, i); ++i) {
            const DirEntry e = ReadEntry(disc, d, i);
            if (e.D)
                collect(e.start.Value());
            else
                t.push_back({e.name, 1, dir, e.start.Value(), SectorCount(e.length)});
        }
    };
    collect(kRootSector);
    for (std::size_t i = 0; i + 1 < t.size(); ++i)
        for (std::size_t j = i + 1; j < t.size(); ++j)
            if (t[j].Start < t[i].Start)
                std::swap(t[i], t[j]);
    std::uint32_t next = 7;
    for (std::size_t i = 1; i < t.size(); ++i) {
        const std::uint32_t old = t[i].Start;
        if (old != next) {
            for (std::size_t b = 0; b < t[i].Sectors * kSectorSize; ++b)
                disc.WritableImage()[next * kSectorSize + b] = disc.Image()[old * kSectorSize + b];
            const int k = FindEntry(disc, SectorAddress(t[i].Parent), t[i].Name);
            if (k != -1) {
                disc.Write24(EntryOffset(SectorAddress(t[i].Parent), k) + entry::kStart, next);
                t[i].Start = next;
            }
            if (t[i].Kind == 0)
                for (std::size_t j = 1; j < t.size(); ++j)
                    if (t[j].Parent == old)
                        t[j].Parent = next;
        }
        next += t[i].Sectors;
    }
    for (std::size_t i = 1; i < t.size(); ++i)
        if (t[i].Kind == 0)
            disc.Write24(SectorAddress(t[i].Start).ByteOffset() + dir::kParent, t[i].Parent);
    const std::uint32_t s = disc.DiscSizeField();
    disc.Write24(0, next);
    disc.Write24(256, s - next);
    disc.Set(510, 3);
    disc.Set(255, MapChecksum(disc, 0));
    disc.Set(511, MapChecksum(disc, 256));
    ReadFreeSpaceMap(disc);
}

// A blank disc of any number of sectors (the smallest New makes is 4096).
Disc BlankDisc(std::uint32_t sectors)
{
    Disc disc = NewDisc(16);
    disc.WritableImage().resize(std::size_t{sectors} * kSectorSize);
    disc.Write24(map::kDiscSize, sectors);
    disc.map.runs = {{7, sectors - 7}};
    WriteFreeSpaceMap(disc);
    return disc;
}

class ModelRun {
public:
    ModelRun(std::uint32_t sectors, unsigned seed) : m_disc(BlankDisc(sectors)), m_rng(seed), m_seed(seed)
    {
        m_root.title = "$";
    }

    void Go(int steps)
    {
        for (int step = 0; step < steps && !::testing::Test::HasFatalFailure(); ++step) {
            m_before = m_disc.Image();
            m_expected.clear();
            m_refused = false;
            const int op = Pick(100);
            if (op < 18)
                MakeDirectory();
            else if (op < 45)
                WriteFile();
            else if (op < 57)
                Rename();
            else if (op < 65)
                Attributes();
            else if (op < 70)
                Title();
            else if (op < 93)
                Delete();
            else
                Compact();
            Check();
        }
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool Coin() { return Pick(2) == 1; }

    std::string Where() const
    {
        std::ostringstream s;
        s << "seed " << m_seed << ", disc of " << m_disc.DiscSizeField() << " sectors, steps:";
        for (std::size_t i = 0; i < m_log.size(); ++i)
            s << "\n  " << i << ": " << m_log[i];
        return s.str();
    }

    std::string NewName()
    {
        static const char* kNames[] = {"a",    "A",    "b",     "Bb",         "cat", "Cat", "dog",
                                       "Dir1", "dir2", "Games", "LongNameXY", "z_~", "Q9",  "m",
                                       "N",    "Zz",   "ELITE", "elite2",     "x1",  "Y"};
        return kNames[Pick(static_cast<int>(std::size(kNames)))];
    }

    // Every directory of the model with the disc sector it lives at.
    struct Place {
        MDir* dir;
        MDir* parent;
        SectorAddress sector, parentSector;
        std::string path;
    };
    std::vector<Place> Directories()
    {
        std::vector<Place> out{{&m_root, nullptr, kRoot, kRoot, "$"}};
        for (std::size_t i = 0; i < out.size(); ++i) {
            const Place p = out[i];
            for (MEntry& e : p.dir->entries) {
                if (!e.IsDir())
                    continue;
                const int slot = FindEntry(m_disc, p.sector, e.name);
                EXPECT_GE(slot, 0) << p.path << "." << e.name;
                if (slot < 0)
                    continue;
                out.push_back(
                    {e.dir.get(), p.dir, ReadEntry(m_disc, p.sector, slot).start, p.sector, p.path + "." + e.name});
            }
        }
        return out;
    }
    Place AnyDirectory()
    {
        auto all = Directories();
        return all[static_cast<std::size_t>(Pick(static_cast<int>(all.size())))];
    }
    // A directory with at least one entry, or the root when all are empty.
    Place AnyFilledDirectory()
    {
        auto all = Directories();
        std::vector<Place> filled;
        for (const Place& p : all)
            if (!p.dir->entries.empty())
                filled.push_back(p);
        if (filled.empty())
            return all.front();
        return filled[static_cast<std::size_t>(Pick(static_cast<int>(filled.size())))];
    }

    std::uint32_t MaxFileBytes() const { return m_disc.DiscSizeField() * 256 / 8; }

    void MakeDirectory()
    {
        const Place p = AnyDirectory();
        const std::string name = NewName();
        m_log.push_back("mkdir " + p.path + " " + name);
        if (FindFreeRun(m_disc, 1280) < 0)
            Refuse("Not Enough Free Contiguous Space on Disc");
        else if (p.dir->entries.size() == 47)
            Refuse("Directory Full");
        else if (Find(*p.dir, name) >= 0)
            Refuse("Directory " + name + " Already Exists");
        CollectingSink sink;
        const auto made = CreateDirectory(m_disc, p.sector, name, sink);
        m_said = sink.messages;
        EXPECT_EQ(made.Done(), !m_refused) << Where();
        if (m_refused)
            return;
        p.dir->master = NextBcd(p.dir->master);
        MEntry e;
        e.name = name;
        e.R = e.W = true;
        e.seq = p.dir->master;
        e.dir = std::make_unique<MDir>();
        e.dir->title = name;
        InsertSorted(*p.dir, std::move(e));
    }

    void WriteFile()
    {
        const Place p = AnyDirectory();
        const std::string name = NewName();
        const std::uint32_t size = Pick(4) == 0 ? static_cast<std::uint32_t>(Pick(3) * 128)
                                                : static_cast<std::uint32_t>(Pick(static_cast<int>(MaxFileBytes())));
        std::vector<std::uint8_t> data(size);
        std::uint32_t x = static_cast<std::uint32_t>(m_rng()) | 1;
        for (auto& b : data) { // xorshift: random enough, and cheap for 100 KB files
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<std::uint8_t>(x);
        }
        const std::string attributes = std::string(Coin() ? "L" : "") + (Coin() ? "W" : "") + (Coin() ? "R" : "");
        const auto load = static_cast<std::uint32_t>(m_rng()), exec = static_cast<std::uint32_t>(m_rng());
        m_log.push_back("file " + p.path + " " + name + " " + std::to_string(size) + " bytes " + attributes);
        // The import helper says nothing; its result tells the refusal.
        const bool refuse = FindFreeRun(m_disc, size) < 0 || p.dir->entries.size() == 47 || Find(*p.dir, name) >= 0;
        const int start = test::AddFile(m_disc, p.sector, name, data, load, exec, attributes);
        EXPECT_EQ(start < 0, refuse) << Where();
        m_refused = refuse;
        if (refuse)
            return;
        p.dir->master = NextBcd(p.dir->master);
        MEntry e;
        e.name = name;
        e.R = attributes.find('R') != std::string::npos;
        e.W = attributes.find('W') != std::string::npos;
        e.L = attributes.find('L') != std::string::npos;
        e.seq = p.dir->master;
        e.load = load;
        e.exec = exec;
        e.data = std::move(data);
        InsertSorted(*p.dir, std::move(e));
    }

    // An existing entry's name in a random case, or sometimes a missing one.
    std::string TargetName(const MDir& d)
    {
        if (d.entries.empty() || Pick(10) == 0)
            return "nothere";
        std::string name = d.entries[static_cast<std::size_t>(Pick(static_cast<int>(d.entries.size())))].name;
        for (char& c : name)
            if (Coin() && c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 32);
        return name;
    }

    void Rename()
    {
        const Place p = AnyFilledDirectory();
        const std::string old = TargetName(*p.dir);
        static const char* kOdd[] = {"a b", "x.y", "", "ABCDEFGHIJKLMN", "e-f", "g$", "h^", "del\x7f", "Hi\x80"};
        const std::string wanted = Pick(4) == 0 ? kOdd[Pick(static_cast<int>(std::size(kOdd)))] : NewName();
        const bool ignoreLock = Coin();
        m_log.push_back("rename " + p.path + "." + old + " to '" + wanted + "'" + (ignoreLock ? "" : " keep-locked"));
        const int i = Find(*p.dir, old);
        const std::string cut = wanted.substr(0, 10);
        if (i < 0) {
            m_refused = true;
        } else if (MEntry& e = p.dir->entries[static_cast<std::size_t>(i)]; !ignoreLock && e.L) {
            Refuse((e.IsDir() ? "Cannot Rename Locked Directory : " : "Cannot Rename Locked File : ") + old);
        } else if (Find(*p.dir, cut) >= 0) {
            Refuse(cut + " Already Exists");
        } else if (cut.empty() || !Legal(cut, " -.:*#$&@^")) {
            Refuse("File " + cut + " Contains Illegal Characters");
        }
        CollectingSink sink;
        EXPECT_EQ(RenameEntry(m_disc, old, wanted, p.sector, ignoreLock, sink) == Status::Refused, m_refused)
            << Where();
        m_said = sink.messages;
        if (m_refused)
            return;
        MEntry e = std::move(p.dir->entries[static_cast<std::size_t>(i)]);
        p.dir->entries.erase(p.dir->entries.begin() + i);
        p.dir->master = NextBcd(p.dir->master);
        e.name = cut;
        e.seq = p.dir->master;
        InsertSorted(*p.dir, std::move(e));
    }

    void Attributes()
    {
        const Place p = AnyFilledDirectory();
        const std::string name = TargetName(*p.dir);
        const bool r = Coin(), w = Coin(), l = Coin();
        m_log.push_back("attrib " + p.path + "." + name + " " + (r ? "R" : "") + (w ? "W" : "") + (l ? "L" : ""));
        const int i = Find(*p.dir, name);
        EXPECT_EQ(SetAttributes(m_disc, p.sector, name, r, w, l) == Status::Done, i >= 0) << Where();
        m_refused = i < 0;
        if (i < 0)
            return;
        MEntry& e = p.dir->entries[static_cast<std::size_t>(i)];
        p.dir->master = NextBcd(p.dir->master);
        e.R = r;
        e.W = w;
        e.L = l;
        e.seq = p.dir->master;
    }

    void Title()
    {
        const Place p = AnyDirectory();
        static const char* kTitles[] = {
            "", "Games", "My Disc Of Things 12345", "v1.0", "Tab\there", "Nineteen chars abcd", "A_~!", "ok then"};
        const std::string title = kTitles[Pick(static_cast<int>(std::size(kTitles)))];
        m_log.push_back("title " + p.path + " '" + title + "'");
        const std::string cut = title.substr(0, 19);
        if (!Legal(cut, "-.:*#$&@^"))
            Refuse("Title " + cut + " Contains Illegal Characters");
        CollectingSink sink;
        EXPECT_EQ(SetDirectoryTitle(m_disc, p.sector, title, sink) == Status::Refused, m_refused) << Where();
        m_said = sink.messages;
        if (m_refused)
            return;
        p.dir->master = NextBcd(p.dir->master);
        p.dir->title = cut;
    }

    void Delete()
    {
        const bool ignoreLock = Coin(), recurse = Coin();
        const std::string options = std::string(ignoreLock ? "" : " keep-locked") + (recurse ? "" : " keep-nonempty");
        Messages said;
        bool refused = false;
        CollectingSink sink;
        bool actual = false;
        if (Pick(15) == 0) {
            m_log.push_back("delete $" + options);
            refused = ModelDeleteDirectory(nullptr, m_root, "$", ignoreLock, recurse, said);
            actual = DeleteDirectory(m_disc, std::nullopt, kRoot, "$", ignoreLock, recurse, sink) == Status::Refused;
        } else {
            const Place p = AnyFilledDirectory();
            const int i = Find(*p.dir, TargetName(*p.dir));
            if (i < 0)
                return;
            MEntry& e = p.dir->entries[static_cast<std::size_t>(i)];
            const std::string name = e.name;
            m_log.push_back("delete " + p.path + "." + name + options);
            if (e.IsDir()) {
                const SectorAddress sub(ReadEntry(m_disc, p.sector, FindEntry(m_disc, p.sector, name)).start);
                refused = ModelDeleteDirectory(p.dir, *e.dir, name, ignoreLock, recurse, said);
                actual = DeleteDirectory(m_disc, p.sector, sub, name, ignoreLock, recurse, sink) == Status::Refused;
            } else {
                refused = ModelDeleteEntry(*p.dir, name, false, ignoreLock, said);
                actual = DeleteEntry(m_disc, p.sector, name, false, ignoreLock, sink) == Status::Refused;
            }
        }
        EXPECT_EQ(actual, refused) << Where();
        m_expected = said;
        m_said = sink.messages;
        // A walk may stop part-way, so no "unchanged" check here.
    }

    void Compact()
    {
        m_log.push_back("compact");
        Disc reference = m_disc;
        ReferenceCompact(reference);
        CollectingSink sink;
        EXPECT_EQ(CompactDisc(m_disc, sink), Status::Done) << Where();
        m_said = sink.messages;
        std::uint32_t used = 7;
        for (const Place& p : Directories()) {
            if (p.dir != &m_root)
                used += 5;
            for (const MEntry& e : p.dir->entries)
                if (!e.IsDir())
                    used += SectorCount(static_cast<std::uint32_t>(e.data.size()));
        }
        const std::uint32_t size = m_disc.DiscSizeField();
        if (used < size) {
            EXPECT_EQ(m_disc.map.runs, (std::vector<MapRun>{{used, size - used}})) << Where();
            EXPECT_EQ(m_disc.Image(), reference.Image()) << Where();
        } else {
            // The one place the result differs on purpose: no empty run.
            EXPECT_EQ(m_disc.map.Count(), 0) << Where();
            EXPECT_TRUE(
                std::equal(reference.Image().begin() + 512, reference.Image().end(), m_disc.Image().begin() + 512))
                << Where();
        }
        const auto once = m_disc.Image();
        EXPECT_EQ(CompactDisc(m_disc, sink), Status::Done) << Where();
        EXPECT_EQ(m_disc.Image(), once) << "second compaction changed the disc\n" << Where();
    }

    void Refuse(std::string message)
    {
        m_refused = true;
        m_expected.push_back(std::move(message));
    }

    void Check()
    {
        EXPECT_EQ(m_said, m_expected) << Where();
        m_said.clear();
        if (m_refused) {
            EXPECT_EQ(m_disc.Image(), m_before) << "a refusal changed the disc\n" << Where();
        }
        const auto problems = test::ConsistencyProblems(m_disc);
        for (const auto& problem : problems)
            ADD_FAILURE() << problem << "\n" << Where();
        if (!problems.empty()) {
            FAIL();
        }
        CompareDirectory(m_root, kRoot, 0, "$");
    }

    void CompareDirectory(const MDir& d, SectorAddress sector, std::uint32_t parent, const std::string& path)
    {
        const std::uint64_t at = sector.ByteOffset();
        ASSERT_EQ(m_disc.At(at), d.master) << path << "\n" << Where();
        ASSERT_EQ(GetDirectoryTitle(m_disc, sector), d.title) << path << "\n" << Where();
        if (sector != kRoot) {
            ASSERT_EQ(m_disc.Read24(at + dir::kParent), parent) << path << "\n" << Where();
        }
        ASSERT_EQ(EntryCount(m_disc, sector), static_cast<int>(d.entries.size())) << path << "\n" << Where();
        for (std::size_t i = 0; i < d.entries.size(); ++i) {
            const MEntry& m = d.entries[i];
            const DirEntry e = ReadEntry(m_disc, sector, static_cast<int>(i));
            const std::string where = path + "." + m.name + "\n" + Where();
            ASSERT_EQ(e.name, m.name) << where;
            ASSERT_EQ(std::make_tuple(e.R, e.W, e.L, e.D, e.E), std::make_tuple(m.R, m.W, m.L, m.IsDir(), false))
                << where;
            ASSERT_EQ(e.sequence, m.seq) << where;
            if (m.IsDir()) {
                ASSERT_EQ(e.length, 1280u) << where;
                // Its own name field follows every rename and attribute change.
                for (std::size_t k = 0; k < dir::kNameLength; ++k)
                    ASSERT_EQ(m_disc.At(e.start.ByteOffset() + dir::kName + k),
                              m_disc.At(EntryOffset(sector, static_cast<int>(i)) + k))
                        << where;
                CompareDirectory(*m.dir, e.start, sector.Value(), path + "." + m.name);
                if (::testing::Test::HasFatalFailure())
                    return;
            } else {
                ASSERT_EQ(std::make_tuple(e.load, e.exec), std::make_tuple(m.load, m.exec)) << where;
                ASSERT_EQ(e.length, m.data.size()) << where;
                const auto from = m_disc.Image().begin() + static_cast<std::ptrdiff_t>(e.start.ByteOffset());
                ASSERT_TRUE(std::equal(m.data.begin(), m.data.end(), from)) << "file bytes differ\n" << where;
            }
        }
    }

    Disc m_disc;
    MDir m_root;
    std::mt19937 m_rng;
    unsigned m_seed;
    std::vector<std::string> m_log;
    std::vector<std::uint8_t> m_before;
    Messages m_expected, m_said;
    bool m_refused = false;
};

class Model : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(Model, RandomEditsKeepTheDiscSoundAndEqualToTheModel)
{
    // At most 60 steps create at most 60 objects, so the map (runs never
    // outnumber objects + 1) cannot fill: its refusal has its own tests.
    constexpr int kSteps = 60;
    if (const char* only = std::getenv("MARLIN_MODEL_SEED")) {
        ModelRun(GetParam(), static_cast<unsigned>(std::strtoul(only, nullptr, 10))).Go(kSteps);
        return;
    }
    // The large disc costs most per step (whole-image copies and compares).
    const unsigned seeds = GetParam() > 1000 ? 10 : 40;
    for (unsigned seed = 1; seed <= seeds && !HasFatalFailure(); ++seed)
        ModelRun(GetParam(), seed * 7919 + GetParam()).Go(kSteps);
}

INSTANTIATE_TEST_SUITE_P(DiscSizes, Model, ::testing::Values(40u, 120u, 600u, 4096u));

} // namespace
} // namespace marlin::image
