#include "explorer/line_view.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <climits>

#include <algorithm>
#include <array>
#include <vector>

namespace marlin::explorer {

namespace {

// Counting runs in steps this long, so that painting and input go on.
constexpr qint64 kStepMs = 8;

// Lines are Latin-1; this is what each byte becomes when case is ignored.
const std::array<char16_t, 256>& FoldedBytes()
{
    static const std::array<char16_t, 256> folded = [] {
        std::array<char16_t, 256> table{};
        for (int b = 0; b < 256; ++b)
            table[static_cast<std::size_t>(b)] = QChar(static_cast<char16_t>(b)).toCaseFolded().unicode();
        return table;
    }();
    return folded;
}

} // namespace

LinesView::LinesView(std::unique_ptr<views::LineSource> lines, QWidget* parent)
    : QAbstractScrollArea(parent), m_lines(std::move(lines))
{
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    m_counter.setInterval(0);
    connect(&m_counter, &QTimer::timeout, this, &LinesView::CountSome);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(), qOverload<>(&QWidget::update));
    // The first screenfuls at once; the rest as time allows.
    m_lines->IndexMore(256);
    UpdateScrollBars();
    if (!m_lines->Complete())
        m_counter.start();
}

std::uint64_t LinesView::RowCount() const
{
    return m_lines->KnownLines() + (m_lines->Complete() && m_lines->EndsWithCR() ? 1 : 0);
}

QString LinesView::RowText(std::uint64_t row) const
{
    if (row >= m_lines->KnownLines())
        return {};
    return QString::fromLatin1(m_lines->Line(row));
}

int LinesView::RowHeight() const
{
    return std::max(1, fontMetrics().lineSpacing());
}

int LinesView::RowsInSight() const
{
    return std::max(1, (viewport()->height() + RowHeight() - 1) / RowHeight());
}

std::uint64_t LinesView::TopRow() const
{
    return static_cast<std::uint64_t>(verticalScrollBar()->value());
}

void LinesView::UpdateScrollBars()
{
    // Whole rows only: the last row can always be scrolled into full sight.
    const std::uint64_t whole = static_cast<std::uint64_t>(std::max(1, viewport()->height() / RowHeight()));
    const std::uint64_t rows = RowCount();
    const std::uint64_t last = rows > whole ? rows - whole : 0;
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<std::uint64_t>(last, INT_MAX)));
    verticalScrollBar()->setPageStep(static_cast<int>(whole));
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setRange(0, std::max(0, m_widest - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('0')));
}

void LinesView::CountSome()
{
    QElapsedTimer step;
    step.start();
    while (!m_lines->IndexMore(4096) && step.elapsed() < kStepMs) {
    }
    Publish();
}

void LinesView::CountTo(std::uint64_t line)
{
    while (m_lines->KnownLines() <= line && !m_lines->IndexMore(1u << 16)) {
    }
    Publish();
}

void LinesView::CountAll()
{
    if (!m_lines->Complete()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        (void)m_lines->LineCount();
        QApplication::restoreOverrideCursor();
    }
    Publish();
}

void LinesView::Publish()
{
    if (m_lines->Complete())
        m_counter.stop();
    UpdateScrollBars();
    emit counted(m_lines->KnownLines(), m_lines->Complete());
}

void LinesView::SetCurrentRow(std::uint64_t row)
{
    CountTo(row);
    const std::uint64_t rows = RowCount();
    if (rows == 0)
        return;
    row = std::min(row, rows - 1);
    const std::uint64_t top = TopRow();
    const auto whole = static_cast<std::uint64_t>(verticalScrollBar()->pageStep());
    if (row < top || row >= top + whole) {
        const std::uint64_t centred = row > whole / 2 ? row - whole / 2 : 0;
        verticalScrollBar()->setValue(static_cast<int>(std::min<std::uint64_t>(centred, INT_MAX)));
    }
    if (row != m_current) {
        m_current = row;
        emit currentRowChanged(row);
    }
    viewport()->update();
}

void LinesView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const int height = RowHeight();
    const int ascent = fontMetrics().ascent();
    const int left = -horizontalScrollBar()->value();
    const std::uint64_t top = TopRow();
    const int inSight = RowsInSight();
    const QPalette& colours = palette();
    int widest = m_widest;
    auto paintRow = [&](std::uint64_t row, const QString& text) {
        const int y = static_cast<int>(row - top) * height;
        if (row == m_current) {
            painter.fillRect(0, y, viewport()->width(), height, colours.brush(QPalette::Highlight));
            painter.setPen(colours.color(QPalette::HighlightedText));
        } else {
            painter.setPen(colours.color(QPalette::Text));
        }
        painter.drawText(left, y + ascent, text);
        widest = std::max(widest, fontMetrics().horizontalAdvance(text));
    };
    if (top < m_lines->KnownLines()) {
        m_lines->ForEach(top, [&](std::uint64_t row, std::string_view line) {
            paintRow(row, QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
            return row + 1 < top + static_cast<std::uint64_t>(inSight);
        });
    }
    // The empty row after a last CR holds only the caret.
    const std::uint64_t rows = RowCount();
    if (rows > m_lines->KnownLines() && rows - 1 >= top && rows - 1 < top + static_cast<std::uint64_t>(inSight))
        paintRow(rows - 1, {});
    if (widest != m_widest) {
        m_widest = widest;
        UpdateScrollBars();
    }
}

void LinesView::keyPressEvent(QKeyEvent* event)
{
    const std::uint64_t page = static_cast<std::uint64_t>(verticalScrollBar()->pageStep());
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (event->matches(QKeySequence::Copy)) {
        QApplication::clipboard()->setText(RowText(m_current));
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        SetCurrentRow(m_current > 0 ? m_current - 1 : 0);
        return;
    case Qt::Key_Down:
        SetCurrentRow(m_current + 1);
        return;
    case Qt::Key_PageUp:
        SetCurrentRow(m_current > page ? m_current - page : 0);
        return;
    case Qt::Key_PageDown:
        SetCurrentRow(m_current + page);
        return;
    case Qt::Key_Home:
        if (control)
            SetCurrentRow(0);
        else
            horizontalScrollBar()->setValue(0);
        return;
    case Qt::Key_End:
        if (control) {
            CountAll();
            SetCurrentRow(RowCount() > 0 ? RowCount() - 1 : 0);
        } else {
            horizontalScrollBar()->setValue(horizontalScrollBar()->maximum());
        }
        return;
    case Qt::Key_Left:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepSub);
        return;
    case Qt::Key_Right:
        horizontalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void LinesView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mousePressEvent(event);
    const auto row = TopRow() + static_cast<std::uint64_t>(std::max(0, event->position().toPoint().y()) / RowHeight());
    if (row < RowCount())
        SetCurrentRow(row);
}

void LinesView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

std::optional<LinePosition> FindInLines(const views::LineSource& lines, const QString& text, LinePosition from)
{
    if (text.isEmpty())
        return std::nullopt;
    const auto& folded = FoldedBytes();
    const QString needleText = text.toCaseFolded();
    const std::vector<char16_t> needle(needleText.utf16(), needleText.utf16() + needleText.size());
    auto same = [&](char c, char16_t n) { return folded[static_cast<unsigned char>(c)] == n; };
    std::optional<LinePosition> found;
    lines.ForEach(from.line, [&](std::uint64_t line, std::string_view text) {
        const std::size_t start = line == from.line ? static_cast<std::size_t>(from.column) : 0;
        if (start < text.size()) {
            const auto at = std::search(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), needle.begin(),
                                        needle.end(), same);
            if (at != text.end()) {
                found = LinePosition{line, static_cast<std::uint64_t>(at - text.begin())};
                return false;
            }
        }
        return true;
    });
    return found;
}

} // namespace marlin::explorer
