#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

using test::AddFile;
using test::Bytes;
using test::ConsistencyProblems;
using test::NextBcd;

void Put(std::vector<std::uint8_t>& image, std::size_t at, std::initializer_list<int> bytes)
{
    for (int b : bytes)
        image[at++] = static_cast<std::uint8_t>(b);
}

TEST(CreateDirectory, WorkedExampleOnANewOneMegabyteDisc)
{
    Disc disc = NewDisc(16);
    std::vector<std::uint8_t> expected = disc.Image();
    CollectingSink sink;
    const auto s = CreateDirectory(disc, kRoot, "NewFolder", sink);
    ASSERT_TRUE(s.Done());
    EXPECT_EQ(s->Value(), 7u);
    EXPECT_TRUE(sink.messages.empty());

    // Root: sequence 02 at both copies, slot 0 the new entry.
    const int name[] = {0xCE, 0xE5, 0x77, 0xC6, 0x6F, 0x6C, 0x64, 0x65, 0x72, 0x0D};
    Put(expected, 512, {0x02});
    Put(expected, 512 + 1274, {0x02});
    for (int k = 0; k < 10; ++k)
        expected[512 + 5 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(name[k]);
    Put(expected, 512 + 5 + 10, {0, 0, 0, 0, 0, 0, 0, 0, 0x00, 0x05, 0x00, 0x00, 0x07, 0x00, 0x00, 0x02});
    // The block at sector 7.
    const std::size_t d = 7 * 256;
    Put(expected, d, {1, 'H', 'u', 'g', 'o'});
    for (int k = 0; k < 10; ++k)
        expected[d + 1228 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(name[k]);
    Put(expected, d + 1238, {0x02, 0x00, 0x00});
    Put(expected, d + 1241, {0x4E, 0x65, 0x77, 0x46, 0x6F, 0x6C, 0x64, 0x65, 0x72, 0x0D});
    Put(expected, d + 1274, {1, 'H', 'u', 'g', 'o'});
    // The map: one run from 12, 4084 sectors.
    Put(expected, 0, {0x0C, 0x00, 0x00});
    Put(expected, 255, {0x1C});
    Put(expected, 256, {0xF4, 0x0F, 0x00});
    Put(expected, 510, {0x03, 0x06});

    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(disc.Image()[i], expected[i]) << "byte " << i;
    EXPECT_EQ(AttributeString(disc, EntryOffset(kRoot, 0)), "DWR");
    EXPECT_EQ(GetDirectoryTitle(disc, *s), "NewFolder");
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

struct CreateRefusalCase {
    const char* label;
    bool noSpace, parentFull, duplicate;
    const char* message;
};

class CreateRefusals : public ::testing::TestWithParam<CreateRefusalCase> {};

// Each row holds every later condition too, so the first check must win.
TEST_P(CreateRefusals, FirstFailingCheckSpeaksAndNothingChanges)
{
    const auto& c = GetParam();
    Disc disc = NewDisc(16);
    if (c.duplicate) {
        ASSERT_GE(AddFile(disc, kRoot, "newfolder", Bytes("x")), 0);
    }
    for (int i = 0; c.parentFull && EntryCount(disc, kRoot) < 47; ++i)
        ASSERT_GE(AddFile(disc, kRoot, "F" + std::to_string(100 + i), Bytes("x")), 0);
    if (c.noSpace) {
        // Free runs of 4 sectors only.
        disc.map.runs = {{100, 4}, {200, 4}};
        WriteFreeSpaceMap(disc);
    }
    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_TRUE(CreateDirectory(disc, kRoot, "NewFolder", sink).Refused());
    EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    EXPECT_EQ(disc.Image(), before);
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, CreateRefusals,
    ::testing::Values(CreateRefusalCase{"NoSpace", true, true, true, "Not Enough Free Contiguous Space on Disc"},
                      CreateRefusalCase{"Full", false, true, true, "Directory Full"},
                      CreateRefusalCase{"Duplicate", false, false, true, "Directory NewFolder Already Exists"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(CreateDirectory, TakesTheLowestRunOfFiveSectors)
{
    Disc disc = NewDisc(16);
    disc.map.runs = {{20, 4}, {40, 6}, {60, 5}};
    WriteFreeSpaceMap(disc);
    SilentSink sink;
    EXPECT_EQ(*CreateDirectory(disc, kRoot, "abcdefghijkl", sink), SectorAddress(40));
    EXPECT_EQ(disc.map.runs, (std::vector<MapRun>{{20, 4}, {45, 1}, {60, 5}}));
    EXPECT_EQ(GetEntryName(disc, kRoot, 0), "abcdefghij");
}

// A directory with entries A2, b, C (files) and a locked file and directory.
Disc RenameFixture()
{
    Disc disc = NewDisc(16);
    AddFile(disc, kRoot, "A2", Bytes("a2"));
    AddFile(disc, kRoot, "b", Bytes("b"), 0x1900, 0x8023, "LWR");
    AddFile(disc, kRoot, "C", Bytes("c"));
    AddFile(disc, kRoot, "X.Y", Bytes("bad name from elsewhere"));
    AddFile(disc, kRoot, "LONGNAME10", Bytes("ten"));
    SilentSink sink;
    EXPECT_TRUE(CreateDirectory(disc, kRoot, "Dir", sink).Done());
    EXPECT_EQ(SetAttributes(disc, kRoot, "Dir", true, false, true), Status::Done);
    return disc;
}

struct RenameRefusalCase {
    const char* label;
    const char* oldName;
    std::string newName;
    bool ignoreLock;
    const char* message; // nullptr: refused without a message
};

class RenameRefusals : public ::testing::TestWithParam<RenameRefusalCase> {};

TEST_P(RenameRefusals, RefusedWithTheTableMessageAndNothingChanges)
{
    const auto& c = GetParam();
    Disc disc = RenameFixture();
    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_EQ(RenameEntry(disc, c.oldName, c.newName, kRoot, c.ignoreLock, sink), Status::Refused);
    if (c.message)
        EXPECT_EQ(sink.messages, std::vector<std::string>{c.message});
    else
        EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(disc.Image(), before);
}

INSTANTIATE_TEST_SUITE_P(
    InOrder, RenameRefusals,
    ::testing::Values(RenameRefusalCase{"NotFound", "nothing", "x.y", false, nullptr},
                      // Locked beats duplicate and illegal characters.
                      RenameRefusalCase{"LockedFile", "B", "x.y", false, "Cannot Rename Locked File : B"},
                      RenameRefusalCase{"LockedDirectory", "dir", "C", false, "Cannot Rename Locked Directory : dir"},
                      // Duplicate beats illegal characters.
                      RenameRefusalCase{"DuplicateBeforeIllegal", "C", "x.y", false, "x.y Already Exists"},
                      RenameRefusalCase{"CaseOnly", "C", "c", false, "c Already Exists"},
                      RenameRefusalCase{"SameName", "A2", "A2", false, "A2 Already Exists"},
                      RenameRefusalCase{"CutNameExists", "C", "longname10plus", false, "longname10 Already Exists"},
                      RenameRefusalCase{"Space", "C", "a b", false, "File a b Contains Illegal Characters"},
                      RenameRefusalCase{"Dash", "C", "a-b", false, "File a-b Contains Illegal Characters"},
                      RenameRefusalCase{"Dot", "C", "a.b", false, "File a.b Contains Illegal Characters"},
                      RenameRefusalCase{"Colon", "C", "a:b", false, "File a:b Contains Illegal Characters"},
                      RenameRefusalCase{"Star", "C", "a*", false, "File a* Contains Illegal Characters"},
                      RenameRefusalCase{"Hash", "C", "#a", false, "File #a Contains Illegal Characters"},
                      RenameRefusalCase{"Dollar", "C", "$", false, "File $ Contains Illegal Characters"},
                      RenameRefusalCase{"Ampersand", "C", "&", false, "File & Contains Illegal Characters"},
                      RenameRefusalCase{"At", "C", "@", false, "File @ Contains Illegal Characters"},
                      RenameRefusalCase{"Caret", "C", "^", false, "File ^ Contains Illegal Characters"},
                      RenameRefusalCase{"Control", "C", "a\x1f", false, "File a\x1f Contains Illegal Characters"},
                      RenameRefusalCase{"HighBit", "C", "a\x80", false, "File a\x80 Contains Illegal Characters"},
                      // An empty name would leave a slot nobody can find again.
                      RenameRefusalCase{"Empty", "C", "", false, "File  Contains Illegal Characters"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(RenameEntry, MovesTheEntryToItsSortedPlace)
{
    Disc disc = RenameFixture();
    const DirEntry b = ReadEntry(disc, kRoot, 1);
    ASSERT_EQ(b.name, "b");
    const std::uint8_t seq = disc.At(512);
    SilentSink sink;
    ASSERT_EQ(RenameEntry(disc, "b", "A", kRoot, true, sink), Status::Done);
    const DirEntry a = ReadEntry(disc, kRoot, 0);
    EXPECT_EQ(a.name, "A");
    EXPECT_EQ(GetEntryName(disc, kRoot, 1), "A2");
    EXPECT_EQ(GetEntryName(disc, kRoot, 2), "C");
    // The lock survives a rename made with the lock ignored; other fields stay.
    EXPECT_TRUE(a.L && a.R && a.W && !a.D && !a.E);
    EXPECT_EQ(a.load, b.load);
    EXPECT_EQ(a.exec, b.exec);
    EXPECT_EQ(a.start, b.start);
    EXPECT_EQ(a.length, b.length);
    EXPECT_EQ(a.sequence, NextBcd(seq));
    EXPECT_EQ(disc.At(512), a.sequence);
    EXPECT_EQ(disc.At(512 + 1274), a.sequence);
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

TEST(RenameEntry, KeepsTheFirstTenCharactersAndAcceptsTildeAndUnderscore)
{
    Disc disc = RenameFixture();
    SilentSink sink;
    ASSERT_EQ(RenameEntry(disc, "C", "Zz_~abcdefgh", kRoot, false, sink), Status::Done);
    const int slot = FindEntry(disc, kRoot, "Zz_~abcdef");
    ASSERT_GE(slot, 0);
    EXPECT_EQ(slot, EntryCount(disc, kRoot) - 1); // '_' sorts after the letters
    const std::uint64_t e = EntryOffset(kRoot, slot);
    EXPECT_EQ(disc.At(e + 9), 'f'); // no CR after ten characters
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

TEST(RenameEntry, ADirectoryCarriesItsNewNameInItsOwnBlockButKeepsItsTitle)
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    const auto d = CreateDirectory(disc, kRoot, "Games", sink);
    ASSERT_TRUE(d.Done());
    // Bits a rename must never touch: E set by another tool.
    const std::uint64_t e = EntryOffset(kRoot, 0);
    disc.Set(e + entry::kAttrE, disc.At(e + entry::kAttrE) | 0x80);
    ASSERT_EQ(RenameEntry(disc, "GAMES", "Arcade", kRoot, false, sink), Status::Done);
    EXPECT_EQ(GetDirectoryName(disc, *d), "Arcade");
    EXPECT_EQ(GetDirectoryTitle(disc, *d), "Games");
    EXPECT_EQ(AttributeString(disc, e), "EDWR");
    for (std::size_t k = 0; k < 10; ++k)
        EXPECT_EQ(disc.At(d->ByteOffset() + 1228 + k), disc.At(e + k)) << k;
}

TEST(SetAttributes, SetsRWLOnlyAndRaisesTheSequenceOncePerCall)
{
    Disc disc = NewDisc(16);
    SilentSink sink;
    const auto d = CreateDirectory(disc, kRoot, "Dir", sink);
    AddFile(disc, kRoot, "File", Bytes("data"));
    const std::uint8_t seq = disc.At(512);
    const auto before = disc.Image();
    EXPECT_EQ(SetAttributes(disc, kRoot, "missing", true, true, true), Status::Refused);
    EXPECT_EQ(disc.Image(), before);

    ASSERT_EQ(SetAttributes(disc, kRoot, "dir", false, false, true), Status::Done);
    ASSERT_EQ(SetAttributes(disc, kRoot, "FILE", true, false, true), Status::Done);
    ASSERT_EQ(SetAttributes(disc, kRoot, "file", false, true, false), Status::Done);
    EXPECT_EQ(disc.At(512), NextBcd(NextBcd(NextBcd(seq))));
    EXPECT_EQ(AttributeString(disc, EntryOffset(kRoot, 0)), "DL");
    EXPECT_EQ(AttributeString(disc, EntryOffset(kRoot, 1)), "W");
    EXPECT_EQ(disc.At(EntryOffset(kRoot, 0) + 25), NextBcd(seq));
    EXPECT_EQ(disc.At(EntryOffset(kRoot, 1) + 25), disc.At(512));
    // The directory's own name field carries the same R, W, L (and still D).
    for (std::size_t k = 0; k < 10; ++k)
        EXPECT_EQ(disc.At(d->ByteOffset() + 1228 + k), disc.At(EntryOffset(kRoot, 0) + k)) << k;
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

struct TitleCase {
    const char* label;
    std::string title;
    bool refused;
    std::vector<std::uint8_t> stored; // the 19 bytes at 1241 when accepted
};

class Titles : public ::testing::TestWithParam<TitleCase> {};

TEST_P(Titles, StoredPaddedOrRefused)
{
    const auto& c = GetParam();
    Disc disc = NewDisc(16);
    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_EQ(SetDirectoryTitle(disc, kRoot, c.title, sink) == Status::Refused, c.refused);
    if (c.refused) {
        EXPECT_EQ(sink.messages,
                  std::vector<std::string>{"Title " + c.title.substr(0, 19) + " Contains Illegal Characters"});
        EXPECT_EQ(disc.Image(), before);
        return;
    }
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(std::vector<std::uint8_t>(disc.Image().begin() + 512 + 1241, disc.Image().begin() + 512 + 1260),
              c.stored);
    EXPECT_EQ(disc.At(512), 0x02);
    EXPECT_EQ(disc.At(512 + 1274), 0x02);
}

std::vector<std::uint8_t> Padded19(std::string text, bool cr)
{
    std::vector<std::uint8_t> out(text.begin(), text.end());
    if (cr)
        out.push_back(13);
    out.resize(19, 0);
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Titles,
    ::testing::Values(
        TitleCase{"NineteenWithSpaces", "My Games Disc No 10", false, Padded19("My Games Disc No 10", false)},
        TitleCase{"LongerIsCut", "My Games Disc No 1234", false, Padded19("My Games Disc No 12", false)},
        TitleCase{"Empty", "", false, Padded19("", true)},
        TitleCase{"Short", "Utils_~", false, Padded19("Utils_~", true)}, TitleCase{"Dot", "v1.2", true, {}},
        TitleCase{"Dollar", "$Root", true, {}}, TitleCase{"Control", "a\tb", true, {}},
        // The refused character lies past the 19 kept ones.
        TitleCase{"DotPastTheCut", "ABCDEFGHIJKLMNOPQRS.", false, Padded19("ABCDEFGHIJKLMNOPQRS", false)}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SetBootOption, WritesByte509AndItsChecksum)
{
    Disc disc = NewDisc(16);
    for (std::uint8_t v : {2, 3, 0, 1}) {
        SetBootOption(disc, v);
        EXPECT_EQ(disc.At(509), v);
        EXPECT_EQ(disc.At(511), MapChecksum(disc, 256));
    }
    EXPECT_TRUE(ConsistencyProblems(disc).empty());
}

} // namespace
} // namespace marlin::image
