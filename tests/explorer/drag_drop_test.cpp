// Drag and drop between the explorer window and the host: the staged drag data,
// the drag log, drops with their refresh rules, and the temporary folder at start.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "explorer/drag_drop.h"
#include "host/host_names.h"
#include "window_fixture.h"

using namespace marlin;

namespace {

QString Cache()
{
    return QString::fromLocal8Bit(qgetenv("XDG_CACHE_HOME"));
}
QString TempFolder(int n)
{
    return Cache() + QStringLiteral("/marlin_temp/temp_") + QString::number(n);
}
QString Host(const char* imageName)
{
    return QString::fromStdString(host::SafeHostName(imageName));
}
QStringList LogLines()
{
    QFile log(Cache() + QStringLiteral("/drag.log"));
    if (!log.open(QIODevice::ReadOnly))
        return {QStringLiteral("<no log>")};
    QStringList lines = QString::fromLocal8Bit(log.readAll()).split(QStringLiteral("\r\n"));
    // Every line ends with CR LF, so the split leaves one empty piece at the end.
    if (lines.takeLast() != QString())
        lines << QStringLiteral("<unterminated>");
    return lines;
}
void WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class DragDropTest : public QObject {
    Q_OBJECT

    test::WindowFixture f;

    void StartOnPopulatedDisc()
    {
        f.Start();
        f.OpenDisc(test::PopulatedDisc());
    }
    // A user's drag: press on the item, move the pointer well past the drag
    // distance (to `to` when given), release. The release goes to the view
    // only when no drag began (a drag's release belongs to the drop target).
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
    // Host items dragged in from another program and dropped on the view, as
    // the desktop delivers them; true when the view took the drop.
    static bool Drop(QAbstractItemView* view, const QMimeData* data)
    {
        const QPoint at = view->viewport()->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &drop);
        return drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
    }
    // The directory the list shows is CurrentNode, and it is the node the tree highlights.
    void ExpectShown(const QString& name) const
    {
        QCOMPARE(f.CurrentNodeName(), name);
        auto* tree = f.window->tvwDB();
        const QModelIndexList highlighted = tree->selectionModel()->selectedIndexes();
        QCOMPARE(highlighted.size(), 1);
        QCOMPARE(f.window->TreeItems()->NodeOf(highlighted.first()), f.window->CurrentNode());
        QCOMPARE(f.window->TreeItems()->NodeOf(tree->currentIndex()), f.window->CurrentNode());
    }

private slots:
    void initTestCase()
    {
        test::IsolateSettings();
        static QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    }
    void init() { f.Reset(); }
    void cleanup() { f.Stop(); }

    // Regression: the icon and list modes drew a rubber band instead of
    // dragging, and the tree never started a drag at all.
    void listDragOfTwoFilesInEveryMode_data()
    {
        QTest::addColumn<QString>("button");
        for (const char* button : {"tbViewDetails", "tbViewLargeIcons", "tbViewSmallIcons", "tbViewList"})
            QTest::newRow(button) << QString::fromLatin1(button);
    }
    void listDragOfTwoFilesInEveryMode()
    {
        QFETCH(QString, button);
        StartOnPopulatedDisc();
        QVERIFY(f.Trigger(button.toLatin1().constData()));
        QAbstractItemView* view = f.window->lvwDB()->CurrentView();
        const QModelIndex boot = f.window->ListItems()->index(f.Row(QStringLiteral("!BOOT")), 0);
        const QModelIndex readme = f.window->ListItems()->index(f.Row(QStringLiteral("README")), 0);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(boot).center());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, view->visualRect(readme).center());

        PressAndMove(view, readme);

        const QString t = TempFolder(0);
        const QStringList expected{t + "/" + Host("!BOOT"), t + "/" + Host("!BOOT") + ".INF", t + "/" + Host("README"),
                                   t + "/" + Host("README") + ".INF"};
        QCOMPARE(f.prompts->drags.size(), std::size_t{1});
        QCOMPARE(f.prompts->drags[0].source, view);
        QCOMPARE(f.prompts->drags[0].paths, expected);
        QCOMPARE(LogLines(), expected);
        QVERIFY(std::all_of(expected.begin(), expected.end(), [](const QString& p) { return QFileInfo(p).isFile(); }));
        // Dragging changes nothing in the window: both stay selected.
        QCOMPARE(f.window->SelectedRows().size(), 2);
    }

    void treeDragOfSubdirectoryHandsOutOneFolder()
    {
        StartOnPopulatedDisc();
        auto* games = f.Child(f.window->TreeItems()->Root(), QStringLiteral("GAMES"));
        auto* utils = f.Child(f.window->TreeItems()->Root(), QStringLiteral("UTILS"));
        auto* tree = f.window->tvwDB();
        // Pressing on GAMES and moving over UTILS drags GAMES, and GAMES stays the shown directory.
        PressAndMove(tree, f.window->TreeItems()->IndexOf(games),
                     tree->visualRect(f.window->TreeItems()->IndexOf(utils)).center());

        const QString folder = TempFolder(0) + "/" + Host("GAMES");
        QCOMPARE(f.prompts->drags.size(), std::size_t{1});
        QCOMPARE(f.prompts->drags[0].paths, QStringList{folder});
        QCOMPARE(LogLines(), QStringList{folder});
        QVERIFY(QFileInfo(folder + "/" + Host("ELITE")).isFile());
        QVERIFY(!QFileInfo::exists(folder + ".INF"));
        ExpectShown(QStringLiteral("GAMES"));
    }

    void rootDragHandsOutEveryEntryThenClears()
    {
        StartOnPopulatedDisc();
        f.SelectRows({0});
        PressAndMove(f.window->tvwDB(), f.window->TreeItems()->IndexOf(f.window->TreeItems()->Root()));

        QStringList expected;
        for (const QString& name : f.ListColumn()) {
            const QString p = TempFolder(0) + "/" + Host(name.toLatin1().constData());
            expected << p << p + ".INF";
        }
        QCOMPARE(expected.size(), 8);
        QCOMPARE(f.prompts->drags.size(), std::size_t{1});
        QCOMPARE(f.prompts->drags[0].paths, expected);
        QVERIFY(f.window->SelectedRows().isEmpty());
        ExpectShown(QStringLiteral("$"));
    }

    // Regression: pressing on one node and sweeping over others made the list
    // show another directory while no node stayed highlighted.
    void sweepingOverTheTreeKeepsTheShownNodeHighlighted()
    {
        StartOnPopulatedDisc();
        auto* tree = f.window->tvwDB();
        auto* model = f.window->TreeItems();
        const QPoint below =
            tree->visualRect(model->IndexOf(f.Child(model->Root(), QStringLiteral("UTILS")))).bottomLeft() +
            QPoint(5, 40);
        const QPoint games = tree->visualRect(model->IndexOf(f.Child(model->Root(), QStringLiteral("GAMES")))).center();
        // From empty space onto a node, and released there.
        QTest::mousePress(tree->viewport(), Qt::LeftButton, {}, below);
        QTest::mouseMove(tree->viewport(), games);
        QTest::mouseRelease(tree->viewport(), Qt::LeftButton, {}, games);
        QVERIFY(f.prompts->drags.empty());
        ExpectShown(QStringLiteral("GAMES"));
    }

    void dragWithNothingSelectedWritesEmptyLog()
    {
        StartOnPopulatedDisc();
        f.SelectRows({});
        WriteFile(Cache() + "/drag.log", "old drag\r\n");

        auto data = f.window->DragAndDrop()->StageListDrag();
        QVERIFY(data);
        QVERIFY(!data->hasUrls());
        QCOMPARE(LogLines(), QStringList{});
    }

    // Regression: a drag that could not be staged must say why and hand out nothing.
    void failedStagingStartsNoDrag()
    {
        StartOnPopulatedDisc();
        // A file where the temporary root should be: no folder can be made below it.
        WriteFile(Cache() + "/marlin_temp", "in the way");

        PressAndMove(f.window->lvwDB()->CurrentView(), f.window->ListItems()->index(f.Row(QStringLiteral("!BOOT")), 0));
        QVERIFY(f.prompts->drags.empty());
        QCOMPARE(f.prompts->messages.size(), 1);
        QFile::remove(Cache() + "/marlin_temp");
    }

    void dropImportsWithRefreshRules_data()
    {
        QTest::addColumn<QString>("target");       // where the items are dropped
        QTest::addColumn<QStringList>("dropped");  // host items, "name/" for a folder, "missing" for none there
        QTest::addColumn<QStringList>("imported"); // what the shown directory lists afterwards
        QTest::addColumn<QString>("currentNode");  // the list's directory afterwards
        QTest::addColumn<int>("messages");
        for (const char* target : {"tbViewDetails", "tbViewLargeIcons", "tbViewSmallIcons", "tbViewList", "tvwDB"})
            QTest::addRow("files only, on %s: list refilled, tree kept", target)
                << QString::fromLatin1(target) << QStringList{"ALPHA", "BETA"}
                << QStringList{"ALPHA", "ARCADE", "BETA", "ELITE"} << "GAMES" << 0;
        QTest::newRow("a folder: tree rebuilt, root shown")
            << "tbViewDetails" << QStringList{"ALPHA", "DOCS/"} << QStringList{"!BOOT", "GAMES", "README", "UTILS"}
            << "$" << 0;
        QTest::newRow("a duplicate goes on")
            << "tbViewList" << QStringList{"ELITE", "BETA"} << QStringList{"ARCADE", "BETA", "ELITE"} << "GAMES" << 1;
        QTest::newRow("the first failure ends the drop") << "tvwDB" << QStringList{"ALPHA", "missing", "BETA"}
                                                         << QStringList{"ALPHA", "ARCADE", "ELITE"} << "GAMES" << 1;
    }

    void dropImportsWithRefreshRules()
    {
        QFETCH(QString, target);
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, imported);
        QFETCH(QString, currentNode);
        QFETCH(int, messages);

        StartOnPopulatedDisc();
        f.ClickNode(f.Child(f.window->TreeItems()->Root(), QStringLiteral("GAMES")));
        QAbstractItemView* view = f.window->tvwDB();
        if (target != QStringLiteral("tvwDB")) {
            QVERIFY(f.Trigger(target.toLatin1().constData()));
            view = f.window->lvwDB()->CurrentView();
        }

        QList<QUrl> urls;
        for (const QString& item : dropped) {
            const QString path = f.tempDir->path() + "/" + item;
            if (item.endsWith('/'))
                WriteFile(path + "NOTE", "inside");
            else if (item != "missing")
                WriteFile(path, item.toLatin1());
            urls << QUrl::fromLocalFile(item.endsWith('/') ? path.chopped(1) : path);
        }
        QMimeData data;
        data.setUrls(urls);
        QVERIFY(Drop(view, &data));

        QCOMPARE(f.CurrentNodeName(), currentNode);
        QCOMPARE(f.ListColumn(), imported);
        QVERIFY2(f.prompts->messages.size() == messages, qPrintable(f.prompts->messages.join(" / ")));
        // The tree shows an imported folder only when it was rebuilt.
        auto* games = f.Child(f.window->TreeItems()->Root(), QStringLiteral("GAMES"));
        QCOMPARE(f.Child(games, QStringLiteral("DOCS")) != nullptr, dropped.contains(QStringLiteral("DOCS/")));
        QVERIFY(test::ConsistencyProblems(f.window->CurrentDisc()).empty());
    }

    void dropWithoutUrlsDoesNothing()
    {
        StartOnPopulatedDisc();
        const QStringList before = f.ListColumn();
        const auto bytes = f.window->CurrentDisc().Image();

        QMimeData data;
        data.setText(f.Path("ALPHA"));
        WriteFile(f.Path("ALPHA"), "alpha");
        QVERIFY(!Drop(f.window->lvwDB()->CurrentView(), &data));

        QCOMPARE(f.ListColumn(), before);
        QVERIFY(f.window->CurrentDisc().Image() == bytes);
        QVERIFY(f.prompts->messages.isEmpty());
    }

    void temporaryFolderGoesAtStartWithoutFollowingLinks()
    {
        QTemporaryDir outside;
        WriteFile(outside.filePath("keep/precious"), "mine");
        WriteFile(TempFolder(3) + "/LEFTOVER", "old");
        QVERIFY(QFile::link(outside.filePath("keep"), Cache() + "/marlin_temp/link"));

        f.Start();
        QVERIFY(!QFileInfo::exists(Cache() + "/marlin_temp"));
        QVERIFY(QFileInfo(outside.filePath("keep/precious")).isFile());
        QCOMPARE(f.window->DragAndDrop()->State().TempCounter, std::uint16_t{0});

        // Numbering starts again at 0 after the clean-up.
        f.SelectRows({});
        auto data = f.window->DragAndDrop()->StageListDrag();
        QVERIFY(data);
        QVERIFY(QFileInfo(TempFolder(0)).isDir());
    }
};

QTEST_MAIN(DragDropTest)
#include "drag_drop_test.moc"
