// frmMain: construction, menus, toolbar, status bar, layout and the window's
// life (settings in, settings out).
#include "explorer/frm_main.h"

#include "explorer/drag_drop.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFrame>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSettings>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QToolBar>
#include <QUndoStack>
#include <QWindow>

#include "explorer/icons.h"
#include "explorer/view_window.h"
#include "image/image_file.h"

namespace marlin::explorer {

namespace {

// Lengths of the layout, twips.
constexpr double kMinWindowWidth = 3000;
constexpr double kMinPane = 3000;   // the splitter keeps this much on each side
constexpr double kDragMargin = 500; // the drag bar keeps this far from the edges
constexpr double kGripWidth = 150;
constexpr double kListGap = 40;
constexpr double kListTrim = 140;

// A stored length that is not a number falls back to its default.
double ReadNumber(QSettings& settings, const char* key, double fallback)
{
    bool ok = false;
    const double value = settings.value(QString::fromLatin1(key)).toString().toDouble(&ok);
    return ok ? value : fallback;
}

// An option that is neither True nor False falls back to its default.
bool ReadFlag(QSettings& settings, const char* key, bool fallback)
{
    const QString value = settings.value(QString::fromLatin1(key)).toString();
    if (value.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (value.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    return fallback;
}

} // namespace

QSettings SettingsStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kProgramTitle),
                     QString::fromLatin1(kProgramTitle));
}

SplitterGrip::SplitterGrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("imgSplitter"));
    setCursor(Qt::SplitHCursor);
}

void SplitterGrip::mousePressEvent(QMouseEvent* event)
{
    emit pressed(event->position().toPoint());
}

void SplitterGrip::mouseMoveEvent(QMouseEvent* event)
{
    emit moved(event->position().toPoint());
}

void SplitterGrip::mouseReleaseEvent(QMouseEvent* event)
{
    emit released(event->position().toPoint());
}

BusyScope::BusyScope(frmMain& window, const QString& status) : m_window(window), m_wasBusy(window.m_busy)
{
    m_window.m_busy = true;
    m_window.m_pumpTimer.start();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!status.isEmpty())
        m_window.SetStatus(status, true);
}

BusyScope::~BusyScope()
{
    QApplication::restoreOverrideCursor();
    m_window.m_busy = m_wasBusy;
}

frmMain::frmMain(Prompts* prompts, QWidget* parent)
    : QMainWindow(parent), m_ownedPrompts(prompts ? nullptr : std::make_unique<WidgetPrompts>()),
      m_prompts(prompts ? prompts : m_ownedPrompts.get()), m_treeModel(new TreeModel(this)),
      m_listModel(new ListModel(this))
{
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    m_history = new DiscHistory(
        m_disc, [this] { ShowUndoneStep(); }, this);
    m_frameMargins = [this] { return windowHandle() ? windowHandle()->frameMargins() : QMargins(); };
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    BuildClientArea();
    m_dragDrop = new DragDrop(*this);
}

frmMain::~frmMain()
{
    // The stack says its steps are gone as it goes, after this window.
    m_history->Stack().disconnect(this);
}

QAction* frmMain::AddItem(QMenu* menu, const char* name, const char* caption, void (frmMain::*slot)())
{
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    if (slot)
        Command(action, [this, slot] { (this->*slot)(); });
    return action;
}

void frmMain::Command(QAction* action, std::function<void()> command)
{
    connect(action, &QAction::triggered, this, [this, command = std::move(command)] {
        // A command never starts inside another one (a long operation lets
        // the window repaint, and a queued click must not land mid-way).
        if (m_busy)
            return;
        command();
    });
}

void frmMain::BuildMenus()
{
    QMenuBar* bar = menuBar();
    auto menu = [this, bar](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(QString::fromLatin1(caption));
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setObjectName(QString::fromLatin1(name));
        return m;
    };

    QMenu* disc = menu("mnuDisc", "&Disc");
    AddItem(disc, "mnuDiscOpen", "&Open Disc Image...", &frmMain::mnuDiscOpen_Click);
    QMenu* discNew = disc->addMenu(QStringLiteral("&New Disc Image"));
    discNew->setObjectName(QStringLiteral("mnuDiscNew"));
    discNew->menuAction()->setObjectName(QStringLiteral("mnuDiscNew"));
    for (const image::DiscSize& size : image::kDiscSizes) {
        const QString megabytes = QString::number(size.megabytes);
        QAction* item = discNew->addAction(megabytes + QStringLiteral("MB Disc"));
        item->setObjectName(QStringLiteral("mnuDiscNew") + megabytes + QLatin1Char('M'));
        Command(item, [this, size] { mnuDiscNew_Click(size); });
    }
    AddItem(disc, "mnuDiscSave", "Save &Disc Image As...", &frmMain::mnuDiscSave_Click);
    AddItem(disc, "mnuDiscBoot", "Set &Boot Options...", &frmMain::mnuDiscBoot_Click);
    AddItem(disc, "mnuDiscMap", "&View Free Space Map", &frmMain::mnuDiscMap_Click);
    AddItem(disc, "mnuDiscCompact", "&Compact Disc", &frmMain::mnuDiscCompact_Click);
    AddItem(disc, "mnuDiscCheck", "Chec&k Disc", &frmMain::mnuDiscCheck_Click);
    AddItem(disc, "mnuDiscRepair", "&Repair Disc...", &frmMain::mnuDiscRepair_Click);
    AddItem(disc, "mnuDiscFind", "&Find Files...", &frmMain::mnuDiscFind_Click);
    disc->addSeparator()->setObjectName(QStringLiteral("mnuDiscBar1"));
    m_mnuDiscRecent = disc->addMenu(QStringLiteral("Recen&t Discs"));
    m_mnuDiscRecent->setObjectName(QStringLiteral("mnuDiscRecent"));
    m_mnuDiscRecent->menuAction()->setObjectName(QStringLiteral("mnuDiscRecent"));
    connect(m_mnuDiscRecent, &QMenu::aboutToShow, this, &frmMain::FillRecentDiscs);
    FillRecentDiscs();
    AddItem(disc, "mnuDiscClose", "E&xit", &frmMain::mnuDiscClose_Click);

    QMenu* edit = menu("mnuEdit", "&Edit");
    m_mnuEditUndo = AddItem(edit, "mnuEditUndo", "&Undo", &frmMain::mnuEditUndo_Click);
    m_mnuEditUndo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    m_mnuEditRedo = AddItem(edit, "mnuEditRedo", "&Redo", &frmMain::mnuEditRedo_Click);
    m_mnuEditRedo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    // Each names the step it would take back or do again.
    const QUndoStack& steps = m_history->Stack();
    auto follow = [this](QAction* action, const QString& caption, const QString& step, bool enabled) {
        action->setText(step.isEmpty() ? caption : caption + QLatin1Char(' ') + step);
        action->setEnabled(enabled);
    };
    auto showSteps = [this, &steps, follow] {
        follow(m_mnuEditUndo, QStringLiteral("&Undo"), steps.undoText(), steps.canUndo());
        follow(m_mnuEditRedo, QStringLiteral("&Redo"), steps.redoText(), steps.canRedo());
        // A rename joins "New Directory..." only straight after it.
        if (m_newDirectoryStep && m_newDirectoryStep->index != steps.index())
            m_newDirectoryStep.reset();
    };
    connect(&steps, &QUndoStack::indexChanged, this, showSteps);
    connect(&steps, &QUndoStack::cleanChanged, this, [this](bool clean) { setWindowModified(!clean); });
    showSteps();

    m_mnuDirectory = menu("mnuDirectory", "&Directory");
    AddItem(m_mnuDirectory, "mnuDirectoryNew", "New Directory...", &frmMain::mnuDirectoryNew_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryDelete", "Delete Directory", &frmMain::mnuDirectoryDelete_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryRename", "Rename Directory...", &frmMain::mnuDirectoryRename_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryExport", "Export Directory...", &frmMain::mnuDirectoryExport_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryTitle", "Set Title...", &frmMain::mnuDirectoryTitle_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryCat", "View As *CAT", &frmMain::mnuDirectoryCat_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryCatAll", "View As *CATALL", &frmMain::mnuDirectoryCatAll_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryEx", "View As *EX", &frmMain::mnuDirectoryEx_Click);
    AddItem(m_mnuDirectory, "mnuDirectoryExAll", "View As *EXALL", &frmMain::mnuDirectoryExAll_Click);

    m_mnuFile = menu("mnuFile", "&File");
    m_mnuFileViewText = AddItem(m_mnuFile, "mnuFileViewText", "View As &Text", &frmMain::mnuFileViewText_Click);
    m_mnuFileViewBasic = AddItem(m_mnuFile, "mnuFileViewBasic", "View As &Basic", &frmMain::mnuFileViewBasic_Click);
    m_mnuFileViewDis = AddItem(m_mnuFile, "mnuFileViewDis", "Disassemble File", &frmMain::mnuFileViewDis_Click);
    AddItem(m_mnuFile, "mnuFileViewHex", "View As &Hex", &frmMain::mnuFileViewHex_Click);
    m_mnuFileViewCat = AddItem(m_mnuFile, "mnuFileViewCat", "View As *CAT", &frmMain::mnuFileViewCat_Click);
    m_mnuFileViewCatAll = AddItem(m_mnuFile, "mnuFileViewCatAll", "View As *CATALL", &frmMain::mnuFileViewCatAll_Click);
    m_mnuFileViewEx = AddItem(m_mnuFile, "mnuFileViewEx", "View As *EX", &frmMain::mnuFileViewEx_Click);
    m_mnuFileViewExAll = AddItem(m_mnuFile, "mnuFileViewExAll", "View As *EXALL", &frmMain::mnuFileViewExAll_Click);
    AddItem(m_mnuFile, "mnuFileSelectAll", "Select All", &frmMain::mnuFileSelectAll_Click);
    AddItem(m_mnuFile, "mnuFileAttributes", "Set File Attributes...", &frmMain::mnuFileAttributes_Click);
    AddItem(m_mnuFile, "mnuFileAddresses", "Set &Addresses...", &frmMain::mnuFileAddresses_Click);
    AddItem(m_mnuFile, "mnuFileDelete", "&Delete File", &frmMain::mnuFileDelete_Click);
    AddItem(m_mnuFile, "mnuFileRename", "&Rename File...", &frmMain::mnuFileRename_Click);
    AddItem(m_mnuFile, "mnuFileExport", "&Export File...", &frmMain::mnuFileExport_Click);
    UpdateActions(); // nothing is current yet

    QMenu* options = menu("mnuOptions", "&Options");
    m_mnuOptionsDelete = AddItem(options, "mnuOptionsDelete", "Delete Locked Files");
    m_mnuOptionsEmpty = AddItem(options, "mnuOptionsEmpty", "Delete Non Empty Directories");
    for (QAction* option : {m_mnuOptionsDelete, m_mnuOptionsEmpty}) {
        // The check mark flips on each click; the commands read it when they run.
        option->setCheckable(true);
        option->setChecked(true);
    }

    // The help items belong to the application shell, which listens to them.
    QMenu* help = menu("mnuHelp", "&Help");
    AddItem(help, "mnuHelpContents", "&Contents", &frmMain::mnuHelpContents_Click);
    AddItem(help, "mnuHelpSearch", "&Search For Help On...", &frmMain::mnuHelpSearch_Click);
    help->addSeparator()->setObjectName(QStringLiteral("mnuHelpBar1"));
    AddItem(help, "mnuHelpAbout", "&About Marlin Explorer...", &frmMain::mnuHelpAbout_Click);
}

void frmMain::BuildToolBar()
{
    m_tbToolBar = addToolBar(QStringLiteral("Toolbar"));
    m_tbToolBar->setObjectName(QStringLiteral("tbToolBar"));
    m_tbToolBar->setMovable(false);
    m_tbToolBar->setFloatable(false);
    m_tbToolBar->toggleViewAction()->setVisible(false);
    // Each button's key is its tool tip, picture and name (tb + key without blanks).
    auto button = [this](const char* key, std::function<void()> command) {
        const QString text = QString::fromLatin1(key);
        QAction* action = m_tbToolBar->addAction(KeyIcon(text), text);
        action->setObjectName(QStringLiteral("tb") + QString(text).remove(QLatin1Char(' ')));
        action->setToolTip(text);
        action->setData(text);
        Command(action, std::move(command));
    };
    button("New", [this] { mnuDiscNew_Click(image::kDefaultDiscSize); });
    button("Open", [this] { mnuDiscOpen_Click(); });
    button("Save", [this] { tbSave_Click(); });
    m_tbToolBar->addSeparator();
    button("Up One Level", [this] { tbUpOneLevel_Click(); });
    // The view mode changes only how the list is drawn, so it is no command
    // that must wait for another.
    for (const auto& [key, mode] : {std::pair{"View Details", FileListView::Mode::Details},
                                    {"View Large Icons", FileListView::Mode::LargeIcons},
                                    {"View List", FileListView::Mode::List},
                                    {"View Small Icons", FileListView::Mode::SmallIcons}})
        button(key, [this, mode = mode] { m_lvwDB->SetMode(mode); });
}

void frmMain::BuildStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("sbStatusBar"));
    bar->setSizeGripEnabled(true);
    m_statusPanel = new QLabel(QStringLiteral("Ready"), bar);
    m_statusPanel->setObjectName(QStringLiteral("sbStatusBarStatus"));
    m_datePanel = new QLabel(bar);
    m_datePanel->setObjectName(QStringLiteral("sbStatusBarDate"));
    m_timePanel = new QLabel(bar);
    m_timePanel->setObjectName(QStringLiteral("sbStatusBarTime"));
    bar->addWidget(m_statusPanel, 1);
    bar->addPermanentWidget(m_datePanel);
    bar->addPermanentWidget(m_timePanel);
    m_clock = new QTimer(this);
    connect(m_clock, &QTimer::timeout, this, &frmMain::UpdateClock);
    m_clock->start(1000);
    UpdateClock();
}

void frmMain::UpdateClock()
{
    const QLocale locale;
    m_datePanel->setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    m_timePanel->setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
}

QString frmMain::StatusText() const
{
    return m_statusPanel->text();
}

void frmMain::BuildClientArea()
{
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);

    m_imgSplitter = new SplitterGrip(m_client);
    m_tvwDB = new DirectoryTreeView(m_client);
    m_tvwDB->setModel(m_treeModel);
    m_lvwDB = new FileListView(m_listModel, m_client);
    // The grip lies under the list, as wide as the gap between the two panes shows.
    m_imgSplitter->lower();
    m_picSplitter = new QFrame(m_client);
    m_picSplitter->setObjectName(QStringLiteral("picSplitter"));
    m_picSplitter->setAutoFillBackground(true);
    QPalette gray = m_picSplitter->palette();
    gray.setColor(QPalette::Window, QColor(128, 128, 128));
    m_picSplitter->setPalette(gray);
    m_picSplitter->hide();

    connect(m_imgSplitter, &SplitterGrip::pressed, this, &frmMain::imgSplitter_MouseDown);
    connect(m_imgSplitter, &SplitterGrip::moved, this, &frmMain::imgSplitter_MouseMove);
    connect(m_imgSplitter, &SplitterGrip::released, this, &frmMain::imgSplitter_MouseUp);

    // Tree events.
    connect(m_tvwDB->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
        TreeNodeItem* node = m_treeModel->NodeOf(index);
        if (!m_filling && !m_busy && node && node != m_currentNode)
            tvwDB_NodeClick(node);
    });
    connect(m_tvwDB, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        TreeNodeItem* node = m_treeModel->NodeOf(index);
        if (!m_busy && node && node == m_currentNode)
            tvwDB_NodeClick(node);
    });
    connect(m_tvwDB, &QTreeView::expanded, this, [this](const QModelIndex& index) {
        if (!m_filling && !m_busy)
            tvwDB_Expand(m_treeModel->NodeOf(index));
    });
    connect(m_tvwDB, &QTreeView::collapsed, this, [this](const QModelIndex& index) {
        if (!m_filling && !m_busy)
            tvwDB_Collapse(m_treeModel->NodeOf(index));
    });
    connect(m_treeModel, &TreeModel::renameRequested, this,
            [this](const QPersistentModelIndex& node, const QString& text) {
                if (!m_busy && node.isValid())
                    tvwDB_AfterLabelEdit(m_treeModel->NodeOf(node), text);
            });
    connect(m_tvwDB, &DirectoryTreeView::contextMenuAt, this, [this](const QPoint& where) {
        if (!m_busy && m_currentNode)
            m_mnuDirectory->popup(where);
    });

    // List events.
    connect(m_lvwDB->Selection(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& index) {
        if (!m_busy && index.isValid())
            lvwDB_ItemClick(index);
    });
    connect(m_lvwDB, &FileListView::itemClicked, this, [this](const QModelIndex& index) {
        if (!m_busy)
            lvwDB_ItemClick(index);
    });
    connect(m_lvwDB, &FileListView::itemDoubleClicked, this, [this] {
        if (!m_busy)
            lvwDB_DblClick();
    });
    connect(m_lvwDB, &FileListView::columnClicked, this, [this](int column) {
        if (!m_busy)
            lvwDB_ColumnClick(column);
    });
    connect(m_listModel, &ListModel::renameRequested, this,
            [this](const QPersistentModelIndex& item, const QString& text) {
                // The edit belongs to the item it started on.
                if (!m_busy && item.isValid()) {
                    m_currentItem = QPersistentModelIndex(item.sibling(item.row(), 0));
                    lvwDB_AfterLabelEdit(text);
                }
            });
    connect(m_lvwDB, &FileListView::contextMenuAt, this, [this](const QPoint& where) {
        if (!m_busy && m_currentItem.isValid())
            m_mnuFile->popup(where);
    });
}

// --- Layout -----------------------------------------------------------------

int frmMain::TwipsToPixels(double twips) const
{
    return static_cast<int>(twips * logicalDpiX() / 1440.0 + (twips >= 0 ? 0.5 : -0.5));
}

double frmMain::PixelsToTwips(int pixels) const
{
    return pixels * 1440.0 / logicalDpiX();
}

QRect frmMain::OuterGeometry() const
{
    return geometry().marginsAdded(FrameMargins());
}

void frmMain::SetOuterGeometry(const QRect& outer)
{
    const QMargins frame = FrameMargins();
    if (!frame.isNull()) {
        setGeometry(outer.marginsRemoved(frame));
        return;
    }
    // Not framed yet: move() places the frame's corner wherever the frame
    // turns out to be; the rest waits until the frame is known.
    move(outer.topLeft());
    resize(outer.size());
}

double frmMain::WindowWidth() const
{
    return PixelsToTwips(OuterGeometry().width());
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FitRestoredFrame();
    Form_Resize();
}

void frmMain::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    // Framing by a window manager moves the window.
    FitRestoredFrame();
}

void frmMain::FitRestoredFrame()
{
    if (!m_awaitingFrame)
        return;
    // Once the size is not the one restored, the user has taken over.
    if (size() != m_restored.outer.size()) {
        m_awaitingFrame = false;
        return;
    }
    if (FrameMargins().isNull())
        return;
    m_awaitingFrame = false;
    SetOuterGeometry(m_restored.outer);
}

void frmMain::Form_Resize()
{
    if (WindowWidth() < kMinWindowWidth && !isMinimized()) {
        const QMargins frame = FrameMargins();
        resize(TwipsToPixels(kMinWindowWidth) - frame.left() - frame.right(), height());
    }
    SizeControls(m_splitterX);
}

void frmMain::SizeControls(double x)
{
    const double windowWidth = WindowWidth();
    if (x < kMinPane)
        x = kMinPane;
    if (x > windowWidth - kMinPane)
        x = windowWidth - kMinPane;
    m_splitterX = x;
    // Heights come from the client area, which already excludes the toolbar
    // and the status bar; a negative size in a tiny window becomes zero.
    const int height = std::max(0, m_client->height());
    const int treeWidth = std::max(0, TwipsToPixels(x));
    m_tvwDB->setGeometry(0, 0, treeWidth, height);
    m_imgSplitter->setGeometry(TwipsToPixels(x), 0, TwipsToPixels(kGripWidth), height);
    m_lvwDB->setGeometry(TwipsToPixels(x + kListGap), 0, std::max(0, TwipsToPixels(windowWidth - (x + kListTrim))),
                         height);
}

void frmMain::imgSplitter_MouseDown(const QPoint&)
{
    const QRect grip = m_imgSplitter->geometry();
    m_picSplitter->setGeometry(grip.left(), grip.top(), grip.width() / 2,
                               std::max(0, grip.height() - TwipsToPixels(20)));
    m_picSplitter->show();
    m_picSplitter->raise();
    m_dragging = true;
}

void frmMain::imgSplitter_MouseMove(const QPoint& pos)
{
    if (!m_dragging)
        return;
    double position = PixelsToTwips(m_imgSplitter->x() + pos.x());
    if (position < kDragMargin)
        position = kDragMargin;
    if (position > WindowWidth() - kDragMargin)
        position = WindowWidth() - kDragMargin;
    m_picSplitter->move(TwipsToPixels(position), m_picSplitter->y());
}

void frmMain::imgSplitter_MouseUp(const QPoint&)
{
    SizeControls(PixelsToTwips(m_picSplitter->x()));
    m_picSplitter->hide();
    m_dragging = false;
}

// --- Life ---------------------------------------------------------------------

void frmMain::Form_Load()
{
    {
        QSettings settings = SettingsStore();
        settings.beginGroup(QStringLiteral("Settings"));
        double* twips = m_restored.twips;
        twips[0] = ReadNumber(settings, "MainLeft", 1000);
        twips[1] = ReadNumber(settings, "MainTop", 1000);
        twips[2] = ReadNumber(settings, "MainWidth", 6500);
        twips[3] = ReadNumber(settings, "MainHeight", 6500);
        m_restored.outer =
            QRect(TwipsToPixels(twips[0]), TwipsToPixels(twips[1]), TwipsToPixels(twips[2]), TwipsToPixels(twips[3]));
        SetOuterGeometry(m_restored.outer);
        // Under a window manager the frame is known only once it has framed the shown window.
        m_awaitingFrame = FrameMargins().isNull();
        show();
        FitRestoredFrame();
        m_mnuOptionsDelete->setChecked(ReadFlag(settings, "DeleteLocked", true));
        m_mnuOptionsEmpty->setChecked(ReadFlag(settings, "DeleteNonEmpty", true));
    }
    ShowDisc(image::NewDisc(image::kDefaultDiscSize.units), QStringLiteral("NewDisc.dat"));
    // The temporary drag folder of an earlier run went when DragDrop was made
    // with the window.
}

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!m_setAside && !m_history->Stack().isClean()) {
        // The close box (or the desktop ending the session): the question,
        // and the save dialog it may lead to, come after this event, as for
        // Exit. A dialog run inside the desktop's close would leave the
        // program running once the window had gone.
        event->ignore();
        QTimer::singleShot(0, this, [this] { mnuDiscClose_Click(); });
        return;
    }
    Form_Unload();
    QMainWindow::closeEvent(event);
}

void frmMain::Form_Unload()
{
    m_awaitingFrame = false;
    if (!isMinimized()) {
        QSettings settings = SettingsStore();
        settings.beginGroup(QStringLiteral("Settings"));
        const QRect outer = OuterGeometry();
        const int now[] = {outer.x(), outer.y(), outer.width(), outer.height()};
        const QRect& was = m_restored.outer;
        const int restored[] = {was.x(), was.y(), was.width(), was.height()};
        const char* keys[] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};
        for (int i = 0; i < 4; ++i) {
            const double twips = now[i] == restored[i] ? m_restored.twips[i] : PixelsToTwips(now[i]);
            settings.setValue(QString::fromLatin1(keys[i]), QString::number(static_cast<float>(twips)));
        }
        auto flag = [](bool on) { return on ? QStringLiteral("True") : QStringLiteral("False"); };
        settings.setValue(QStringLiteral("DeleteLocked"), flag(DeleteLockedChecked()));
        settings.setValue(QStringLiteral("DeleteNonEmpty"), flag(DeleteNonEmptyChecked()));
    }
    // Every view window ends with the program.
    explorer::frmView::CloseAll();
}

bool frmMain::DeleteLockedChecked() const
{
    return m_mnuOptionsDelete->isChecked();
}

bool frmMain::DeleteNonEmptyChecked() const
{
    return m_mnuOptionsEmpty->isChecked();
}

void frmMain::mnuDiscClose_Click()
{
    if (!MaySetAside())
        return;
    m_setAside = true;
    close();
    m_setAside = false;
}

} // namespace marlin::explorer
