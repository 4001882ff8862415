#pragma once
// A text made a line at a time. A view of any size shows only the lines in
// sight; the tool and Save write every line in order without keeping them.
// The text is its lines, each followed by CR, except that the last has none
// when the text does not end with CR. A source whose lines have no bound in
// length shows them in rows of bounded length instead, and writes the text
// itself (WriteTo) without breaks between the rows of one line.
//
// A source learns where its lines start in steps (IndexMore), keeping one
// place to start from for every kStride lines, so that any known line is made
// from the nearest such place and nothing else is kept.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "views/text_sink.h"

namespace marlin::views {

class LineSource {
public:
    virtual ~LineSource() = default;

    // Lines whose start is known, from the first on; all once Complete().
    [[nodiscard]] std::uint64_t KnownLines() const { return m_known; }
    [[nodiscard]] bool Complete() const { return m_complete; }
    // Finds the starts of about `lines` more lines; returns Complete().
    bool IndexMore(std::uint64_t lines);
    // The number of lines, finding every start first.
    [[nodiscard]] std::uint64_t LineCount();
    // Line i (below KnownLines()) without its CR.
    [[nodiscard]] std::string Line(std::uint64_t i) const;
    // Makes the lines from `first` (at most KnownLines()) on, in order, until
    // visit returns false; visit gets each line's number and text.
    void ForEach(std::uint64_t first, const std::function<bool(std::uint64_t, std::string_view)>& visit) const;
    // The whole text, in order.
    virtual void WriteTo(TextSink& sink) const;
    [[nodiscard]] virtual bool EndsWithCR() const = 0;

protected:
    // Where a line starts: an offset into what the source reads, and what it
    // must remember there (such as an address, or that an empty line is due).
    struct Cursor {
        std::uint64_t at = 0;
        std::uint32_t state = 0;
    };
    [[nodiscard]] virtual Cursor Begin() const { return {}; }
    // Makes the line at `at` into line (unless null) and moves past it;
    // false, leaving `at` alone, when the text has no line there.
    virtual bool Make(Cursor& at, std::string* line) const = 0;

private:
    static constexpr std::uint64_t kStride = 64;
    [[nodiscard]] Cursor StartOf(std::uint64_t line) const;

    std::vector<Cursor> m_marks; // the start of every kStride-th line known
    bool m_begun = false;
    Cursor m_next; // the start of the first line not yet known
    std::uint64_t m_known = 0;
    bool m_complete = false;
};

// The lines of a text already made (listings, reports, messages).
class StringLines final : public LineSource {
public:
    explicit StringLines(std::string text) : m_text(std::move(text)) {}
    [[nodiscard]] bool EndsWithCR() const override { return !m_text.empty() && m_text.back() == '\r'; }

private:
    bool Make(Cursor& at, std::string* line) const override;
    std::string m_text;
};

// The whole text of a source, for texts of bounded size and tests.
[[nodiscard]] std::string TextOf(const LineSource& lines);

} // namespace marlin::views
