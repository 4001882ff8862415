#include "host/inf_file.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include "support/scratch.h"

namespace marlin::host {
namespace {

using test::ReadHostFile;
using test::Scratch;
using test::WriteHostFile;

// The six-digit example: $.GAME padded to column 11, FF1900, FF8023, 000400, L.
const std::string kSixDigit = "$.GAME     FF1900 FF8023 000400 L";
// The eight-digit example: GAME padded to 10, FFFF1900, FFFF8023, 00000400, LWR.
const std::string kEightDigit = "GAME       FFFF1900 FFFF8023 00000400 LWR";

TEST(ParseInfLine, ReadsTheLayoutThatFits)
{
    struct Case {
        std::string line;
        std::optional<InfFields> expected; // none: no layout fits
    };
    const Case cases[] = {
        {kSixDigit, InfFields{"$.GAME", "FFFF1900", "FFFF8023", "00000400", "RWL"}},
        {"$.A        001900 000000 0000FF", InfFields{"$.A", "00001900", "00000000", "000000FF", "RW"}},
        // Exactly 30 characters: the length field is cut short and its last
        // pair reads as a single digit.
        {"$.A        001900 000000 00001", InfFields{"$.A", "00001900", "00000000", "0000001", "RW"}},
        {kEightDigit, InfFields{"GAME", "FFFF1900", "FFFF8023", "00000400", "LWR"}},
        {"GAME       FFFF1900 FFFF8023 00000400 WR", InfFields{"GAME", "FFFF1900", "FFFF8023", "00000400", "WR"}},
        {"GAME       FFFF1900 FFFF8023 00000400 ", InfFields{"GAME", "FFFF1900", "FFFF8023", "00000400", ""}},
        // The trailing blank is kept.
        {"GAME       FFFF1900 FFFF8023 00000400 LWR ", InfFields{"GAME", "FFFF1900", "FFFF8023", "00000400", "LWR "}},
        {"game       ffff1900 ffff8023 00000400 LWR", InfFields{"game", "ffff1900", "ffff8023", "00000400", "LWR"}},
        // Both layouts fit: every value comes from the eight-digit reading.
        {"A.B        FFFF19 0 FFFF 023 00000400 L", InfFields{"A.B", "FFFF19 0", "FFFF 023", "00000400", "L"}},
        {"GAME       FFFF1900 FFFF8023 00000400", std::nullopt}, // 37 columns
        {"GAMES      DLR", std::nullopt},
        {"", std::nullopt},
        {"AB.GAME    FF1900 FF8023 000400 L", std::nullopt}, // six digits need "." in column 2
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ParseInfLine(c.line), c.expected);
    }
}

TEST(FieldValue, PairsMostSignificantFirst)
{
    EXPECT_EQ(FieldValue("FFFF1900"), 0xFFFF1900u);
    EXPECT_EQ(FieldValue("ffff8023"), 0xFFFF8023u);
    EXPECT_EQ(FieldValue("00000400"), 0x400u);
    // A pair is read from its leading hex digits; no digit gives 0.
    EXPECT_EQ(FieldValue("FFFF19 0"), 0xFFFF1900u);
    EXPECT_EQ(FieldValue("G1F2XX3Z"), 0x00F20003u);
    EXPECT_EQ(FieldValue("0000001"), 0x01u);
    EXPECT_EQ(FieldValue(""), 0u);
}

TEST(BitsFromAttributes, OnlyUpperCaseRWL)
{
    EXPECT_EQ(BitsFromAttributes("LWR"), (AttributeBits{true, true, true}));
    EXPECT_EQ(BitsFromAttributes("WR"), (AttributeBits{true, true, false}));
    EXPECT_EQ(BitsFromAttributes(""), (AttributeBits{}));
    EXPECT_EQ(BitsFromAttributes("rwl ED"), (AttributeBits{}));
    EXPECT_EQ(BitsFromAttributes("RW0"), (AttributeBits{true, true, false}));
}

TEST(InfLine, WrittenColumns)
{
    const InfFields f{"A/B", "FFFF1900", "FFFF8023", "00000400", "LWR"};
    EXPECT_EQ(FileInfLine(f, false), "A/B        FFFF1900 FFFF8023 00000400 LWR");
    EXPECT_EQ(FileInfLine(f, true), "A/B        FFFF1900 FFFF8023 00000400 LWR ");
    EXPECT_EQ(FileInfLine({"LONGERNAME+", "0", "0", "0", ""}, false).substr(0, 11), "LONGERNAME ");
    EXPECT_EQ(DirectoryInfLine("GAMES", "DLR", true), "GAMES      DLR ");
    EXPECT_EQ(DirectoryInfLine("GAMES", "DLR", false), "GAMES      DLR");
    // What a writer puts out, a reader takes back.
    EXPECT_EQ(ParseInfLine(FileInfLine(f, false)), f);
    EXPECT_EQ(ParseFolderLine(DirectoryInfLine("GAMES", "DLR", false)), "GAMES");
}

TEST(ParseFolderLine, NeedsABlankInColumn11)
{
    EXPECT_EQ(ParseFolderLine("  My Dir   DR"), "My Dir");
    EXPECT_EQ(ParseFolderLine(kEightDigit), "GAME");
    EXPECT_EQ(ParseFolderLine("GAMES12345"), std::nullopt);
    EXPECT_EQ(ParseFolderLine("GAMES123456 D"), std::nullopt);
    EXPECT_EQ(ParseFolderLine(""), std::nullopt);
}

TEST(Sidecars, ReadOnlyTheFirstLineUpToCR)
{
    Scratch dir;
    const auto data = dir.path() / "GAME";
    WriteHostFile(InfPath(data), kEightDigit + "\r\nSECOND     00000000 00000000 00000000 R\r\n");
    EXPECT_EQ(ParseFileInf(InfPath(data))->name, "GAME");
    EXPECT_EQ(ParseFileInf(InfPath(data))->attributes, "LWR");

    WriteHostFile(InfPath(data), "");
    EXPECT_EQ(ParseFileInf(InfPath(data)), std::nullopt);
    EXPECT_EQ(ParseFolderInf(InfPath(data)), std::nullopt);
    EXPECT_EQ(ParseFileInf(dir.path() / "missing.INF"), std::nullopt);

    WriteHostFile(InfPath(data), "GAMES      DLR \r\n");
    EXPECT_EQ(ParseFileInf(InfPath(data)), std::nullopt);
    EXPECT_EQ(ParseFolderInf(InfPath(data)), "GAMES");
}

TEST(Sidecars, WriteInfReplacesTheOldFileAndNeverWritesThroughALink)
{
    Scratch dir;
    const auto data = dir.path() / "GAME";
    WriteHostFile(InfPath(data), "an older and much longer sidecar text\r\n");
    ASSERT_EQ(WriteInf(data, "GAME       DLR"), image::Status::Done);
    EXPECT_EQ(ReadHostFile(InfPath(data)), "GAME       DLR\r\n");

    const auto outside = dir.path() / "outside";
    WriteHostFile(outside, "keep");
    const auto linked = dir.path() / "L";
    std::filesystem::create_symlink(outside, InfPath(linked));
    ASSERT_EQ(WriteInf(linked, "L          WR"), image::Status::Done);
    EXPECT_EQ(ReadHostFile(outside), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(InfPath(linked)));
    EXPECT_EQ(ReadHostFile(InfPath(linked)), "L          WR\r\n");

    EXPECT_EQ(WriteInf(dir.path() / "no_such_folder" / "X", "X          WR"), image::Status::Refused);
}

TEST(Sidecars, OnlyUpperCaseInfIsASidecar)
{
    EXPECT_TRUE(IsInfPath("/a/GAME.INF"));
    EXPECT_TRUE(IsInfPath(".INF"));
    EXPECT_FALSE(IsInfPath("/a/GAME.inf"));
    EXPECT_FALSE(IsInfPath("/a/GAME.Inf"));
    EXPECT_FALSE(IsInfPath("INF"));
}

} // namespace
} // namespace marlin::host
