#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "view_test_util.h"
#include "views/disassembler.h"

namespace marlin::views {
namespace {

using test::DiscWithFile;
using test::Lines;

using Bytes = std::vector<std::uint8_t>;

// The instruction set as published: mnemonic, then the operand template.
constexpr const char* kOpcodeRows = R"(
| &00 | BRK | ORA (&l,X) | ??? | ??? | TSB &l | ORA &l | ASL &l | ??? | PHP | ORA #&l | ASL A | ??? | TSB &hl | ORA &hl | ASL &hl | ??? |
| &10 | BPL &r | ORA (&l),Y | ORA (&l) | ??? | TRB &l | ORA &l,X | ASL &l,X | ??? | CLC | ORA &hl,Y | INC A | ??? | TRB &hl | ORA &hl,X | ASL &hl,X | ??? |
| &20 | JSR &hl | AND (&l,X) | ??? | ??? | BIT &l | AND &l | ROL &l | ??? | PLP | AND #&l | ROL A | ??? | BIT &hl | AND &hl | ROL &hl | ??? |
| &30 | BMI &r | AND (&l),Y | AND (&l) | ??? | BIT &l,X | AND &l,X | ROL &l,X | ??? | SEC | AND &hl,Y | DEC A | ??? | BIT &hl,X | AND &hl,X | ROL &hl,X | ??? |
| &40 | RTI | EOR (&l,X) | ??? | ??? | ??? | EOR &l | LSR &l | ??? | PHA | EOR #&l | LSR A | ??? | JMP &hl | EOR &hl | LSR &hl | ??? |
| &50 | BVC &r | EOR (&l),Y | EOR (&l) | ??? | ??? | EOR &l,X | LSR &l,X | ??? | CLI | EOR &hl,Y | PHY | ??? | ??? | EOR &hl,X | LSR &hl,X | ??? |
| &60 | RTS | ADC (&l,X) | ??? | ??? | STZ &l | ADC &l | ROR &l | ??? | PLA | ADC #&l | ROR A | ??? | JMP (&hl) | ADC &hl | ROR &hl | ??? |
| &70 | BVS &r | ADC (&l),Y | ADC (&l) | ??? | STZ &l,X | ADC &l,X | ROR &l,X | ??? | SEI | ADC &hl,Y | PLY | ??? | JMP (&hl,X) | ADC &hl,X | ROR &hl,X | ??? |
| &80 | BRA &r | STA (&l,X) | ??? | ??? | STY &l | STA &l | STX &l | ??? | DEY | BIT #&l | TXA | ??? | STY &hl | STA &hl | STX &hl | ??? |
| &90 | BCC &r | STA (&l),Y | STA (&l) | ??? | STY &l,X | STA &l,X | STX &l,Y | ??? | TYA | STA &hl,Y | TXS | ??? | STZ &hl | STA &hl,X | STZ &hl,X | ??? |
| &A0 | LDY #&l | LDA (&l,X) | LDX #&l | ??? | LDY &l | LDA &l | LDX &l | ??? | TAY | LDA #&l | TAX | ??? | LDY &hl | LDA &hl | LDX &hl | ??? |
| &B0 | BCS &r | LDA (&l),Y | LDA (&l) | ??? | LDY &l,X | LDA &l,X | LDX &l,Y | ??? | CLV | LDA &hl,Y | TSX | ??? | LDY &hl,X | LDA &hl,X | LDX &hl,Y | ??? |
| &C0 | CPY #&l | CMP (&l,X) | ??? | ??? | CPY &l | CMP &l | DEC &l | ??? | INY | CMP #&l | DEX | ??? | CPY &hl | CMP &hl | DEC &hl | ??? |
| &D0 | BNE &r | CMP (&l),Y | CMP (&l) | ??? | ??? | CMP &l,X | DEC &l,X | ??? | CLD | CMP &hl,Y | PHX | ??? | ??? | CMP &hl,X | DEC &hl,X | ??? |
| &E0 | CPX #&l | SBC (&l,X) | ??? | ??? | CPX &l | SBC &l | INC &l | ??? | INX | SBC #&l | NOP | ??? | CPX &hl | SBC &hl | INC &hl | ??? |
| &F0 | BEQ &r | SBC (&l),Y | SBC (&l) | ??? | NOP | SBC &l,X | INC &l,X | ??? | SED | SBC &hl,Y | PLX | ??? | ??? | SBC &hl,X | INC &hl,X | ??? |
)";

// Length of each template, opcode byte included.
const std::map<std::string, int> kTemplateLengths = {
    {"", 1},       {"#&l", 2},    {"&l", 2}, {"&hl", 3},   {"&l,X", 2}, {"&l,Y", 2},    {"&hl,X", 3}, {"&hl,Y", 3},
    {"(&l,X)", 2}, {"(&l),Y", 2}, {"A", 1},  {"(&hl)", 3}, {"&r", 2},   {"(&hl,X)", 3}, {"(&l)", 2},
};

struct Published {
    std::string mnemonic;
    std::string operand;
};

std::vector<Published> PublishedOpcodes()
{
    std::vector<Published> table;
    std::istringstream rows(kOpcodeRows);
    std::string row;
    while (std::getline(rows, row)) {
        if (row.empty())
            continue;
        std::istringstream cells(row.substr(row.find('|', 2) + 1));
        std::string cell;
        while (std::getline(cells, cell, '|')) {
            std::istringstream words(cell);
            Published p;
            if (words >> p.mnemonic) {
                words >> p.operand;
                table.push_back(p);
            }
        }
    }
    return table;
}

std::string Hex(unsigned v, int width)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", width, v);
    return buf;
}

std::string LineAt(const Bytes& bytes, std::uint32_t address)
{
    std::string line;
    (void)Disassemble(bytes, 0, address, line);
    return line;
}

TEST(Disassemble, EveryOpcodeAsPublished)
{
    const auto table = PublishedOpcodes();
    ASSERT_EQ(table.size(), 256u);
    std::set<std::string> mnemonics;
    for (int op = 0; op < 256; ++op) {
        const Published& p = table[static_cast<std::size_t>(op)];
        SCOPED_TRACE(Hex(static_cast<unsigned>(op), 2) + " " + p.mnemonic + " " + p.operand);
        mnemonics.insert(p.mnemonic);
        ASSERT_EQ(kTemplateLengths.count(p.operand), 1u);
        const int length = kTemplateLengths.at(p.operand);

        const Opcode code = kOpcodeTable[static_cast<std::size_t>(op)];
        EXPECT_EQ(kMnemonicTable[code.mnemonic], p.mnemonic);
        EXPECT_EQ(kAddressingModes[code.mode].operand, p.operand);
        EXPECT_EQ(kAddressingModes[code.mode].length, length);

        // The line itself: operand bytes 34 12 at address 2000 (a branch
        // goes to 2000 + 2 + &34).
        const Bytes bytes{static_cast<std::uint8_t>(op), 0x34, 0x12};
        std::string line;
        EXPECT_EQ(Disassemble(bytes, 0, 0x2000, line), length);
        std::string hexBytes = "";
        std::string chars;
        for (int i = 0; i < length; ++i) {
            const unsigned b = bytes[static_cast<std::size_t>(i)];
            hexBytes += Hex(b, 2) + " ";
            const unsigned c = b & 0x7F;
            chars += c < 32 || c == 127 ? '.' : static_cast<char>(c);
        }
        std::string operand;
        for (char c : p.operand)
            operand += c == 'l' ? "34" : c == 'h' ? "12" : c == 'r' ? "2036" : std::string(1, c);
        std::string expected = "2000  " + hexBytes + std::string(12 - hexBytes.size(), ' ') + p.mnemonic + "  " +
                               operand + std::string(12 - operand.size(), ' ') + chars;
        if (op == 0x40 || op == 0x60)
            expected += "\r";
        EXPECT_EQ(line, expected);
    }
    EXPECT_EQ(mnemonics.size(), 65u);
    EXPECT_EQ(std::set<std::string_view>(kMnemonicTable.begin(), kMnemonicTable.end()).size(), 65u);
}

TEST(Disassemble, PublishedLineLayout)
{
    // 1900, two spaces, A9 41 in 12 columns, LDA, two spaces, #&41 in 12
    // columns, then ")A".
    EXPECT_EQ(LineAt({0xA9, 0x41}, 0x1900), "1900  A9 41       LDA  #&41        )A");
    EXPECT_EQ(LineAt({0xAD, 0x00, 0x19}, 0x1900), "1900  AD 00 19    LDA  &1900       -..");
    EXPECT_EQ(LineAt({0x03}, 0x1900), "1900  03          ???              .");
    EXPECT_EQ(LineAt({0xF4}, 0x1900), "1900  F4          NOP              t");
    // Only the low 16 bits of an address show.
    EXPECT_EQ(LineAt({0xEA}, 0x12345).substr(0, 6), "2345  ");
}

struct BranchCase {
    std::uint32_t address;
    std::uint8_t offset;
    const char* target;
};

TEST(Disassemble, BranchTargets)
{
    const std::vector<BranchCase> cases = {
        {0x1905, 0xFE, "1905"}, // to itself
        {0x1900, 0x10, "1912"}, {0x1900, 0x7F, "1981"},
        {0x1900, 0x80, "1882"}, {0xFFF0, 0x20, "0012"}, // forward past FFFF
        {0x0002, 0xF0, "FFF4"},                         // backward past 0000
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.target);
        const std::string line = LineAt({0xD0, c.offset}, c.address);
        EXPECT_EQ(line.substr(18, 3), "BNE");
        EXPECT_EQ(line.substr(23, 12), std::string("&") + c.target + "       ");
    }
}

TEST(OsCallName, NamedEntries)
{
    const std::vector<std::pair<Bytes, std::string>> cases = {
        {{0x20, 0xEE, 0xFF}, "oswrch"},
        {{0x4C, 0xF4, 0xFF}, "osbyte"},
        {{0x20, 0xF7, 0xFF}, "oscli "},
        {{0x20, 0xB9, 0xFF}, "osrdrm"},
        {{0x20, 0xC2, 0xFF}, "oseven"},
        {{0x20, 0xCE, 0xFF}, "osfind"},
        {{0x20, 0xD1, 0xFF}, "osgbpb"},
        {{0x20, 0xD4, 0xFF}, "osbput"},
        {{0x20, 0xD7, 0xFF}, "osbget"},
        {{0x20, 0xDA, 0xFF}, "osargs"},
        {{0x20, 0xDD, 0xFF}, "osfile"},
        {{0x20, 0xE0, 0xFF}, "osrdch"},
        {{0x20, 0xE3, 0xFF}, "osasci"},
        {{0x20, 0xE7, 0xFF}, "osnewl"},
        {{0x20, 0xF1, 0xFF}, "osword"},
        // Not named: no entry, the stop value, another page, other opcodes.
        {{0x20, 0xEF, 0xFF}, "&FFEF"},
        {{0x20, 0xFF, 0xFF}, "&FFFF"},
        {{0x20, 0xEE, 0xFE}, "&FEEE"},
        {{0x6C, 0xEE, 0xFF}, "(&FFEE)"},
        {{0xAD, 0xEE, 0xFF}, "&FFEE"},
    };
    for (const auto& [bytes, operand] : cases) {
        SCOPED_TRACE(operand);
        const std::string line = LineAt(bytes, 0x1000);
        EXPECT_EQ(line.substr(23, 12), operand + std::string(12 - operand.size(), ' '));
    }
    const Bytes named{0xAD, 0xEE, 0xFF};
    std::string line = "x";
    EXPECT_EQ(OsCallName(named, 0, line), 6);
    EXPECT_EQ(line, "xoswrch");
    const Bytes unnamed{0x20, 0x00, 0xFF};
    EXPECT_EQ(OsCallName(unnamed, 0, line), 0);
    EXPECT_EQ(line, "xoswrch");
}

TEST(ShowDis, ListsFromTheLoadAddressWithAnEmptyLineAfterReturns)
{
    DiscWithFile f({0xA9, 0x00, 0x60, 0x40, 0xEA}, 0xFFFF1900, "Code");
    const ViewText v = ShowDis(f.disc, f.item);
    EXPECT_EQ(v.title, "Disassemble File - Code");
    EXPECT_EQ(v.viewName, "Code");
    EXPECT_EQ(Lines(v.text), (std::vector<std::string>{
                                 "1900  A9 00       LDA  #&00        ).",
                                 "1902  60          RTS              `",
                                 "",
                                 "1903  40          RTI              @",
                                 "",
                                 "1904  EA          NOP              j",
                             }));
}

TEST(ShowDis, AddressWrapsPastFFFF)
{
    DiscWithFile f({0xEA, 0xEA, 0xEA}, 0xFFFE);
    const auto lines = Lines(Text(ShowDis(f.disc, f.item)));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 4), "FFFF");
    EXPECT_EQ(lines[2].substr(0, 4), "0000");
}

TEST(ShowDis, LastInstructionTakesTheBytesAfterTheFile)
{
    // A9 00 60 lists two instructions; A9 alone reads its operand from the
    // byte that follows it in the image.
    DiscWithFile three({0xA9, 0x00, 0x60});
    EXPECT_EQ(Lines(Text(ShowDis(three.disc, three.item))).size(), 3u); // LDA, RTS, empty line
    DiscWithFile one({0x20});
    const std::uint64_t base = std::uint64_t{one.item.sector} * 256;
    one.disc.Set(base + 1, 0xEE);
    one.disc.Set(base + 2, 0xFF);
    EXPECT_EQ(Text(ShowDis(one.disc, one.item)), "0000  20 EE FF    JSR  oswrch       n.\r");
}

TEST(ShowDis, InstructionCutByTheImageEnd)
{
    // The file's last instruction needs two bytes more than the image holds.
    Bytes bytes(256, 0xEA);
    bytes.insert(bytes.end(), {0xEA, 0xAD, 0x41});
    image::Disc disc(bytes);
    const FileItem item{"End", false, 0x3000, 0x100, 1};
    EXPECT_EQ(Text(ShowDis(disc, item)), "3000  EA          NOP              j\r"
                                         "3001  AD 41 ??    LDA  &??41       -A\r");
    image::Disc branch(Bytes{0xEA, 0xF0});
    EXPECT_EQ(Text(ShowDis(branch, FileItem{"B", false, 0, 2, 0})),
              "0000  EA          NOP              j\r0001  F0 ??       BEQ  &????       p\r");
}

TEST(ShowDis, BasicProgramIsRefused)
{
    DiscWithFile f({13, 0xA9, 0x00, 0x60, 255});
    EXPECT_EQ(Text(ShowDis(f.disc, f.item)), "This appears to be a BASIC program");
}

TEST(ShowDis, EmptyFileAndDirectoryItemShowNothing)
{
    DiscWithFile f({});
    EXPECT_EQ(Text(ShowDis(f.disc, f.item)), "");
    const FileItem root = ItemOf(image::RootEntry(f.disc));
    EXPECT_EQ(Text(ShowDis(f.disc, root)), "");
}

} // namespace
} // namespace marlin::views
