#include "views/basic_lister.h"

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

bool IsBasicProgram(const Disc& disc, const Extent& file)
{
    return file.Size() >= 1 && disc.At(file.base) == kReturn && disc.At(file.end - 1) == kEndMarker;
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

ViewText ShowBasic(const Disc& disc, const FileItem& item)
{
    ViewText view;
    view.title = "View File - " + item.name;
    view.viewName = item.name;
    const Extent file = ExtentInImage(disc, item.sector, item.length);
    if (!IsBasicProgram(disc, file)) {
        view.text = "This does not appear to be a BASIC program";
        return view;
    }
    std::string& out = view.text;
    std::uint64_t p = file.base + 1; // the first line's high byte
    while (p < file.end) {
        const std::uint8_t hi = disc.At(p++);
        if (hi == kEndMarker || p >= file.end)
            break;
        const std::uint32_t number = hi * 256u + disc.At(p);
        p += 2; // the low byte and the unused length byte
        std::string text;
        bool inString = false;
        bool ended = false;
        // Every byte read is checked against the file's end: a line without
        // its 13 (or a reference cut short) ends the listing there.
        while (p < file.end) {
            const std::uint8_t c = disc.At(p++);
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
                    if (file.end - p < 3) {
                        p = file.end;
                        break;
                    }
                    text += std::to_string(DecodeLineReference(disc.At(p), disc.At(p + 1), disc.At(p + 2)));
                    p += 3;
                }
            }
        }
        out += RightAligned(number, 5);
        out += ' ';
        out += text;
        out += '\r';
        if (!ended)
            break;
    }
    return view;
}

} // namespace marlin::views
