#pragma once
// Hex text of numbers, in the one form the program shows them: upper-case
// digits, most significant first, zero-filled.

#include <cstdint>
#include <string>

namespace marlin::image {

// The rightmost `width` digits of value (a field of that many digits).
[[nodiscard]] std::string FixedHex(std::uint64_t value, int width);
// value in at least `width` digits, more when it needs them.
[[nodiscard]] std::string HexAtLeast(std::uint64_t value, int width);
// The value of a hex digit in either case; -1 for any other character.
[[nodiscard]] int HexDigitValue(char c);

} // namespace marlin::image
