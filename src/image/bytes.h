#pragma once
// Little-endian field access. Every multi-byte number on the disc goes through
// these, so the byte order lives in one place.

#include <cstddef>
#include <cstdint>
#include <span>

namespace marlin::image {

[[nodiscard]] constexpr std::uint32_t Get16(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8;
}

[[nodiscard]] constexpr std::uint32_t Get24(std::span<const std::uint8_t> b, std::size_t at)
{
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16;
}

[[nodiscard]] constexpr std::uint32_t Get32(std::span<const std::uint8_t> b, std::size_t at)
{
    return Get24(b, at) | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

constexpr void Put24(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    b[at + 2] = static_cast<std::uint8_t>(v >> 16);
}

constexpr void Put32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v)
{
    Put24(b, at, v);
    b[at + 3] = static_cast<std::uint8_t>(v >> 24);
}

} // namespace marlin::image
