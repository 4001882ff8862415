// What an entry is called on the host and back, and the ".INF" sidecars that carry its values.
#include <gtest/gtest.h>

#include "host/host_names.h"
#include "host/inf_file.h"
#include "image/hex.h"
#include "support/scratch.h"

namespace marlin::host {
namespace {

using test::ReadHostFile;
using test::WriteHostFile;

// Quoted, with every byte outside 32..126 as \xHH.
std::string Quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned char>(c));
        out += c >= 32 && c < 127 ? std::string(1, c) : hex;
    }
    return out + "\"";
}

// Each name through each conversion, including those a damaged image or a host may hold.
TEST(HostNames, EachWayAcrossTheBorder)
{
    std::string text;
    for (const std::string name : {"A/B",        "prn",         "con",
                                   "LPT",        "CON_",        "COM1",
                                   "AUX",        "NUL",         ".",
                                   "..",         "...",         "",
                                   "..A",        "a/b/c",       "\x7F",
                                   "A\x01Z",     "my file",     "A\tb\xFF~ ",
                                   "readme.txt", "My File.txt", "a.b",
                                   "x.y.z",      "$.GAME",      "VERYLONGNAME.TXT",
                                   ".profile",   "ab.c",        "ABCDEFGHIJ.K",
                                   "A.",         "$.",          "\xC3\xA9t\xC3\xA9",
                                   "  My Dir  "})
        text += Quoted(name) + " " + Quoted(SafeHostName(name, false)) + " " + Quoted(ImageNameFromHost(name)) + " " +
                Quoted(PrintableHostName(name)) + " " + Quoted(TrimBlanks(name)) + "\n";
    EXPECT_EQ(SafeHostName(std::string("A\0B", 3)), "A_B");
    EXPECT_EQ(ImageNameFromHost(std::string("\0AB", 3)), "_AB");
    EXPECT_EQ(text, ReadHostFile(MARLIN_TEST_DATA "/host_names.txt"));
}

// What Windows refuses, checked on every host; SafeHostName adds it on Windows only.
TEST(HostNames, WindowsRefusals)
{
    const std::pair<const char*, const char*> cases[] = {
        {"A:B", "A_B"},          {"\\*?\"<>|", "_______"}, {"X. .", "X___"},   {"NUL", "NUL_"},
        {"nul.txt", "nul_.txt"}, {"Aux", "Aux_"},          {"COM1", "COM1_"},  {"lpt9.a.b", "lpt9_.a.b"},
        {"CON .X", "CON_ .X"},   {"COM0", "COM0"},         {"LPT10", "LPT10"}, {"NULL", "NULL"},
        {" NUL", " NUL"},        {".NUL", ".NUL"}};
    for (const auto& [name, safe] : cases)
        EXPECT_EQ(WindowsHostName(name), safe) << name;
    EXPECT_EQ(std::make_tuple(SafeHostName("..", true), SafeHostName("A:B.", false)), std::make_tuple("___", "A:B."));
}

// Each line as a file's sidecar (the six-digit layout widened, the eight-digit one winning
// when both fit) with the values and letters read and the line written back, and as a
// folder's (a blank in column 11).
TEST(ParseInfLine, ReadsTheLayoutThatFits)
{
    std::string text;
    for (const std::string line :
         {"$.GAME     FF1900 FF8023 000400 L", "$.A        001900 000000 0000FF", "$.A        001900 000000 00001",
          "GAME       FFFF1900 FFFF8023 00000400 LWR", "GAME       FFFF1900 FFFF8023 00000400 ",
          "GAME       FFFF1900 FFFF8023 00000400 WR ", "game       ffff1900 ffff8023 00000400 lwr ED",
          "A.B        FFFF19 0 FFFF 023 00000400 L", "GAME       G1F2XX3Z 0000001  00000400 RW0",
          "GAME       FFFF1900 FFFF8023 00000400", "GAMES      DLR", "  My Dir   DR", "GAMES12345", "GAMES123456 D",
          "AB.GAME    FF1900 FF8023 000400 L", ""}) {
        text += Quoted(line) + "\n";
        if (const auto f = ParseInfLine(line)) {
            const AttributeBits bits = BitsFromAttributes(f->attributes);
            text += "  file " + Quoted(f->name) + " " + f->load + " " + f->exec + " " + f->length + " " +
                    Quoted(f->attributes) + " " + image::FixedHex(FieldValue(f->load), 8) + " " +
                    image::FixedHex(FieldValue(f->exec), 8) + " " + image::FixedHex(FieldValue(f->length), 8) + " " +
                    (bits.R ? "R" : "") + (bits.W ? "W" : "") + (bits.L ? "L" : "") + "\n  written " +
                    Quoted(FileInfLine(*f, true)) +
                    (ParseInfLine(FileInfLine(*f, false)) == f ? " reads back\n" : "\n");
        }
        const auto folder = ParseFolderLine(line);
        text += "  folder " +
                (folder ? Quoted(*folder) + " written " + Quoted(DirectoryInfLine(*folder, "DLR", true)) : "none") +
                "\n";
    }
    EXPECT_EQ(text, ReadHostFile(MARLIN_TEST_DATA "/inf_lines.txt"));
}

// The first line is read up to its CR; writing replaces the file, never through a link.
TEST(Sidecars, ReadAndWritten)
{
    test::Scratch dir;
    const auto inf = InfPath(dir / "GAME");
    EXPECT_EQ(inf, dir / "GAME.INF");
    WriteHostFile(inf, "GAME       FFFF1900 FFFF8023 00000400 LWR\r\nSECOND     00000000 00000000 00000000 R\r\n");
    EXPECT_EQ(ParseFileInf(inf), ParseInfLine("GAME       FFFF1900 FFFF8023 00000400 LWR"));
    WriteHostFile(inf, "");
    EXPECT_EQ(std::make_tuple(ParseFileInf(inf), ParseFolderInf(inf)), std::make_tuple(std::nullopt, std::nullopt));
    EXPECT_EQ(ParseFileInf(dir / "missing.INF"), std::nullopt);
    WriteHostFile(inf, "GAMES      DLR \r\n");
    EXPECT_EQ(std::make_tuple(ParseFileInf(inf), ParseFolderInf(inf)),
              std::make_tuple(std::nullopt, std::optional<std::string>("GAMES")));
    EXPECT_EQ((std::vector<bool>{IsInfPath("/a/GAME.INF"), IsInfPath(".INF"), IsInfPath("/a/GAME.inf"),
                                 IsInfPath("/a/GAME.Inf"), IsInfPath("INF")}),
              (std::vector<bool>{true, true, false, false, false}));
    // Names are cut to ten characters.
    EXPECT_EQ(FileInfLine({"LONGERNAME+", "0", "0", "0", ""}, false), "LONGERNAME 0 0 0 ");
    EXPECT_EQ(DirectoryInfLine("LONGERNAME+", "DLR", false), "LONGERNAME DLR");

    ASSERT_EQ(WriteInf(dir / "GAME", "GAME       DLR"), image::Status::Done);
    EXPECT_EQ(ReadHostFile(inf), "GAME       DLR\r\n");
    WriteHostFile(dir / "outside", "keep");
#ifndef _WIN32 // links need privileges on Windows
    std::filesystem::create_symlink(dir / "outside", dir / "L.INF");
#endif
    ASSERT_EQ(WriteInf(dir / "L", "L          WR"), image::Status::Done);
    EXPECT_EQ(ReadHostFile(dir / "outside"), "keep");
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "L.INF"));
    EXPECT_EQ(ReadHostFile(dir / "L.INF"), "L          WR\r\n");
    EXPECT_EQ(WriteInf(dir / "no_such_folder" / "X", "X          WR"), image::Status::Refused);
}

} // namespace
} // namespace marlin::host
