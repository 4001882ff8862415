// The explorer's commands that change the image: rename by label edit,
// delete batches, attributes, boot option, title and compaction.
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>

#include "image/deletion.h"
#include "views/listings.h"
#include "window_fixture.h"

using namespace marlin;
using marlin::test::WindowFixture;

class ExplorerCommandsTest : public QObject {
    Q_OBJECT

    WindowFixture f;

    // Types text into the open label editor of a view and presses Enter;
    // the rename runs from the event loop.
    void TypeLabel(QAbstractItemView* view, const QString& text)
    {
        auto* editor = view->findChild<QLineEdit*>();
        QVERIFY(editor);
        editor->setText(text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    void RenameItem(const QString& from, const QString& to)
    {
        f.ClickItem(f.Row(from));
        QVERIFY(f.Trigger("mnuFileRename"));
        TypeLabel(f.window->lvwDB()->Details(), to);
    }

private slots:
    void initTestCase() { test::IsolateSettings(); }
    void init()
    {
        f.Reset();
        f.Start();
        f.OpenDisc(test::PopulatedDisc());
    }
    void cleanup()
    {
        if (f.window)
            QVERIFY(test::ConsistencyProblems(f.window->CurrentDisc()).empty());
        f.Stop();
    }

    void renameFileThroughTheList()
    {
        RenameItem(QStringLiteral("!BOOT"), QStringLiteral("STARTUPFILE1"));
        QVERIFY(f.prompts->messages.isEmpty());
        QCOMPARE(f.ListColumn(), (QStringList{"GAMES", "README", "STARTUPFIL", "UTILS"}));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
    }

    void renameDirectoryThroughTheListRebuildsTheTree()
    {
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
        QVERIFY(f.Trigger("tbUpOneLevel"));
        RenameItem(QStringLiteral("UTILS"), QStringLiteral("TOOLS"));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QVERIFY(f.Child(f.window->CurrentNode(), QStringLiteral("TOOLS")));
        QVERIFY(!f.Child(f.window->CurrentNode(), QStringLiteral("UTILS")));
    }

    void renameRefusals_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("deleteLocked");
        QTest::addColumn<QString>("message");
        QTest::newRow("locked file") << "README"
                                     << "NOTES" << false << "Cannot Rename Locked File : README";
        QTest::newRow("name taken") << "README"
                                    << "games" << true << "games Already Exists";
        QTest::newRow("case only") << "README"
                                   << "readme" << true << "readme Already Exists";
        QTest::newRow("illegal") << "!BOOT"
                                 << "A.B" << true << "File A.B Contains Illegal Characters";
    }
    void renameRefusals()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, deleteLocked);
        QFETCH(QString, message);
        if (!deleteLocked)
            QVERIFY(f.Trigger("mnuOptionsDelete"));
        const std::vector<std::uint8_t> before = f.window->CurrentDisc().Image();
        RenameItem(from, to);
        QCOMPARE(f.prompts->messages, QStringList{message});
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README", "UTILS"}));
        QVERIFY(f.window->CurrentDisc().Image() == before);
    }

    // Regression: committing a label left as it was (New Directory's
    // "NewFolder" untouched) was taken as a rename and refused as existing.
    void labelEditsThatChangeNothing_data()
    {
        QTest::addColumn<bool>("newDirectory");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty list label") << false << "";
        QTest::newRow("unchanged list label") << false << "README";
        QTest::newRow("unchanged new directory") << true << "NewFolder";
    }
    void labelEditsThatChangeNothing()
    {
        QFETCH(bool, newDirectory);
        QFETCH(QString, text);
        if (newDirectory)
            QVERIFY(f.Trigger("mnuDirectoryNew"));
        const std::vector<std::uint8_t> before = f.window->CurrentDisc().Image();
        if (newDirectory)
            TypeLabel(f.window->tvwDB(), text);
        else
            RenameItem(QStringLiteral("README"), text);
        QVERIFY(f.prompts->messages.isEmpty());
        QVERIFY(f.window->CurrentDisc().Image() == before);
    }

    void newDirectoryThenNameItInTheTree()
    {
        QVERIFY(f.Trigger("mnuDirectoryNew"));
        TypeLabel(f.window->tvwDB(), QStringLiteral("MUSIC"));
        QVERIFY(f.prompts->messages.isEmpty());
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QVERIFY(f.Child(f.window->CurrentNode(), QStringLiteral("MUSIC")));
        QVERIFY(!f.Child(f.window->CurrentNode(), QStringLiteral("NewFolder")));
        QVERIFY(f.ListColumn().contains(QStringLiteral("MUSIC")));
    }

    void rootLabelNeverOpens()
    {
        QVERIFY(f.Trigger("mnuDirectoryRename"));
        QVERIFY(!f.window->tvwDB()->findChild<QLineEdit*>() ||
                !f.window->tvwDB()->findChild<QLineEdit*>()->isVisible());
    }

    void deleteBatchStopsAtTheFirstRefusal()
    {
        // Three files, the second locked, "Delete Locked Files" off.
        image::Disc disc = image::NewDisc(64);
        test::AddFile(disc, image::kRoot, "A", test::Bytes("a"));
        test::AddFile(disc, image::kRoot, "B", test::Bytes("b"), 0, 0, "LR");
        test::AddFile(disc, image::kRoot, "C", test::Bytes("c"));
        f.OpenDisc(disc, "three.dat");
        QVERIFY(f.Trigger("mnuOptionsDelete"));
        f.SelectRows({0, 1, 2});
        QVERIFY(f.Trigger("mnuFileDelete"));
        QCOMPARE(f.prompts->messages, QStringList{QStringLiteral("Cannot Delete Locked File : B")});
        QCOMPARE(f.ListColumn(), (QStringList{"B", "C"}));
    }

    void deleteNonEmptyDirectoryRefusedWithoutTheOption()
    {
        QVERIFY(f.Trigger("mnuOptionsEmpty"));
        auto* games = f.Child(f.window->CurrentNode(), QStringLiteral("GAMES"));
        f.SelectRows({f.Row(QStringLiteral("GAMES"))});
        f.ClickItem(f.Row(QStringLiteral("GAMES")));
        QVERIFY(f.Trigger("mnuFileDelete"));
        QCOMPARE(f.prompts->messages, QStringList{QStringLiteral("Cannot Delete Non Empty Directory : GAMES")});
        // Not rebuilt: the same node still stands.
        QCOMPARE(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")), games);
    }

    void deleteSelectedDirectoryAndFile()
    {
        f.SelectRows({f.Row(QStringLiteral("!BOOT")), f.Row(QStringLiteral("GAMES"))});
        QVERIFY(f.Trigger("mnuFileDelete"));
        QVERIFY(f.prompts->messages.isEmpty());
        QCOMPARE(f.ListColumn(), (QStringList{"README", "UTILS"}));
        QVERIFY(!f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
    }

    void deleteDirectoryOnTheRoot_data()
    {
        QTest::addColumn<bool>("nonEmpty");
        QTest::addColumn<int>("left");
        QTest::newRow("recursive") << true << 0;
        QTest::newRow("not recursive") << false << 4;
    }
    void deleteDirectoryOnTheRoot()
    {
        QFETCH(bool, nonEmpty);
        QFETCH(int, left);
        if (!nonEmpty)
            QVERIFY(f.Trigger("mnuOptionsEmpty"));
        QVERIFY(f.Trigger("mnuDirectoryDelete"));
        QCOMPARE(f.window->ListItems()->rowCount(), left);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        if (nonEmpty)
            QVERIFY(f.prompts->messages.isEmpty());
    }

    void deleteDirectoryOfTheCurrentNode()
    {
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("UTILS")));
        QVERIFY(f.Trigger("mnuDirectoryDelete"));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QCOMPARE(f.ListColumn(), (QStringList{"!BOOT", "GAMES", "README"}));
    }

    void attributesGoToEverySelectedItem()
    {
        f.SelectRows({f.Row(QStringLiteral("!BOOT")), f.Row(QStringLiteral("README"))});
        f.ClickItem(f.Row(QStringLiteral("!BOOT")));
        f.SelectRows({f.Row(QStringLiteral("!BOOT")), f.Row(QStringLiteral("README"))});
        f.prompts->attributes.push_back(explorer::AttributeFlags{true, false, true});
        QVERIFY(f.Trigger("mnuFileAttributes"));
        QCOMPARE(f.prompts->attributesPreset, (explorer::AttributeFlags{true, true, false}));
        QCOMPARE(f.ListColumn(1)[f.Row(QStringLiteral("!BOOT"))], QStringLiteral("LR"));
        QCOMPARE(f.ListColumn(1)[f.Row(QStringLiteral("README"))], QStringLiteral("LR"));
        // Cancelled (or closed) afterwards: nothing changes.
        f.SelectRows({f.Row(QStringLiteral("!BOOT"))});
        QVERIFY(f.Trigger("mnuFileAttributes"));
        QCOMPARE(f.ListColumn(1)[f.Row(QStringLiteral("!BOOT"))], QStringLiteral("LR"));
    }

    void bootOption()
    {
        image::SetBootOption(f.window->CurrentDisc(), 2);
        f.prompts->boots.push_back(3);
        QVERIFY(f.Trigger("mnuDiscBoot"));
        QCOMPARE(f.prompts->bootPreset, 2);
        QCOMPARE(f.window->CurrentDisc().At(image::map::kBootOption), 3);
        QVERIFY(f.Trigger("mnuDiscBoot")); // cancelled
        QCOMPARE(f.window->CurrentDisc().At(image::map::kBootOption), 3);
    }

    void directoryTitle()
    {
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
        const image::SectorAddress games = f.window->CurrentNode()->tag;
        const QString before = QString::fromStdString(image::GetDirectoryTitle(f.window->CurrentDisc(), games));
        f.prompts->titles.push_back(QStringLiteral("Arcade games"));
        QVERIFY(f.Trigger("mnuDirectoryTitle"));
        QCOMPARE(f.prompts->titlePreset, before);
        QCOMPARE(image::GetDirectoryTitle(f.window->CurrentDisc(), games), std::string("Arcade games"));
        QVERIFY(f.Trigger("mnuDirectoryTitle")); // cancelled, offered the new title
        QCOMPARE(f.prompts->titlePreset, QStringLiteral("Arcade games"));
        QCOMPARE(image::GetDirectoryTitle(f.window->CurrentDisc(), games), std::string("Arcade games"));
    }

    void exportDirectoryWritesItsEntries()
    {
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
        const QString folder = f.Path("out");
        f.prompts->folders.push_back(folder);
        QVERIFY(f.Trigger("mnuDirectoryExport"));
        QCOMPARE(f.prompts->asked.last(), QStringLiteral("Select destination for export"));
        QDir out(folder);
        QCOMPARE(out.entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 (QStringList{"ARCADE", "ARCADE.INF", "ELITE", "ELITE.INF"}));
        QCOMPARE(QFileInfo(out.filePath(QStringLiteral("ELITE"))).size(), 600);
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));
    }

    void exportSelectedFiles()
    {
        const QString folder = f.Path("files");
        QVERIFY(QDir().mkpath(folder));
        f.prompts->folders.push_back(std::nullopt); // cancelled: nothing written
        QVERIFY(f.Trigger("mnuFileExport"));
        f.prompts->folders.push_back(folder); // nothing selected: nothing written
        QVERIFY(f.Trigger("mnuFileExport"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot), QStringList());
        f.SelectRows({f.Row(QStringLiteral("README"))});
        f.prompts->folders.push_back(folder);
        QVERIFY(f.Trigger("mnuFileExport"));
        QCOMPARE(f.prompts->asked.last(), QStringLiteral("Select destination for file"));
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot), (QStringList{"README", "README.INF"}));
        QVERIFY(f.prompts->messages.isEmpty());
    }

    void compactionRebuilds()
    {
        image::SilentSink sink;
        QVERIFY(image::DeleteEntry(f.window->CurrentDisc(), image::kRoot, "!BOOT", false, true, sink) ==
                image::Status::Done);
        QVERIFY(f.window->CurrentDisc().map.runs.size() > 1);
        f.ClickNode(f.Child(f.window->CurrentNode(), QStringLiteral("GAMES")));
        QVERIFY(f.Trigger("mnuDiscCompact"));
        QCOMPARE(f.window->CurrentDisc().map.runs.size(), std::size_t{1});
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        QCOMPARE(f.ListColumn(), (QStringList{"GAMES", "README", "UTILS"}));
        QCOMPARE(f.window->StatusText(), QString::fromLatin1(views::DiscUsageText(f.window->CurrentDisc())));
    }
};

QTEST_MAIN(ExplorerCommandsTest)
#include "explorer_commands_test.moc"
