#pragma once
// Entry names in the form a lookup by name compares them, built without
// allocating: the 10 bytes masked to 7 bits, cut at the first CR, ASCII
// letters in upper case. Two forms are equal exactly when a lookup takes the
// names as the same. Their order is strict and rises along a directory sorted
// by name, so a rising run of names proves them distinct (any strict order
// would do; name order makes the proof quick for a sound directory).
//
// Both forms read 16 bytes at the name: its 10 and the 6 after them (in an
// entry, the load address and part of the exec address).

#include <bit>
#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image/layout.h"

namespace marlin::image {

// Packed into two integers: characters 1-8 first-most-significant, then
// characters 9 and 10 and the length. Any host.
class PackedName {
public:
    PackedName() = default;
    explicit PackedName(const std::uint8_t* bytes)
    {
        // Character k in byte k, lowest first (one load on most hosts).
        std::uint64_t h = 0;
        for (int k = 7; k >= 0; --k)
            h = h << 8 | bytes[k];
        h = Upper(h & kLow7);
        std::uint64_t t64 = Upper((std::uint64_t{bytes[8]} | std::uint64_t{bytes[9]} << 8) & kLow7);
        const int crHead = FirstCR(h);
        const int crTail = FirstCR(t64 | 0xFFFF'FFFF'FFFF'0000ULL);
        const int length = crHead < 8 ? crHead : (crTail < 2 ? 8 + crTail : 10);
        if (length < 8) {
            h &= length == 0 ? 0 : ~std::uint64_t{0} >> (64 - 8 * length);
            t64 = 0;
        } else if (length < 10) {
            t64 &= length == 8 ? 0 : 0xFF;
        }
        m_head = __builtin_bswap64(h);
        m_tail = static_cast<std::uint32_t>((t64 & 0xFF) << 24 | (t64 >> 8 & 0xFF) << 16) |
                 static_cast<std::uint32_t>(length);
    }
    bool operator==(const PackedName&) const = default;
    bool operator<(const PackedName& o) const { return m_head != o.m_head ? m_head < o.m_head : m_tail < o.m_tail; }

private:
    static constexpr std::uint64_t kOnes = 0x0101'0101'0101'0101ULL;
    static constexpr std::uint64_t kLow7 = 0x7F * kOnes;
    static constexpr std::uint64_t kHigh = 0x80 * kOnes;
    // Each byte (below 128) from 'a' to 'z' lowered by 32.
    static std::uint64_t Upper(std::uint64_t x)
    {
        const std::uint64_t atLeastA = (x + (0x80 - 'a') * kOnes) & kHigh;
        const std::uint64_t aboveZ = (x + (0x80 - 'z' - 1) * kOnes) & kHigh;
        return x - ((atLeastA & ~aboveZ) >> 2);
    }
    // Index of the first byte (lowest first) equal to CR, or 8. Bytes above
    // a true match may be flagged falsely, never below one.
    static int FirstCR(std::uint64_t x)
    {
        const std::uint64_t y = x ^ (kCR * kOnes);
        const std::uint64_t found = (y - kOnes) & ~y & kHigh;
        return found == 0 ? 8 : std::countr_zero(found) / 8;
    }

    std::uint64_t m_head = 0;
    std::uint32_t m_tail = 0;
};

#if defined(__SSE2__)
// One vector: the 10 characters, zeros, the length in byte 14. The same
// equality and order as PackedName, in about a third of the instructions.
class VectorName {
public:
    VectorName() = default;
    explicit VectorName(const std::uint8_t* bytes)
    {
        __m128i x = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), _mm_set1_epi8(0x7F));
        const auto crs = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_set1_epi8(kCR))));
        const int length = std::countr_zero(crs | 1u << 10);
        const __m128i lower =
            _mm_and_si128(_mm_cmpgt_epi8(x, _mm_set1_epi8('a' - 1)), _mm_cmplt_epi8(x, _mm_set1_epi8('z' + 1)));
        x = _mm_sub_epi8(x, _mm_and_si128(lower, _mm_set1_epi8(0x20)));
        const __m128i kept = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(length)),
                                            _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15));
        m_v = _mm_insert_epi16(_mm_and_si128(x, kept), length, 7);
    }
    bool operator==(const VectorName& o) const { return Same(o) == 0xFFFF; }
    // At the first byte that differs, this one is below.
    bool operator<(const VectorName& o) const
    {
        const unsigned differ = ~Same(o) & 0xFFFF;
        const auto notAbove = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(m_v, o.m_v), m_v)));
        return (notAbove & differ & (0u - differ)) != 0;
    }

private:
    unsigned Same(const VectorName& o) const
    {
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(m_v, o.m_v)));
    }

    __m128i m_v = _mm_setzero_si128();
};
using LookupName = VectorName;
#else
using LookupName = PackedName;
#endif

} // namespace marlin::image
