#include "views/line_source.h"

#include <cassert>

namespace marlin::views {

bool LineSource::IndexMore(std::uint64_t lines)
{
    if (!m_begun) {
        m_next = Begin();
        m_begun = true;
    }
    for (std::uint64_t n = 0; n < lines && !m_complete; ++n) {
        const Cursor start = m_next;
        if (!Make(m_next, nullptr)) {
            m_complete = true;
            break;
        }
        if (m_known % kStride == 0)
            m_marks.push_back(start);
        ++m_known;
    }
    return m_complete;
}

std::uint64_t LineSource::LineCount()
{
    while (!IndexMore(1u << 20)) {
    }
    return m_known;
}

LineSource::Cursor LineSource::StartOf(std::uint64_t line) const
{
    assert(line <= m_known);
    if (line == m_known && m_begun)
        return m_next;
    if (m_marks.empty())
        return Begin();
    Cursor at = m_marks[static_cast<std::size_t>(line / kStride)];
    for (std::uint64_t n = line / kStride * kStride; n < line; ++n)
        Make(at, nullptr);
    return at;
}

std::string LineSource::Line(std::uint64_t i) const
{
    assert(i < m_known);
    Cursor at = StartOf(i);
    std::string line;
    Make(at, &line);
    return line;
}

void LineSource::ForEach(std::uint64_t first, const std::function<bool(std::uint64_t, std::string_view)>& visit) const
{
    assert(first <= m_known);
    Cursor at = StartOf(first);
    std::string line;
    for (std::uint64_t n = first; Make(at, &line); ++n) {
        if (!visit(n, line))
            return;
        line.clear();
    }
}

void LineSource::WriteTo(TextSink& sink) const
{
    // Each line's CR is written once the next line shows that there is one;
    // the last line's only when the text ends with CR.
    bool any = false;
    ForEach(0, [&](std::uint64_t, std::string_view line) {
        if (any)
            sink.Write("\r");
        sink.Write(line);
        any = true;
        return true;
    });
    if (any && EndsWithCR())
        sink.Write("\r");
}

bool StringLines::Make(Cursor& at, std::string* line) const
{
    if (at.at >= m_text.size())
        return false;
    const std::size_t from = static_cast<std::size_t>(at.at);
    const std::size_t cr = m_text.find('\r', from);
    const std::size_t end = cr == std::string::npos ? m_text.size() : cr;
    if (line)
        line->assign(m_text, from, end - from);
    at.at = cr == std::string::npos ? m_text.size() : cr + 1;
    return true;
}

std::string TextOf(const LineSource& lines)
{
    StringSink sink;
    lines.WriteTo(sink);
    return std::move(sink.text);
}

} // namespace marlin::views
