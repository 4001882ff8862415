#pragma once
// What a text producer hands to the view window and the tool: its title, the
// name the window proposes when the text is saved, and the text itself as
// lines (CR line ends: the window shows CR LF, `marlin` prints LF).

#include <memory>
#include <string>

#include "views/line_source.h"

namespace marlin::views {

struct View {
    std::string title;
    std::string viewName;
    std::unique_ptr<LineSource> lines;
};

// Whether a view of a file reads the disc's own bytes (which must then
// outlive it unchanged, as the tool's do) or keeps a snapshot of them (a
// window's, which later changes of the image do not touch: the disc takes a
// copy of its own before it next writes).
enum class Keep { Borrowed, Snapshot };

} // namespace marlin::views
