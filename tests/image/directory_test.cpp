#include <gtest/gtest.h>

#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::image {
namespace {

std::vector<std::uint8_t> SlotBytes(const Disc& disc, SectorAddress dir, int slot)
{
    const auto e = EntryOffset(dir, slot);
    return {disc.Image().begin() + static_cast<std::ptrdiff_t>(e),
            disc.Image().begin() + static_cast<std::ptrdiff_t>(e + dir::kSlotSize)};
}

TEST(Directory, NamesAreStoredWithOrWithoutCR)
{
    struct Case {
        std::string name, bytes;
    };
    for (const Case& c : {Case{"NewFolder", std::string("NewFolder\r")}, Case{"TENLETTERS", "TENLETTERS"},
                          Case{"ELEVENCHARS", "ELEVENCHAR"}, Case{"A", std::string("A\r\0\0\0\0\0\0\0\0", 10)}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PaddedName(c.name), c.bytes);
        Disc disc = NewDisc(16);
        ASSERT_GE(test::AddFile(disc, kRoot, c.name, {1}, 0, 0, "LWR"), 0);
        // Attribute bits set on the first bytes do not change what is read.
        EXPECT_EQ(GetEntryName(disc, kRoot, 0), c.name.substr(0, 10));
        EXPECT_EQ(FindEntry(disc, kRoot, c.name.substr(0, 10)), 0);
    }
}

TEST(Directory, ReadingNamesMasksBitSevenAndKeepsNulBeforeCR)
{
    Disc disc = NewDisc(16);
    const auto e = EntryOffset(kRoot, 0);
    const std::string raw("AB\0C\r", 5);
    for (std::size_t k = 0; k < raw.size(); ++k)
        disc.Set(e + k, static_cast<std::uint8_t>(raw[k]) | 0x80);
    EXPECT_EQ(GetEntryName(disc, kRoot, 0), std::string("AB\0C", 4));
    EXPECT_EQ(AttributeString(disc, e), "EDLWR");
    // The directory's own name stops at a NUL as well.
    disc.Set(kRoot.ByteOffset() + dir::kName, 'X');
    disc.Set(kRoot.ByteOffset() + dir::kName + 1, 0);
    disc.Set(kRoot.ByteOffset() + dir::kName + 2, 'Y');
    EXPECT_EQ(GetDirectoryName(disc, kRoot), "X");
}

TEST(Directory, DirectoryNames)
{
    Disc disc = NewDisc(16);
    EXPECT_EQ(GetDirectoryName(disc, kRoot), "$");
    for (std::size_t k = 0; k < dir::kNameLength; ++k)
        disc.Set(kRoot.ByteOffset() + dir::kName + k, 0);
    EXPECT_EQ(GetDirectoryName(disc, kRoot), "$");
    SilentSink sink;
    const auto sub = CreateDirectory(disc, kRoot, "Sub", sink);
    ASSERT_TRUE(sub.Done());
    EXPECT_EQ(GetDirectoryName(disc, *sub), "Sub");
    disc.Set(sub->ByteOffset() + dir::kName, kCR);
    EXPECT_EQ(GetDirectoryName(disc, *sub), "");
}

TEST(Directory, InsertKeepsUpperCaseOrderAndRefusesDuplicates)
{
    Disc disc = NewDisc(16);
    ASSERT_GE(test::AddFile(disc, kRoot, "ALPHA", {1}), 0);
    ASSERT_GE(test::AddFile(disc, kRoot, "Gamma", {1}), 0);
    ASSERT_GE(test::AddFile(disc, kRoot, "beta", {1}), 0);
    EXPECT_EQ(GetEntryName(disc, kRoot, 1), "beta");
    EXPECT_EQ(GetEntryName(disc, kRoot, 2), "Gamma");

    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_TRUE(InsertEntry(disc, kRoot, "GAMMA", RefusalCode::FileAlreadyExists, sink).Refused());
    EXPECT_TRUE(InsertEntry(disc, kRoot, "alpha", RefusalCode::FileAlreadyExists, sink).Refused());
    EXPECT_TRUE(CreateDirectory(disc, kRoot, "Beta", sink).Refused());
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"File GAMMA Already Exists", "File alpha Already Exists",
                                                       "Directory Beta Already Exists"}));
    EXPECT_EQ(disc.Image(), before);

    // Character codes of the upper-cased names: ABC < abd, Z < _.
    for (const char* name : {"abd", "ABC", "_", "Z"})
        ASSERT_GE(test::AddFile(disc, kRoot, name, {1}), 0);
    std::vector<std::string> names;
    for (int i = 0; i < EntryCount(disc, kRoot); ++i)
        names.push_back(GetEntryName(disc, kRoot, i));
    EXPECT_EQ(names, (std::vector<std::string>{"ABC", "abd", "ALPHA", "beta", "Gamma", "Z", "_"}));
    EXPECT_TRUE(test::ConsistencyProblems(disc).empty());
}

TEST(Directory, FullDirectory)
{
    Disc disc = NewDisc(16);
    for (int i = 0; i < 46; ++i)
        ASSERT_GE(test::AddFile(disc, kRoot, "F" + std::to_string(100 + i), {1}), 0);
    // The 47th entry goes into slot 46 (sorting last).
    const auto last = test::AddFile(disc, kRoot, "Z", {1});
    ASSERT_GE(last, 0);
    EXPECT_EQ(GetEntryName(disc, kRoot, 46), "Z");
    const auto before = disc.Image();
    CollectingSink sink;
    // Full is said before any name is compared, even for a duplicate.
    EXPECT_TRUE(InsertEntry(disc, kRoot, "Z", RefusalCode::FileAlreadyExists, sink).Refused());
    EXPECT_TRUE(InsertEntry(disc, kRoot, "A", RefusalCode::FileAlreadyExists, sink).Refused());
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Directory Full", "Directory Full"}));
    EXPECT_EQ(disc.Image(), before);

    const auto second = SlotBytes(disc, kRoot, 1);
    RemoveEntry(disc, kRoot, 0);
    EXPECT_EQ(EntryCount(disc, kRoot), 46);
    EXPECT_EQ(SlotBytes(disc, kRoot, 0), second);
    EXPECT_EQ(SlotBytes(disc, kRoot, 46), std::vector<std::uint8_t>(26, 0));
}

TEST(Directory, SequenceNumbersCountInBCD)
{
    struct Case {
        std::uint8_t from, to;
    };
    for (const Case& c : {Case{0x01, 0x02}, Case{0x09, 0x10}, Case{0x19, 0x20}, Case{0x98, 0x99}, Case{0x99, 0x00}}) {
        SCOPED_TRACE(int{c.from});
        Disc disc = NewDisc(16);
        disc.Set(kRoot.ByteOffset(), c.from);
        EXPECT_EQ(NextSequenceNumber(disc, kRoot), c.to);
        EXPECT_EQ(disc.At(kRoot.ByteOffset()), c.to);
        EXPECT_EQ(disc.At(kRoot.ByteOffset() + dir::kSequenceCopy), c.to);
    }
    // An inserted entry carries the new number.
    Disc disc = NewDisc(16);
    disc.Set(kRoot.ByteOffset(), 0x99);
    ASSERT_GE(test::AddFile(disc, kRoot, "A", {1}), 0);
    EXPECT_EQ(disc.At(EntryOffset(kRoot, 0) + entry::kSequence), 0x00);
}

TEST(Directory, LookupStopsAtTheEndSlotAndSeesCRSlotsAsOccupied)
{
    Disc disc = NewDisc(16);
    for (const char* name : {"A", "B", "C"})
        ASSERT_GE(test::AddFile(disc, kRoot, name, {1}), 0);
    EXPECT_EQ(FindEntry(disc, kRoot, "c"), 2);
    disc.Set(EntryOffset(kRoot, 0), kCR);
    EXPECT_EQ(GetEntryName(disc, kRoot, 0), "");
    EXPECT_EQ(EntryCount(disc, kRoot), 3);
    EXPECT_EQ(FindEntry(disc, kRoot, "C"), 2);
    disc.Set(EntryOffset(kRoot, 1), 0x80); // empty by its low seven bits
    EXPECT_EQ(FindEntry(disc, kRoot, "C"), -1);
    EXPECT_EQ(EntryCount(disc, kRoot), 1);
}

TEST(Directory, ABlockRunningPastTheImageIsNoDirectory)
{
    Disc disc = NewDisc(16);
    const SectorAddress near(4092); // sectors 4092..4096: one past the end
    for (int k = 0; k < 4; ++k)
        disc.Set(near.ByteOffset() + 1 + static_cast<std::uint64_t>(k), static_cast<std::uint8_t>(kSignature[k]));
    EXPECT_FALSE(IsDirectory(disc, near));
    EXPECT_TRUE(IsDirectory(disc, kRoot));
    // Readers of such a block see zeros past the end instead of leaving the image.
    EXPECT_EQ(GetEntryName(disc, near, 46), std::string(10, '\0'));
    EXPECT_EQ(FindEntry(disc, near, "X"), -1);
    EXPECT_EQ(GetDirectoryTitle(disc, SectorAddress(kMaxSectorValue)), "");
    // Inserting into it used to write the entry past the image's end.
    const auto before = disc.Image();
    CollectingSink sink;
    EXPECT_TRUE(InsertEntry(disc, near, "NEW", RefusalCode::FileAlreadyExists, sink).Refused());
    EXPECT_TRUE(CreateDirectory(disc, SectorAddress(kMaxSectorValue), "NEW", sink).Refused());
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"Directory Full", "Directory Full"}));
    EXPECT_EQ(disc.Image(), before);
}

} // namespace
} // namespace marlin::image
