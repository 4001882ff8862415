#pragma once
// A text of any size in a view window: a read-only viewport that makes only
// the lines in sight, while the lines are counted in steps between events,
// so the window opens at once and stays responsive. Nothing is kept per
// line: scrolling, painting and the caret line cost the same at any length.

#include <cstdint>
#include <memory>
#include <optional>

#include <QAbstractScrollArea>
#include <QTimer>

#include "views/line_source.h"

namespace marlin::explorer {

class LinesView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit LinesView(std::unique_ptr<views::LineSource> lines, QWidget* parent = nullptr);

    [[nodiscard]] const views::LineSource& Lines() const { return *m_lines; }
    // Whether every line has been counted.
    [[nodiscard]] bool Counted() const { return m_lines->Complete(); }
    // The rows shown: the lines counted so far, and once all are counted an
    // empty last row when the text ends with CR (as the editable box shows it).
    [[nodiscard]] std::uint64_t RowCount() const;
    [[nodiscard]] QString RowText(std::uint64_t row) const;
    // The caret's row, and the first row in sight.
    [[nodiscard]] std::uint64_t CurrentRow() const { return m_current; }
    [[nodiscard]] std::uint64_t TopRow() const;
    // Rows that fit in the viewport (the last may show in part).
    [[nodiscard]] int RowsInSight() const;
    // Puts the caret on a row (counting up to it first) and brings the row
    // into sight, in the middle when it was out of sight.
    void SetCurrentRow(std::uint64_t row);

signals:
    // More lines were counted; `total` is the number known now.
    void counted(std::uint64_t total, bool complete);
    void currentRowChanged(std::uint64_t row);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CountSome();
    void CountTo(std::uint64_t line);
    void CountAll();
    void Publish();
    void UpdateScrollBars();
    [[nodiscard]] int RowHeight() const;

    std::unique_ptr<views::LineSource> m_lines;
    std::uint64_t m_current = 0;
    int m_widest = 0; // the widest row painted so far, in pixels
    QTimer m_counter;
};

// Where a text is found: a line and a character in it.
struct LinePosition {
    std::uint64_t line = 0;
    std::uint64_t column = 0;
    bool operator==(const LinePosition&) const = default;
};

// The first place at or after `from` where the text occurs, in any case, as
// the view window's find matches it; nothing when it does not (or is empty).
[[nodiscard]] std::optional<LinePosition> FindInLines(const views::LineSource& lines, const QString& text,
                                                      LinePosition from);

} // namespace marlin::explorer
