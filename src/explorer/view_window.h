#pragma once
// frmView: a text window for one listing or file view, with save, print and
// a case-insensitive find. Every view is a snapshot: it is filled once and
// never follows later changes of the image. Views are independent top-level
// windows; the explorer closes them all when it closes. A text of ordinary
// size can be edited; a larger one is shown read-only, its lines made as they
// come into sight, so that a view of any file opens at once.

#include <memory>
#include <optional>
#include <string>

#include <QMainWindow>

#include "explorer/line_view.h"
#include "image/disc.h"
#include "views/view_modes.h"

class QAction;
class QLabel;
class QPlainTextEdit;

namespace marlin::explorer {

class Prompts;

class frmView : public QMainWindow {
    Q_OBJECT
public:
    // prompts must outlive the window (the explorer owns both).
    explicit frmView(Prompts& prompts);
    ~frmView() override;

    views::ViewMode ViewMode = views::ViewMode::Text;
    QString ViewName;
    int FindPos = 0;

    // Texts up to this many lines and characters go into the editable box.
    static constexpr std::uint64_t kEditableLines = 50000;
    static constexpr std::size_t kEditableChars = 4 << 20;

    // Fills the window according to ViewMode and shows the top of the text.
    void ShowFile(const image::Disc& disc, const views::ViewSource& source);
    // Shows a text: in the editable box when it is no longer than
    // kEditableLines and kEditableChars, else read-only in a list of lines made as they come into sight.
    void ShowLines(std::unique_ptr<views::LineSource> lines);
    // Appends text whose lines end in CR to the box; each CR ends one line.
    void AppendText(const std::string& text);
    // The box's whole text with CR LF line ends, as Save writes it (without
    // Save's extra line end). Only for a text in the box.
    [[nodiscard]] QString Text() const;
    // The editable box; null once a large text has taken its place.
    [[nodiscard]] QPlainTextEdit* rtbView() const { return m_rtbView; }
    // The read-only list of a large text; null while the text is in the box.
    [[nodiscard]] LinesView* lstLines() const { return m_lstLines; }
    // What the status line says (a large text says that it is read-only).
    [[nodiscard]] QString StatusText() const;

    // The text of the last Find, shared by every view while the program runs.
    static QString& FindText();
    // Every view window still open, oldest first.
    static QList<frmView*> OpenViews();
    // Closes every view window (the explorer's close ends them all).
    static void CloseAll();

public slots:
    void mnuFileSave_Click();
    void mnuFilePrint_Click();
    void mnuFileClose_Click();
    void mnuEditFind_Click();
    void mnuEditNext_Click();

private:
    void TrackCaret();
    // Find in a large text: from a place on, selecting the line found.
    void FindLine(LinePosition from, bool sayWhenMissing);
    void ShowCounted(std::uint64_t lines, bool complete);

    Prompts& m_prompts;
    QPlainTextEdit* m_rtbView;
    LinesView* m_lstLines = nullptr;
    QLabel* m_status = nullptr;
    // The large text's caret: where Find Next goes on from (none: stopped).
    std::optional<LinePosition> m_findAt;
};

} // namespace marlin::explorer
