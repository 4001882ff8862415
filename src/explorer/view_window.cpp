#include "explorer/view_window.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextDocument>

#include "explorer/prompts.h"

namespace marlin::explorer {

namespace {

QList<QPointer<frmView>>& Registry()
{
    static QList<QPointer<frmView>> views;
    return views;
}

// Window lengths are given in twips (1/1440 inch).
int Twips(const QWidget* widget, double twips)
{
    return static_cast<int>(twips * widget->logicalDpiX() / 1440.0 + 0.5);
}

QFont ViewFont()
{
    // Listings line up in columns: the classic face where the machine has
    // it, else the desktop's own fixed-pitch font (never a substitute that
    // may be proportional).
    const QString classic = QStringLiteral("Courier New");
    QFont font =
        QFontDatabase::hasFamily(classic) ? QFont(classic) : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(9.75);
    return font;
}

// A wait cursor while a large text is searched, saved or printed.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace

frmView::frmView(Prompts& prompts) : m_prompts(prompts)
{
    setObjectName(QStringLiteral("frmView"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("View File"));

    m_rtbView = new QPlainTextEdit(this);
    m_rtbView->setObjectName(QStringLiteral("rtbView"));
    m_rtbView->setFont(ViewFont());
    m_rtbView->setLineWrapMode(QPlainTextEdit::NoWrap);
    setCentralWidget(m_rtbView);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("stbStatus"));
    statusBar()->addWidget(m_status, 1);
    statusBar()->hide(); // only a large text has something to say
    connect(m_rtbView, &QPlainTextEdit::cursorPositionChanged, this, &frmView::TrackCaret);
    connect(m_rtbView, &QPlainTextEdit::selectionChanged, this, &frmView::TrackCaret);

    auto* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    auto add = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add(file, "mnuFileSave", "&Save File...", &frmView::mnuFileSave_Click)->setShortcut(QKeySequence::Save);
    add(file, "mnuFilePrint", "&Print File", &frmView::mnuFilePrint_Click)->setShortcut(QKeySequence::Print);
    add(file, "mnuFileClose", "&Close", &frmView::mnuFileClose_Click)->setShortcut(QKeySequence::Close);
    auto* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    edit->setObjectName(QStringLiteral("mnuEdit"));
    add(edit, "mnuEditFind", "&Find...", &frmView::mnuEditFind_Click)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    add(edit, "mnuEditNext", "Find &Next", &frmView::mnuEditNext_Click)->setShortcut(QKeySequence(Qt::Key_F3));

    // Client area 10530 by 5910 twips when first shown.
    resize(Twips(this, 10530), Twips(this, 5910) + menuBar()->sizeHint().height());
    Registry().append(this);
}

frmView::~frmView()
{
    Registry().removeAll(QPointer<frmView>(this));
    Registry().removeAll(QPointer<frmView>());
}

QString& frmView::FindText()
{
    static QString text;
    return text;
}

QList<frmView*> frmView::OpenViews()
{
    QList<frmView*> views;
    for (const auto& view : Registry()) {
        if (view)
            views.append(view.data());
    }
    return views;
}

void frmView::CloseAll()
{
    for (frmView* view : OpenViews())
        view->close();
}

void frmView::ShowFile(const image::Disc& disc, const views::ViewSource& source)
{
    // The view keeps a snapshot of what it shows: later changes of the image
    // do not reach it.
    if (auto view = views::ProduceView(ViewMode, disc, source, views::Keep::Snapshot)) {
        setWindowTitle(QString::fromLatin1(view->title));
        ViewName = QString::fromLatin1(view->viewName);
        ShowLines(std::move(view->lines));
    }
    FindPos = 0;
    if (!m_rtbView)
        return; // a large text starts at its top
    // Show the top of the listing.
    QTextCursor cursor = m_rtbView->textCursor();
    cursor.setPosition(0);
    m_rtbView->setTextCursor(cursor);
    FindPos = 0;
}

void frmView::ShowLines(std::unique_ptr<views::LineSource> lines)
{
    if (lines->IndexMore(kEditableLines)) {
        // Few lines may still be long ones: the text is made only as far as
        // the box takes it.
        struct TooLong {};
        struct Bounded final : views::TextSink {
            void Write(std::string_view piece) override
            {
                if (text.size() + piece.size() > kEditableChars)
                    throw TooLong{};
                text += piece;
            }
            std::string text;
        } sink;
        try {
            lines->WriteTo(sink);
            AppendText(sink.text);
            return;
        } catch (const TooLong&) {
        }
    }
    m_lstLines = new LinesView(std::move(lines), this);
    m_lstLines->setObjectName(QStringLiteral("lstLines"));
    m_lstLines->setFont(ViewFont());
    setCentralWidget(m_lstLines); // the box goes with its empty text
    m_rtbView = nullptr;
    m_findAt = LinePosition{};
    connect(m_lstLines, &LinesView::currentRowChanged, this, [this](std::uint64_t row) {
        // Find Next goes on from the line the user put the caret on.
        m_findAt = LinePosition{row, 0};
    });
    connect(m_lstLines, &LinesView::counted, this, &frmView::ShowCounted);
    statusBar()->show();
    ShowCounted(m_lstLines->Lines().KnownLines(), m_lstLines->Counted());
}

void frmView::ShowCounted(std::uint64_t lines, bool complete)
{
    const QString count = QLocale().toString(static_cast<qulonglong>(lines));
    m_status->setText(complete ? QStringLiteral("Read only: ") + count + QStringLiteral(" lines")
                               : QStringLiteral("Read only: counting lines, ") + count + QStringLiteral(" so far"));
}

QString frmView::StatusText() const
{
    return m_status->text();
}

void frmView::AppendText(const std::string& text)
{
    // The document ends a line at CR as well as at LF, so each CR becomes one
    // line break; an LF that already followed a CR stays as a further one.
    QString lines = QString::fromLatin1(text);
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    // What the program shows is not the user's edit: Undo takes back only
    // what was typed (turning undo off and on forgets the steps before).
    m_rtbView->setUndoRedoEnabled(false);
    QTextCursor cursor = m_rtbView->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(lines);
    m_rtbView->setUndoRedoEnabled(true);
}

QString frmView::Text() const
{
    // The raw text keeps every character as shown (the plain text would turn
    // a no-break space into a space); only its line separators change.
    QString text = m_rtbView->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

void frmView::TrackCaret()
{
    // Find Next goes on from wherever the user put the caret.
    FindPos = m_rtbView->textCursor().selectionStart();
}

void frmView::FindLine(LinePosition from, bool sayWhenMissing)
{
    std::optional<LinePosition> found;
    {
        const BusyCursor busy;
        found = FindInLines(m_lstLines->Lines(), FindText(), from);
    }
    m_findAt = found;
    FindPos = found ? static_cast<int>(found->line) : -1;
    if (!found) {
        if (sayWhenMissing)
            m_prompts.Message(this, QStringLiteral("Text Not Found"));
        return;
    }
    m_lstLines->SetCurrentRow(found->line);
    m_findAt = found; // the row's own tracking set the column to 0
}

void frmView::mnuEditFind_Click()
{
    const auto answer = m_prompts.FindText(this, FindText());
    if (!answer) {
        FindPos = -1;
        m_findAt.reset();
        return;
    }
    FindText() = *answer;
    if (m_lstLines) {
        FindLine({}, true);
        return;
    }
    const QTextCursor match = m_rtbView->document()->find(FindText(), 0);
    if (match.isNull()) {
        FindPos = -1;
        m_prompts.Message(this, QStringLiteral("Text Not Found"));
        return;
    }
    m_rtbView->setTextCursor(match);
    FindPos = match.selectionStart();
}

void frmView::mnuEditNext_Click()
{
    if (m_lstLines) {
        if (m_findAt)
            FindLine({m_findAt->line, m_findAt->column + 1}, false);
        return;
    }
    if (FindPos == -1)
        return;
    const QTextCursor match = m_rtbView->document()->find(FindText(), FindPos + 1);
    if (match.isNull()) {
        FindPos = -1;
        return;
    }
    m_rtbView->setTextCursor(match);
    FindPos = match.selectionStart();
}

void frmView::mnuFileSave_Click()
{
    const auto name = m_prompts.SaveFileName(this, QStringLiteral("Save File As"),
                                             QStringLiteral("Save File (*.TXT)|*.txt|All Files (*.*)|*.*"),
                                             ViewName + QStringLiteral(".txt"));
    if (!name || name->isEmpty())
        return;
    QFile file(*name);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        m_prompts.Message(this, file.errorString(), MessageIcon::Exclamation);
        return;
    }
    // Any other failure while writing is ignored, as the save promises no more.
    if (!m_lstLines) {
        (void)file.write((Text() + QStringLiteral("\r\n")).toLatin1());
        return;
    }
    // A large text is written as it is made, each CR as CR LF.
    class FileSink final : public views::TextSink {
    public:
        explicit FileSink(QFile& file) : m_file(file) {}
        void Write(std::string_view text) override
        {
            m_text.clear();
            for (std::size_t cr; (cr = text.find('\r')) != std::string_view::npos; text.remove_prefix(cr + 1))
                m_text.append(text.substr(0, cr + 1)).push_back('\n');
            m_text.append(text);
            (void)m_file.write(m_text.data(), static_cast<qint64>(m_text.size()));
        }

    private:
        QFile& m_file;
        std::string m_text;
    } sink(file);
    const BusyCursor busy;
    m_lstLines->Lines().WriteTo(sink);
    sink.Write("\r");
}

void frmView::mnuFilePrint_Click()
{
    const QPrinterInfo printerInfo = QPrinterInfo::defaultPrinter();
    if (printerInfo.isNull()) {
        // Printing to nowhere would look like success; say why nothing prints.
        m_prompts.Message(this, QStringLiteral("No Printer Available"), MessageIcon::Exclamation);
        return;
    }
    QPrinter printer(printerInfo);
    if (!m_lstLines) {
        QTextDocument document;
        document.setPlainText(m_rtbView->toPlainText());
        document.print(&printer);
        return;
    }
    // A large text page by page, as many lines to a page as fit.
    const BusyCursor busy;
    QPainter painter(&printer);
    const int height = painter.fontMetrics().lineSpacing();
    const int perPage = std::max(1, printer.pageLayout().paintRectPixels(printer.resolution()).height() / height);
    int onPage = 0;
    m_lstLines->Lines().ForEach(0, [&](std::uint64_t, std::string_view line) {
        if (onPage == perPage) {
            printer.newPage();
            onPage = 0;
        }
        painter.drawText(0, (onPage + 1) * height,
                         QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size())));
        ++onPage;
        return true;
    });
}

void frmView::mnuFileClose_Click()
{
    close();
}

} // namespace marlin::explorer
