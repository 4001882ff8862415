#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "view_test_util.h"
#include "views/basic_lister.h"

namespace marlin::views {
namespace {

using test::DiscWithFile;
using test::Lines;

using Bytes = std::vector<std::uint8_t>;

// A tokenised program: 13, then per line high, low, length, text, 13; then 255.
Bytes Program(const std::vector<std::pair<int, Bytes>>& lines)
{
    Bytes out{13};
    for (const auto& [number, text] : lines) {
        out.push_back(static_cast<std::uint8_t>(number >> 8));
        out.push_back(static_cast<std::uint8_t>(number & 255));
        out.push_back(static_cast<std::uint8_t>(text.size() + 4));
        out.insert(out.end(), text.begin(), text.end());
        out.push_back(13);
    }
    out.push_back(255);
    return out;
}

Bytes B(std::string_view s)
{
    return Bytes(s.begin(), s.end());
}

Bytes Cat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// A line-number reference as the interpreter's tokeniser writes it.
Bytes Reference(int n)
{
    const int lo = n & 255, hi = n >> 8;
    const int b1 = (((lo & 0xC0) >> 2) | ((hi & 0xC0) >> 4)) ^ 0x54;
    return {0x8D, static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>((lo & 0x3F) | 0x40),
            static_cast<std::uint8_t>((hi & 0x3F) | 0x40)};
}

std::string ListingOf(const Bytes& file)
{
    DiscWithFile f(file);
    return Text(ShowBasic(f.disc, f.item));
}

// The keyword table as published for the interpreter, row by row.
constexpr const char* kTokenRows = R"(
| &80 | "AND" | "DIV" | "EOR" | "MOD" | "OR" | "ERROR" | "LINE" | "OFF" |
| &88 | "STEP" | "SPC" | "TAB(" | "ELSE" | "THEN" | (empty) | "OPENIN" | "PTR" |
| &90 | "PAGE" | "TIME" | "LOMEM" | "HIMEM" | "ABS" | "ACS" | "ADVAL" | "ASC" |
| &98 | "ASN" | "ATN" | "BGET" | "COS" | "COUNT" | "DEG" | "ERL" | "ERR" |
| &A0 | "EVAL" | "EXP" | "EXT" | "FALSE" | "FN" | "GET" | "INKEY" | "INSTR(" |
| &A8 | "INT" | "LEN" | "LN" | "LOG" | "NOT" | "OPENUP" | "OPENOUT" | "PI" |
| &B0 | "POINT(" | "POS" | "RAD" | "RND" | "SGN" | "SIN" | "SQR" | "TAN" |
| &B8 | "TO" | "TRUE" | "USR" | "VAL" | "VPOS" | "CHR$" | "GET$" | "INKEY$" |
| &C0 | "LEFT$(" | "MID$(" | "RIGHT$(" | "STR$" | "STRING$(" | "EOF" | "AUTO" | "DELETE" |
| &C8 | "LOAD" | "LIST" | "NEW" | "OLD" | "RENUMBER" | "SAVE" | (empty) | "PTR" |
| &D0 | "PAGE" | "TIME" | "LOMEM" | "HIMEM" | "SOUND" | "BPUT" | "CALL" | "CHAIN" |
| &D8 | "CLEAR" | "CLOSE" | "CLG" | "CLS" | "DATA" | "DEF" | "DIM" | "DRAW" |
| &E0 | "END" | "ENDPROC" | "ENVELOPE" | "FOR" | "GOSUB" | "GOTO" | "GCOL" | "IF" |
| &E8 | "INPUT" | "LET" | "LOCAL" | "MODE" | "MOVE" | "NEXT" | "ON" | "VDU" |
| &F0 | "PLOT" | "PRINT" | "PROC" | "READ" | "REM" | "REPEAT" | "REPORT" | "RESTORE" |
| &F8 | "RETURN" | "RUN" | "STOP" | "COLOUR" | "TRACE" | "UNTIL" | "WIDTH" | "OSCLI" |
)";

std::map<int, std::string> PublishedTokens()
{
    std::map<int, std::string> tokens;
    std::istringstream rows(kTokenRows);
    std::string row;
    while (std::getline(rows, row)) {
        if (row.empty())
            continue;
        const int first = std::stoi(row.substr(3, 2), nullptr, 16);
        std::istringstream cells(row.substr(row.find('|', 2) + 1));
        std::string cell;
        int i = 0;
        while (std::getline(cells, cell, '|')) {
            const auto q = cell.find('"');
            if (q == std::string::npos && cell.find("(empty)") == std::string::npos)
                continue;
            tokens[first + i++] = q == std::string::npos ? "" : cell.substr(q + 1, cell.rfind('"') - q - 1);
        }
    }
    return tokens;
}

TEST(ShowBasic, EveryTokenIsExpanded)
{
    const auto tokens = PublishedTokens();
    ASSERT_EQ(tokens.size(), 128u);
    // One line per token, numbered by the token, with the token between two
    // letters so its text's place is plain; &8D carries a reference to 10.
    std::vector<std::pair<int, Bytes>> lines;
    std::string expected;
    for (const auto& [token, text] : tokens) {
        Bytes line{'x', static_cast<std::uint8_t>(token)};
        std::string shown = "x" + text;
        if (token == 0x8D) {
            line.insert(line.end(), {0x54, 0x4A, 0x40});
            shown += "10";
        }
        line.push_back('y');
        lines.emplace_back(token, line);
        expected += "  " + std::to_string(token) + " " + shown + "y\r";
    }
    EXPECT_EQ(ListingOf(Program(lines)), expected);
}

struct LineCase {
    const char* name;
    Bytes text;
    std::string shown;
};

TEST(ShowBasic, LineText)
{
    const std::vector<LineCase> cases = {
        {"plain text", B("A=1"), "A=1"},
        {"keywords", {0xF1, ' ', 'X', 0xB8, '3'}, "PRINT XTO3"},
        {"token inside a string", {'"', 'A', 0xF1, '"'}, "\"A\xF1\""},
        {"string closes", {'"', 0xF1, '"', 0xF1}, "\"\xF1\"PRINT"},
        {"tab", {'A', 9, 'B'}, "A [0x09] B"},
        {"control inside a string", {'"', 1, '"'}, "\" [0x01] \""},
        {"byte 0 and 31", {0, 31}, " [0x00]  [0x1F] "},
        {"byte 127", {127}, "\x7F"},
        {"REM keeps expanding", {0xF4, ' ', 0xF1}, "REM PRINT"},
        {"reference 10", {0xE5, 0x8D, 0x54, 0x4A, 0x40}, "GOTO10"},
        {"reference 64", {0xE5, 0x8D, 0x44, 0x40, 0x40}, "GOTO64"},
        {"reference 0", Cat({{0xE4}, Reference(0)}), "GOSUB0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ListingOf(Program({{10, c.text}})), "   10 " + c.shown + "\r");
    }
}

TEST(ShowBasic, LineNumbersAreRightAligned)
{
    EXPECT_EQ(ListingOf(Program({{0, B("A")}, {7, B("B")}, {12345, B("C")}, {65279, B("D")}})),
              "    0 A\r    7 B\r12345 C\r65279 D\r");
}

TEST(ShowBasic, ReferencesDecodedInFull)
{
    // Around the point where the high byte's top bits come into use, and up
    // to the highest line number.
    for (int n : {1, 255, 256, 1000, 16383, 16384, 16385, 20000, 30000, 32767}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(ListingOf(Program({{10, Cat({{0xE5}, Reference(n)})}})), "   10 GOTO" + std::to_string(n) + "\r");
    }
}

TEST(ShowBasic, FullDecodingAgreesWithTheShortFormBelow16384)
{
    for (int n = 0; n < 65536; ++n) {
        const Bytes r = Reference(n);
        const std::uint32_t decoded = DecodeLineReference(r[1], r[2], r[3]);
        ASSERT_EQ(decoded, static_cast<std::uint32_t>(n));
        if (n < 16384) {
            // The short form: the second byte less 64, plus 64, 128 or 192
            // for a first byte of &44, &74 or &64; the third byte less 64 is
            // the high byte.
            const int extra = r[1] == 0x44 ? 64 : r[1] == 0x74 ? 128 : r[1] == 0x64 ? 192 : 0;
            ASSERT_EQ(static_cast<int>(decoded), r[2] - 64 + extra + (r[3] - 64) * 256) << n;
        }
    }
}

TEST(ShowBasic, RecognitionTest)
{
    const std::string refused = "This does not appear to be a BASIC program";
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {{13, 255}, ""},
        {{}, refused},
        {{13}, refused},
        {{255}, refused},
        {{12, 0, 10, 5, 'A', 13, 255}, refused},
        {{13, 0, 10, 5, 'A', 13, 255, 0}, refused},
    };
    for (const auto& [file, shown] : cases) {
        SCOPED_TRACE(::testing::PrintToString(file));
        DiscWithFile f(file, 0, "Prog");
        const ViewText v = ShowBasic(f.disc, f.item);
        EXPECT_EQ(v.text, shown);
        EXPECT_EQ(v.title, "View File - Prog");
        EXPECT_EQ(v.viewName, "Prog");
    }
}

TEST(ShowBasic, DirectoryItemIsNoProgram)
{
    DiscWithFile f(Program({{10, B("A")}}));
    const FileItem root = ItemOf(image::RootEntry(f.disc));
    EXPECT_EQ(Text(ShowBasic(f.disc, root)), "This does not appear to be a BASIC program");
}

TEST(ShowBasic, DamagedProgramsStopAtTheFileEnd)
{
    const std::vector<std::pair<Bytes, std::string>> cases = {
        // The last line lacks its 13: the 255 is read as its last token.
        {{13, 0, 10, 5, 'A', 255}, "   10 AOSCLI\r"},
        {{13, 0, 10, 5, 'A', 13, 0, 20, 5, 'B', 255}, "   10 A\r   20 BOSCLI\r"},
        // A reference whose bytes the file's end cuts short.
        {{13, 0, 10, 8, 'A', 0x8D, 0x54, 255}, "   10 A\r"},
        // The low byte is the file's last byte.
        {{13, 0, 255}, "  255 \r"},
        // The line's own 13 is missing and the file ends at its low byte.
        {{13, 13, 255}, " 3583 \r"},
    };
    for (const auto& [file, shown] : cases) {
        SCOPED_TRACE(::testing::PrintToString(file));
        EXPECT_EQ(ListingOf(file), shown);
    }
}

TEST(ShowBasic, LengthPastTheImageEndsAtTheImage)
{
    // The entry claims more than the image holds; what lies inside it is a
    // program whose last line runs into the image's end.
    Bytes bytes(256, 0);
    const Bytes tail{13, 0, 10, 6, 'A', 'B', 255};
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    image::Disc disc(bytes);
    EXPECT_EQ(Text(ShowBasic(disc, FileItem{"P", false, 0, 0x10000, 1})), "   10 ABOSCLI\r");
}

} // namespace
} // namespace marlin::views
