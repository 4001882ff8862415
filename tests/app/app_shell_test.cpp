#include "app/app_identity.h"
#include "app/application.h"
#include "app/frm_about.h"
#include "app/help.h"
#include "app/icons.h"
#include "app/splash_wait.h"
#include "scripted_prompts.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <new>
#include <vector>

using namespace std::chrono;
using namespace std::chrono_literals;
using namespace marlin::app;

class AppShellTest : public QObject {
    Q_OBJECT
private slots:
    void splashWaitLastsAtLeastFourSeconds_data();
    void splashWaitLastsAtLeastFourSeconds();
    void aboutBoxShowsVersionLine();
    void aboutBoxClosesWithEnterAndEscape_data();
    void aboutBoxClosesWithEnterAndEscape();
    void helpMessageHasTextIconAndCurrentCaption();
    void sysInfoToolFoundInListOrder();
    void appIconHasAPicture();
    void runningOutOfMemoryIsRefusedAndTheProgramGoesOn();
};

// Each row: how far the fake clock moves on each pump call (the last step repeats).
void AppShellTest::splashWaitLastsAtLeastFourSeconds_data()
{
    QTest::addColumn<QList<int>>("stepsMs");
    QTest::addColumn<int>("expectedPumps");
    QTest::newRow("one long step") << QList<int>{10000} << 1;
    QTest::newRow("quarter seconds") << QList<int>{250} << 16;
    QTest::newRow("pump returns early without time passing") << QList<int>{0, 0, 0, 2000, 1999, 1} << 6;
    QTest::newRow("stops just short of four seconds") << QList<int>{3999, 1} << 2;
}

void AppShellTest::splashWaitLastsAtLeastFourSeconds()
{
    QFETCH(QList<int>, stepsMs);
    QFETCH(int, expectedPumps);

    steady_clock::time_point now{};
    now += 123456s; // an arbitrary epoch: only differences count
    const auto start = now;
    int pumps = 0;
    std::vector<milliseconds> asked;
    const auto elapsed = WaitElapsed(
        kSplashTime, [&] { return now; },
        [&](milliseconds remaining) {
            asked.push_back(remaining);
            now += milliseconds{stepsMs[std::min<qsizetype>(pumps, stepsMs.size() - 1)]};
            ++pumps;
        });

    QCOMPARE(pumps, expectedPumps);
    QVERIFY(now - start >= 4s);
    QCOMPARE(duration_cast<milliseconds>(elapsed), duration_cast<milliseconds>(now - start));
    // The pump is always told what remains, never zero or more than the whole wait.
    QCOMPARE(asked.front(), milliseconds{4s});
    for (milliseconds remaining : asked)
        QVERIFY(remaining > 0ms && remaining <= 4s);
}

void AppShellTest::aboutBoxShowsVersionLine()
{
    frmAbout about;
    QCOMPARE(about.findChild<QLabel*>(QStringLiteral("lblVersion"))->text(), QStringLiteral("Version 1.0.2"));
    QVERIFY(about.findChild<QLabel*>(QStringLiteral("Label2"))
                ->text()
                .contains(QStringLiteral("mailto:") + kContactAddress));
}

void AppShellTest::aboutBoxClosesWithEnterAndEscape_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void AppShellTest::aboutBoxClosesWithEnterAndEscape()
{
    QFETCH(int, key);
    frmAbout about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    QVERIFY(about.isVisible());
    // Focus on the other button first: Enter must still press OK, the default button.
    about.findChild<QPushButton*>(QStringLiteral("cmdSysInfo"))->setFocus();
    QTest::keyClick(&about, Qt::Key(key));
    QVERIFY(!about.isVisible());
}

void AppShellTest::helpMessageHasTextIconAndCurrentCaption()
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Marlin Explorer - NewDisc.dat"));
    auto first = MakeHelpMessage(&window);
    QCOMPARE(first->text(),
             QStringLiteral("Unable to display Help Contents. There is no Help associated with this project."));
    QCOMPARE(first->icon(), QMessageBox::Information);
    QCOMPARE(first->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(first->windowTitle(), QStringLiteral("Marlin Explorer - NewDisc.dat"));

    // The title follows the caption at the moment of asking, not when the window was made.
    window.setWindowTitle(QStringLiteral("Marlin Explorer - games.dat"));
    QCOMPARE(MakeHelpMessage(&window)->windowTitle(), QStringLiteral("Marlin Explorer - games.dat"));
}

void AppShellTest::sysInfoToolFoundInListOrder()
{
    QTemporaryDir empty;
    QTemporaryDir tools;
    QVERIFY(empty.isValid() && tools.isValid());
    QCOMPARE(FindSysInfoTool({empty.path()}), QString());

    auto makeTool = [&](const QString& name, bool executable) {
        QFile f(QDir(tools.path()).filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        QFile::Permissions perms = QFile::ReadOwner | QFile::WriteOwner;
        if (executable)
            perms |= QFile::ExeOwner;
        QVERIFY(f.setPermissions(perms));
    };
    makeTool(kSysInfoTools.back(), true);
    makeTool(kSysInfoTools.front(), false); // present but not runnable: skipped
    const QString last = QDir(tools.path()).filePath(kSysInfoTools.back());
    QCOMPARE(FindSysInfoTool({empty.path(), tools.path()}), last);

    makeTool(kSysInfoTools.at(1), true);
    QCOMPARE(FindSysInfoTool({tools.path()}), QDir(tools.path()).filePath(kSysInfoTools.at(1)));
}

void AppShellTest::appIconHasAPicture()
{
    QVERIFY(!AppIcon().pixmap(32, 32).isNull());
}

void AppShellTest::runningOutOfMemoryIsRefusedAndTheProgramGoesOn()
{
    auto* app = dynamic_cast<Application*>(QCoreApplication::instance());
    QVERIFY(app);
    marlin::test::ScriptedPrompts prompts;
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
    // The next gesture is handled as usual.
    QTest::mouseClick(&button, Qt::LeftButton);
    QCOMPARE(clicks, 2);
    QCOMPARE(prompts.messages.size(), 1);
    app->SetPrompts(nullptr);
}

// The program's own application object, so that its event handling is what is tested.
int main(int argc, char* argv[])
{
    Application app(argc, argv);
    AppShellTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "app_shell_test.moc"
