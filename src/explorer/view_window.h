#pragma once
// frmView: a text window for one listing or file view, with save, print and
// a case-insensitive find. Every view is a snapshot: it is filled once and
// never follows later changes of the image. Views are independent top-level
// windows; the explorer closes them all when it closes.

#include <string>

#include <QMainWindow>

#include "image/disc.h"
#include "views/view_modes.h"

class QAction;
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

    // Fills the window according to ViewMode and shows the top of the text.
    void ShowFile(const image::Disc& disc, const views::ViewSource& source);
    // Appends text whose lines end in CR; each CR ends one line of the box.
    void AppendText(const std::string& text);
    // The box's whole text with CR LF line ends, as Save writes it (without
    // Save's extra line end).
    [[nodiscard]] QString Text() const;
    [[nodiscard]] QPlainTextEdit* rtbView() const { return m_rtbView; }

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

    Prompts& m_prompts;
    QPlainTextEdit* m_rtbView;
};

} // namespace marlin::explorer
