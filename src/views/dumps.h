#pragma once
// The two plain views of a file: a hex dump with a character column and the
// file's bytes as text lines.

#include "image/disc.h"
#include "views/file_item.h"
#include "views/view_text.h"

namespace marlin::views {

// 16 bytes a line: offset, hex bytes, characters. A directory item dumps its
// whole 1280-byte block. Stops at the image's end.
[[nodiscard]] View ShowHex(const image::Disc& disc, const FileItem& item, Keep keep = Keep::Borrowed);

// The bytes unchanged, line feeds dropped, a line ending after each CR.
// A directory item has no length and shows nothing.
[[nodiscard]] View ShowText(const image::Disc& disc, const FileItem& item, Keep keep = Keep::Borrowed);

// The character the dumps show for a byte: bit 7 cleared, controls as ".".
[[nodiscard]] char DumpCharacter(std::uint8_t byte);

} // namespace marlin::views
