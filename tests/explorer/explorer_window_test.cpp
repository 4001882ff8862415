// The explorer window as a user meets it: its menus, toolbar, tree and list,
// label edits, drag and drop with the host, the view windows it opens, and
// its geometry, options and splitter stored and restored in twips; with the
// scripted prompts answering its questions and taking its drags.
#include <QAbstractItemModelTester>
#include <QDir>
#include <QFrame>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMoveEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <random>

#include "explorer/dialogs.h"
#include "host/host_files.h"
#include "host/host_names.h"
#include "image/bytes.h"
#include "image/check.h"
#include "support/scratch.h"
#include "views/dumps.h"
#include "views/format.h"
#include "views/view_modes.h"
#include "window_fixture.h"

using namespace marlin;
using test::ThisRow;
using views::ViewMode;

namespace {

constexpr const char kRootNames[] = "!BOOT GAMES README UTILS";

const struct ViewRow {
    const char *tag, *node, *item; // the menu item; the directory and item clicked first
    ViewMode mode;
} kViewRows[] = {
    {"mnuFileViewText", "", "README", ViewMode::Text},
    {"mnuFileViewHex", "", "!BOOT", ViewMode::Hex},
    {"mnuFileViewBasic", "", "README", ViewMode::Basic},
    {"mnuFileViewDis", "GAMES", "ELITE", ViewMode::Dis},
    {"mnuDiscMap", "", "", ViewMode::Map},
    {"mnuDiscCheck", "", "", ViewMode::Check},
    {"mnuFileViewCat", "", "GAMES", ViewMode::ItemCat},
    {"mnuFileViewCatAll", "", "GAMES", ViewMode::ItemCatAll},
    {"mnuFileViewEx", "", "UTILS", ViewMode::ItemEx},
    {"mnuFileViewExAll", "", "GAMES", ViewMode::ItemExAll},
    {"mnuDirectoryCat", "GAMES", "", ViewMode::NodeCat},
    {"mnuDirectoryCatAll", "", "", ViewMode::NodeCatAll},
    {"mnuDirectoryEx", "GAMES.ARCADE", "", ViewMode::NodeEx},
    {"mnuDirectoryExAll", "GAMES", "", ViewMode::NodeExAll},
};

// Regression for the unchanged rows: committing a label left as it was
// (New Directory's "NewFolder" untouched) was refused as existing.
const struct RenameRow {
    const char *tag, *from, *to; // from: the list item; none: a new directory's label in the tree
    const char *list, *tree;     // what the list and the root's node show afterwards
    int messages;
    bool changed;
} kRenameRows[] = {
    {"file", "!BOOT", "STARTUPFILE1", "GAMES README STARTUPFIL UTILS", "GAMES UTILS", 0, true},
    {"directory", "UTILS", "TOOLS", "!BOOT GAMES README TOOLS", "GAMES TOOLS", 0, true},
    {"name taken", "README", "games", "!BOOT GAMES README UTILS", "GAMES UTILS", 1, false},
    {"empty", "README", "", "!BOOT GAMES README UTILS", "GAMES UTILS", 0, false},
    {"unchanged", "README", "README", "!BOOT GAMES README UTILS", "GAMES UTILS", 0, false},
    {"new directory", "", "MUSIC", "!BOOT GAMES MUSIC README UTILS", "GAMES MUSIC UTILS", 0, true},
    {"new directory unchanged", "", "NewFolder", "", "GAMES NewFolder UTILS", 0, false},
};

const struct DeleteRow {
    const char *tag, *action, *node, *selected, *optionOff; // the option turned off first
    const char *list, *tree;
    int messages;
} kDeleteRows[] = {
    {"file and directory", "mnuFileDelete", "", "!BOOT GAMES", "", "README UTILS", "UTILS", 0},
    {"the first refusal ends the batch", "mnuFileDelete", "", "!BOOT README UTILS", "mnuOptionsDelete",
     "GAMES README UTILS", "GAMES UTILS", 1},
    {"non-empty directory", "mnuFileDelete", "", "GAMES", "mnuOptionsEmpty", kRootNames, "GAMES UTILS", 1},
    {"current directory", "mnuDirectoryDelete", "UTILS", "", "", "!BOOT GAMES README", "GAMES", 0},
    {"the root's entries", "mnuDirectoryDelete", "", "", "", "", "", 0},
    {"the root, not recursive", "mnuDirectoryDelete", "", "", "mnuOptionsEmpty", kRootNames, "GAMES UTILS", 0},
};

// Host items dropped on GAMES, shown in a view mode or in the tree.
const struct DropRow {
    const char *tag, *target; // the view mode's button, or the tree
    const char* dropped;      // host items: "name/" a folder, "missing" nothing there
    const char *list, *node;  // the list and its directory afterwards
    int messages;
} kDropRows[] = {
    {"files on details: list refilled", "tbViewDetails", "ALPHA BETA", "ALPHA ARCADE BETA ELITE", "GAMES", 0},
    {"files on large icons", "tbViewLargeIcons", "ALPHA BETA", "ALPHA ARCADE BETA ELITE", "GAMES", 0},
    {"files on small icons", "tbViewSmallIcons", "ALPHA BETA", "ALPHA ARCADE BETA ELITE", "GAMES", 0},
    {"files on list", "tbViewList", "ALPHA BETA", "ALPHA ARCADE BETA ELITE", "GAMES", 0},
    {"files on the tree", "", "ALPHA BETA", "ALPHA ARCADE BETA ELITE", "GAMES", 0},
    {"a folder: tree rebuilt, root shown", "tbViewDetails", "ALPHA DOCS/", kRootNames, "$", 0},
    {"a duplicate goes on", "tbViewList", "ELITE BETA", "ARCADE BETA ELITE", "GAMES", 1},
    {"the first failure ends the drop", "", "ALPHA missing BETA", "ALPHA ARCADE ELITE", "GAMES", 1},
};

const struct StoredRow {
    const char *tag, *width, *deleteLocked; // null: nothing stored
    int expectedWidth;
    bool expectedLocked;
} kStoredRows[] = {
    {"nothing stored", nullptr, nullptr, 6500, true},
    {"words", "wide", "maybe", 6500, true},
    {"empty", "", "", 6500, true},
    {"valid", "8000.5", "false", 8000, false},
};

// Where a drag stages the entries named, each file followed by its sidecar.
QStringList Staged(const QString& names, bool sidecars = true)
{
    QStringList paths;
    for (const QString& name : names.split(' ')) {
        paths << qEnvironmentVariable("XDG_CACHE_HOME") + "/marlin_temp/temp_0/" +
                     QString::fromStdString(host::SafeHostName(name.toStdString()));
        if (sidecars)
            paths << paths.last() + ".INF";
    }
    return paths;
}
using Drags = std::vector<std::pair<QWidget*, QStringList>>;

} // namespace

class ExplorerWindowTest : public QObject {
    Q_OBJECT

    test::WindowFixture f;
    std::unique_ptr<QAbstractItemModelTester> listTester, treeTester;

    QString Status() const { return QString::fromLatin1(views::DiscUsageText(f.window->CurrentDisc())); }
    QString Caption(const QString& name) const { return QStringLiteral("Marlin Explorer - ") + name; }
    int Px(double twips) const { return f.window->TwipsToPixels(twips); }
    static QString StoredGeometry() { return test::Stored("MainLeft MainTop MainWidth MainHeight"); }
    // Moves and sizes the window as a user would, to this outer rectangle in pixels.
    void SetOuter(const QRect& outer) const { f.window->setGeometry(outer.marginsRemoved(f.window->FrameMargins())); }
    void SetWidth(int twips) const { SetOuter(QRect(f.window->OuterGeometry().topLeft(), QSize(Px(twips), Px(6500)))); }

    // A user's drag: press on the item, move well past the drag distance (to `to` when given), release. The
    // release goes to the view only when no drag began (a drag's release belongs to the drop target).
    void PressAndMove(QAbstractItemView* view, const QModelIndex& index, QPoint to = {})
    {
        const QPoint from = view->visualRect(index).center();
        if (to.isNull())
            to = from + QPoint(0, 3 * QApplication::startDragDistance());
        const std::size_t drags = f.prompts->drags.size();
        QTest::mousePress(view->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(view->viewport(), (from + to) / 2);
        QTest::mouseMove(view->viewport(), to);
        if (f.prompts->drags.size() == drags)
            QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, to);
    }
    // Views the one file of a disc of this many 64 KB units through the File menu; the view, shown and active.
    explorer::frmView* ViewFile(const char* name, std::vector<std::uint8_t> bytes, const char* action, int units = 64)
    {
        image::Disc disc = image::NewDisc(units);
        if (test::AddFile(disc, image::kRoot, name, bytes) < 0)
            return nullptr;
        bytes = {};
        f.OpenDisc(disc, "view.dat");
        f.ClickItem(name);
        f.Trigger(action);
        explorer::frmView* view = f.window->LastView();
        return view && QTest::qWaitForWindowActive(view) ? view : nullptr;
    }
    // Saves a view with Ctrl+S from widget; the file it wrote, open when there is one.
    std::unique_ptr<QFile> SaveWithKeys(QWidget* widget)
    {
        f.prompts->files.push_back(f.Path("saved.txt"));
        QTest::keyClick(widget, Qt::Key_S, Qt::ControlModifier);
        auto saved = std::make_unique<QFile>(f.Path("saved.txt"));
        (void)saved->open(QIODevice::ReadOnly);
        return saved;
    }
    // Drops host items on a viewport as the desktop delivers a drag from
    // another program; true when the window took them as a copy.
    static bool DropOn(QWidget* viewport, const QList<QUrl>& urls)
    {
        QMimeData data;
        data.setUrls(urls);
        const QPoint at = viewport->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &enter);
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(viewport, &drop);
        return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    // Undoes (or redoes) with the keys until there is nothing left; the steps taken.
    int UndoAll(bool redo = false)
    {
        int steps = 0;
        while (f.Action(redo ? "mnuEditRedo" : "mnuEditUndo")->isEnabled() && steps <= 1000) {
            Keys(redo ? Qt::Key_Y : Qt::Key_Z, Qt::ControlModifier);
            ++steps;
        }
        return steps;
    }
    // What the window shows: the current directory, the list and the root's children.
    QString Shown() const { return f.CurrentNodeName() + ": " + f.Listed() + " / " + f.Children(); }
    void Keys(Qt::Key key, Qt::KeyboardModifiers modifiers) const
    {
        QApplication::setActiveWindow(f.window.get());
        QTest::keyClick(f.window.get(), key, modifiers);
    }
    // The command just made is one step called name, or none when it changed
    // nothing. Ctrl+Z gives back the image as it was before, byte for byte;
    // Ctrl+Shift+Z does the step again, and the window shows what it showed
    // (unless the directory shown went with the undo).
    void ExpectOneStep(const std::vector<std::uint8_t>& before, const QString& name)
    {
        const std::vector<std::uint8_t> after = f.window->CurrentDisc().Image();
        const int steps = after == before ? 0 : 1;
        QCOMPARE(f.window->History().Stack().count(), steps);
        QCOMPARE(f.Action("mnuEditUndo")->isEnabled(), steps == 1);
        if (steps == 0)
            return;
        QCOMPARE(f.Action("mnuEditUndo")->text(), "&Undo " + name);
        const QString shown = Shown(), node = f.CurrentNodeName();
        Keys(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.window->CurrentDisc().Image() == before);
        const bool kept = f.CurrentNodeName() == node;
        QCOMPARE(f.Action("mnuEditRedo")->text(), "&Redo " + name);
        Keys(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.window->CurrentDisc().Image() == after);
        if (kept)
            QCOMPARE(Shown(), shown);
    }
    // The list shows the node at path, and it is the one node the tree highlights.
    void ExpectShown(const QString& path) const
    {
        QCOMPARE(f.window->CurrentNode(), f.Node(path));
        QCOMPARE(f.window->tvwDB()->selectionModel()->selectedIndexes(), QModelIndexList{f.NodeIndex(path)});
        QCOMPARE(f.window->tvwDB()->currentIndex(), f.NodeIndex(path));
    }

private slots:
    void initTestCase() { test::IsolateSettings(); }
    void init()
    {
        f.Reset();
        f.Start();
        // Every test also checks that the models keep Qt's rules through its changes.
        const auto report = QAbstractItemModelTester::FailureReportingMode::QtTest;
        listTester = std::make_unique<QAbstractItemModelTester>(f.window->ListItems(), report);
        treeTester = std::make_unique<QAbstractItemModelTester>(f.window->TreeItems(), report);
        f.OpenDisc(test::PopulatedDisc());
    }
    void cleanup()
    {
        QVERIFY(!f.window || test::ConsistencyProblems(f.window->CurrentDisc()).empty());
        listTester.reset();
        treeTester.reset();
        f.Stop();
    }

    void openAndSave()
    {
        QCOMPARE(f.window->windowHandle()->title(), Caption(f.Path("disc.dat")));
        QCOMPARE(f.Listed(), QString(kRootNames));
        QCOMPARE(f.ItemText("README", 1), QStringLiteral("LR"));
        QCOMPARE(f.ItemText("GAMES", 3).size(), 6); // a directory's sector under "Load", nothing after
        QCOMPARE(f.ItemText("GAMES", 4) + f.ItemText("GAMES", 6), QString());
        QCOMPARE(f.Children(), QStringLiteral("GAMES UTILS"));
        QCOMPARE(f.Node("")->image + f.Node("UTILS")->image, QStringLiteral("openclosed"));
        QVERIFY(f.window->tvwDB()->isExpanded(f.NodeIndex("GAMES")));
        QCOMPARE(f.window->StatusText(), Status());
        QCOMPARE(test::Stored("Root"), f.Path("disc.dat"));
        // A missing file is named and the image stays; a cancelled or empty answer does nothing.
        f.prompts->files = {f.Path("missing.dat"), std::nullopt, QString()};
        for (const char* action : {"mnuDiscOpen", "mnuDiscOpen", "tbOpen"})
            f.Trigger(action);
        QCOMPARE(f.prompts->messages, QStringList{QStringLiteral("File Not Found : ") + f.Path("missing.dat")});
        QCOMPARE(f.window->windowHandle()->title() + f.Listed(), Caption(f.Path("disc.dat")) + QString(kRootNames));
        // Save offers the image's name and takes the one chosen; then
        // nothing is unsaved and there is nothing to undo.
        f.Select("!BOOT");
        f.Trigger("mnuFileDelete");
        f.prompts->files = {std::nullopt, f.Path("copy.dat")};
        f.Trigger("mnuDiscSave");
        QCOMPARE(f.window->windowHandle()->title(), Caption(f.Path("disc.dat*")));
        f.Trigger("tbSave");
        QCOMPARE(f.prompts->offered.last(), f.Path("disc.dat"));
        QCOMPARE(f.window->windowHandle()->title(), Caption(f.Path("copy.dat")));
        QVERIFY(!f.Action("mnuEditUndo")->isEnabled());
        QCOMPARE(QFileInfo(f.Path("copy.dat")).size(), qint64(image::SavedLength(f.window->CurrentDisc())));
        // The write went through a temporary beside it, which is gone.
        QCOMPARE(QDir(f.tempDir->path()).entryList(QDir::Files), (QStringList{"copy.dat", "disc.dat"}));
    }

    void newDiscSizes()
    {
        for (unsigned megabytes = 1; megabytes <= 64; megabytes *= 2) {
            f.Trigger(QStringLiteral("mnuDiscNew%1M").arg(megabytes));
            QCOMPARE(f.window->CurrentDisc().DiscSizeField(), megabytes * 4096);
        }
        f.OpenDisc(test::PopulatedDisc());
        f.Trigger("tbNew"); // as 4 MB
        QCOMPARE(f.window->CurrentDisc().DiscSizeField(), 16384u);
        QCOMPARE(f.window->windowHandle()->title() + f.Listed(), Caption("NewDisc.dat"));
        f.Trigger("mnuFileViewHex"); // no item to view
        QVERIFY(!f.window->LastView());
    }

    void viewCommandsShowTheirSelection_data() { test::AddRows(kViewRows); }
    void viewCommandsShowTheirSelection()
    {
        const ViewRow& r = ThisRow(kViewRows);
        if (*r.node)
            f.ClickNode(r.node);
        if (*r.item)
            f.ClickItem(r.item);
        const image::Disc& disc = f.window->CurrentDisc();
        views::ViewSource source{std::nullopt, f.Node(r.node)->tag};
        if (*r.item)
            source.item = test::EntryNamed(disc, *source.node, r.item);
        const auto expected = views::ProduceView(r.mode, disc, source);
        QVERIFY(expected);
        f.Trigger(r.tag);
        explorer::frmView* view = f.window->LastView();
        QVERIFY(view && view->isVisible());
        QCOMPARE(view->windowTitle(), QString::fromStdString(expected->title));
        QCOMPARE(view->ViewName, QString::fromStdString(expected->viewName));
        const QString text = QString::fromLatin1(QByteArray::fromStdString(views::TextOf(*expected->lines)));
        QCOMPARE(view->Text(), QString(text).replace("\r", "\r\n"));
    }

    void fileMenuFollowsTheClickedItem()
    {
        auto enabled = [&] {
            QString states;
            for (const char* item : {"mnuFileViewText", "mnuFileViewBasic", "mnuFileViewDis", "mnuFileViewCat",
                                     "mnuFileViewCatAll", "mnuFileViewEx", "mnuFileViewExAll", "mnuFileViewHex"})
                states += f.Action(item)->isEnabled() ? '1' : '0';
            return states;
        };
        f.ClickItem("GAMES");
        QCOMPARE(enabled(), QStringLiteral("00011111"));
        f.ClickItem("README");
        QCOMPARE(enabled(), QStringLiteral("11100001"));
        f.Trigger("mnuFileSelectAll"); // and the first item is the current one
        QCOMPARE(f.window->SelectedRows().size(), 4);
        QCOMPARE(enabled(), QStringLiteral("11100001"));
        f.ClickNode("UTILS"); // no item there: the menu stays as it was
        QVERIFY(!f.window->CurrentItem().isValid());
        QCOMPARE(enabled(), QStringLiteral("11100001"));
    }

    void movingAroundTheTree()
    {
        auto* view = f.window->lvwDB()->Details();
        for (const char* name : {"README", "GAMES"}) { // a file's double click does nothing
            // QTest's double click carries no press of its own; a view needs one first.
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(f.Item(name)).center());
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(f.Item(name)).center());
        }
        QStringList shown{f.Listed()};
        f.ClickNode("GAMES.ARCADE");
        for (int up = 0; up < 3; ++up) {
            f.Trigger("tbUpOneLevel");
            shown << f.CurrentNodeName();
        }
        QCOMPARE(shown, (QStringList{"ARCADE ELITE", "GAMES", "$", "$"}));
    }

    // Every column click flips one direction flag, unset (ascending) at first;
    // column 2 is the sequence number, newest first when descending;
    // moving between directories keeps the order, opening a disc sorts by name.
    void columnClicksShareOneDirectionFlag()
    {
        auto* header = f.window->lvwDB()->Details()->header();
        QStringList orders;
        auto click = [&](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
            orders << f.Listed();
        };
        for (int column : {0, 2, 0, 0})
            click(column);
        f.ClickNode("GAMES");
        orders << f.Listed();
        f.OpenDisc(test::PopulatedDisc(), "again.dat");
        orders << f.Listed();
        click(0);
        QCOMPARE(orders, (QStringList{kRootNames, "README !BOOT UTILS GAMES", kRootNames, "UTILS README GAMES !BOOT",
                                      "ELITE ARCADE", kRootNames, kRootNames}));
    }

    void newDirectoryOpensItsLabel()
    {
        f.ClickNode("GAMES");
        f.Trigger("mnuDirectoryNew");
        QCOMPARE(f.window->CurrentNode(), f.Node("GAMES.NewFolder"));
        auto* editor = f.window->tvwDB()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("NewFolder"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QCOMPARE(f.Children("GAMES"), QStringLiteral("ARCADE NewFolder"));
        // The root's label never opens.
        f.ClickNode("");
        f.Trigger("mnuDirectoryRename");
        editor = f.window->tvwDB()->findChild<QLineEdit*>();
        QVERIFY(!editor || !editor->isVisible());
    }

    void renameInPlace_data() { test::AddRows(kRenameRows); }
    void renameInPlace()
    {
        const RenameRow& r = ThisRow(kRenameRows);
        const std::vector<std::uint8_t> start = f.window->CurrentDisc().Image();
        if (*r.from)
            f.ClickItem(r.from);
        f.Trigger(*r.from ? "mnuFileRename" : "mnuDirectoryNew");
        const std::vector<std::uint8_t> before = f.window->CurrentDisc().Image();
        QWidget* view = *r.from ? static_cast<QWidget*>(f.window->lvwDB()->Details()) : f.window->tvwDB();
        auto* editor = view->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(r.to);
        QTest::keyClick(editor, Qt::Key_Return);
        // The rename runs from the event loop.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        QCOMPARE(f.prompts->messages.size(), r.messages);
        QCOMPARE(f.Listed(), QString(r.list));
        QCOMPARE(f.Children(), QString(r.tree));
        QCOMPARE(f.window->CurrentDisc().Image() != before, r.changed);
        // A new directory and its first name are one step.
        ExpectOneStep(start, *r.from ? "Rename" : "New Directory");
    }

    void deleteCommands_data() { test::AddRows(kDeleteRows); }
    void deleteCommands()
    {
        const DeleteRow& r = ThisRow(kDeleteRows);
        if (*r.optionOff)
            f.Trigger(r.optionOff);
        if (*r.node)
            f.ClickNode(r.node);
        f.Select(r.selected);
        const std::vector<std::uint8_t> before = f.window->CurrentDisc().Image();
        f.Trigger(r.action);
        QCOMPARE(f.prompts->messages.size(), r.messages);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QCOMPARE(f.Listed(), QString(r.list));
        QCOMPARE(f.Children(), QString(r.tree));
        // The whole batch, also one a refusal stopped, is one step.
        ExpectOneStep(before, *r.node || !*r.selected ? "Delete Directory" : "Delete");
    }

    void dialogsOfferTheCurrentValues()
    {
        f.prompts->offered.clear();
        f.prompts->attributes = {explorer::AttributeFlags{true, false, true}, std::nullopt};
        f.prompts->boots = {3, std::nullopt};
        f.prompts->titles = {QStringLiteral("Arcade games"), std::nullopt};
        f.Select("!BOOT README");
        f.Trigger("mnuFileAttributes"); // offers the current item's
        QCOMPARE(f.ItemText("!BOOT", 1) + f.ItemText("README", 1), QStringLiteral("LRLR"));
        f.Select("!BOOT");
        f.Trigger("mnuFileAttributes");
        QCOMPARE(f.ItemText("!BOOT", 1), QStringLiteral("LR"));
        f.Trigger("mnuDiscBoot");
        f.Trigger("mnuDiscBoot");
        QCOMPARE(f.window->CurrentDisc().At(image::map::kBootOption), 3);
        f.ClickNode("GAMES");
        f.Trigger("mnuDirectoryTitle");
        f.Trigger("mnuDirectoryTitle");
        QCOMPARE(image::GetDirectoryTitle(f.window->CurrentDisc(), f.Node("GAMES")->tag), "Arcade games");
        QCOMPARE(f.prompts->offered, (QStringList{"RW", "RL", "0", "3", "GAMES", "Arcade games"}));
    }

    void exportWritesTheChosenEntries()
    {
        const QString files = f.Path("files"), folder = f.Path("folder");
        QVERIFY(QDir().mkpath(files));
        f.prompts->folders = {std::nullopt, files, folder};
        f.Select("README");
        f.Trigger("mnuFileExport"); // cancelled
        f.Trigger("mnuFileExport");
        QCOMPARE(QDir(files).entryList(QDir::Files), (QStringList{"README", "README.INF"}));
        f.ClickNode("GAMES");
        f.Trigger("mnuDirectoryExport");
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 (QStringList{"ARCADE", "ARCADE.INF", "ELITE", "ELITE.INF"}));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));
        QVERIFY(f.prompts->messages.isEmpty());
    }

    void compactionRebuilds()
    {
        const std::vector<std::uint8_t> before = f.window->CurrentDisc().Image();
        f.Select("!BOOT");
        f.Trigger("mnuFileDelete");
        QVERIFY(f.window->CurrentDisc().map.runs.size() > 1);
        f.ClickNode("GAMES");
        f.Trigger("mnuDiscCompact");
        const std::vector<std::uint8_t> after = f.window->CurrentDisc().Image();
        QCOMPARE(f.window->CurrentDisc().map.runs.size(), std::size_t{1});
        QCOMPARE(f.Listed(), QStringLiteral("GAMES README UTILS"));
        QCOMPARE(f.window->StatusText(), Status());
        QCOMPARE(f.Action("mnuEditUndo")->text(), QStringLiteral("&Undo Compact Disc"));
        QCOMPARE(UndoAll(), 2);
        QVERIFY(f.window->CurrentDisc().Image() == before);
        QCOMPARE(UndoAll(true), 2);
        QVERIFY(f.window->CurrentDisc().Image() == after);
    }

    // Exit, the close box, New and Open ask before unsaved changes would be
    // lost, and only then; Save saves first, and a save that did not happen
    // stops them like Cancel.
    void unsavedChangesAreAskedAbout_data()
    {
        QTest::addColumn<QString>("gesture");
        QTest::addColumn<int>("answer"); // SaveAnswer, or 3: Save with the dialog cancelled, 4: Save failing
        QTest::addColumn<int>("state");  // 0 nothing done, 1 a change, 2 a change undone
        for (const char* gesture : {"mnuDiscClose", "close box", "mnuDiscNew1M", "mnuDiscOpen"}) {
            for (int state : {0, 2})
                QTest::addRow("%s, %s", gesture, state ? "undone" : "unchanged") << QString(gesture) << 0 << state;
            for (int answer = 0; answer < 5; ++answer)
                QTest::addRow("%s, answer %d", gesture, answer) << QString(gesture) << answer << 1;
        }
    }
    void unsavedChangesAreAskedAbout()
    {
        QFETCH(QString, gesture);
        QFETCH(int, answer);
        QFETCH(int, state);
        image::SilentSink sink;
        QVERIFY(host::SaveImage(image::NewDisc(16), f.Path("other.dat").toStdString(), sink) == image::Status::Done);
        const QString caption = f.window->windowHandle()->title();
        if (state > 0) {
            f.Select("!BOOT");
            f.Trigger("mnuFileDelete");
            QCOMPARE(f.window->windowHandle()->title(), caption + '*');
        }
        if (state > 1)
            Keys(Qt::Key_Z, Qt::ControlModifier);
        const std::vector<std::uint8_t> image = f.window->CurrentDisc().Image();
        const bool asked = state == 1;
        const auto saving = answer > 2 ? explorer::SaveAnswer::Save : explorer::SaveAnswer(answer);
        f.prompts->saves = {saving};
        f.prompts->files = {f.Path("other.dat")};
        if (asked && saving == explorer::SaveAnswer::Save)
            f.prompts->files.push_front(answer == 3 ? std::nullopt
                                                    : std::optional(f.Path(answer == 4 ? "none/x" : "saved.dat")));
        f.prompts->offered.clear();
        if (gesture == "close box") {
            // The question follows the close.
            f.window->close();
            QCoreApplication::processEvents();
        } else {
            f.Trigger(gesture);
        }
        QCOMPARE(f.prompts->offered.value(0) == "Save changes to " + f.Path("disc.dat") + '?', asked);
        const bool goesOn =
            !asked || answer == int(explorer::SaveAnswer::Save) || answer == int(explorer::SaveAnswer::Discard);
        const bool closing = gesture == "mnuDiscClose" || gesture == "close box";
        QCOMPARE(closing ? !f.window->isVisible() : f.window->CurrentDisc().DiscSizeField() == 4096, goesOn);
        QCOMPARE(QFile::exists(f.Path("saved.dat")), asked && answer == int(explorer::SaveAnswer::Save));
        if (QFile::exists(f.Path("saved.dat")))
            QVERIFY(image::OpenImage(f.Path("saved.dat").toStdString(), sink)->Image() == image);
        QCOMPARE(f.prompts->messages.size(), answer == 4 ? 1 : 0);
        if (!goesOn)
            QCOMPARE(f.window->windowHandle()->title(), caption + '*');
        else if (!closing)
            QVERIFY(!f.window->isWindowModified() && !f.Action("mnuEditUndo")->isEnabled());
    }

    void repairShowsItsChangesAndAsksFirst()
    {
        image::Disc damaged = test::PopulatedDisc();
        const image::SectorAddress games = test::EntryNamed(damaged, image::kRoot, "GAMES").start;
        damaged.Set(games.ByteOffset() + image::dir::kSequenceCopy, 0x42);
        f.OpenDisc(damaged, "damaged.dat");
        f.prompts->confirms = {false, true};
        f.Trigger("mnuDiscRepair");
        QVERIFY(f.window->LastView()->Text().startsWith("$.GAMES: sequence number at the end set to"));
        QVERIFY(f.window->CurrentDisc().Image() == damaged.Image());
        f.Trigger("mnuDiscRepair");
        QVERIFY(image::Check(f.window->CurrentDisc()).empty());
        QCOMPARE(f.prompts->offered.filter("Repair").size(), 2);
        QCOMPARE(f.Action("mnuEditUndo")->text(), QStringLiteral("&Undo Repair Disc"));
    }

    void findFilesListsMatchesAndShowsTheOneChosen()
    {
        f.prompts->offered.clear();
        f.prompts->patterns = {QStringLiteral("nothing"), QStringLiteral("*e*")};
        f.Trigger("mnuDiscFind");
        QCOMPARE(f.prompts->messages, QStringList{"No Files Found"});
        f.Trigger("mnuDiscFind");
        QCOMPARE(f.window->StatusText(), Status());
        auto* results = f.window->LastFound()->findChild<QTreeWidget*>();
        QVERIFY(results);
        QStringList paths;
        for (int i = 0; i < results->topLevelItemCount(); ++i)
            paths << results->topLevelItem(i)->text(0);
        QCOMPARE(paths, (QStringList{"$.GAMES", "$.GAMES.ARCADE", "$.GAMES.ELITE", "$.README"}));
        QCOMPARE(f.prompts->offered, (QStringList{"", "nothing"}));
        QVERIFY(QTest::qWaitForWindowExposed(results));
        const QRect row = results->visualItemRect(results->topLevelItem(2));
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, row.center()); // the press a double click needs
        QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, row.center());
        ExpectShown("GAMES");
        QCOMPARE(f.window->CurrentItem().row(), f.Item("ELITE").row());
        QCOMPARE(f.SelectedNames(), QStringLiteral("ELITE"));
        for (int column : {1, 2, 3, 4, 5}) // Attr, Load, Exec, Size, Sector as the list shows them
            QCOMPARE(results->topLevelItem(2)->text(column), f.ItemText("ELITE", column == 1 ? 1 : column + 1));
    }

    void setAddressesOnTheSelectionStopsAtADirectory()
    {
        f.prompts->addresses = {explorer::Addresses{0xFFFF3000, 0x3100}, explorer::Addresses{1, 2}};
        f.Select("!BOOT README");
        f.Trigger("mnuFileAddresses");
        QCOMPARE(f.ItemText("!BOOT", 3) + f.ItemText("README", 4), QStringLiteral("FFFF300000003100"));
        f.ClickItem("GAMES");
        f.Select("GAMES README");
        f.Trigger("mnuFileAddresses");
        QCOMPARE(f.prompts->messages, QStringList{"Cannot Set Addresses Of Directory : GAMES"});
        QCOMPARE(f.ItemText("README", 3), QStringLiteral("FFFF3000"));
        QCOMPARE(f.Action("mnuEditUndo")->text(), QStringLiteral("&Undo Set Addresses"));
        // The dialog takes hexadecimal only and offers OK only while both fields hold some.
        explorer::frmAddr dialog({0x1900, 0x8023});
        auto* load = dialog.findChild<QLineEdit*>("txtLoad");
        auto* ok = dialog.findChild<QPushButton*>("cmdOK");
        load->selectAll();
        QTest::keyClick(load, Qt::Key_Delete);
        QVERIFY(!ok->isEnabled());
        QTest::keyClicks(load, "1fzx123456789");
        QVERIFY(ok->isEnabled());
        QCOMPARE(dialog.Values(), (explorer::Addresses{0x1f123456, 0x8023}));
    }

    void recentDiscsKeepTheLastEightAndForgetMissingOnes()
    {
        for (int i = 0; i < 9; ++i)
            f.OpenDisc(image::NewDisc(4), QStringLiteral("d%1.dat").arg(i));
        auto* menu = f.window->findChild<QMenu*>("mnuDiscRecent");
        auto items = [&] {
            QStringList texts;
            for (QAction* item : menu->actions())
                texts << item->text().section(' ', 0, 0) + QFileInfo(item->text().section(' ', 1)).fileName();
            return texts.join(' ');
        };
        QVERIFY(menu->menuAction()->isEnabled()); // a disabled submenu would never open
        QCOMPARE(items(), QStringLiteral("&1d8.dat &2d7.dat &3d6.dat &4d5.dat &5d4.dat &6d3.dat &7d2.dat &8d1.dat"));
        f.Trigger("mnuDiscRecent3");
        QCOMPARE(f.window->windowHandle()->title(), Caption(f.Path("d6.dat")));
        QVERIFY(QFile::remove(f.Path("d5.dat")));
        // Another window may have opened a disc since: the list is read again when the menu opens.
        menu->popup({});
        menu->hide();
        QCOMPARE(items().section(' ', 0, 3), QStringLiteral("&1d6.dat &2d8.dat &3d7.dat &4d5.dat"));
        f.Trigger("mnuDiscRecent4");
        QCOMPARE(f.prompts->messages, QStringList{"File Not Found : " + f.Path("d5.dat")});
        QCOMPARE(items(), QStringLiteral("&1d6.dat &2d8.dat &3d7.dat &4d4.dat &5d3.dat &6d2.dat &7d1.dat"));
    }

    // The directory shown stays shown through undo and redo while it exists.
    void undoKeepsTheDirectoryShown()
    {
        f.ClickNode("GAMES");
        f.Select("ELITE");
        f.Trigger("mnuFileDelete");
        Keys(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.CurrentNodeName() + ": " + f.Listed(), QStringLiteral("GAMES: ARCADE ELITE"));
        ExpectShown("GAMES");
        f.Trigger("mnuDirectoryNew");
        QTest::keyClick(f.window->tvwDB()->findChild<QLineEdit*>(), Qt::Key_Escape);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("NewFolder"));
        Keys(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QCOMPARE(f.Children("GAMES"), QStringLiteral("ARCADE"));
    }

    // A few hundred random commands, some undone on the way: undo to the
    // start gives the first bytes, redo to the end the last.
    void randomCommandsUndoToTheStartAndRedoToTheEnd()
    {
        std::mt19937 rng(20261207);
        auto pick = [&](std::size_t n) { return static_cast<int>(rng() % n); };
        QList<QUrl> files;
        for (const char* name : {"IN1", "IN2", "IN3"}) {
            QFile file(f.Path(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(pick(3000), char(pick(256)))) >= 0);
            files << QUrl::fromLocalFile(f.Path(name));
        }
        const char* names[] = {"A", "b", "GAMES", "NewFolder", "Z9", "!BOOT", "ELITE", "x.y", ""};
        const std::vector<std::uint8_t> first = f.window->CurrentDisc().Image();
        for (int i = 0; i < 300; ++i) {
            std::vector<explorer::TreeNodeItem*> nodes{f.window->TreeItems()->Root()};
            for (std::size_t n = 0; n < nodes.size(); ++n)
                for (const auto& child : nodes[n]->children)
                    nodes.push_back(child.get());
            const QModelIndex node = f.window->TreeItems()->IndexOf(nodes[pick(nodes.size())]);
            f.window->tvwDB()->scrollTo(node);
            QTest::mouseClick(f.window->tvwDB()->viewport(), Qt::LeftButton, {},
                              f.window->tvwDB()->visualRect(node).center());
            const QStringList items = f.ListColumn();
            if (!items.isEmpty())
                f.Select(items[pick(items.size())] + ' ' + items[pick(items.size())]);
            const int op = pick(100);
            if (op < 20) {
                f.Trigger("mnuFileDelete");
            } else if (op < 40 && !items.isEmpty()) {
                f.Trigger(pick(2) ? "mnuFileRename" : "mnuDirectoryRename");
                if (auto* editor = f.window->findChild<QLineEdit*>(); editor && editor->isVisible()) {
                    editor->setText(names[pick(std::size(names))]);
                    QTest::keyClick(editor, Qt::Key_Return);
                    QCoreApplication::processEvents();
                }
            } else if (op < 55) {
                QVERIFY(DropOn(f.window->lvwDB()->CurrentView()->viewport(), {files[pick(3)], files[pick(3)]}));
            } else if (op < 68) {
                f.prompts->attributes.push_back(explorer::AttributeFlags{pick(2) == 1, pick(2) == 1, pick(2) == 1});
                f.Trigger("mnuFileAttributes");
            } else if (op < 76) {
                f.Trigger("mnuDirectoryNew");
                if (auto* editor = f.window->tvwDB()->findChild<QLineEdit*>()) {
                    editor->setText(names[pick(std::size(names))]);
                    QTest::keyClick(editor, Qt::Key_Return);
                    QCoreApplication::processEvents();
                }
            } else if (op < 80) {
                f.prompts->titles.push_back(QString(names[pick(std::size(names))]));
                f.Trigger("mnuDirectoryTitle");
            } else if (op < 84) {
                f.prompts->boots.push_back(pick(4));
                f.Trigger("mnuDiscBoot");
            } else if (op < 90) {
                f.Trigger("mnuDiscCompact");
            } else {
                Keys(op < 96 ? Qt::Key_Z : Qt::Key_Y, Qt::ControlModifier);
            }
            QVERIFY2(test::ConsistencyProblems(f.window->CurrentDisc()).empty(), qPrintable(QString::number(i)));
        }
        const std::vector<std::uint8_t> last = f.window->CurrentDisc().Image();
        QVERIFY(UndoAll() > 100);
        QVERIFY(f.window->CurrentDisc().Image() == first);
        QVERIFY(!f.window->isWindowModified());
        UndoAll(true);
        QVERIFY(f.window->CurrentDisc().Image() == last);
    }

    // The oldest steps go when the history holds more than its bound; the
    // rest stay as they were.
    void theHistoryBoundDropsTheOldestSteps()
    {
        std::vector<std::vector<std::uint8_t>> images{f.window->CurrentDisc().Image()};
        for (const char* title : {"One", "Two", "Three", "Four"}) {
            f.prompts->titles.push_back(QString(title));
            f.Trigger("mnuDirectoryTitle");
            images.push_back(f.window->CurrentDisc().Image());
        }
        explorer::DiscHistory& history = f.window->History();
        history.SetLimit(history.HeldBytes() - 1);
        QCOMPARE(history.Stack().count(), 3);
        QCOMPARE(UndoAll(), 3);
        QVERIFY(f.window->CurrentDisc().Image() == images[1]);
        // The saved state went with the oldest step.
        QVERIFY(f.window->isWindowModified());
        QCOMPARE(UndoAll(true), 3);
        QVERIFY(f.window->CurrentDisc().Image() == images[4]);
    }

    void exitClosesTheWindowAndItsViews()
    {
        f.Trigger("mnuDiscMap");
        f.Trigger("mnuDiscCheck");
        QCOMPARE(explorer::frmView::OpenViews().size(), 2);
        f.Trigger("mnuDiscClose");
        QVERIFY(!f.window->isVisible());
        for (explorer::frmView* view : explorer::frmView::OpenViews())
            QVERIFY(!view->isVisible());
    }

    // Regression: the classic widths cut off names of 8 or more characters,
    // sizes with letters and even "NewFolder" at the usual interface font.
    void columnsShowTheWidestTextsWhole()
    {
        // Ten-letter names of wide characters, each with a hex digit repeated
        // in every number, and a directory with every attribute.
        image::Disc disc = image::NewDisc(64);
        test::MakeDir(disc, image::kRoot, "GAMES");
        auto& bytes = disc.WritableImage();
        for (std::size_t byte = 0; byte < 5; ++byte)
            bytes[image::EntryOffset(image::kRoot, 0) + byte] |= 0x80;
        for (std::uint32_t i = 0; i < 16; ++i) {
            const std::string name(10, "WM@%QOG&HNDU_~KB"[i]);
            QVERIFY(test::AddFile(disc, image::kRoot, name, {1}) > 0);
            const std::uint64_t e = image::EntryOffset(image::kRoot, image::FindEntry(disc, image::kRoot, name));
            for (std::size_t field : {image::entry::kLoad, image::entry::kExec, image::entry::kLength})
                image::Put32(bytes, e + field, 0x11111111u * i);
            image::Put24(bytes, e + image::entry::kStart, 0x111111u * i);
            bytes[e + image::entry::kSequence] = static_cast<std::uint8_t>(0x11 * i);
        }
        const QFont before = QApplication::font();
        for (int points : {0, 16}) { // the interface font, then a large one
            QFont font = before;
            if (points > 0)
                font.setPointSize(points);
            QApplication::setFont(font);
            f.OpenDisc(disc, "wide.dat");
            QCOMPARE(f.ItemText("GAMES", 1), QStringLiteral("EDLWR"));
            auto* view = f.window->lvwDB()->Details();
            for (int column = 0; column < 7; ++column) {
                QVERIFY(view->header()->sectionSizeHint(column) <= view->columnWidth(column));
                for (int row = 0; row < f.window->ListItems()->rowCount(); ++row) {
                    const QModelIndex index = f.window->ListItems()->index(row, column);
                    QVERIFY2(view->sizeHintForIndex(index).width() <= view->columnWidth(column),
                             qPrintable(index.data().toString()));
                }
            }
        }
        QApplication::setFont(before);
        f.OpenDisc(test::PopulatedDisc()); // a sound disc for the clean-up's check
    }

    // Regression: the icon and list modes drew a rubber band instead of dragging.
    void listDragOfTwoFilesInEveryMode_data()
    {
        QTest::addColumn<QString>("button");
        for (const char* button : {"tbViewDetails", "tbViewLargeIcons", "tbViewSmallIcons", "tbViewList"})
            QTest::newRow(button) << QString::fromLatin1(button);
    }
    void listDragOfTwoFilesInEveryMode()
    {
        QFETCH(QString, button);
        f.Trigger(button);
        f.ClickItem("!BOOT");
        f.ClickItem("README", Qt::ControlModifier);
        PressAndMove(f.window->lvwDB()->CurrentView(), f.Item("README"));
        QCOMPARE(f.prompts->drags, (Drags{{f.window->lvwDB()->CurrentView(), Staged("!BOOT README")}}));
        QVERIFY(QFileInfo(Staged("README").last()).isFile());
        QCOMPARE(f.window->SelectedRows().size(), 2); // dragging changes nothing in the window
    }

    // Regression: the tree never started a drag at all.
    void treeDragOfSubdirectoryHandsOutOneFolder()
    {
        // Pressing on GAMES and moving over UTILS drags GAMES, which stays the shown directory.
        PressAndMove(f.window->tvwDB(), f.NodeIndex("GAMES"),
                     f.window->tvwDB()->visualRect(f.NodeIndex("UTILS")).center());
        QCOMPARE(f.prompts->drags, (Drags{{f.window->tvwDB(), Staged("GAMES", false)}}));
        QVERIFY(QFileInfo(Staged("GAMES", false).first()).isDir());
        ExpectShown("GAMES");
    }

    void rootDragHandsOutEveryEntryThenClears()
    {
        f.Select("!BOOT");
        PressAndMove(f.window->tvwDB(), f.NodeIndex(""));
        QCOMPARE(f.prompts->drags, (Drags{{f.window->tvwDB(), Staged(kRootNames)}}));
        QVERIFY(f.window->SelectedRows().isEmpty());
        ExpectShown("");
    }

    void dropImportsWithRefreshRules_data() { test::AddRows(kDropRows); }
    void dropImportsWithRefreshRules()
    {
        const DropRow& r = ThisRow(kDropRows);
        f.ClickNode("GAMES");
        if (*r.target)
            f.Trigger(r.target);
        QWidget* viewport = (*r.target ? f.window->lvwDB()->CurrentView() : f.window->tvwDB())->viewport();
        QVERIFY(QDir().mkpath(f.Path("DOCS")));
        for (const char* name : {"ALPHA", "BETA", "ELITE", "DOCS/NOTE"}) {
            QFile file(f.Path(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(name) > 0);
        }
        QList<QUrl> urls;
        for (const QString& item : QString(r.dropped).split(' '))
            urls << QUrl::fromLocalFile(f.Path(item.chopped(item.endsWith('/'))));
        const std::vector<std::uint8_t> before = f.window->CurrentDisc().Image();
        QVERIFY(DropOn(viewport, urls));
        QCOMPARE(f.CurrentNodeName(), QString(r.node));
        QCOMPARE(f.Listed(), QString(r.list));
        QCOMPARE(f.prompts->messages.size(), r.messages);
        // The tree shows an imported folder only when it was rebuilt.
        QCOMPARE(f.Node("GAMES.DOCS") != nullptr, QString(r.dropped).contains("DOCS/"));
        ExpectOneStep(before, "Import");
    }

    void findIgnoresCaseAndNextGoesOn()
    {
        explorer::frmView::FindText().clear();
        explorer::frmView* view =
            ViewFile("NOTES", test::Bytes("Dir. Hello\rdir two\r\rthird DIR\r"), "mnuFileViewText");
        QVERIFY(view);
        QPlainTextEdit* box = view->rtbView();
        auto choose = [view](const char* action) { view->findChild<QAction*>(action)->trigger(); };
        f.prompts->finds = {QStringLiteral("dir"), QStringLiteral("DIR")};
        QStringList found;
        QTest::keyClick(box, Qt::Key_F, Qt::ControlModifier);
        found << box->textCursor().selectedText();
        for (int next = 0; next < 3; ++next) { // past the last it stops, without a word
            QTest::keyClick(box, Qt::Key_F3);
            found << box->textCursor().selectedText();
        }
        QCOMPARE(found, (QStringList{"Dir", "dir", "DIR", "DIR"}));
        QCOMPARE(view->FindPos, -1);
        QVERIFY(f.prompts->messages.isEmpty());
        // Find Next starts after the caret, even on a match's first letter.
        box->moveCursor(QTextCursor::Start);
        QVERIFY(box->find(QStringLiteral("dir two")));
        choose("mnuEditNext");
        QCOMPARE(box->textCursor().selectedText(), QStringLiteral("DIR"));
        // A new Find starts from the top and offers the last text again.
        choose("mnuEditFind");
        QCOMPARE(f.prompts->offered.last(), QStringLiteral("dir"));
        QCOMPARE(view->FindPos, 0);
        // Text not there, no text, or a cancelled Find: Find Next has nothing to go on from.
        f.prompts->finds = {QStringLiteral("zebra"), QString(), std::nullopt};
        for (int find = 0; find < 3; ++find) {
            box->moveCursor(QTextCursor::Start);
            choose("mnuEditFind");
            QCOMPARE(view->FindPos, -1);
            choose("mnuEditNext");
            QVERIFY(!box->textCursor().hasSelection());
        }
        QCOMPARE(f.prompts->messages, QStringList(2, QStringLiteral("Text Not Found")));
    }

    // Regression for the last bytes: a no-break space (A0) was saved as a space.
    // Regression for Undo: it did nothing, so a stray key changed what Save writes with no way back.
    void viewSaveWritesCrLfAndEveryByteAsShown()
    {
        explorer::frmView* view = ViewFile("NOTES", test::Bytes("Dir. Hello\rdir two\r\r"), "mnuFileViewText");
        QVERIFY(view);
        view->AppendText("A\xA0"
                         "B\x7F\xFF");
        QCOMPARE(SaveWithKeys(view->rtbView())->readAll(), QByteArray("Dir. Hello\r\ndir two\r\n\r\nA\xA0"
                                                                      "B\x7F\xFF\r\n"));
        QCOMPARE(f.prompts->offered.last(), QStringLiteral("NOTES.txt"));
        // Typing is undone and redone, but the listing itself is no edit: undoing stops at it.
        const QString shown = view->Text();
        QTest::keyClicks(view->rtbView(), QStringLiteral("xy"));
        QStringList texts{view->Text()};
        for (bool redo : {false, true, false, false, false}) {
            QTest::keyClick(view->rtbView(), Qt::Key_Z,
                            Qt::ControlModifier | (redo ? Qt::ShiftModifier : Qt::NoModifier));
            texts << view->Text();
        }
        QCOMPARE(texts, (QStringList{"xy" + shown, shown, "xy" + shown, shown, shown, shown}));
        // A file that cannot be made is named in a message.
        f.prompts->files = {f.Path("no/such/folder/out.txt")};
        view->findChild<QAction*>("mnuFileSave")->trigger();
        QCOMPARE(f.prompts->messages.size(), 1);
    }

    // The hex dump of a file filling a 64 MB disc: four million lines.
    void aViewOfTheLargestFileOpensAtOnceAndReachesItsEnd()
    {
        const std::uint64_t length = image::NewDisc(1024).map.runs.front().Length * std::uint64_t{image::kSectorSize};
        const std::uint64_t needleAt = length - 32, lines = length / 16;
        std::vector<std::uint8_t> data(length, 0xEA);
        std::copy_n("Needle", 6, data.begin() + static_cast<std::ptrdiff_t>(needleAt));
        explorer::frmView* big = ViewFile("BIG", std::move(data), "mnuFileViewHex", 1024);
        QVERIFY(big && !big->rtbView());
        explorer::LinesView* list = big->lstLines();
        QCOMPARE(list->RowText(0), "000000 : " + QStringLiteral("EA ").repeated(16) + " " + QString(16, u'j'));
        // Shown before the lines are all counted; counting goes on between events.
        QVERIFY(!list->Counted() && list->RowCount() < lines);
        QVERIFY(big->StatusText().startsWith(QStringLiteral("Read only: counting lines")));

        // Ctrl+End: the empty line after the last CR, and the last line in sight.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_End, Qt::ControlModifier);
        const std::uint64_t rows = list->RowCount();
        QCOMPARE(rows, lines + 1);
        QCOMPARE(list->CurrentRow(), rows - 1);
        QVERIFY(list->TopRow() <= rows - 2 && rows - 2 < list->TopRow() + list->RowsInSight());
        QVERIFY(list->RowText(rows - 2).startsWith(QStringLiteral("FFF8F0 : EA ")));
        QCOMPARE(big->StatusText(), QStringLiteral("Read only: %1 lines").arg(QLocale().toString(qulonglong{lines})));

        // Ctrl+F finds the one match, near the end, in any case; F3 finds no other.
        f.prompts->finds.push_back(QStringLiteral("NEEDLE"));
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QTest::keyClick(list, Qt::Key_F3);
        QCOMPARE(f.prompts->messages, QStringList());
        QCOMPARE(list->CurrentRow(), needleAt / 16);
        QVERIFY(list->TopRow() <= needleAt / 16 && needleAt / 16 < list->TopRow() + list->RowsInSight());
        QVERIFY(list->RowText(list->CurrentRow()).endsWith("Needle" + QString(10, u'j')));

        // Ctrl+S writes what the tool prints, with CR LF line ends.
        const auto saved = SaveWithKeys(list);
        QVERIFY(saved->isOpen());
        struct Compare final : views::TextSink {
            QFile& file;
            bool same = true;
            explicit Compare(QFile& f) : file(f) {}
            void Write(std::string_view text) override
            {
                const QByteArray expected = QByteArray(text.data(), qsizetype(text.size())).replace("\r", "\r\n");
                same = same && file.read(expected.size()) == expected;
            }
        } compare(*saved);
        const image::Disc& disc = f.window->CurrentDisc();
        views::ShowHex(disc, views::ItemOf(test::EntryNamed(disc, image::kRoot, "BIG"))).lines->WriteTo(compare);
        compare.Write("\r");
        QVERIFY(compare.same && saved->atEnd());
    }

    // Few lines, but too long for the box: read-only rows, saved unbroken.
    void aTextOfLongLinesIsShownInRowsAndSavedWhole()
    {
        const std::string text = std::string(5 << 20, 'a') + "\rb";
        explorer::frmView* view = ViewFile("LONG", test::Bytes(text), "mnuFileViewText", 128);
        QVERIFY(view && !view->rtbView());
        QCOMPARE(view->lstLines()->RowText(0), QString(4096, u'a'));
        QCOMPARE(SaveWithKeys(view->lstLines())->readAll(),
                 QByteArray::fromStdString(std::string(5 << 20, 'a') + "\r\nb\r\n"));
    }

    void storedValuesOrTheirDefaults_data() { test::AddRows(kStoredRows); }
    void storedValuesOrTheirDefaults()
    {
        f.Reset(); // no window, and an empty settings store
        const StoredRow& r = ThisRow(kStoredRows);
        if (r.width) {
            QSettings store = test::Store();
            store.setValue(QStringLiteral("Settings/MainWidth"), r.width);
            store.setValue(QStringLiteral("Settings/DeleteLocked"), r.deleteLocked);
        }
        f.Start();
        const QRect outer = f.window->OuterGeometry();
        QCOMPARE(outer, QRect(Px(1000), Px(1000), outer.width(), Px(6500)));
        QVERIFY(std::abs(outer.width() - Px(r.expectedWidth)) <= 1);
        QCOMPARE(f.window->DeleteLockedChecked(), r.expectedLocked);
        QVERIFY(f.window->DeleteNonEmptyChecked());
    }

    // Regression: the stored outer size came back as the inner size, so each
    // start under a window manager grew the window by its frame.
    void storedGeometryNeverCreeps_data()
    {
        QTest::addColumn<bool>("framedAtOnce");
        QTest::newRow("frame known when shown") << true;
        QTest::newRow("frame known after being shown") << false;
    }
    void storedGeometryNeverCreeps()
    {
        f.Reset(); // no window, and an empty settings store
        QFETCH(bool, framedAtOnce);
        f.frame = QMargins(1, 20, 1, 5);
        for (int start = 0; start < 3; ++start) {
            f.framed = framedAtOnce;
            f.Start();
            if (!framedAtOnce) { // the window manager frames the window and moves it
                f.framed = true;
                QMoveEvent framed(f.window->pos(), f.window->pos());
                QApplication::sendEvent(f.window.get(), &framed);
            }
            QCOMPARE(f.window->OuterGeometry().size(), QSize(Px(6500), Px(6500)));
            QCOMPARE(f.window->size(), QSize(Px(6500) - 2, Px(6500) - 25));
            f.Stop();
            QCOMPARE(StoredGeometry(), QStringLiteral("1000 1000 6500 6500"));
        }
    }

    void settingsSurviveTwoLifetimes()
    {
        f.Reset(); // no window, and an empty settings store
        f.frame = QMargins(1, 20, 1, 5);
        f.Start();
        SetOuter(QRect(Px(3000), Px(1500), Px(9000), Px(7200)));
        f.Trigger("mnuOptionsDelete");
        f.Stop();
        QCOMPARE(test::Stored("DeleteLocked DeleteNonEmpty"), QStringLiteral("False True"));
        QCOMPARE(StoredGeometry(), QStringLiteral("3000 1500 9000 7200"));
        f.Start();
        QCOMPARE(f.window->OuterGeometry(), QRect(Px(3000), Px(1500), Px(9000), Px(7200)));
        QVERIFY(!f.window->DeleteLockedChecked() && f.window->DeleteNonEmptyChecked());
        // Closed while minimised, it stores nothing.
        f.Trigger("mnuOptionsEmpty");
        f.window->showMinimized();
        f.Stop();
        QCOMPARE(StoredGeometry(), QStringLiteral("3000 1500 9000 7200"));
        QCOMPARE(test::Stored("DeleteNonEmpty"), QStringLiteral("True"));
    }

    void draggingTheGrip()
    {
        f.Reset(); // no window, and an empty settings store
        f.frame = QMargins(1, 20, 1, 5);
        f.Start();
        SetWidth(1000); // too narrow: it snaps back
        QCOMPARE(f.window->OuterGeometry().width(), Px(3000));
        SetWidth(9000);
        QCOMPARE(f.window->SplitterPosition(), 3000.0); // 1965 at start, raised by the first layout
        auto* grip = f.window->findChild<QWidget*>(QStringLiteral("imgSplitter"));
        auto* bar = f.window->findChild<QFrame*>(QStringLiteral("picSplitter"));
        // Moves the pointer to this many twips from the window's left edge.
        auto drag = [&](int twips) {
            const QPoint at(Px(twips) - grip->x(), 5);
            QTest::mouseMove(grip, at);
            return at;
        };
        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 5));
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->x(), grip->x());
        // The bar stops 500 twips from either edge.
        drag(200);
        QCOMPARE(bar->x(), Px(500));
        drag(8900);
        QCOMPARE(bar->x(), Px(8500));
        // Let go too far left: the splitter keeps its own limit.
        QTest::mouseRelease(grip, Qt::LeftButton, {}, drag(200));
        QVERIFY(!bar->isVisible());
        QCOMPARE(f.window->SplitterPosition(), 3000.0);
        // Too far right: 3000 short of the window's width. Inside the limits: where it is let go, and the panes follow.
        for (int to : {8000, 5000}) {
            QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 5));
            QTest::mouseRelease(grip, Qt::LeftButton, {}, drag(to));
            QVERIFY(std::abs(f.window->SplitterPosition() - std::min(to, 6000)) < 15.0);
        }
        const double x = f.window->SplitterPosition();
        QCOMPARE(f.window->tvwDB()->width(), Px(x));
        QCOMPARE(QPoint(f.window->lvwDB()->x(), f.window->lvwDB()->width()), QPoint(Px(x + 40), Px(9000 - (x + 140))));
    }

    void exportOfADamagedDiscSalvagesAndSaysSo()
    {
        image::Disc disc = test::PopulatedDisc();
        test::SetStart(disc, test::EntryNamed(disc, image::kRoot, "GAMES").start, "ELITE", 0xFFFFFF);
        f.OpenDisc(disc);
        f.prompts->folders = {f.Path("tree"), f.tempDir->path()};
        f.ClickNode("GAMES");
        f.Trigger("mnuDirectoryExport");
        f.Select("ELITE");
        f.Trigger("mnuFileExport");
        QCOMPARE(test::ReadHostFile(f.Path("tree/salvage.log").toStdString()),
                 "Shortened $.GAMES.ELITE: 0 of 600 bytes lie inside the image\r\n");
        const QString said = QStringLiteral("Some entries could not be exported whole; see salvage.log in ");
        QCOMPARE(f.prompts->messages, (QStringList{said + f.Path("tree"), said + f.tempDir->path()}));
        f.OpenDisc(test::PopulatedDisc());
    }
};

QTEST_MAIN(ExplorerWindowTest)
#include "explorer_window_test.moc"
