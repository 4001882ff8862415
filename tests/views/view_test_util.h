#pragma once
// Shared by the view tests: files on a blank disc, their texts, and golden texts.

#include <gtest/gtest.h>

#include <algorithm>

#include "image/directory.h"
#include "image/image_file.h"
#include "support/scratch.h"
#include "support/test_disc.h"
#include "views/file_item.h"
#include "views/view_text.h"

namespace marlin::views {

using Bytes = std::vector<std::uint8_t>;
using Show = View (*)(const image::Disc&, const FileItem&, Keep);

inline std::string Text(const View& view)
{
    return TextOf(*view.lines);
}

// A small blank disc holding one file called name.
struct DiscWithFile {
    image::Disc disc = image::NewDisc(16);
    FileItem item;
    DiscWithFile(const Bytes& data, std::uint32_t load = 0, std::string_view name = "FILE")
    {
        EXPECT_GE(marlin::test::AddFile(disc, image::kRoot, name, data, load), 0);
        item = ItemOf(marlin::test::EntryNamed(disc, image::kRoot, name));
    }
    std::string Of(Show show) const { return Text(show(disc, item, Keep::Borrowed)); }
    std::string OfRoot(Show show) const { return Text(show(disc, ItemOf(image::RootEntry(disc)), Keep::Borrowed)); }
};

// The lines of a CR-ended text, without their CRs (a last line without one is kept).
inline std::vector<std::string> Lines(std::string_view text)
{
    std::vector<std::string> lines;
    for (std::size_t cr; !text.empty(); text.remove_prefix(cr == text.npos ? text.size() : cr + 1))
        lines.emplace_back(text.substr(0, cr = text.find('\r')));
    return lines;
}

// Byte for byte, CRs compared as line breaks so that a failure shows the lines that differ.
inline void ExpectGolden(std::string text, const std::string& name)
{
    std::string golden = marlin::test::ReadHostFile(MARLIN_TEST_DATA "/" + name);
    std::replace(text.begin(), text.end(), '\r', '\n');
    std::replace(golden.begin(), golden.end(), '\r', '\n');
    EXPECT_EQ(text, golden) << name;
}

} // namespace marlin::views
