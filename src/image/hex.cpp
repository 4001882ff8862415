#include "image/hex.h"

namespace marlin::image {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
} // namespace

std::string FixedHex(std::uint64_t value, int width)
{
    std::string out(static_cast<std::size_t>(width), '0');
    for (int i = width - 1; i >= 0; --i) {
        out[static_cast<std::size_t>(i)] = kDigits[value & 15];
        value >>= 4;
    }
    return out;
}

std::string HexAtLeast(std::uint64_t value, int width)
{
    int digits = 1;
    while (digits < 16 && (value >> (4 * digits)) != 0)
        ++digits;
    return FixedHex(value, digits > width ? digits : width);
}

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace marlin::image
