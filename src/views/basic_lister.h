#pragma once
// Lists a tokenised BASIC program: line numbers right-aligned, keywords
// expanded, line-number references decoded, control characters shown in hex.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image/disc.h"
#include "views/file_item.h"
#include "views/view_text.h"

namespace marlin::views {

// Keyword text of each token byte &80 to &FF (index token - &80).
extern const std::array<std::string_view, 128> kBasicTokens;

// A program starts with 13 and ends with 255. A file that fails gets only
// "This does not appear to be a BASIC program". A line without its closing
// 13 ends the listing at the file's end (or the image's), shown as far as it goes.
[[nodiscard]] View ShowBasic(const image::Disc& disc, const FileItem& item, Keep keep = Keep::Borrowed);

// The recognition test on the file's bytes (cut at the image's end).
[[nodiscard]] bool IsBasicProgram(std::span<const std::uint8_t> file);

// The line number encoded in the three bytes after the &8D token.
[[nodiscard]] std::uint32_t DecodeLineReference(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);

} // namespace marlin::views
