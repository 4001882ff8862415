// Seeded random edits on discs of several sizes, checked after each step
// against a plain model of the tree and by the disc's own checker, and each
// taken back and done again from its recorded change. Set MARLIN_MODEL_SEED
// to replay one seed.
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <tuple>

#include "image/change.h"
#include "image/check.h"
#include "image/compaction.h"
#include "image/deletion.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using test::NextBcd;
using Messages = std::vector<std::string>;

struct MDir;

struct MEntry {
    DirEntry info; // as the disc lists it, but for the start sector
    std::vector<std::uint8_t> data;
    std::unique_ptr<MDir> dir; // set for a directory
};

struct MDir {
    std::uint8_t master = 1;
    std::string title;
    std::map<std::string, MEntry> entries; // by upper-case name, which is directory order

    MEntry* Find(std::string_view name)
    {
        const auto it = entries.find(UpperName(name));
        return it == entries.end() ? nullptr : &it->second;
    }
    // Raises the sequence number and lists e.
    void Insert(MEntry e)
    {
        e.info.sequence = master = NextBcd(master);
        entries.emplace(UpperName(e.info.name), std::move(e));
    }
};

// Deletes as the disc does, counting what goes; true when refused.
struct ModelDeletion {
    bool ignoreLock, recurse;
    Messages& said;
    int deleted = 0;

    bool Entry(MDir& d, const std::string& name, bool isDir)
    {
        const MEntry* e = d.Find(name);
        if (e && !ignoreLock && e->info.L)
            said.push_back((isDir ? "Cannot Delete Locked Directory : " : "Cannot Delete Locked File : ") + name);
        else if (e && isDir && !e->dir->entries.empty())
            said.push_back("Cannot Delete Non Empty Directory : " + name);
        else if (e) {
            d.master = NextBcd(d.master);
            d.entries.erase(UpperName(name));
            ++deleted;
        }
        return !said.empty();
    }
    bool Directory(MDir* parent, MDir& d, const std::string& name)
    {
        while (recurse && !d.entries.empty()) {
            const MEntry& first = d.entries.begin()->second;
            const std::string firstName = first.info.name;
            if (first.dir ? Directory(&d, *first.dir, firstName) : Entry(d, firstName, false))
                return true;
        }
        return parent && Entry(*parent, name, true);
    }
};

// Compaction as the filing system's own tool did it, but that a full disc
// gets no empty run (which would hand a 0-byte file a sector past the end).
void ReferenceCompact(Disc& disc, int& moved)
{
    struct Rec {
        std::string Name;
        bool IsDir;
        std::uint32_t Parent, Start, Sectors;
    };
    std::vector<Rec> t;
    std::function<void(std::uint32_t)> collect = [&](std::uint32_t dir) {
        const SectorAddress d(dir);
        t.push_back({GetDirectoryName(disc, d), true, disc.Read24(d.ByteOffset() + dir::kParent), dir, 5});
        for (int i = 0; i < dir::kSlots && !SlotIsEmpty(disc, d, i); ++i) {
            const DirEntry e = ReadEntry(disc, d, i);
            if (e.D)
                collect(e.start.Value());
            else
                t.push_back({e.name, false, dir, e.start.Value(), SectorCount(e.length)});
        }
    };
    collect(kRootSector);
    std::ranges::sort(t, {}, &Rec::Start);
    std::vector<std::uint8_t>& bytes = disc.WritableImage();
    std::uint32_t next = 7;
    for (std::size_t i = 1; i < t.size(); next += t[i++].Sectors) {
        const std::uint32_t old = t[i].Start;
        if (old == next)
            continue;
        ++moved;
        std::copy_n(bytes.begin() + old * kSectorSize, t[i].Sectors * kSectorSize, bytes.begin() + next * kSectorSize);
        if (const int k = FindEntry(disc, SectorAddress(t[i].Parent), t[i].Name); k != -1) {
            disc.Write24(EntryOffset(SectorAddress(t[i].Parent), k) + entry::kStart, next);
            t[i].Start = next;
        }
        for (std::size_t j = 1; t[i].IsDir && j < t.size(); ++j)
            if (t[j].Parent == old)
                t[j].Parent = next;
    }
    for (std::size_t i = 1; i < t.size(); ++i)
        if (t[i].IsDir)
            disc.Write24(SectorAddress(t[i].Start).ByteOffset() + dir::kParent, t[i].Parent);
    disc.map.runs.clear();
    if (next < disc.DiscSizeField())
        disc.map.runs.push_back({next, disc.DiscSizeField() - next});
    WriteFreeSpaceMap(disc);
}

class ModelRun {
public:
    // A blank disc of any number of sectors (the smallest New makes is 4096).
    ModelRun(std::uint32_t sectors, unsigned seed) : m_disc(NewDisc(16)), m_rng(seed)
    {
        m_disc.WritableImage().resize(std::size_t{sectors} * kSectorSize);
        m_disc.Write24(map::kDiscSize, sectors);
        m_disc.map.runs = {{7, sectors - 7}};
        WriteFreeSpaceMap(m_disc);
    }

    void Go(int steps)
    {
        const std::vector<std::uint8_t> first = m_disc.Image();
        std::vector<Change> history;
        for (int step = 0; step < steps && !::testing::Test::HasFatalFailure(); ++step) {
            SCOPED_TRACE("step " + std::to_string(step));
            m_before = m_disc.Image();
            m_beforeMap = m_disc.map;
            m_expected.clear();
            m_sink.messages.clear();
            m_refused = false;
            ChangeRecorder recorder(m_disc);
            const int op = Pick(100); // each operation's share of the steps, in percent
            op < 45 ? Create() : op < 57 ? Rename() : op < 67 ? Attributes() : op < 93 ? Delete() : Compact();
            history.push_back(recorder.Finish());
            CheckStep();
            CheckUndoAndRedo(history.back());
        }
        // All the way back and forth again.
        const std::vector<std::uint8_t> last = m_disc.Image();
        for (auto change = history.rbegin(); change != history.rend(); ++change)
            change->Swap(m_disc);
        EXPECT_TRUE(m_disc.Image() == first);
        for (Change& change : history)
            change.Swap(m_disc);
        EXPECT_TRUE(m_disc.Image() == last);
    }

private:
    template <class N> N Pick(N n) { return std::uniform_int_distribution<N>(0, n - 1)(m_rng); }
    bool Coin() { return Pick(2) == 1; }
    template <std::size_t N> const char* PickFrom(const char* const (&names)[N]) { return names[Pick(N)]; }

    // With 20 names no directory fills: Directory Full has its own tests.
    static constexpr const char* kNames[] = {"a",    "A",    "b",     "Bb",         "cat", "Cat", "dog",
                                             "Dir1", "dir2", "Games", "LongNameXY", "z_~", "Q9",  "m",
                                             "N",    "Zz",   "ELITE", "elite2",     "x1",  "Y"};

    // A directory (with entries, if any has) and the sector it lives at.
    using Place = std::pair<MDir*, SectorAddress>;
    Place AnyDirectory(bool filled = false)
    {
        std::vector<Place> all{{&m_root, kRoot}}, some;
        for (std::size_t i = 0; i < all.size(); ++i)
            for (const auto [d, sector] = all[i]; auto& [key, e] : d->entries)
                if (e.dir)
                    all.push_back({e.dir.get(), test::EntryNamed(m_disc, sector, e.info.name).start});
        std::ranges::copy_if(all, std::back_inserter(some), [](auto& p) { return !p.first->entries.empty(); });
        const auto& from = filled && !some.empty() ? some : all;
        return from[Pick(from.size())];
    }
    // An existing entry's name, in either case, or sometimes a missing one.
    std::string TargetName(const MDir& d)
    {
        if (d.entries.empty() || Pick(10) == 0)
            return "nothere";
        const std::string name = std::next(d.entries.begin(), Pick(d.entries.size()))->second.info.name;
        return Coin() ? UpperName(name) : name;
    }
    void Refuse(std::string message)
    {
        m_refused = true;
        m_expected.push_back(std::move(message));
    }

    // A directory, or a file of random bytes and attributes.
    void Create()
    {
        const auto [dir, sector] = AnyDirectory();
        const bool isDir = Pick(45) < 18;
        MEntry e;
        DirEntry& f = e.info;
        f.name = PickFrom(kNames);
        if (isDir) {
            f.R = f.W = f.D = true;
            f.length = 1280;
            e.dir = std::make_unique<MDir>();
            e.dir->title = f.name;
        } else {
            e.data.resize(Pick(4) == 0 ? Pick(3u) * 128 : Pick(m_disc.DiscSizeField() * 32));
            std::ranges::generate(e.data, [&] { return static_cast<std::uint8_t>(m_rng()); });
            std::tie(f.R, f.W, f.L, f.load, f.exec) = std::tuple{Coin(), Coin(), Coin(), m_rng(), m_rng()};
            f.length = static_cast<std::uint32_t>(e.data.size());
        }
        if (FindFreeRun(m_disc, f.length) < 0)
            Refuse("Not Enough Free Contiguous Space on Disc");
        else if (dir->Find(f.name))
            Refuse((isDir ? "Directory " : "File ") + f.name + " Already Exists");
        EXPECT_EQ(isDir ? CreateDirectory(m_disc, sector, f.name, m_sink).Done()
                        : CreateFile(m_disc, sector, f, e.data, m_sink).Done(),
                  !m_refused);
        if (!m_refused)
            dir->Insert(std::move(e));
    }

    void Rename()
    {
        const auto [dir, sector] = AnyDirectory(true);
        const std::string old = TargetName(*dir);
        static const char* const kOdd[] = {"a b", "x.y", "", "ABCDEFGHIJKLMN", "e-f", "g$", "h^", "del\x7f", "Hi\x80"};
        const std::string wanted = Pick(4) == 0 ? PickFrom(kOdd) : PickFrom(kNames), cut = wanted.substr(0, 10);
        const bool ignoreLock = Coin();
        const MEntry* e = dir->Find(old);
        if (!e)
            m_refused = true;
        else if (!ignoreLock && e->info.L)
            Refuse((e->dir ? "Cannot Rename Locked Directory : " : "Cannot Rename Locked File : ") + old);
        else if (dir->Find(cut))
            Refuse(cut + " Already Exists");
        else if (cut.empty() || cut.find_first_of(" -.:*#$&@^") != std::string::npos ||
                 std::ranges::any_of(cut, [](char c) { return c < 32; }))
            Refuse("File " + cut + " Contains Illegal Characters");
        EXPECT_EQ(RenameEntry(m_disc, old, wanted, sector, ignoreLock, m_sink) == Status::Refused, m_refused);
        if (m_refused)
            return;
        MEntry moved = std::move(dir->entries.extract(UpperName(old)).mapped());
        moved.info.name = cut;
        dir->Insert(std::move(moved));
    }

    void Attributes()
    {
        const auto [dir, sector] = AnyDirectory(true);
        const std::string name = TargetName(*dir);
        const bool r = Coin(), w = Coin(), l = Coin();
        MEntry* e = dir->Find(name);
        m_refused = !e;
        EXPECT_EQ(SetAttributes(m_disc, sector, name, r, w, l) == Status::Refused, m_refused);
        if (e)
            std::tie(e->info.R, e->info.W, e->info.L, e->info.sequence) =
                std::tuple(r, w, l, dir->master = NextBcd(dir->master));
    }

    // A walk may stop part-way: only a name not there must change nothing.
    void Delete()
    {
        const auto [dir, sector] = AnyDirectory(true);
        const bool root = Pick(15) == 0;
        const std::string name = root ? "$" : TargetName(*dir);
        MEntry* e = dir->Find(name);
        ModelDeletion model{Coin(), Coin(), m_expected};
        int ticks = 0;
        if (root || (e && e->dir)) {
            const auto parent = root ? std::nullopt : std::optional(sector);
            const SectorAddress sub = root ? kRoot : test::EntryNamed(m_disc, sector, name).start;
            const bool refused = model.Directory(root ? nullptr : dir, root ? m_root : *e->dir, name);
            EXPECT_EQ(DeleteDirectory(m_disc, parent, sub, name, model.ignoreLock, model.recurse, m_sink,
                                      [&] { ++ticks; }) == Status::Refused,
                      refused);
        } else {
            const bool refused = model.Entry(*dir, name, false);
            EXPECT_EQ(DeleteEntry(m_disc, sector, name, false, model.ignoreLock, m_sink) == Status::Refused, refused);
            ticks = model.deleted;
        }
        EXPECT_EQ(ticks, model.deleted) << "progress once per deleted entry";
        m_refused = !root && !e; // nothing there, nothing changed
    }

    void Compact()
    {
        Disc reference = m_disc;
        int moved = 0, ticks = 0;
        ReferenceCompact(reference, moved);
        EXPECT_EQ(CompactDisc(m_disc, m_sink, [&] { ++ticks; }), Status::Done);
        EXPECT_EQ(ticks, moved) << "progress once per moved object";
        EXPECT_TRUE(m_disc.Image() == reference.Image());
        const auto once = m_disc.Image();
        EXPECT_EQ(CompactDisc(m_disc, m_sink), Status::Done);
        EXPECT_TRUE(m_disc.Image() == once) << "a second compaction changed the disc";
    }

    // The map cannot fill in 60 steps: lost space is a problem here.
    void CheckStep()
    {
        EXPECT_EQ(m_sink.messages, m_expected);
        EXPECT_TRUE(!m_refused || m_disc.Image() == m_before) << "a refusal changed the disc";
        ASSERT_EQ(Check(m_disc), Messages{});
        ASSERT_EQ(test::ConsistencyProblems(m_disc), Messages{}); // the working map too
        CompareDirectory(m_root, kRoot, "$");
    }

    // The step's change gives back exactly the bytes and map before it and
    // after it, and holds no more than the sectors that differ.
    void CheckUndoAndRedo(Change& change)
    {
        const std::vector<std::uint8_t> after = m_disc.Image();
        const FreeSpaceMap afterMap = m_disc.map;
        EXPECT_EQ(change.Empty(), after == m_before);
        std::size_t held = 0, differing = 0;
        for (const Patch& patch : change.Patches())
            held += patch.bytes.size();
        for (std::size_t at = 0; at < after.size(); at += kSectorSize)
            differing +=
                kSectorSize * !std::equal(after.begin() + at, after.begin() + at + kSectorSize, m_before.begin() + at);
        EXPECT_LE(held, differing);
        change.Swap(m_disc);
        ASSERT_TRUE(m_disc.Image() == m_before && m_disc.map == m_beforeMap) << "undo";
        change.Swap(m_disc);
        ASSERT_TRUE(m_disc.Image() == after && m_disc.map == afterMap) << "redo";
    }

    void CompareDirectory(const MDir& d, SectorAddress sector, const std::string& path)
    {
        ASSERT_EQ(std::tuple(int{m_disc.At(sector.ByteOffset())}, GetDirectoryTitle(m_disc, sector),
                             EntryCount(m_disc, sector)),
                  std::tuple(int{d.master}, d.title, static_cast<int>(d.entries.size())))
            << path;
        const auto bytes = [&](std::uint64_t at, std::size_t n) { return m_disc.Bytes().subspan(at, n); };
        int i = 0;
        for (const auto& [key, m] : d.entries) {
            DirEntry e = ReadEntry(m_disc, sector, i);
            const SectorAddress start = std::exchange(e.start, {});
            ASSERT_TRUE(e == m.info) << path << "." << e.name << " " << AttributeLetters(e) << " " << int{e.sequence};
            // A directory's own name field follows every rename and attribute change.
            ASSERT_TRUE(m.dir ? std::ranges::equal(bytes(start.ByteOffset() + dir::kName, 10),
                                                   bytes(EntryOffset(sector, i), 10))
                              : std::ranges::equal(m.data, bytes(start.ByteOffset(), e.length)))
                << path << "." << e.name;
            if (m.dir)
                CompareDirectory(*m.dir, start, path + "." + e.name);
            if (::testing::Test::HasFatalFailure())
                return;
            ++i;
        }
    }

    Disc m_disc;
    MDir m_root{1, "$", {}};
    std::mt19937 m_rng;
    std::vector<std::uint8_t> m_before;
    FreeSpaceMap m_beforeMap;
    Messages m_expected;
    CollectingSink m_sink;
    bool m_refused = false;
};

class Model : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(Model, RandomEditsKeepTheDiscSoundAndEqualToTheModel)
{
    constexpr int kSteps = 60;
    if (const char* only = std::getenv("MARLIN_MODEL_SEED"))
        return ModelRun(GetParam(), static_cast<unsigned>(std::strtoul(only, nullptr, 10))).Go(kSteps);
    // The large disc costs most per step (whole-image copies and compares).
    const unsigned seeds = GetParam() > 1000 ? 10 : 40;
    for (unsigned seed = 1; seed <= seeds && !HasFatalFailure(); ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed * 7919 + GetParam()));
        ModelRun(GetParam(), seed * 7919 + GetParam()).Go(kSteps);
    }
}

INSTANTIATE_TEST_SUITE_P(DiscSizes, Model, ::testing::Values(40u, 120u, 600u, 4096u));

} // namespace
} // namespace marlin::image
