#pragma once
// Shared by the view tests: files on a blank disc and their list items.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "image/directory.h"
#include "image/image_file.h"
#include "support/test_disc.h"
#include "views/file_item.h"

namespace marlin::views::test {

// A small blank disc holding one file called name.
struct DiscWithFile {
    image::Disc disc = image::NewDisc(16);
    FileItem item;
    DiscWithFile(const std::vector<std::uint8_t>& data, std::uint32_t load = 0, std::string_view name = "FILE")
    {
        const int start = marlin::test::AddFile(disc, image::kRoot, name, data, load);
        EXPECT_GE(start, 0);
        item = ItemOf(image::ReadEntry(disc, image::kRoot, image::FindEntry(disc, image::kRoot, name)));
    }
};

// The lines of a CR-ended text, without their CRs (a last line without one
// is kept).
inline std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    while (!text.empty()) {
        const auto cr = text.find('\r');
        lines.emplace_back(text.substr(0, cr));
        text.remove_prefix(cr == std::string_view::npos ? text.size() : cr + 1);
    }
    return lines;
}

} // namespace marlin::views::test
