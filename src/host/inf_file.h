#pragma once
// ".INF" sidecars: one line beside each exported file or folder carrying the
// entry's image name, addresses, length and attribute letters.
//
// File line:      NNNNNNNNNN LLLLLLLL EEEEEEEE SSSSSSSS ATTR[ ]
// Directory line: NNNNNNNNNN ATTR[ ]
// (name padded to 10, three 8-digit hex fields; the list-based writers add
// one blank after the letters).

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "image/result.h"

namespace marlin::host {

// The sidecar of a host file or folder: its path followed by ".INF".
[[nodiscard]] std::filesystem::path InfPath(const std::filesystem::path& path);

// True when the path's last four characters are exactly ".INF".
[[nodiscard]] bool IsInfPath(const std::filesystem::path& path);

// The fields of a sidecar line, as text.
struct InfFields {
    std::string name;
    std::string load = "00000000";
    std::string exec = "00000000";
    std::string length = "00000000";
    std::string attributes; // letters as AttributeString gives them
    bool operator==(const InfFields&) const = default;
};

// The line a writer puts into a sidecar, without its CR LF.
[[nodiscard]] std::string FileInfLine(const InfFields& fields, bool trailingBlank);
[[nodiscard]] std::string DirectoryInfLine(std::string_view name, std::string_view attributes, bool trailingBlank);

// Writes the line and CR LF into the sidecar of path, replacing any old one
// (an old link is removed, never written through). Refused, saying nothing,
// when the host refused.
image::Status WriteInf(const std::filesystem::path& path, std::string_view line);

// Reads a file's sidecar line: the six-digit layout (fields widened to eight
// digits), then the eight-digit one, whose values win when both fit. Nothing
// when neither fits or the line is missing.
[[nodiscard]] std::optional<InfFields> ParseInfLine(std::string_view line);
[[nodiscard]] std::optional<InfFields> ParseFileInf(const std::filesystem::path& sidecar);

// The directory name of a folder's sidecar (columns 1-10 without outer
// blanks) when the line has 10 characters and a blank in column 11.
[[nodiscard]] std::optional<std::string> ParseFolderLine(std::string_view line);
[[nodiscard]] std::optional<std::string> ParseFolderInf(const std::filesystem::path& sidecar);

// The 32-bit value of an 8-digit field: four pairs, most significant first,
// each read from its leading hex digits (either case).
[[nodiscard]] std::uint32_t FieldValue(std::string_view field);

// R, W and L bits (bit 0, 1, 2) from upper-case letters anywhere in the text.
struct AttributeBits {
    bool R = false, W = false, L = false;
    bool operator==(const AttributeBits&) const = default;
};
[[nodiscard]] AttributeBits BitsFromAttributes(std::string_view text);

} // namespace marlin::host
