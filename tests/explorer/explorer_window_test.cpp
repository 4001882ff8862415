// The explorer window as a user meets it: driven through its named actions,
// its views and the scripted prompts.
#include <QAbstractItemModelTester>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>

#include "explorer/dialogs.h"
#include "explorer/find_dialog.h"
#include "explorer/icons.h"
#include "image/bytes.h"
#include "image/check.h"
#include "views/listings.h"
#include "window_fixture.h"

using namespace marlin;
using marlin::test::WindowFixture;

class ExplorerWindowTest : public QObject {
    Q_OBJECT

    WindowFixture f;

private slots:
    void initTestCase() { test::IsolateSettings(); }
    void init()
    {
        f.Reset();
        f.Start();
    }
    void cleanup() { f.Stop(); }

    void startsOnABlankDisc()
    {
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));
        QCOMPARE(f.window->TreeItems()->rowCount(), 1);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QVERIFY(f.window->CurrentNode()->children.empty());
        QCOMPARE(f.window->ListItems()->rowCount(), 0);
        QVERIFY(!f.window->CurrentItem().isValid());
        QCOMPARE(f.window->CurrentDisc().DiscSizeField(), 64u * 256u);
        QCOMPARE(f.window->StatusText(), QString::fromLatin1(views::DiscUsageText(f.window->CurrentDisc())));
        QCOMPARE(f.window->findChild<QStatusBar*>(QStringLiteral("sbStatusBar"))->isVisible(), true);
    }

    void menuTree_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("enabled");
        // Every item of the menus, with its caption and state at start.
        const struct {
            const char* name;
            const char* caption;
            bool enabled;
        } items[] = {
            {"mnuDisc", "&Disc", true},
            {"mnuDiscOpen", "&Open Disc Image...", true},
            {"mnuDiscNew", "&New Disc Image", true},
            {"mnuDiscNew1M", "1MB Disc", true},
            {"mnuDiscNew2M", "2MB Disc", true},
            {"mnuDiscNew4M", "4MB Disc", true},
            {"mnuDiscNew8M", "8MB Disc", true},
            {"mnuDiscNew16M", "16MB Disc", true},
            {"mnuDiscNew32M", "32MB Disc", true},
            {"mnuDiscNew64M", "64MB Disc", true},
            {"mnuDiscSave", "Save &Disc Image As...", true},
            {"mnuDiscBoot", "Set &Boot Options...", true},
            {"mnuDiscMap", "&View Free Space Map", true},
            {"mnuDiscCompact", "&Compact Disc", true},
            {"mnuDiscCheck", "Chec&k Disc", true},
            {"mnuDiscClose", "E&xit", true},
            {"mnuDirectory", "&Directory", true},
            {"mnuDirectoryNew", "New Directory...", true},
            {"mnuDirectoryDelete", "Delete Directory", true},
            {"mnuDirectoryRename", "Rename Directory...", true},
            {"mnuDirectoryExport", "Export Directory...", true},
            {"mnuDirectoryTitle", "Set Title...", true},
            {"mnuDirectoryCat", "View As *CAT", true},
            {"mnuDirectoryCatAll", "View As *CATALL", true},
            {"mnuDirectoryEx", "View As *EX", true},
            {"mnuDirectoryExAll", "View As *EXALL", true},
            {"mnuFile", "&File", true},
            {"mnuFileViewText", "View As &Text", false},
            {"mnuFileViewBasic", "View As &Basic", false},
            {"mnuFileViewDis", "Disassemble File", false},
            {"mnuFileViewHex", "View As &Hex", true},
            {"mnuFileViewCat", "View As *CAT", false},
            {"mnuFileViewCatAll", "View As *CATALL", false},
            {"mnuFileViewEx", "View As *EX", false},
            {"mnuFileViewExAll", "View As *EXALL", false},
            {"mnuFileSelectAll", "Select All", true},
            {"mnuFileAttributes", "Set File Attributes...", true},
            {"mnuFileDelete", "&Delete File", true},
            {"mnuFileRename", "&Rename File...", true},
            {"mnuFileExport", "&Export File...", true},
            {"mnuOptions", "&Options", true},
            {"mnuOptionsDelete", "Delete Locked Files", true},
            {"mnuOptionsEmpty", "Delete Non Empty Directories", true},
            {"mnuHelp", "&Help", true},
            {"mnuHelpContents", "&Contents", true},
            {"mnuHelpSearch", "&Search For Help On...", true},
            {"mnuHelpAbout", "&About Marlin Explorer...", true},
        };
        for (const auto& item : items)
            QTest::newRow(item.name) << QString::fromLatin1(item.caption) << item.enabled;
    }
    void menuTree()
    {
        QFETCH(QString, caption);
        QFETCH(bool, enabled);
        QAction* action = f.Action(QTest::currentDataTag());
        QVERIFY(action);
        QCOMPARE(action->text(), caption);
        QCOMPARE(action->isEnabled(), enabled);
        QVERIFY(action->shortcut().isEmpty());
    }

    void toolbarHasNinePositions()
    {
        auto* bar = f.window->findChild<QToolBar*>(QStringLiteral("tbToolBar"));
        QVERIFY(bar);
        QStringList keys;
        for (QAction* action : bar->actions())
            keys << (action->isSeparator() ? QStringLiteral("-") : action->toolTip());
        QCOMPARE(keys, (QStringList{"New", "Open", "Save", "-", "Up One Level", "View Details", "View Large Icons",
                                    "View List", "View Small Icons"}));
    }

    void newDiscSizes_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<unsigned>("sectors");
        for (unsigned megabytes = 1; megabytes <= 64; megabytes *= 2)
            QTest::newRow(qPrintable(QString::number(megabytes) + "M"))
                << QStringLiteral("mnuDiscNew%1M").arg(megabytes) << megabytes * 4096;
        QTest::newRow("toolbar New") << "tbNew" << 16384u;
    }
    void newDiscSizes()
    {
        QFETCH(QString, action);
        QFETCH(unsigned, sectors);
        f.OpenDisc(test::PopulatedDisc());
        QVERIFY(f.window->windowTitle() != QStringLiteral("Marlin Explorer - NewDisc.dat"));
        QVERIFY(f.Trigger(action.toLatin1().constData()));
        QCOMPARE(f.window->CurrentDisc().DiscSizeField(), sectors);
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));
        QCOMPARE(f.window->ListItems()->rowCount(), 0);
        QCOMPARE(f.window->StatusText(), QString::fromLatin1(views::DiscUsageText(f.window->CurrentDisc())));
    }

    void openShowsTheDiscAndRemembersThePath()
    {
        f.OpenDisc(test::PopulatedDisc());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlin Explorer - ") + f.Path("disc.dat"));
        QCOMPARE(f.prompts->asked.last(), QStringLiteral("Open Marlin Disc Image"));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        // The list sorts by name ascending: "!" before letters.
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README", "UTILS"}));
        QCOMPARE(f.ListColumn(1)[0], QStringLiteral("WR"));
        QCOMPARE(f.ListColumn(1)[2], QStringLiteral("LR"));
        QVERIFY(f.ListColumn(1)[1].contains(QLatin1Char('D')));
        QCOMPARE(f.CurrentItemName(), QStringLiteral("!BOOT"));
        // A directory item carries its sector under "Load" and nothing after it.
        const int games = f.Row(QStringLiteral("GAMES"));
        QCOMPARE(f.ListColumn(3)[games].size(), 6);
        QCOMPARE(f.ListColumn(4)[games], QString());
        QCOMPARE(f.ListColumn(6)[games], QString());
        auto* root = f.window->CurrentNode();
        QCOMPARE(root->children.size(), std::size_t{2});
        QCOMPARE(root->image, QStringLiteral("open"));
        auto* games_ = f.Child(root, QStringLiteral("GAMES"));
        QVERIFY(games_);
        QCOMPARE(games_->children.size(), std::size_t{1});
        QCOMPARE(f.Child(root, QStringLiteral("UTILS"))->image, QStringLiteral("closed"));
        QVERIFY(f.window->tvwDB()->isExpanded(f.window->TreeItems()->IndexOf(games_)));
        QCOMPARE(test::TestStore().value(QStringLiteral("Settings/Root")).toString(), f.Path("disc.dat"));
    }

    void openMissingFileKeepsTheImage()
    {
        f.OpenDisc(test::PopulatedDisc());
        const QString caption = f.window->windowTitle();
        f.prompts->files.push_back(f.Path("missing.dat"));
        QVERIFY(f.Trigger("mnuDiscOpen"));
        QCOMPARE(f.prompts->messages, QStringList{QStringLiteral("File Not Found : ") + f.Path("missing.dat")});
        QCOMPARE(f.window->windowTitle(), caption);
        QCOMPARE(f.window->ListItems()->rowCount(), 4);
    }

    void openCancelledOrEmptyDoesNothing()
    {
        f.prompts->files.push_back(std::nullopt);
        f.prompts->files.push_back(QString());
        QVERIFY(f.Trigger("mnuDiscOpen"));
        QVERIFY(f.Trigger("tbOpen"));
        QVERIFY(f.prompts->files.empty());
        QVERIFY(f.prompts->messages.isEmpty());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));
    }

    void saveWritesTheImageAndRenamesTheCaption()
    {
        f.OpenDisc(test::PopulatedDisc());
        f.prompts->files.push_back(f.Path("copy.dat"));
        QVERIFY(f.Trigger("tbSave"));
        QCOMPARE(f.prompts->lastPresetName, f.Path("disc.dat"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlin Explorer - ") + f.Path("copy.dat"));
        QFile saved(f.Path("copy.dat"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(static_cast<std::uint64_t>(saved.size()), image::SavedLength(f.window->CurrentDisc()));
        // Only the file that was asked for is there: the write went through a temporary beside it.
        QCOMPARE(QDir(f.tempDir->path()).entryList(QDir::Files), (QStringList{"copy.dat", "disc.dat"}));
        // Saving does not rebuild: the directory shown stays.
        QCOMPARE(test::TestStore().value(QStringLiteral("Settings/Root")).toString(), f.Path("disc.dat"));
    }

    void saveCancelledDoesNothing()
    {
        f.prompts->files.push_back(std::nullopt);
        QVERIFY(f.Trigger("mnuDiscSave"));
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));
        QCOMPARE(QDir(f.tempDir->path()).entryList(QDir::Files), QStringList());
    }

    void newDirectoryAddsANodeInPlace()
    {
        f.OpenDisc(test::PopulatedDisc());
        auto* games = f.Child(f.window->CurrentNode(), QStringLiteral("GAMES"));
        f.ClickNode(games);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));
        QVERIFY(f.Trigger("mnuDirectoryNew"));
        QVERIFY(f.prompts->messages.isEmpty());
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("NewFolder"));
        QCOMPARE(f.window->CurrentNode()->parent, games);
        QCOMPARE(games->children.size(), std::size_t{2});
        QCOMPARE(games->children[1]->text, QStringLiteral("NewFolder"));
        QCOMPARE(f.window->ListItems()->rowCount(), 0);
        // The new node's label is open for typing; Escape keeps the name.
        auto* editor = f.window->tvwDB()->findChild<QLineEdit*>();
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("NewFolder"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QVERIFY(f.prompts->messages.isEmpty());
        QVERIFY(test::ConsistencyProblems(f.window->CurrentDisc()).empty());
        // A second one in the same place is refused by name.
        f.ClickNode(games);
        QVERIFY(f.Trigger("mnuDirectoryNew"));
        QCOMPARE(f.prompts->messages, QStringList{QStringLiteral("Directory NewFolder Already Exists")});
        QCOMPARE(games->children.size(), std::size_t{2});
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));
    }

    void upOneLevel()
    {
        f.OpenDisc(test::PopulatedDisc());
        QVERIFY(f.Trigger("tbUpOneLevel"));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        auto* games = f.Child(f.window->CurrentNode(), QStringLiteral("GAMES"));
        auto* arcade = f.Child(games, QStringLiteral("ARCADE"));
        f.ClickNode(arcade);
        QVERIFY(f.Trigger("tbUpOneLevel"));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));
        QCOMPARE(f.ListColumn(), (QStringList{"ARCADE", "ELITE"}));
        QVERIFY(f.Trigger("tbUpOneLevel"));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
    }

    void doubleClickOpensDirectoriesOnly()
    {
        f.OpenDisc(test::PopulatedDisc());
        auto* view = f.window->lvwDB()->Details();
        const QRect readme = view->visualRect(f.window->ListItems()->index(f.Row(QStringLiteral("README")), 0));
        // QTest's double click carries no press of its own; a view needs one first.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, readme.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, readme.center());
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        const QRect games = view->visualRect(f.window->ListItems()->index(f.Row(QStringLiteral("GAMES")), 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, games.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, games.center());
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));
        QCOMPARE(f.ListColumn(), (QStringList{"ARCADE", "ELITE"}));
    }

    void itemClickSetsTheFileMenu()
    {
        f.OpenDisc(test::PopulatedDisc());
        f.ClickItem(f.Row(QStringLiteral("GAMES")));
        QCOMPARE(f.CurrentItemName(), QStringLiteral("GAMES"));
        for (const char* name : {"mnuFileViewCat", "mnuFileViewCatAll", "mnuFileViewEx", "mnuFileViewExAll"})
            QVERIFY2(f.Action(name)->isEnabled(), name);
        for (const char* name : {"mnuFileViewText", "mnuFileViewBasic", "mnuFileViewDis"})
            QVERIFY2(!f.Action(name)->isEnabled(), name);
        f.ClickItem(f.Row(QStringLiteral("README")));
        for (const char* name : {"mnuFileViewCat", "mnuFileViewCatAll", "mnuFileViewEx", "mnuFileViewExAll"})
            QVERIFY2(!f.Action(name)->isEnabled(), name);
        for (const char* name : {"mnuFileViewText", "mnuFileViewBasic", "mnuFileViewDis", "mnuFileViewHex"})
            QVERIFY2(f.Action(name)->isEnabled(), name);
        // Moving to an empty directory keeps the menu as it was.
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("UTILS")));
        QVERIFY(!f.window->CurrentItem().isValid());
        QVERIFY(f.Action("mnuFileViewText")->isEnabled());
    }

    void columnClicksShareOneDirectionFlag()
    {
        f.OpenDisc(test::PopulatedDisc());
        auto* header = f.window->lvwDB()->Details()->header();
        auto click = [header](int column) {
            QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                              QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
        };
        click(0); // unset -> ascending
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README", "UTILS"}));
        click(2); // another column flips too: descending by sequence number
        QStringList sequences = f.ListColumn(2);
        QVERIFY(std::is_sorted(sequences.rbegin(), sequences.rend()));
        QVERIFY(sequences.first() != sequences.last());
        click(0); // ascending again
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README", "UTILS"}));
        click(0); // descending
        QCOMPARE(f.ListColumn(), (QStringList{"UTILS", "README", "GAMES", "!BOOT"}));
        // Moving between directories keeps the order; a rebuild goes back to names ascending.
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
        QCOMPARE(f.ListColumn(), (QStringList{"ELITE", "ARCADE"}));
        QVERIFY(f.Trigger("tbNew"));
        f.OpenDisc(test::PopulatedDisc(), "again.dat");
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README", "UTILS"}));
        click(0); // the flag was descending: now ascending
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README", "UTILS"}));
    }

    void viewModesShareItemsAndSelection()
    {
        f.OpenDisc(test::PopulatedDisc());
        f.SelectRows({1, 2});
        const struct {
            const char* button;
            explorer::FileListView::Mode mode;
            const char* icon;
        } modes[] = {
            {"tbViewLargeIcons", explorer::FileListView::Mode::LargeIcons, "book"},
            {"tbViewList", explorer::FileListView::Mode::List, "leaf"},
            {"tbViewSmallIcons", explorer::FileListView::Mode::SmallIcons, "leaf"},
            {"tbViewDetails", explorer::FileListView::Mode::Details, "leaf"},
        };
        for (const auto& m : modes) {
            QVERIFY(f.Trigger(m.button));
            QCOMPARE(f.window->lvwDB()->CurrentMode(), m.mode);
            QCOMPARE(f.window->lvwDB()->CurrentView()->model(), f.window->ListItems());
            QCOMPARE(f.window->lvwDB()->CurrentView()->selectionModel()->selectedRows().size(), 2);
            const auto boot = f.window->ListItems()->index(f.Row(QStringLiteral("!BOOT")), 0);
            QCOMPARE(boot.data(explorer::ListModel::kIconKeyRole).toString(), QString::fromLatin1(m.icon));
        }
    }

    void selectAll()
    {
        f.OpenDisc(test::PopulatedDisc());
        f.ClickItem(2);
        QVERIFY(f.Trigger("mnuFileSelectAll"));
        QCOMPARE(f.window->lvwDB()->Selection()->selectedRows().size(), 4);
        QCOMPARE(f.CurrentItemName(), QStringLiteral("!BOOT"));
    }

    void damagedDirectoriesListWithoutTrouble()
    {
        // Two entries with one name and an entry whose name is empty (first
        // byte CR) must be listed, not dropped or crash the model.
        image::Disc disc = test::PopulatedDisc();
        const std::uint64_t first = image::EntryOffset(image::kRoot, 0);
        const std::uint64_t second = image::EntryOffset(image::kRoot, 1);
        for (std::uint64_t k = 0; k < 10; ++k)
            disc.Set(second + k, disc.At(first + k));
        disc.Set(image::EntryOffset(image::kRoot, 2), 13);
        f.OpenDisc(disc);
        QAbstractItemModelTester listTester(f.window->ListItems(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester treeTester(f.window->TreeItems(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(f.window->ListItems()->rowCount(), 4);
        QCOMPARE(f.ListColumn().count(QStringLiteral("!BOOT")), 2);
        QCOMPARE(f.ListColumn().count(QString()), 1);
        f.ClickItem(0);
        QVERIFY(f.Trigger("mnuFileSelectAll"));
        QVERIFY(f.Trigger("tbNew"));
    }

    void modelsPassTheModelTester()
    {
        QAbstractItemModelTester listTester(f.window->ListItems(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        QAbstractItemModelTester treeTester(f.window->TreeItems(),
                                            QAbstractItemModelTester::FailureReportingMode::QtTest);
        f.OpenDisc(test::PopulatedDisc());
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
        QVERIFY(f.Trigger("mnuDirectoryNew"));
        f.window->lvwDB_ColumnClick(3);
        f.window->lvwDB_ColumnClick(5);
        QVERIFY(f.Trigger("mnuDiscNew1M"));
    }

    void viewCommandsOpenTheirListing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("node"); // the directory shown
        QTest::addColumn<QString>("item"); // the item clicked, if any
        QTest::addColumn<QString>("listing");
        QTest::addColumn<QString>("of"); // the directory listed
        const struct {
            const char *tag, *action, *node, *item, *listing, *of;
        } rows[] = {
            {"map", "mnuDiscMap", "$", "", "map", ""},
            {"directory *CAT", "mnuDirectoryCat", "GAMES", "", "cat", "GAMES"},
            {"directory *CATALL", "mnuDirectoryCatAll", "$", "", "catall", "$"},
            {"directory *EX", "mnuDirectoryEx", "GAMES", "", "ex", "GAMES"},
            {"directory *EXALL", "mnuDirectoryExAll", "GAMES", "", "exall", "GAMES"},
            {"item *CAT", "mnuFileViewCat", "$", "GAMES", "cat", "GAMES"},
            {"item *CATALL", "mnuFileViewCatAll", "$", "GAMES", "catall", "GAMES"},
            {"item *EX", "mnuFileViewEx", "$", "UTILS", "ex", "UTILS"},
            {"item *EXALL", "mnuFileViewExAll", "$", "GAMES", "exall", "GAMES"},
        };
        for (const auto& r : rows)
            QTest::newRow(r.tag) << r.action << r.node << r.item << r.listing << r.of;
    }
    void viewCommandsOpenTheirListing()
    {
        QFETCH(QString, action);
        QFETCH(QString, node);
        QFETCH(QString, item);
        QFETCH(QString, listing);
        QFETCH(QString, of);
        f.OpenDisc(test::PopulatedDisc());
        auto* root = f.window->CurrentNode();
        if (node != QStringLiteral("$"))
            f.ClickNode(f.Child(root, node));
        if (!item.isEmpty())
            f.ClickItem(f.Row(item));
        const image::Disc& disc = f.window->CurrentDisc();
        const image::SectorAddress sector = of == QStringLiteral("$")
                                                ? image::kRoot
                                                : (f.Child(root, of) ? f.Child(root, of)->tag : image::SectorAddress());
        const views::View expected = listing == QStringLiteral("map")   ? views::ShowMap(disc)
                                     : listing == QStringLiteral("cat") ? views::ShowCat(disc, sector)
                                     : listing == QStringLiteral("ex")  ? views::ShowEx(disc, sector)
                                     : listing == QStringLiteral("catall")
                                         ? views::ShowCatAll(disc, sector, of.toStdString())
                                         : views::ShowExAll(disc, sector, of.toStdString());
        QVERIFY(f.Trigger(action.toLatin1().constData()));
        explorer::frmView* view = f.window->LastView();
        QVERIFY(view);
        QVERIFY(view->isVisible());
        QCOMPARE(view->windowTitle(), QString::fromStdString(expected.title));
        const std::string expectedText = views::TextOf(*expected.lines);
        QCOMPARE(view->Text(),
                 QString::fromStdString(expectedText).replace(QStringLiteral("\r"), QStringLiteral("\r\n")));
        QCOMPARE(view->ViewName, QString::fromStdString(expected.viewName));
        QCOMPARE(view->rtbView()->textCursor().position(), 0);
        QVERIFY(!expectedText.empty());
    }

    void viewsNeedTheirSelection()
    {
        // A blank disc has no items: the item views do nothing, the tree views work.
        QVERIFY(f.Trigger("mnuFileViewHex"));
        QVERIFY(f.window->LastView() == nullptr);
        f.OpenDisc(test::PopulatedDisc());
        f.ClickItem(f.Row(QStringLiteral("README")));
        QVERIFY(f.Trigger("mnuFileViewHex"));
        QCOMPARE(f.window->LastView()->windowTitle(), QStringLiteral("View File - README"));
        QVERIFY(f.Trigger("mnuDirectoryCat"));
        QVERIFY(f.window->LastView() != nullptr);
    }

    void checkDiscReportsInAView()
    {
        f.OpenDisc(test::PopulatedDisc());
        QVERIFY(f.Trigger("mnuDiscCheck"));
        explorer::frmView* view = f.window->LastView();
        QVERIFY(view);
        QCOMPARE(view->windowTitle(), QStringLiteral("Check Disc"));
        QCOMPARE(view->ViewName, QStringLiteral("Check"));
        QCOMPARE(view->Text(), QStringLiteral("No problems found\r\n"));

        // A directory that lost its signature is named in the report.
        const auto games = f.Child(f.window->CurrentNode(), QStringLiteral("GAMES"));
        QVERIFY(games);
        f.window->CurrentDisc().WritableImage()[games->tag.ByteOffset() + 1] ^= 0xFF;
        const std::vector<std::string> problems = image::Check(f.window->CurrentDisc());
        QVERIFY(!problems.empty());
        QVERIFY(f.Trigger("mnuDiscCheck"));
        QVERIFY(f.window->LastView() != view);
        QVERIFY(f.window->LastView()->Text().startsWith(QString::fromStdString(problems.front())));
        QVERIFY(f.window->LastView()->Text().contains(QStringLiteral("$.GAMES")));
    }

    // Regression: the classic widths cut off names of 8 or more characters,
    // sizes with letters and even "NewFolder" at the usual interface font.
    void columnsShowTheWidestTextsWhole_data()
    {
        QTest::addColumn<int>("points");
        QTest::newRow("interface font") << 0;
        QTest::newRow("large font") << 16;
    }
    void columnsShowTheWidestTextsWhole()
    {
        QFETCH(int, points);
        const QFont before = QApplication::font();
        if (points > 0) {
            QFont large = before;
            large.setPointSize(points);
            QApplication::setFont(large);
        }
        // Ten-letter names of wide characters, each with a hex digit repeated
        // in every number, and a directory with every attribute.
        image::Disc disc = image::NewDisc(64);
        const QString wide = QStringLiteral("WM@%QOG&HNDU_~KBA");
        for (int i = 0; i < 16; ++i) {
            const std::string name(10, wide[i].toLatin1());
            QVERIFY(test::AddFile(disc, image::kRoot, name, {1}) > 0);
            const std::uint64_t e = image::EntryOffset(image::kRoot, image::FindEntry(disc, image::kRoot, name));
            const std::uint32_t digits = 0x11111111u * static_cast<std::uint32_t>(i);
            for (std::size_t field : {image::entry::kLoad, image::entry::kExec, image::entry::kLength})
                image::Put32(disc.WritableImage(), e + field, digits);
            image::Put24(disc.WritableImage(), e + image::entry::kStart, digits & 0xFFFFFF);
            disc.WritableImage()[e + image::entry::kSequence] = static_cast<std::uint8_t>(digits);
        }
        const image::SectorAddress games = test::MakeDir(disc, image::kRoot, "GAMES");
        (void)games;
        const std::uint64_t g = image::EntryOffset(image::kRoot, image::FindEntry(disc, image::kRoot, "GAMES"));
        for (std::size_t byte = 0; byte < 5; ++byte)
            disc.WritableImage()[g + byte] |= 0x80;
        f.OpenDisc(disc);
        QCOMPARE(f.ListColumn(1).count(QStringLiteral("EDLWR")), 1);

        auto* view = f.window->lvwDB()->Details();
        for (int column = 0; column < 7; ++column) {
            QVERIFY2(view->header()->sectionSizeHint(column) <= view->columnWidth(column),
                     qPrintable(QString::number(column)));
            for (int row = 0; row < f.window->ListItems()->rowCount(); ++row) {
                const QModelIndex index = f.window->ListItems()->index(row, column);
                QVERIFY2(view->sizeHintForIndex(index).width() <= view->columnWidth(column),
                         qPrintable(index.data().toString()));
            }
        }
        QApplication::setFont(before);
    }

    // Regression: short captions ("Set File Attributes", the title of a
    // message box) were cut off by the title bar's buttons.
    void dialogCaptionsShowWhole()
    {
        explorer::frmAttr attributes({});
        explorer::frmBoot boot(0);
        explorer::frmTitle title(QStringLiteral("GAMES"));
        explorer::frmFind find{QString()};
        const auto message =
            explorer::MakeMessageBox(nullptr, QStringLiteral("Directory Full"), explorer::MessageIcon::None);
        QFont bold = QApplication::font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        for (QDialog* dialog :
             {static_cast<QDialog*>(&attributes), static_cast<QDialog*>(&boot), static_cast<QDialog*>(&title),
              static_cast<QDialog*>(&find), static_cast<QDialog*>(message.get())}) {
            dialog->show();
            // The caption in bold, and room for an icon and three buttons.
            const int needed = metrics.horizontalAdvance(dialog->windowTitle()) + 4 * metrics.height();
            QVERIFY2(dialog->width() >= needed, qPrintable(dialog->windowTitle()));
            dialog->close();
        }
    }

    // Regression: the title dialog opened with the whole title selected, so
    // the first key replaced it.
    void titleDialogOpensWithTheCaretAfterTheTitle()
    {
        explorer::frmTitle dialog(QStringLiteral("My games"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto* text = dialog.findChild<QLineEdit*>(QStringLiteral("txtTitle"));
        QCOMPARE(QApplication::focusWidget(), text);
        QTest::keyClicks(text, QStringLiteral(" 2"));
        QCOMPARE(dialog.Title(), QStringLiteral("My games 2"));
    }

    // Regression: the pictures came from the desktop's theme, so without one
    // the folders looked alike and "View Small Icons" showed an information sign.
    void everyIconKeyHasItsOwnPicture()
    {
        QList<QImage> pictures;
        for (const char* key : {"closed", "open", "leaf", "book", "New", "Open", "Save", "Up One Level", "View Details",
                                "View Large Icons", "View List", "View Small Icons"}) {
            const QImage picture = explorer::KeyIcon(QString::fromLatin1(key)).pixmap(16, 16).toImage();
            QVERIFY2(!picture.isNull(), key);
            QVERIFY2(!pictures.contains(picture), key);
            pictures << picture;
        }
    }

    void exitClosesTheWindowAndItsViews()
    {
        QVERIFY(f.Trigger("mnuDiscMap"));
        QVERIFY(f.Trigger("mnuDiscMap"));
        QCOMPARE(explorer::frmView::OpenViews().size(), 2);
        QVERIFY(f.Trigger("mnuDiscClose"));
        QVERIFY(!f.window->isVisible());
        // Every view is closed with the window.
        const QList<explorer::frmView*> open = explorer::frmView::OpenViews();
        QVERIFY(std::none_of(open.begin(), open.end(), [](explorer::frmView* v) { return v->isVisible(); }));
    }
};

QTEST_MAIN(ExplorerWindowTest)
#include "explorer_window_test.moc"
