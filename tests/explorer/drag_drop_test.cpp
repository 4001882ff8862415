// Drag and drop between the explorer window and the host: the staged drag data,
// the drag log, drops with their refresh rules, and the temporary folder at start.
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
QStringList Paths(const QMimeData* data)
{
    QStringList paths;
    for (const QUrl& url : data->urls())
        paths << url.toLocalFile();
    return paths;
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

private slots:
    void initTestCase()
    {
        test::IsolateSettings();
        static QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    }
    void init() { f.Reset(); }
    void cleanup() { f.Stop(); }

    void listDragOfTwoFilesHandsOutFourPathsInOrder()
    {
        StartOnPopulatedDisc();
        f.SelectRows({f.Row(QStringLiteral("!BOOT")), f.Row(QStringLiteral("README"))});

        auto data = f.window->dragDrop()->StageListDrag();
        QVERIFY(data);
        const QString t = TempFolder(0);
        const QStringList expected{t + "/" + Host("!BOOT"), t + "/" + Host("!BOOT") + ".INF", t + "/" + Host("README"),
                                   t + "/" + Host("README") + ".INF"};
        QCOMPARE(Paths(data.get()), expected);
        QCOMPARE(LogLines(), expected);
        // The files are there (what they hold is checked by the host drag tests).
        QVERIFY(std::all_of(expected.begin(), expected.end(), [](const QString& p) { return QFileInfo(p).isFile(); }));

        // The next drag takes the next folder.
        auto again = f.window->dragDrop()->StageListDrag();
        QVERIFY(again);
        QVERIFY(Paths(again.get()).value(0).startsWith(TempFolder(1) + "/"));
    }

    void treeDragOfSubdirectoryHandsOutOneFolder()
    {
        StartOnPopulatedDisc();
        f.window->tvwDB_NodeClick(f.Child(f.window->treeModel()->Root(), QStringLiteral("GAMES")));
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("GAMES"));

        auto data = f.window->dragDrop()->StageTreeDrag();
        QVERIFY(data);
        const QString folder = TempFolder(0) + "/" + Host("GAMES");
        QCOMPARE(Paths(data.get()), QStringList{folder});
        QCOMPARE(LogLines(), QStringList{folder});
        QVERIFY(QFileInfo(folder).isDir());
    }

    void rootDragSelectsEveryItemThenClears()
    {
        StartOnPopulatedDisc();
        QCOMPARE(f.CurrentNodeName(), QStringLiteral("$"));
        f.SelectRows({0});

        auto data = f.window->dragDrop()->StageTreeDrag();
        QVERIFY(data);
        QStringList expected;
        for (const QString& name : f.ListColumn()) {
            const QString p = TempFolder(0) + "/" + Host(name.toLatin1().constData());
            expected << p << p + ".INF";
        }
        QCOMPARE(expected.size(), 8);
        QCOMPARE(Paths(data.get()), expected);
        QVERIFY(f.window->SelectedRows().isEmpty());
    }

    void dragWithNothingSelectedWritesEmptyLog()
    {
        StartOnPopulatedDisc();
        f.SelectRows({});
        WriteFile(Cache() + "/drag.log", "old drag\r\n");

        auto data = f.window->dragDrop()->StageListDrag();
        QVERIFY(data);
        QVERIFY(!data->hasUrls());
        QCOMPARE(LogLines(), QStringList{});
    }

    // Regression: a drag that could not be staged must say why and hand out nothing.
    void failedStagingStartsNoDrag()
    {
        StartOnPopulatedDisc();
        f.SelectRows({f.Row(QStringLiteral("!BOOT"))});
        // A file where the temporary root should be: no folder can be made below it.
        WriteFile(Cache() + "/marlin_temp", "in the way");

        auto data = f.window->dragDrop()->StageListDrag();
        QVERIFY(!data);
        QCOMPARE(f.prompts->messages.size(), 1);
        QFile::remove(Cache() + "/marlin_temp");
    }

    void dropImportsWithRefreshRules_data()
    {
        QTest::addColumn<QStringList>("dropped");  // host items, "name/" for a folder, "missing" for none there
        QTest::addColumn<QStringList>("imported"); // what the shown directory lists afterwards
        QTest::addColumn<QString>("currentNode");  // the list's directory afterwards
        QTest::addColumn<int>("messages");
        QTest::newRow("files only: list refilled, tree kept")
            << QStringList{"ALPHA", "BETA"} << QStringList{"ALPHA", "ARCADE", "BETA", "ELITE"} << "GAMES" << 0;
        QTest::newRow("a folder: tree rebuilt, root shown")
            << QStringList{"ALPHA", "DOCS/"} << QStringList{"!BOOT", "GAMES", "README", "UTILS"} << "$" << 0;
        QTest::newRow("a duplicate goes on")
            << QStringList{"ELITE", "BETA"} << QStringList{"ARCADE", "BETA", "ELITE"} << "GAMES" << 1;
        QTest::newRow("the first failure ends the drop")
            << QStringList{"ALPHA", "missing", "BETA"} << QStringList{"ALPHA", "ARCADE", "ELITE"} << "GAMES" << 1;
    }

    void dropImportsWithRefreshRules()
    {
        QFETCH(QStringList, dropped);
        QFETCH(QStringList, imported);
        QFETCH(QString, currentNode);
        QFETCH(int, messages);

        StartOnPopulatedDisc();
        f.window->tvwDB_NodeClick(f.Child(f.window->treeModel()->Root(), QStringLiteral("GAMES")));

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
        f.window->dragDrop()->DropHostFiles(&data);

        QCOMPARE(f.CurrentNodeName(), currentNode);
        QCOMPARE(f.ListColumn(), imported);
        QVERIFY2(f.prompts->messages.size() == messages, qPrintable(f.prompts->messages.join(" / ")));
        // The tree shows an imported folder only when it was rebuilt.
        auto* games = f.Child(f.window->treeModel()->Root(), QStringLiteral("GAMES"));
        QCOMPARE(f.Child(games, QStringLiteral("DOCS")) != nullptr, dropped.contains(QStringLiteral("DOCS/")));
        QVERIFY(test::ConsistencyProblems(f.window->disc()).empty());
    }

    void dropWithoutUrlsDoesNothing()
    {
        StartOnPopulatedDisc();
        const QStringList before = f.ListColumn();
        const auto bytes = f.window->disc().DiscImage;

        QMimeData data;
        data.setText(f.Path("ALPHA"));
        WriteFile(f.Path("ALPHA"), "alpha");
        f.window->dragDrop()->DropHostFiles(&data);

        QCOMPARE(f.ListColumn(), before);
        QVERIFY(f.window->disc().DiscImage == bytes);
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
        QCOMPARE(f.window->dragDrop()->State().TempCounter, std::uint16_t{0});

        // Numbering starts again at 0 after the clean-up.
        f.SelectRows({});
        auto data = f.window->dragDrop()->StageListDrag();
        QVERIFY(data);
        QVERIFY(QFileInfo(TempFolder(0)).isDir());
    }
};

QTEST_MAIN(DragDropTest)
#include "drag_drop_test.moc"
