#pragma once
// The catalogue listings named after the filing system's star commands
// (*CAT, *CATALL, *EX, *EXALL) and the free-space map table. Each returns the
// text exactly as the view window receives it (CR line ends), with the
// window title and the name the window proposes when saving.

#include <string>
#include <string_view>

#include "image/disc.h"
#include "views/view_text.h"

namespace marlin::views {

inline constexpr const char* kNotADirectory = "This does not appear to be a Directory structure";

// The three header lines (title and sequence number, boot option, directory
// name) and an empty line. No directory check of its own.
[[nodiscard]] std::string ShowHeader(const image::Disc& disc, image::SectorAddress sector);

// A block that is not a directory (no "Hugo", or running past the image)
// gives kNotADirectory with no line break after it in place of the listing.
[[nodiscard]] ViewText ShowCat(const image::Disc& disc, image::SectorAddress sector);
[[nodiscard]] ViewText ShowEx(const image::Disc& disc, image::SectorAddress sector);

// Recursive forms: the directory's block, then each subdirectory's, depth
// first in slot order, each under a banner holding its path. path defaults to
// GetDirectoryName(sector). A directory already listed (through a damaged
// image that lists it twice, or lists itself or an ancestor) is not listed
// again, and the descent stops at kMaxDirectoryDepth.
[[nodiscard]] ViewText ShowCatAll(const image::Disc& disc, image::SectorAddress sector);
[[nodiscard]] ViewText ShowCatAll(const image::Disc& disc, image::SectorAddress sector, std::string_view path);
[[nodiscard]] ViewText ShowExAll(const image::Disc& disc, image::SectorAddress sector);
[[nodiscard]] ViewText ShowExAll(const image::Disc& disc, image::SectorAddress sector, std::string_view path);

// "Address : Length" and one line per run of the in-memory map.
[[nodiscard]] ViewText ShowMap(const image::Disc& disc);

} // namespace marlin::views
