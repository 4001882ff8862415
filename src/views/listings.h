#pragma once
// The catalogue listings named after the filing system's star commands
// (*CAT, *CATALL, *EX, *EXALL) and the free-space map table. Each writes its
// text into a sink as it goes (CR line ends), or gives it as a view with the
// window title and the name the window proposes when saving.

#include <string>
#include <string_view>

#include "image/disc.h"
#include "views/text_sink.h"
#include "views/view_text.h"

namespace marlin::views {

inline constexpr const char* kNotADirectory = "This does not appear to be a Directory structure";

// The three header lines (title and sequence number, boot option, directory
// name) and an empty line. No directory check of its own.
[[nodiscard]] std::string ShowHeader(const image::Disc& disc, image::SectorAddress sector);

// A block that is not a directory (no "Hugo", or running past the image)
// gives kNotADirectory with no line break after it in place of the listing.
void WriteCat(const image::Disc& disc, image::SectorAddress sector, TextSink& sink);
void WriteEx(const image::Disc& disc, image::SectorAddress sector, TextSink& sink);
[[nodiscard]] View ShowCat(const image::Disc& disc, image::SectorAddress sector);
[[nodiscard]] View ShowEx(const image::Disc& disc, image::SectorAddress sector);

// Recursive forms: the directory's block, then each subdirectory's, depth
// first in slot order, each under a banner holding its path (the first one's
// path as given, by default GetDirectoryName). A directory already listed
// (through a damaged image that lists it twice, or lists itself or an
// ancestor) is not listed again, and the descent is bounded in depth.
void WriteCatAll(const image::Disc& disc, image::SectorAddress sector, std::string_view path, TextSink& sink);
void WriteExAll(const image::Disc& disc, image::SectorAddress sector, std::string_view path, TextSink& sink);
[[nodiscard]] View ShowCatAll(const image::Disc& disc, image::SectorAddress sector, std::string_view path);
[[nodiscard]] View ShowExAll(const image::Disc& disc, image::SectorAddress sector, std::string_view path);
[[nodiscard]] View ShowCatAll(const image::Disc& disc, image::SectorAddress sector);
[[nodiscard]] View ShowExAll(const image::Disc& disc, image::SectorAddress sector);

// "Address : Length" and one line per run of the in-memory map.
void WriteMap(const image::Disc& disc, TextSink& sink);
[[nodiscard]] View ShowMap(const image::Disc& disc);

} // namespace marlin::views
