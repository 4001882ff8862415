#include "views/disassembler.h"

#include "image/hex.h"

#include "views/basic_lister.h"
#include "views/dumps.h"

namespace marlin::views {

using namespace marlin::image;

namespace {
constexpr std::array<std::string_view, 65> kMnemonics = {
    "???", "ADC", "AND", "ASL", "BCC", "BCS", "BEQ", "BIT", "BMI", "BNE", "BPL", "BRA", "BRK",
    "BVC", "BVS", "CLC", "CLD", "CLI", "CLV", "CMP", "CPX", "CPY", "DEC", "DEX", "DEY", "EOR",
    "INC", "INX", "INY", "JMP", "JSR", "LDA", "LDX", "LDY", "LSR", "NOP", "ORA", "PHA", "PHP",
    "PHX", "PHY", "PLA", "PLP", "PLX", "PLY", "ROL", "ROR", "RTI", "RTS", "SBC", "SEC", "SED",
    "SEI", "STA", "STX", "STY", "STZ", "TAX", "TAY", "TRB", "TSB", "TSX", "TXA", "TXS", "TYA",
};

enum Mode : std::uint8_t {
    Imp,   // implied
    Imm,   // #&l
    Zp,    // &l
    Abs,   // &hl
    Zpx,   // &l,X
    Zpy,   // &l,Y
    Absx,  // &hl,X
    Absy,  // &hl,Y
    Indx,  // (&l,X)
    Indy,  // (&l),Y
    Acc,   // A
    Ind,   // (&hl)
    Rel,   // &r
    Absix, // (&hl,X)
    Zpi,   // (&l)
};

struct Cell {
    std::string_view mnemonic;
    Mode mode;
};

constexpr Cell X{"???", Imp};

// The instruction set by opcode, two lines for each 16.
// clang-format off
constexpr std::array<Cell, 256> kCells = {{
    // &00
    {"BRK", Imp}, {"ORA", Indx}, X, X, {"TSB", Zp}, {"ORA", Zp}, {"ASL", Zp}, X,
    {"PHP", Imp}, {"ORA", Imm}, {"ASL", Acc}, X, {"TSB", Abs}, {"ORA", Abs}, {"ASL", Abs}, X,
    // &10
    {"BPL", Rel}, {"ORA", Indy}, {"ORA", Zpi}, X, {"TRB", Zp}, {"ORA", Zpx}, {"ASL", Zpx}, X,
    {"CLC", Imp}, {"ORA", Absy}, {"INC", Acc}, X, {"TRB", Abs}, {"ORA", Absx}, {"ASL", Absx}, X,
    // &20
    {"JSR", Abs}, {"AND", Indx}, X, X, {"BIT", Zp}, {"AND", Zp}, {"ROL", Zp}, X,
    {"PLP", Imp}, {"AND", Imm}, {"ROL", Acc}, X, {"BIT", Abs}, {"AND", Abs}, {"ROL", Abs}, X,
    // &30
    {"BMI", Rel}, {"AND", Indy}, {"AND", Zpi}, X, {"BIT", Zpx}, {"AND", Zpx}, {"ROL", Zpx}, X,
    {"SEC", Imp}, {"AND", Absy}, {"DEC", Acc}, X, {"BIT", Absx}, {"AND", Absx}, {"ROL", Absx}, X,
    // &40
    {"RTI", Imp}, {"EOR", Indx}, X, X, X, {"EOR", Zp}, {"LSR", Zp}, X,
    {"PHA", Imp}, {"EOR", Imm}, {"LSR", Acc}, X, {"JMP", Abs}, {"EOR", Abs}, {"LSR", Abs}, X,
    // &50
    {"BVC", Rel}, {"EOR", Indy}, {"EOR", Zpi}, X, X, {"EOR", Zpx}, {"LSR", Zpx}, X,
    {"CLI", Imp}, {"EOR", Absy}, {"PHY", Imp}, X, X, {"EOR", Absx}, {"LSR", Absx}, X,
    // &60
    {"RTS", Imp}, {"ADC", Indx}, X, X, {"STZ", Zp}, {"ADC", Zp}, {"ROR", Zp}, X,
    {"PLA", Imp}, {"ADC", Imm}, {"ROR", Acc}, X, {"JMP", Ind}, {"ADC", Abs}, {"ROR", Abs}, X,
    // &70
    {"BVS", Rel}, {"ADC", Indy}, {"ADC", Zpi}, X, {"STZ", Zpx}, {"ADC", Zpx}, {"ROR", Zpx}, X,
    {"SEI", Imp}, {"ADC", Absy}, {"PLY", Imp}, X, {"JMP", Absix}, {"ADC", Absx}, {"ROR", Absx}, X,
    // &80
    {"BRA", Rel}, {"STA", Indx}, X, X, {"STY", Zp}, {"STA", Zp}, {"STX", Zp}, X,
    {"DEY", Imp}, {"BIT", Imm}, {"TXA", Imp}, X, {"STY", Abs}, {"STA", Abs}, {"STX", Abs}, X,
    // &90
    {"BCC", Rel}, {"STA", Indy}, {"STA", Zpi}, X, {"STY", Zpx}, {"STA", Zpx}, {"STX", Zpy}, X,
    {"TYA", Imp}, {"STA", Absy}, {"TXS", Imp}, X, {"STZ", Abs}, {"STA", Absx}, {"STZ", Absx}, X,
    // &A0
    {"LDY", Imm}, {"LDA", Indx}, {"LDX", Imm}, X, {"LDY", Zp}, {"LDA", Zp}, {"LDX", Zp}, X,
    {"TAY", Imp}, {"LDA", Imm}, {"TAX", Imp}, X, {"LDY", Abs}, {"LDA", Abs}, {"LDX", Abs}, X,
    // &B0
    {"BCS", Rel}, {"LDA", Indy}, {"LDA", Zpi}, X, {"LDY", Zpx}, {"LDA", Zpx}, {"LDX", Zpy}, X,
    {"CLV", Imp}, {"LDA", Absy}, {"TSX", Imp}, X, {"LDY", Absx}, {"LDA", Absx}, {"LDX", Absy}, X,
    // &C0
    {"CPY", Imm}, {"CMP", Indx}, X, X, {"CPY", Zp}, {"CMP", Zp}, {"DEC", Zp}, X,
    {"INY", Imp}, {"CMP", Imm}, {"DEX", Imp}, X, {"CPY", Abs}, {"CMP", Abs}, {"DEC", Abs}, X,
    // &D0
    {"BNE", Rel}, {"CMP", Indy}, {"CMP", Zpi}, X, X, {"CMP", Zpx}, {"DEC", Zpx}, X,
    {"CLD", Imp}, {"CMP", Absy}, {"PHX", Imp}, X, X, {"CMP", Absx}, {"DEC", Absx}, X,
    // &E0
    {"CPX", Imm}, {"SBC", Indx}, X, X, {"CPX", Zp}, {"SBC", Zp}, {"INC", Zp}, X,
    {"INX", Imp}, {"SBC", Imm}, {"NOP", Imp}, X, {"CPX", Abs}, {"SBC", Abs}, {"INC", Abs}, X,
    // &F0
    {"BEQ", Rel}, {"SBC", Indy}, {"SBC", Zpi}, X, {"NOP", Imp}, {"SBC", Zpx}, {"INC", Zpx}, X,
    {"SED", Imp}, {"SBC", Absy}, {"PLX", Imp}, X, X, {"SBC", Absx}, {"INC", Absx}, X,
}};
// clang-format on

constexpr std::uint8_t MnemonicIndex(std::string_view m)
{
    for (std::size_t i = 0; i < kMnemonics.size(); ++i)
        if (kMnemonics[i] == m)
            return static_cast<std::uint8_t>(i);
    throw "mnemonic missing from the table"; // stops the compile: the tables are built as constants
}

constexpr std::array<Opcode, 256> BuildOpcodes()
{
    std::array<Opcode, 256> t{};
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = {MnemonicIndex(kCells[i].mnemonic), kCells[i].mode};
    return t;
}

constexpr std::uint8_t kOpJsr = 0x20;
constexpr std::uint8_t kOpJmp = 0x4C;
constexpr std::uint8_t kOpRti = 0x40;
constexpr std::uint8_t kOpRts = 0x60;
constexpr std::size_t kBytesColumn = 12;
constexpr std::size_t kOperandColumn = 12;
} // namespace

const std::array<std::string_view, 65> kMnemonicTable = kMnemonics;

const std::array<AddressingMode, 15> kAddressingModes = {{
    {"", 1},        // implied
    {"#&l", 2},     // immediate
    {"&l", 2},      // zero page
    {"&hl", 3},     // absolute
    {"&l,X", 2},    // zero page,X
    {"&l,Y", 2},    // zero page,Y
    {"&hl,X", 3},   // absolute,X
    {"&hl,Y", 3},   // absolute,Y
    {"(&l,X)", 2},  // indexed indirect
    {"(&l),Y", 2},  // indirect indexed
    {"A", 1},       // accumulator
    {"(&hl)", 3},   // absolute indirect
    {"&r", 2},      // relative branch
    {"(&hl,X)", 3}, // absolute indexed indirect
    {"(&l)", 2},    // zero page indirect
}};

const std::array<Opcode, 256> kOpcodeTable = BuildOpcodes();

const std::array<OsEntry, 16> kOsEntryTable = {{
    {0xB9, "rdrm"},
    {0xC2, "even"},
    {0xCE, "find"},
    {0xD1, "gbpb"},
    {0xD4, "bput"},
    {0xD7, "bget"},
    {0xDA, "args"},
    {0xDD, "file"},
    {0xE0, "rdch"},
    {0xE3, "asci"},
    {0xE7, "newl"},
    {0xEE, "wrch"},
    {0xF1, "word"},
    {0xF4, "byte"},
    {0xF7, "cli "},
    {kOsEntryStop, ""},
}};

namespace {

// The byte at position; 0 past the end (never shown: callers test present).
std::uint8_t ByteAt(std::span<const std::uint8_t> bytes, std::uint64_t position)
{
    return position < bytes.size() ? bytes[static_cast<std::size_t>(position)] : 0;
}

bool EndsSubroutine(std::uint8_t op)
{
    return op == kOpRti || op == kOpRts;
}

} // namespace

int OsCallName(std::span<const std::uint8_t> bytes, std::uint64_t position, std::string& line)
{
    // Both operand bytes must be there: a missing byte names nothing.
    if (position + 3 > bytes.size() || ByteAt(bytes, position + 2) != 0xFF)
        return 0;
    const std::uint8_t low = ByteAt(bytes, position + 1);
    for (const OsEntry& e : kOsEntryTable) {
        if (e.low == kOsEntryStop)
            break;
        if (e.low == low) {
            line += "os";
            line += e.text;
            return 6;
        }
    }
    return 0;
}

int Disassemble(std::span<const std::uint8_t> bytes, std::uint64_t position, std::uint32_t address, std::string& line)
{
    const std::uint8_t op = ByteAt(bytes, position);
    const Opcode& code = kOpcodeTable[op];
    const AddressingMode& mode = kAddressingModes[code.mode];
    const int n = mode.length;
    auto present = [&](int i) { return position + static_cast<std::uint64_t>(i) < bytes.size(); };
    auto byteText = [&](int i) {
        return present(i) ? FixedHex(ByteAt(bytes, position + static_cast<std::uint64_t>(i)), 2) : std::string("??");
    };

    // AAAA  HH HH HH    MMM  OOOOOOOOOOOOccc
    line += FixedHex(address, 4);
    line += "  ";
    const std::size_t bytesStart = line.size();
    for (int i = 0; i < n; ++i) {
        line += byteText(i);
        line += ' ';
    }
    line.resize(bytesStart + kBytesColumn, ' ');
    line += kMnemonicTable[code.mnemonic];
    line += "  ";

    const std::size_t operandStart = line.size();
    int k = 0;
    if (op == kOpJsr || op == kOpJmp)
        k = OsCallName(bytes, position, line);
    if (k == 0) {
        for (char c : mode.operand) {
            if (c == 'r') {
                if (present(1)) {
                    const auto offset = static_cast<std::int8_t>(ByteAt(bytes, position + 1));
                    line += FixedHex((address + 2 + static_cast<std::uint32_t>(offset)) & 0xFFFF, 4);
                } else {
                    line += "????";
                }
            } else if (c == 'l') {
                line += byteText(1);
            } else if (c == 'h') {
                line += byteText(2);
            } else {
                line += c;
            }
        }
    }
    line.resize(operandStart + kOperandColumn, ' ');

    for (int i = 0; i < n && present(i); ++i)
        line += DumpCharacter(ByteAt(bytes, position + static_cast<std::uint64_t>(i)));
    if (EndsSubroutine(op))
        line += '\r';
    return n;
}

namespace {

// One instruction a line from the low 16 bits of the load address; an empty
// line after each return from a subroutine or interrupt. Operand bytes are
// read past the file's end as far as the image goes; when the image itself
// ends inside an instruction, nothing more follows.
class DisLines final : public LineSource {
public:
    DisLines(FileBytes bytes, std::uint32_t load) : m_bytes(std::move(bytes)), m_load(load & 0xFFFF) {}
    [[nodiscard]] bool EndsWithCR() const override { return true; }

private:
    // State: the address in the low 16 bits, and two flags.
    static constexpr std::uint32_t kEmptyDue = 1u << 16; // after RTS or RTI
    static constexpr std::uint32_t kCutShort = 1u << 17; // the image ended inside the last instruction

    [[nodiscard]] Cursor Begin() const override { return {0, m_load}; }

    bool Make(Cursor& at, std::string* line) const override
    {
        if (at.state & kEmptyDue) {
            at.state &= ~kEmptyDue;
            return true;
        }
        if ((at.state & kCutShort) || at.at >= m_bytes.FileSize())
            return false;
        const auto bytes = m_bytes.All();
        const std::uint32_t address = at.state & 0xFFFF;
        const std::uint8_t op = bytes[static_cast<std::size_t>(at.at)];
        const int n = line ? Disassemble(bytes, at.at, address, *line) : kAddressingModes[kOpcodeTable[op].mode].length;
        if (line && EndsSubroutine(op))
            line->pop_back(); // the empty line comes as a line of its own
        at.state = (address + static_cast<std::uint32_t>(n)) & 0xFFFF;
        if (EndsSubroutine(op))
            at.state |= kEmptyDue;
        if (at.at + static_cast<std::uint64_t>(n) > bytes.size())
            at.state |= kCutShort;
        at.at += static_cast<std::uint64_t>(n);
        return true;
    }

    FileBytes m_bytes;
    std::uint32_t m_load;
};

} // namespace

View ShowDis(const Disc& disc, const FileItem& item, Keep keep)
{
    View view{"Disassemble File - " + item.name, item.name, nullptr};
    // An instruction that starts in the file may take two bytes after it.
    FileBytes bytes(disc, ExtentInImage(disc, item.sector, item.length), 2, keep);
    if (IsBasicProgram(bytes.File()))
        view.lines = std::make_unique<StringLines>("This appears to be a BASIC program");
    else
        view.lines = std::make_unique<DisLines>(std::move(bytes), item.load);
    return view;
}

} // namespace marlin::views
