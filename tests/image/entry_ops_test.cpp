// Directories and single entries, byte by byte, where the model test does not reach.
#include <algorithm>
#include <random>

#include "image/entry_ops.h"
#include "image/find.h"
#include "image/image_file.h"
#include "image/lookup_name.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using namespace std::string_literals;
using namespace test;

std::string Read(const Disc& disc, std::uint64_t at, std::size_t n)
{
    return std::string(reinterpret_cast<const char*>(disc.Bytes().data()) + at, n);
}

TEST(CreateDirectory, WorkedExampleOnANewOneMegabyteDisc)
{
    Disc disc = NewDisc(16);
    std::vector<std::uint8_t> expected = disc.Image();
    CollectingSink sink;
    const auto s = CreateDirectory(disc, kRoot, "NewFolder", sink);
    ASSERT_TRUE(s.Done() && sink.messages.empty());
    EXPECT_EQ(s->Value(), 7u);
    // The map: one run from 12. The root: sequence 02, the entry (R W D in bit
    // 7). The block at sector 7: sequence, signatures, own name, parent, title.
    const std::string name = "\xCE\xE5w\xC6older\r", own = name + "\x02\0\0"s + "NewFolder\r",
                      root = "\x02Hugo" + name + "\0\0\0\0\0\0\0\0\0\x05\0\0\x07\0\0\x02"s;
    const std::pair<std::size_t, std::string> changes[] = {
        {0, "\x0C"},          {255, "\x1C"},      {256, "\xF4"},      {510, "\x03\x06"},        {512, root},
        {512 + 1274, "\x02"}, {1792, "\x01Hugo"}, {1792 + 1228, own}, {1792 + 1274, "\x01Hugo"}};
    for (const auto& [at, bytes] : changes)
        std::ranges::copy(bytes, expected.begin() + static_cast<std::ptrdiff_t>(at));
    EXPECT_EQ(std::ranges::mismatch(disc.Image(), expected).in1 - disc.Image().begin(), std::ssize(expected))
        << "first differing byte";
}

// Locked beats duplicate, which beats illegal characters.
TEST(RenameEntry, RefusalsInOrder)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"C", "X.Y", "LONGNAME10"})
        AddFile(disc, kRoot, name, {1});
    AddFile(disc, kRoot, "b", {1}, 0, 0, "LWR");
    MakeDir(disc, kRoot, "Dir");
    ASSERT_EQ(SetAttributes(disc, kRoot, "Dir", true, false, true), Status::Done);
    // From, to, and what is said.
    std::vector<std::array<std::string, 3>> cases = {{"B", "x.y", "Cannot Rename Locked File : B"},
                                                     {"dir", "C", "Cannot Rename Locked Directory : dir"},
                                                     {"C", "x.y", "x.y Already Exists"},
                                                     {"C", "longname10plus", "longname10 Already Exists"}};
    for (const char bad : " -.:*#$&@^\x1f\x80"s)
        cases.push_back({"C", "a"s + bad, "File a"s + bad + " Contains Illegal Characters"});
    for (const auto& [from, to, said] : cases)
        ExpectRefused(disc, {said}, [&](Disc& d, MessageSink& s) { return RenameEntry(d, from, to, kRoot, false, s); });
}

// Cut to 19 characters, then CR and NULs; refused characters count in the cut.
TEST(SetDirectoryTitle, StoredPaddedOrRefused)
{
    // The title, and its bytes before the NULs (refused when empty).
    const std::pair<std::string, std::string> cases[] = {{"My Games Disc No 10", "My Games Disc No 10"},
                                                         {"My Games Disc No 1234", "My Games Disc No 12"},
                                                         {"", "\r"},
                                                         {"Utils_~", "Utils_~\r"},
                                                         {"ABCDEFGHIJKLMNOPQRS.", "ABCDEFGHIJKLMNOPQRS"},
                                                         {"$Root", ""},
                                                         {"v1.2", ""},
                                                         {"a\tb", ""}};
    for (const auto& [title, stored] : cases) {
        Disc disc = NewDisc(16);
        const SectorAddress sub = MakeDir(disc, kRoot, "Sub");
        const auto set = [&](Disc& d, MessageSink& s) { return SetDirectoryTitle(d, sub, title, s); };
        if (stored.empty()) {
            ExpectRefused(disc, {"Title " + title + " Contains Illegal Characters"}, set);
            continue;
        }
        SilentSink sink;
        EXPECT_EQ(set(disc, sink), Status::Done);
        EXPECT_EQ(Read(disc, sub.ByteOffset() + 1241, 19), stored + std::string(19 - stored.size(), '\0'));
        EXPECT_EQ(disc.At(sub.ByteOffset() + 1274), 0x02);
    }
}

TEST(SetBootOption, WritesByte509AndItsChecksum)
{
    Disc disc = NewDisc(16);
    for (std::uint8_t v : {2, 3, 0, 1}) {
        SetBootOption(disc, v);
        EXPECT_EQ(std::pair(disc.At(509), disc.At(511)), std::pair(v, MapChecksum(disc, 256)));
    }
}

// Read, names lose bit 7 and stop at CR, not NUL; a slot is empty by the low
// seven bits of its first byte. Own names stop at NUL, the root's is "$".
TEST(Directory, Names)
{
    EXPECT_EQ(
        std::vector({PaddedName("A"), PaddedName("NewFolder"), PaddedName("TENLETTERS"), PaddedName("ELEVENCHARS")}),
        std::vector({"A\r\0\0\0\0\0\0\0\0"s, "NewFolder\r"s, "TENLETTERS"s, "ELEVENCHAR"s}));
    Disc disc = NewDisc(16);
    for (const char* name : {"A", "B", "C", "D"})
        AddFile(disc, kRoot, name, {1});
    const SectorAddress sub = MakeDir(disc, kRoot, "Sub");
    const std::string raw = "AB\0C\r"s;
    for (std::size_t k = 0; k < raw.size(); ++k)
        disc.Set(EntryOffset(kRoot, 0) + k, static_cast<std::uint8_t>(raw[k]) | 0x80);
    EXPECT_EQ(GetEntryName(disc, kRoot, 0), "AB\0C"s);
    EXPECT_EQ(AttributeString(disc, EntryOffset(kRoot, 0)), "EDLWR");
    disc.Set(EntryOffset(kRoot, 1), kCR);
    EXPECT_EQ(std::tuple(GetEntryName(disc, kRoot, 1), EntryCount(disc, kRoot), FindEntry(disc, kRoot, "d")),
              std::tuple("", 5, 3));
    disc.Set(EntryOffset(kRoot, 2), 0x80);
    EXPECT_EQ(std::pair(EntryCount(disc, kRoot), FindEntry(disc, kRoot, "D")), std::pair(2, -1));
    const auto own = [&](SectorAddress d, const std::string& bytes) {
        std::ranges::copy(bytes, disc.Writable(d.ByteOffset() + dir::kName, bytes.size()).begin());
        return GetDirectoryName(disc, d);
    };
    EXPECT_EQ(std::pair(GetDirectoryName(disc, kRoot), GetDirectoryName(disc, sub)), std::pair("$"s, "Sub"s));
    EXPECT_EQ(own(sub, "X\0Y"s), "X");
    EXPECT_EQ(own(sub, "\r"), "");
    EXPECT_EQ(own(kRoot, std::string(10, '\0')), "$");
}

// Full is said before any name is compared, and no space before full.
TEST(Directory, FullDirectory)
{
    Disc disc = NewDisc(16);
    for (int i = 0; i < 46; ++i)
        ASSERT_GE(AddFile(disc, kRoot, "F" + std::to_string(100 + i), {1}), 0);
    ASSERT_GE(AddFile(disc, kRoot, "Z", {1}), 0);
    EXPECT_EQ(GetEntryName(disc, kRoot, 46), "Z"); // the 47th entry, sorting last
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
    for (const char* name : {"Z", "A"})
        ExpectRefused(disc, {"Directory Full"}, [&](Disc& d, MessageSink& s) {
            return InsertEntry(d, kRoot, name, RefusalCode::FileAlreadyExists, s);
        });
    ExpectRefused(disc, {"Directory Full"}, [](Disc& d, MessageSink& s) { return CreateDirectory(d, kRoot, "z", s); });
    disc.map.runs = {{100, 4}, {200, 4}};
    WriteFreeSpaceMap(disc);
    ExpectRefused(disc, {"Not Enough Free Contiguous Space on Disc"},
                  [](Disc& d, MessageSink& s) { return CreateDirectory(d, kRoot, "Z", s); });
    const std::string second = Read(disc, EntryOffset(kRoot, 1), 26);
    RemoveEntry(disc, kRoot, 0);
    EXPECT_EQ(EntryCount(disc, kRoot), 46);
    EXPECT_EQ(Read(disc, EntryOffset(kRoot, 0), 26), second);
    EXPECT_EQ(Read(disc, EntryOffset(kRoot, 46), 26), std::string(26, '\0'));
}

TEST(Directory, SequenceNumbersCountInBCD)
{
    const std::pair<int, int> cases[] = {{0x01, 0x02}, {0x09, 0x10}, {0x19, 0x20}, {0x98, 0x99}, {0x99, 0x00}};
    for (const auto& [from, to] : cases) {
        Disc disc = NewDisc(16);
        disc.Set(512, static_cast<std::uint8_t>(from));
        EXPECT_EQ(NextSequenceNumber(disc, kRoot), to);
        EXPECT_EQ(std::pair(int{disc.At(512)}, int{disc.At(512 + 1274)}), std::pair(to, to));
    }
}

// Regression: inserting into a block running past the image's end wrote there.
TEST(Directory, ABlockRunningPastTheImageIsNoDirectory)
{
    Disc disc = NewDisc(16);
    const SectorAddress near(4092), far(kMaxSectorValue); // near: sectors 4092..4096, one past the end
    std::ranges::copy("Hugo"s, disc.Writable(near.ByteOffset() + 1, 4).begin());
    EXPECT_EQ(std::pair(IsDirectory(disc, near), IsDirectory(disc, kRoot)), std::pair(false, true));
    EXPECT_EQ(GetEntryName(disc, near, 46), std::string(10, '\0'));
    EXPECT_EQ(FindEntry(disc, near, "X"), -1);
    EXPECT_EQ(GetDirectoryTitle(disc, far), "");
    ExpectRefused(disc, {"Directory Full"}, [&](Disc& d, MessageSink& s) {
        return InsertEntry(d, near, "NEW", RefusalCode::FileAlreadyExists, s);
    });
    ExpectRefused(disc, {"Directory Full"}, [&](Disc& d, MessageSink& s) { return CreateDirectory(d, far, "NEW", s); });
}

using NameBytes = std::array<std::uint8_t, 16>;

// What a lookup by name compares: the name as GetEntryName reads it, in upper case.
std::string Reference(const NameBytes& b)
{
    std::string name;
    for (std::size_t k = 0; k < dir::kNameLength && (b[k] & 0x7F) != kCR; ++k)
        name += static_cast<char>(b[k] & 0x7F);
    return UpperName(name);
}

// The form is equal exactly when the lookup's names are, and strictly ordered.
template <typename Name> bool Agrees(const NameBytes& a, const NameBytes& b)
{
    const Name x(a.data()), y(b.data());
    return (x == y) == (Reference(a) == Reference(b)) && int(x < y) + int(x == y) + int(y < x) == 1;
}

TEST(LookupName, BothFormsCompareAsALookupByNameInTheSameOrder)
{
    // Bytes near every edge the forms handle; the 6 after the name are noise.
    static constexpr std::uint8_t kAlphabet[] = {'a', 'A', 'z', 'Z', '`', '{', '@', '[', kCR, 0, 0x80 | 'a', 0x8D};
    std::mt19937 rng(12345);
    NameBytes a{}, b{};
    for (int n = 0; n < 20000; ++n) {
        for (std::size_t k = 0; k < a.size(); ++k) {
            a[k] = k < dir::kNameLength ? kAlphabet[rng() % std::size(kAlphabet)] : static_cast<std::uint8_t>(rng());
            b[k] = k < dir::kNameLength ? kAlphabet[rng() % std::size(kAlphabet)] : static_cast<std::uint8_t>(rng());
        }
        ASSERT_TRUE(Agrees<PackedName>(a, b)) << Reference(a) << " / " << Reference(b);
#if defined(__SSE2__)
        ASSERT_TRUE(Agrees<VectorName>(a, b)) << Reference(a) << " / " << Reference(b);
        ASSERT_EQ(PackedName(a.data()) < PackedName(b.data()), VectorName(a.data()) < VectorName(b.data()));
#endif
    }
    // Names in the order a directory keeps them rise (CR after a short one).
    const std::string sorted[] = {"A\r", "a1\r", "AB\r", "abc\rJUNK", "B\r", "TENLETTERS", "tenletterz", "Z\r"};
    for (std::size_t k = 1; k < std::size(sorted); ++k) {
        std::ranges::copy(sorted[k - 1], a.begin());
        std::ranges::copy(sorted[k], b.begin());
        EXPECT_TRUE(PackedName(a.data()) < PackedName(b.data())) << sorted[k];
#if defined(__SSE2__)
        EXPECT_TRUE(VectorName(a.data()) < VectorName(b.data())) << sorted[k];
#endif
    }
}

TEST(WildcardMatch, StarsHashesAndCase)
{
    const std::tuple<const char*, const char*, bool> cases[] = {
        {"", "", true},           {"", "A", false},        {"*", "", true},
        {"*", "ELITE", true},     {"el*", "Elite", true},  {"*TE", "elite", true},
        {"E*I*E", "ELITE", true}, {"E*X", "ELITE", false}, {"#LITE", "ELITE", true},
        {"ELIT#", "ELITE", true}, {"#", "", false},        {"E#", "E", false},
        {"##", "AB", true},       {"**", "A", true},       {"$.G*.E*", "$.GAMES.ELITE", true},
    };
    for (const auto& [pattern, text, matches] : cases)
        EXPECT_EQ(WildcardMatch(pattern, text), matches) << pattern << " " << text;
}

TEST(FindEntries, TreeOrderWholePathsAndADamagedTree)
{
    Disc disc = SampleDisc(); // $: ALPHA, Games (Elite), beta
    auto paths = [&](std::string_view pattern) {
        std::string joined;
        for (const FoundEntry& found : FindEntries(disc, pattern))
            joined += found.path + " ";
        return joined;
    };
    EXPECT_EQ(paths("*"), "$.ALPHA $.beta $.Games $.Games.Elite ");
    EXPECT_EQ(paths("*E*"), "$.beta $.Games $.Games.Elite ");
    EXPECT_EQ(paths("games.*"), "$.Games.Elite ");
    EXPECT_EQ(paths("nothing"), "");
    EXPECT_EQ(FindEntries(disc, "#lite", SectorAddress(9), "$.Games").at(0).listed.dir, SectorAddress(9));
    // Elite made a directory that is Games itself: the walk still ends.
    SetStart(disc, SectorAddress(9), "Elite", 9);
    disc.Set(EntryOffset(SectorAddress(9), 0) + entry::kAttrD,
             disc.At(EntryOffset(SectorAddress(9), 0) + entry::kAttrD) | 0x80);
    EXPECT_EQ(paths("*"), "$.ALPHA $.beta $.Games $.Games.Elite ");
}

TEST(SetAddresses, SetsWhatIsGivenOrRefuses)
{
    Disc disc = SampleDisc();
    CollectingSink sink;
    const std::uint8_t master = disc.At(kRoot.ByteOffset());
    ASSERT_EQ(SetAddresses(disc, kRoot, "alpha", 0xFFFF1900, std::nullopt, sink), Status::Done);
    const DirEntry set = EntryNamed(disc, kRoot, "ALPHA");
    EXPECT_EQ(std::tuple(set.load, set.exec, set.sequence), std::tuple(0xFFFF1900u, 0x8023u, NextBcd(master)));
    ExpectRefused(disc, {"Cannot Set Addresses Of Directory : Games"},
                  [](Disc& d, MessageSink& s) { return SetAddresses(d, kRoot, "GAMES", 1, 1, s); });
    ExpectRefused(disc, {"File Not Found : gone"},
                  [](Disc& d, MessageSink& s) { return SetAddresses(d, kRoot, "gone", 1, 1, s); });
}

} // namespace
} // namespace marlin::image
