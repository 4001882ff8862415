#pragma once
// What a text producer hands to the view window: its title, its text with CR
// line ends (the window shows CR LF, `marlin` prints LF) and the name the
// window proposes when the text is saved.

#include <string>

namespace marlin::views {

struct ViewText {
    std::string title;
    std::string text;
    std::string viewName;
    bool operator==(const ViewText&) const = default;
};

} // namespace marlin::views
