// The start procedure and the Help menu of the explorer window.
#include "app/start.h"
#include "image/entry_ops.h"
#include "window_fixture.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

using namespace std::chrono;
using namespace std::chrono_literals;
using namespace marlin;

namespace {

QWidget* VisibleTopLevel(const QString& objectName)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == objectName && w->isVisible())
            return w;
    return nullptr;
}

bool AnyMainWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<explorer::frmMain*>(w))
            return true;
    return false;
}

// Answers the next modal box: records its title and text, then presses `key`.
struct ModalAnswer {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    void Arm(Qt::Key key = Qt::Key_Escape)
    {
        QTimer::singleShot(0, [this, key] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            title = modal->windowTitle();
            if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                text = box->text();
                icon = box->icon();
            }
            QTest::keyClick(modal, key);
        });
    }
};

} // namespace

class StartTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test::IsolateSettings(); }
    void splashFirstThenWindow();
    void argumentOpensImage_data();
    void argumentOpensImage();
    void helpItemsShowTheMessageWithTheCaption_data();
    void helpItemsShowTheMessageWithTheCaption();
    void aboutItemShowsTheAboutBox();
};

void StartTest::splashFirstThenWindow()
{
    test::ScriptedPrompts prompts;
    steady_clock::time_point now{};
    int pumps = 0;
    bool splashUpThroughout = true;
    bool windowTooEarly = false;
    auto window = app::Module1Start(
        QString(), [&] { return now; },
        [&](milliseconds) {
            splashUpThroughout = splashUpThroughout && VisibleTopLevel(QStringLiteral("frmSplash"));
            windowTooEarly = windowTooEarly || AnyMainWindow();
            now += 700ms;
            ++pumps;
        },
        &prompts);

    QCOMPARE(pumps, 6); // 4 s at 0.7 s a step
    QVERIFY(splashUpThroughout);
    QVERIFY(!windowTooEarly);
    QVERIFY(!VisibleTopLevel(QStringLiteral("frmSplash")));
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));
    window->close();
}

void StartTest::argumentOpensImage_data()
{
    QTest::addColumn<bool>("exists");
    QTest::newRow("an image file") << true;
    QTest::newRow("a missing file") << false;
}

void StartTest::argumentOpensImage()
{
    QFETCH(bool, exists);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("games.dat"));
    if (exists) {
        image::Disc disc = image::NewDisc(16);
        image::SilentSink sink;
        QVERIFY(image::CreateDirectory(disc, image::SectorAddress(2), "GAMES", sink).Done());
        QVERIFY(image::SaveImage(disc, path.toStdString(), sink) == image::Status::Done);
    }
    test::ScriptedPrompts prompts;
    steady_clock::time_point now{};
    auto window = app::Module1Start(
        path, [&] { return now; }, [&](milliseconds step) { now += step; }, &prompts);

    if (exists) {
        QCOMPARE(window->windowTitle(), QStringLiteral("Marlin Explorer - ") + path);
        QVERIFY(prompts.messages.isEmpty());
        QCOMPARE(window->ListItems()->rowCount(), 1);
    } else {
        QCOMPARE(window->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));
        QCOMPARE(prompts.messages, QStringList{QStringLiteral("File Not Found : ") + path});
    }
    window->close();
}

void StartTest::helpItemsShowTheMessageWithTheCaption_data()
{
    QTest::addColumn<QString>("item");
    QTest::newRow("Contents") << QStringLiteral("mnuHelpContents");
    QTest::newRow("Search") << QStringLiteral("mnuHelpSearch");
}

void StartTest::helpItemsShowTheMessageWithTheCaption()
{
    QFETCH(QString, item);
    test::WindowFixture f;
    f.Start();
    app::ConnectHelp(*f.window);
    ModalAnswer answer;
    answer.Arm(Qt::Key_Return);
    QVERIFY(f.Trigger(item.toLatin1().constData()));
    QCOMPARE(answer.title, QStringLiteral("Marlin Explorer - NewDisc.dat"));
    QCOMPARE(answer.text,
             QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."));
    QCOMPARE(answer.icon, QMessageBox::Information);
    QVERIFY(!QApplication::activeModalWidget());
    f.Stop();
}

void StartTest::aboutItemShowsTheAboutBox()
{
    test::WindowFixture f;
    f.Start();
    app::ConnectHelp(*f.window);
    ModalAnswer answer;
    answer.Arm(Qt::Key_Escape);
    QVERIFY(f.Trigger("mnuHelpAbout"));
    QCOMPARE(answer.title, QStringLiteral("About Marlin Explorer"));
    QVERIFY(!QApplication::activeModalWidget());
    f.Stop();
}

QTEST_MAIN(StartTest)
#include "start_test.moc"
