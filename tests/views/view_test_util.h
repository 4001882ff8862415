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
#include "views/view_text.h"

namespace marlin::views {

// A view made whole, to compare in one step.
struct ViewText {
    ViewText(std::string title, std::string text, std::string viewName)
        : title(std::move(title)), text(std::move(text)), viewName(std::move(viewName))
    {
    }
    ViewText(const View& view) : title(view.title), text(TextOf(*view.lines)), viewName(view.viewName) {}
    friend bool operator==(const ViewText&, const ViewText&) = default;
    std::string title;
    std::string text;
    std::string viewName;
};

inline std::string Text(const View& view)
{
    return TextOf(*view.lines);
}

namespace test {

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

} // namespace test
} // namespace marlin::views
