#include "explorer/view_window.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
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
    add(file, "mnuFileSave", "&Save File...", &frmView::mnuFileSave_Click);
    add(file, "mnuFilePrint", "&Print File", &frmView::mnuFilePrint_Click);
    add(file, "mnuFileClose", "&Close", &frmView::mnuFileClose_Click);
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
    if (const auto view = views::ProduceView(ViewMode, disc, source)) {
        setWindowTitle(QString::fromLatin1(view->title));
        ViewName = QString::fromLatin1(view->viewName);
        AppendText(view->text);
    }
    // Show the top of the listing.
    QTextCursor cursor = m_rtbView->textCursor();
    cursor.setPosition(0);
    m_rtbView->setTextCursor(cursor);
    FindPos = 0;
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

void frmView::mnuEditFind_Click()
{
    const auto answer = m_prompts.FindText(this, FindText());
    if (!answer) {
        FindPos = -1;
        return;
    }
    FindText() = *answer;
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
    (void)file.write((Text() + QStringLiteral("\r\n")).toLatin1());
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
    QTextDocument document;
    document.setPlainText(m_rtbView->toPlainText());
    document.print(&printer);
}

void frmView::mnuFileClose_Click()
{
    close();
}

} // namespace marlin::explorer
