#pragma once
// frmMain: the explorer window. The tree of directories on the left, the
// entries of the current directory on the right, menus, toolbar and status
// bar. Every command reads the selection, calls the core, shows any refusal
// through the prompts and refreshes the tree or the list from the image.

#include <functional>
#include <memory>
#include <optional>

#include <QElapsedTimer>
#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>

#include "explorer/disc_history.h"
#include "explorer/explorer_views.h"
#include "explorer/list_model.h"
#include "explorer/prompts.h"
#include "explorer/tree_model.h"
#include "explorer/view_window.h"
#include "image/disc.h"
#include "image/image_file.h"
#include "image/progress.h"
#include "views/view_modes.h"

class QFrame;
class QSettings;
class QLabel;
class QMenu;
class QToolBar;
class QTimer;

namespace marlin::explorer {

class DragDrop;

// The window's settings: application "Marlin Explorer", in the user's scope.
[[nodiscard]] QSettings SettingsStore();

// The splitter grip: reports presses, moves and releases with the pointer
// position relative to the grip.
class SplitterGrip : public QWidget {
    Q_OBJECT
public:
    explicit SplitterGrip(QWidget* parent = nullptr);
signals:
    void pressed(const QPoint& pos);
    void moved(const QPoint& pos);
    void released(const QPoint& pos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
};

class frmMain : public QMainWindow {
    Q_OBJECT
public:
    // prompts: where modal questions go; the real dialogs when null.
    explicit frmMain(Prompts* prompts = nullptr, QWidget* parent = nullptr);
    ~frmMain() override;

    // Start-up: geometry and options from the settings, show, blank 4 MB disc.
    void Form_Load();
    // Opens an image file as "&Open Disc Image..." does once a name is chosen (also the program's argument).
    void OpenImageFile(const QString& path);
    // Makes the entry's directory current and selects the entry in the list.
    void ShowEntry(const image::ListedEntry& listed);
    // Shows a new or opened disc called name: nothing to undo, nothing unsaved.
    void ShowDisc(image::Disc disc, const QString& name);

    // --- Tree and list -------------------------------------------------
    void RebuildTree();
    void MakeRootColumns();
    void GetRootTitles();
    // Sets the enabled state of every action that follows the selection:
    // the File menu's view items follow CurrentItem (with none, all seven are
    // off; "View As &Hex" and every other item are always enabled).
    void UpdateActions();
    void SetStatus(const QString& text, bool busy);
    void ShowDiscUsage();

    // --- Layout (lengths in twips) ---------------------------------------
    void SizeControls(double x);
    [[nodiscard]] int TwipsToPixels(double twips) const;
    [[nodiscard]] double PixelsToTwips(int pixels) const;
    [[nodiscard]] double SplitterPosition() const { return m_splitterX; }
    // The frame the desktop draws around the window, by default the
    // platform's (none until a window manager has framed the window); tests
    // supply one. The stored position and size are those of the outer frame.
    using FrameMarginsSource = std::function<QMargins()>;
    void SetFrameMarginsSource(FrameMarginsSource source) { m_frameMargins = std::move(source); }
    [[nodiscard]] QMargins FrameMargins() const { return m_frameMargins(); }
    // The window's outer rectangle in pixels, frame included.
    [[nodiscard]] QRect OuterGeometry() const;
    void SetOuterGeometry(const QRect& outer);

    // --- State that commands and the drag-and-drop handlers use --------
    [[nodiscard]] const image::Disc& CurrentDisc() const { return m_disc; }
    // Runs a command's work on the disc as one step of the undo history
    // (none when nothing changed); with join, as part of the newest step.
    void RunStep(const QString& name, const std::function<void(image::Disc&)>& work, bool join = false);
    [[nodiscard]] DiscHistory& History() const { return *m_history; }
    // Whether the disc may be set aside: true when nothing is unsaved, or
    // the user saved it or chose to discard the changes.
    bool MaySetAside();
    [[nodiscard]] TreeNodeItem* CurrentNode() const { return m_currentNode; }
    [[nodiscard]] QPersistentModelIndex CurrentItem() const { return m_currentItem; }
    [[nodiscard]] DirectoryTreeView* tvwDB() const { return m_tvwDB; }
    [[nodiscard]] FileListView* lvwDB() const { return m_lvwDB; }
    [[nodiscard]] TreeModel* TreeItems() const { return m_treeModel; }
    [[nodiscard]] ListModel* ListItems() const { return m_listModel; }
    [[nodiscard]] QString StatusText() const;
    [[nodiscard]] bool DeleteLockedChecked() const;
    [[nodiscard]] bool DeleteNonEmptyChecked() const;
    [[nodiscard]] Prompts& UserPrompts() { return *m_prompts; }
    // The selected list rows in list order, as the multi-item commands walk them.
    [[nodiscard]] QList<int> SelectedRows() const;
    // Drag and drop with the host (made with the window).
    [[nodiscard]] DragDrop* DragAndDrop() const { return m_dragDrop; }
    // The newest "Find Files" results, while they are open.
    [[nodiscard]] QWidget* LastFound() const { return m_lastFound; }
    // The newest view window, while it is open.
    [[nodiscard]] explorer::frmView* LastView() const { return m_lastView; }
    // The progress callback for long operations: repaints now and then,
    // while user input waits.
    [[nodiscard]] image::Progress MakeProgress();

    // --- Events of the tree and the list -------------------------------
    void tvwDB_NodeClick(TreeNodeItem* node);
    void tvwDB_Expand(TreeNodeItem* node);
    void tvwDB_Collapse(TreeNodeItem* node);
    void tvwDB_AfterLabelEdit(TreeNodeItem* node, const QString& newText);
    void lvwDB_ItemClick(const QModelIndex& item);
    void lvwDB_ColumnClick(int column);
    void lvwDB_DblClick();
    void lvwDB_AfterLabelEdit(const QString& newText);

signals:
    // "&Contents" or "&Search For Help On..." was chosen.
    void helpRequested();
    // "&About Marlin Explorer..." was chosen.
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    friend class BusyScope;

    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildClientArea();
    // Connects an action to a command that never runs inside another one.
    void Command(QAction* action, std::function<void()> command);
    QAction* AddItem(QMenu* menu, const char* name, const char* caption, void (frmMain::*slot)() = nullptr);
    void Form_Unload();
    void Form_Resize();
    void imgSplitter_MouseDown(const QPoint& pos);
    void imgSplitter_MouseMove(const QPoint& pos);
    void imgSplitter_MouseUp(const QPoint& pos);
    [[nodiscard]] double WindowWidth() const;
    // Once a window manager has framed the window, takes the frame off the
    // size restored at start, so that the outer size is the stored one.
    void FitRestoredFrame();
    void UpdateClock();
    void OpenView(views::ViewMode mode);
    [[nodiscard]] views::ViewSource Source() const;
    void NewDiscOfSize(int units);
    // Save: true when the disc was saved.
    bool SaveDisc();
    // The caption: the program and the image's name, marked while unsaved.
    void ShowCaption();
    // After an undo or redo: the tree and list rebuilt, the directory shown
    // kept while it exists.
    void ShowUndoneStep();
    [[nodiscard]] image::SectorAddress CurrentDirectory() const;

    // Commands
    void mnuDiscOpen_Click();
    // "1MB Disc" ... "64MB Disc", and the toolbar's New (as "4MB Disc").
    void mnuDiscNew_Click(const image::DiscSize& size) { NewDiscOfSize(size.units); }
    void mnuDiscSave_Click();
    void mnuDiscBoot_Click();
    void mnuDiscMap_Click() { OpenView(views::ViewMode::Map); }
    void mnuDiscCheck_Click() { OpenView(views::ViewMode::Check); }
    void mnuDiscCompact_Click();
    void mnuDiscClose_Click();
    void mnuDiscFind_Click();
    void mnuDiscRepair_Click();
    void mnuFileAddresses_Click();
    // The recently used discs, most recent first, as the settings keep them.
    [[nodiscard]] QStringList RecentDiscs() const;
    void StoreRecentDiscs(QStringList paths) const;
    void RememberRecentDisc(const QString& path);
    void FillRecentDiscs();
    void OpenRecentDisc(const QString& path);
    void mnuEditUndo_Click();
    void mnuEditRedo_Click();
    void mnuDirectoryNew_Click();
    void mnuDirectoryDelete_Click();
    void mnuDirectoryRename_Click();
    void mnuDirectoryExport_Click();
    void mnuDirectoryTitle_Click();
    void mnuDirectoryCat_Click() { OpenView(views::ViewMode::NodeCat); }
    void mnuDirectoryCatAll_Click() { OpenView(views::ViewMode::NodeCatAll); }
    void mnuDirectoryEx_Click() { OpenView(views::ViewMode::NodeEx); }
    void mnuDirectoryExAll_Click() { OpenView(views::ViewMode::NodeExAll); }
    void mnuFileViewText_Click() { OpenView(views::ViewMode::Text); }
    void mnuFileViewBasic_Click() { OpenView(views::ViewMode::Basic); }
    void mnuFileViewDis_Click() { OpenView(views::ViewMode::Dis); }
    void mnuFileViewHex_Click() { OpenView(views::ViewMode::Hex); }
    void mnuFileViewCat_Click() { OpenView(views::ViewMode::ItemCat); }
    void mnuFileViewCatAll_Click() { OpenView(views::ViewMode::ItemCatAll); }
    void mnuFileViewEx_Click() { OpenView(views::ViewMode::ItemEx); }
    void mnuFileViewExAll_Click() { OpenView(views::ViewMode::ItemExAll); }
    void mnuFileSelectAll_Click();
    void mnuFileAttributes_Click();
    void mnuFileDelete_Click();
    void mnuFileRename_Click();
    void mnuFileExport_Click();
    void tbUpOneLevel_Click();
    // Help and About belong to the application shell, which listens.
    void mnuHelpContents_Click() { emit helpRequested(); }
    void mnuHelpSearch_Click() { emit helpRequested(); }
    void mnuHelpAbout_Click() { emit aboutRequested(); }
    void tbSave_Click();

    std::unique_ptr<Prompts> m_ownedPrompts;
    Prompts* m_prompts;
    image::Disc m_disc;
    QString m_imageFileName;
    TreeNodeItem* m_currentNode = nullptr;
    QPersistentModelIndex m_currentItem;
    // Column-click toggle: unset until the first click, then one flag for every column.
    std::optional<Qt::SortOrder> m_sortFlag;
    bool m_busy = false;
    bool m_filling = false; // the tree is being built: its signals are not user events
    QElapsedTimer m_pumpTimer;
    QPointer<explorer::frmView> m_lastView;
    QPointer<QWidget> m_lastFound;
    QString m_findPattern;
    DragDrop* m_dragDrop = nullptr;
    DiscHistory* m_history = nullptr;
    bool m_setAside = false; // Exit has asked about unsaved changes
    // The step "New Directory..." added and the directory it made, while its
    // first rename may still join it.
    struct NewDirectoryStep {
        image::SectorAddress directory;
        int index = 0;
    };
    std::optional<NewDirectoryStep> m_newDirectoryStep;

    TreeModel* m_treeModel;
    ListModel* m_listModel;
    DirectoryTreeView* m_tvwDB = nullptr;
    FileListView* m_lvwDB = nullptr;
    SplitterGrip* m_imgSplitter = nullptr;
    QFrame* m_picSplitter = nullptr;
    QWidget* m_client = nullptr;
    QToolBar* m_tbToolBar = nullptr;
    QLabel* m_statusPanel = nullptr;
    QLabel* m_datePanel = nullptr;
    QLabel* m_timePanel = nullptr;
    QTimer* m_clock = nullptr;
    QMenu* m_mnuDirectory = nullptr;
    QMenu* m_mnuDiscRecent = nullptr;
    QAction* m_mnuEditUndo = nullptr;
    QAction* m_mnuEditRedo = nullptr;
    QMenu* m_mnuFile = nullptr;
    // The actions whose state changes: the seven File view items that
    // follow CurrentItem and the two options.
    QAction* m_mnuFileViewText = nullptr;
    QAction* m_mnuFileViewBasic = nullptr;
    QAction* m_mnuFileViewDis = nullptr;
    QAction* m_mnuFileViewCat = nullptr;
    QAction* m_mnuFileViewCatAll = nullptr;
    QAction* m_mnuFileViewEx = nullptr;
    QAction* m_mnuFileViewExAll = nullptr;
    QAction* m_mnuOptionsDelete = nullptr;
    QAction* m_mnuOptionsEmpty = nullptr;
    double m_splitterX = 1965; // the grip's position, twips
    bool m_dragging = false;
    FrameMarginsSource m_frameMargins;
    // What Form_Load restored: the stored twips and the outer pixels they
    // gave. A value the user did not change is stored back as it was read,
    // so rounding to whole pixels never makes the window creep.
    struct Restored {
        double twips[4] = {};
        QRect outer;
    } m_restored;
    bool m_awaitingFrame = false;
};

// Marks the window busy for a long operation: the wait pointer shows and
// commands that arrive are held back until it ends.
class BusyScope {
public:
    BusyScope(frmMain& window, const QString& status);
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    frmMain& m_window;
    bool m_wasBusy;
};

} // namespace marlin::explorer
