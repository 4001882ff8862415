// The program around the explorer window: the splash and start-up, Help and
// About, and a gesture that runs out of memory.
#include "app/application.h"
#include "app/frm_about.h"
#include "app/help.h"
#include "app/icons.h"
#include "app/start.h"
#include "host/host_files.h"
#include "window_fixture.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <new>

using namespace std::chrono;
using namespace std::chrono_literals;
using namespace marlin;

class AppShellTest : public QObject {
    Q_OBJECT

    test::ScriptedPrompts prompts;
    steady_clock::time_point now{};
    QList<int> asked;        // what each pump was told remained, in ms
    bool splashAlone = true; // at every pump the splash showed, and no explorer window yet

    // The top-level windows showing, by name.
    static QStringList Showing()
    {
        QStringList names;
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->isVisible())
                names << (qobject_cast<explorer::frmMain*>(window) ? QStringLiteral("frmMain") : window->objectName());
        return names;
    }
    // The start procedure on a clock that the n-th pump moves by steps[n] ms (the last step repeats).
    std::unique_ptr<explorer::frmMain> Start(const QString& path = QString(), const QList<int>& steps = {1000})
    {
        asked.clear();
        splashAlone = true;
        auto pump = [&](milliseconds remaining) {
            splashAlone = splashAlone && Showing() == QStringList{"frmSplash"};
            now += milliseconds{steps[std::min(asked.size(), steps.size() - 1)]};
            asked << int(remaining.count());
        };
        return app::Module1Start(
            path, [this] { return now; }, pump, &prompts);
    }

private slots:
    void initTestCase() { test::IsolateSettings(); }
    void init() { prompts = {}; }

    // The splash stays up for four seconds of the clock, however the pump
    // returns: early without time passing, or just short of the end.
    void splashFirstThenTheWindowOnTheImageGiven()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("games.dat"));
        image::Disc disc = image::NewDisc(16);
        test::MakeDir(disc, image::kRoot, "GAMES");
        image::SilentSink sink;
        QVERIFY(host::SaveImage(disc, path.toStdString(), sink) == image::Status::Done);
        for (const QString& given : {QString(), path}) {
            auto window = Start(given, {0, 1500, 2499, 1});
            QCOMPARE(asked, (QList<int>{4000, 4000, 2500, 1}));
            QVERIFY(splashAlone && Showing() == QStringList{"frmMain"});
            QCOMPARE(window->windowHandle()->title(), "Marlin Explorer - " + (given.isEmpty() ? "NewDisc.dat" : given));
            // Without an image, a blank 4 MB disc.
            QCOMPARE(window->CurrentDisc().DiscSizeField(), given.isEmpty() ? 16384u : 4096u);
            QCOMPARE(window->ListItems()->rowCount(), given.isEmpty() ? 0 : 1);
        }
        Start(QString(), {10000}); // one long step
        QCOMPARE(asked, QList<int>{4000});
        QVERIFY(prompts.messages.isEmpty());
        QVERIFY(!app::AppIcon().pixmap(32, 32).isNull());
    }

    // Help and About: each answered by a key, the About box's Enter pressing
    // OK even when the other button has the focus.
    void helpItems_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("key");
        QTest::newRow("Contents") << "mnuHelpContents" << int(Qt::Key_Return);
        QTest::newRow("Search") << "mnuHelpSearch" << int(Qt::Key_Return);
        QTest::newRow("About, Enter") << "mnuHelpAbout" << int(Qt::Key_Return);
        QTest::newRow("About, Escape") << "mnuHelpAbout" << int(Qt::Key_Escape);
    }
    void helpItems()
    {
        QFETCH(QString, item);
        QFETCH(int, key);
        auto window = Start();
        // What the modal box showed, read before the key closes it: About, or the message's title, text and icon.
        QStringList shown;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal);
            if (qobject_cast<app::frmAbout*>(modal))
                shown << QStringLiteral("About");
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                shown << box->windowTitle() << box->text() << QString::number(box->icon());
            if (auto* other = modal->findChild<QPushButton*>(QStringLiteral("cmdSysInfo")))
                other->setFocus();
            QTest::keyClick(modal, Qt::Key(key));
        });
        window->findChild<QAction*>(item)->trigger();
        QVERIFY(!QApplication::activeModalWidget());
        const QStringList help{window->windowTitle(), app::kNoHelpText, QString::number(QMessageBox::Information)};
        QCOMPARE(shown, item.endsWith("About") ? QStringList{"About"} : help);
    }

    void runningOutOfMemoryIsRefusedAndTheProgramGoesOn()
    {
        auto* app = dynamic_cast<app::Application*>(QCoreApplication::instance());
        QVERIFY(app);
        app->SetPrompts(&prompts);
        QPushButton button(QStringLiteral("View"));
        int clicks = 0;
        QObject::connect(&button, &QPushButton::clicked, [&] {
            if (++clicks == 1)
                throw std::bad_alloc();
        });
        button.show();
        QTest::mouseClick(&button, Qt::LeftButton);
        QCOMPARE(prompts.messages, QStringList{QStringLiteral("Not Enough Memory")});
        QTest::mouseClick(&button, Qt::LeftButton); // the next gesture is handled as usual
        QCOMPARE(clicks, 2);
        QCOMPARE(prompts.messages.size(), 1);
        app->SetPrompts(nullptr);
    }
};

// The program's own application object, so that its event handling is what is tested.
int main(int argc, char* argv[])
{
    app::Application app(argc, argv);
    AppShellTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "app_shell_test.moc"
