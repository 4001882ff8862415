#pragma once
// Where a text goes as it is made, piece by piece: the tool's standard
// output, a file being saved, a string. Lines end in CR, as the system's do.

#include <string>
#include <string_view>

namespace marlin::views {

class TextSink {
public:
    virtual ~TextSink() = default;
    virtual void Write(std::string_view text) = 0;
};

// Keeps the whole text: for texts of bounded size and for tests.
class StringSink final : public TextSink {
public:
    void Write(std::string_view text) override { this->text += text; }
    std::string text;
};

} // namespace marlin::views
