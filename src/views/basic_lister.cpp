#include "views/basic_lister.h"

#include "image/hex.h"

namespace marlin::views {

using namespace marlin::image;

// clang-format off
const std::array<std::string_view, 128> kBasicTokens = {
    // &80
    "AND", "DIV", "EOR", "MOD", "OR", "ERROR", "LINE", "OFF",
    "STEP", "SPC", "TAB(", "ELSE", "THEN", "", "OPENIN", "PTR",
    // &90
    "PAGE", "TIME", "LOMEM", "HIMEM", "ABS", "ACS", "ADVAL", "ASC",
    "ASN", "ATN", "BGET", "COS", "COUNT", "DEG", "ERL", "ERR",
    // &A0
    "EVAL", "EXP", "EXT", "FALSE", "FN", "GET", "INKEY", "INSTR(",
    "INT", "LEN", "LN", "LOG", "NOT", "OPENUP", "OPENOUT", "PI",
    // &B0
    "POINT(", "POS", "RAD", "RND", "SGN", "SIN", "SQR", "TAN",
    "TO", "TRUE", "USR", "VAL", "VPOS", "CHR$", "GET$", "INKEY$",
    // &C0
    "LEFT$(", "MID$(", "RIGHT$(", "STR$", "STRING$(", "EOF", "AUTO", "DELETE",
    "LOAD", "LIST", "NEW", "OLD", "RENUMBER", "SAVE", "", "PTR",
    // &D0: PTR to HIMEM again as the statement forms of the functions
    "PAGE", "TIME", "LOMEM", "HIMEM", "SOUND", "BPUT", "CALL", "CHAIN",
    "CLEAR", "CLOSE", "CLG", "CLS", "DATA", "DEF", "DIM", "DRAW",
    // &E0
    "END", "ENDPROC", "ENVELOPE", "FOR", "GOSUB", "GOTO", "GCOL", "IF",
    "INPUT", "LET", "LOCAL", "MODE", "MOVE", "NEXT", "ON", "VDU",
    // &F0
    "PLOT", "PRINT", "PROC", "READ", "REM", "REPEAT", "REPORT", "RESTORE",
    "RETURN", "RUN", "STOP", "COLOUR", "TRACE", "UNTIL", "WIDTH", "OSCLI",
};
// clang-format on

namespace {
constexpr std::uint8_t kReturn = 13;
constexpr std::uint8_t kQuote = 34;
constexpr std::uint8_t kEndMarker = 255;
constexpr std::uint8_t kLineNumberToken = 0x8D;

std::string RightAligned(std::uint32_t number, std::size_t width)
{
    std::string s = std::to_string(number);
    if (s.size() < width)
        s.insert(0, width - s.size(), ' ');
    return s;
}
} // namespace

bool IsBasicProgram(std::span<const std::uint8_t> file)
{
    return !file.empty() && file.front() == kReturn && file.back() == kEndMarker;
}

std::uint32_t DecodeLineReference(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3)
{
    // The tokeniser keeps the low six bits of each number byte in b2 and b3
    // (with bit 6 set) and the top two bits of both, exclusive-ored with
    // &54, in b1: bits 4-5 for the low byte, bits 2-3 for the high byte.
    const std::uint32_t t = b1 ^ 0x54u;
    const std::uint32_t low = ((t << 2) & 0xC0u) | (b2 & 0x3Fu);
    const std::uint32_t high = ((t << 4) & 0xC0u) | (b3 & 0x3Fu);
    return high * 256 + low;
}

namespace {

// One program line per line: the record's number right-aligned in five
// columns, then its text. Every byte read is checked against the file's end:
// a line without its 13 (or a reference cut short) ends the listing there.
class BasicLines final : public LineSource {
public:
    explicit BasicLines(FileBytes bytes) : m_bytes(std::move(bytes)) {}
    [[nodiscard]] bool EndsWithCR() const override { return true; }

private:
    static constexpr std::uint32_t kDone = 1; // the last line had no 13

    [[nodiscard]] Cursor Begin() const override { return {1, 0}; } // the first line's high byte

    bool Make(Cursor& at, std::string* line) const override
    {
        const auto file = m_bytes.File();
        std::uint64_t p = at.at;
        if (at.state == kDone || p >= file.size())
            return false;
        const std::uint8_t hi = file[p++];
        if (hi == kEndMarker || p >= file.size())
            return false;
        const std::uint32_t number = hi * 256u + file[p];
        p += 2; // the low byte and the unused length byte
        std::string text;
        bool inString = false;
        bool ended = false;
        while (p < file.size()) {
            const std::uint8_t c = file[p++];
            if (c == kQuote)
                inString = !inString;
            if (c == kReturn) {
                ended = true;
                break;
            }
            if (c < 32) {
                text += " [0x" + FixedHex(c, 2) + "] ";
            } else if (c < 128 || inString) {
                text += static_cast<char>(c);
            } else {
                text += kBasicTokens[c - 0x80u];
                if (c == kLineNumberToken) {
                    if (file.size() - p < 3) {
                        p = file.size();
                        break;
                    }
                    text += std::to_string(DecodeLineReference(file[p], file[p + 1], file[p + 2]));
                    p += 3;
                }
            }
        }
        if (line) {
            *line += RightAligned(number, 5);
            *line += ' ';
            *line += text;
        }
        at = {p, ended ? 0 : kDone};
        return true;
    }

    FileBytes m_bytes;
};

} // namespace

View ShowBasic(const Disc& disc, const FileItem& item, Keep keep)
{
    View view{"View File - " + item.name, item.name, nullptr};
    FileBytes bytes(disc, ExtentInImage(disc, item.sector, item.length), 0, keep);
    if (!IsBasicProgram(bytes.File()))
        view.lines = std::make_unique<StringLines>("This does not appear to be a BASIC program");
    else
        view.lines = std::make_unique<BasicLines>(std::move(bytes));
    return view;
}

} // namespace marlin::views
