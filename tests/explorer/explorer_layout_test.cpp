// The explorer window's geometry, settings and splitter, in twips.
#include <QApplication>
#include <QFrame>
#include <QMoveEvent>

#include "window_fixture.h"

using namespace marlin;
using marlin::test::WindowFixture;

class ExplorerLayoutTest : public QObject {
    Q_OBJECT

    WindowFixture f;

    int Px(double twips) const { return f.window->TwipsToPixels(twips); }
    double OuterWidth() const { return f.window->PixelsToTwips(f.window->OuterGeometry().width()); }
    QStringList StoredGeometry() const
    {
        QSettings store = test::TestStore();
        QStringList values;
        for (const char* key : {"MainLeft", "MainTop", "MainWidth", "MainHeight"})
            values << store.value(QStringLiteral("Settings/") + QLatin1String(key)).toString();
        return values;
    }
    QWidget* Grip() const { return f.window->findChild<QWidget*>(QStringLiteral("imgSplitter")); }
    QFrame* DragBar() const { return f.window->findChild<QFrame*>(QStringLiteral("picSplitter")); }

private slots:
    void initTestCase() { test::IsolateSettings(); }
    void init() { f.Reset(); }
    void cleanup() { f.Stop(); }

    void firstRunUsesTheDefaults()
    {
        f.Start();
        QCOMPARE(f.window->OuterGeometry(), QRect(Px(1000), Px(1000), Px(6500), Px(6500)));
        QVERIFY(f.window->DeleteLockedChecked());
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
        QFETCH(bool, framedAtOnce);
        f.frame = QMargins(1, 20, 1, 5);
        const QStringList defaults{"1000", "1000", "6500", "6500"};
        for (int start = 0; start < 3; ++start) {
            f.framed = framedAtOnce;
            f.Start();
            if (!framedAtOnce) {
                // The window manager frames the window and moves it.
                f.framed = true;
                QMoveEvent framed(f.window->pos(), f.window->pos());
                QApplication::sendEvent(f.window.get(), &framed);
            }
            QCOMPARE(f.window->OuterGeometry().size(), QSize(Px(6500), Px(6500)));
            QCOMPARE(f.window->size(), QSize(Px(6500) - 2, Px(6500) - 25));
            f.Stop();
            QCOMPARE(StoredGeometry(), defaults);
        }
    }

    void settingsSurviveTwoLifetimes()
    {
        f.frame = QMargins(1, 20, 1, 5);
        f.Start();
        f.SetOuter(Px(3000), Px(1500), Px(9000), Px(7200));
        QVERIFY(f.Trigger("mnuOptionsDelete"));
        f.Stop();
        {
            QSettings store = test::TestStore();
            QCOMPARE(store.value(QStringLiteral("Settings/DeleteLocked")).toString(), QStringLiteral("False"));
            QCOMPARE(store.value(QStringLiteral("Settings/DeleteNonEmpty")).toString(), QStringLiteral("True"));
        }
        QCOMPARE(StoredGeometry(), (QStringList{"3000", "1500", "9000", "7200"}));
        f.Start();
        QCOMPARE(f.window->OuterGeometry(), QRect(Px(3000), Px(1500), Px(9000), Px(7200)));
        QVERIFY(!f.window->DeleteLockedChecked());
        QVERIFY(f.window->DeleteNonEmptyChecked());
    }

    void minimisedCloseStoresNothing()
    {
        f.Start();
        f.SetOuter(Px(3000), Px(1500), Px(9000), Px(7200));
        f.Stop();
        f.Start();
        QVERIFY(f.Trigger("mnuOptionsEmpty"));
        f.window->showMinimized();
        QVERIFY(f.window->isMinimized());
        f.Stop();
        QSettings store = test::TestStore();
        QCOMPARE(store.value(QStringLiteral("Settings/MainLeft")).toString(), QStringLiteral("3000"));
        QCOMPARE(store.value(QStringLiteral("Settings/DeleteNonEmpty")).toString(), QStringLiteral("True"));
    }

    void unreadableValuesFallBack_data()
    {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("deleteLocked");
        QTest::addColumn<int>("expectedWidth");
        QTest::addColumn<bool>("expectedLocked");
        QTest::newRow("words") << "wide"
                               << "maybe" << 6500 << true;
        QTest::newRow("empty") << ""
                               << "" << 6500 << true;
        QTest::newRow("valid") << "8000.5"
                               << "false" << 8000 << false;
    }
    void unreadableValuesFallBack()
    {
        QFETCH(QString, width);
        QFETCH(QString, deleteLocked);
        QFETCH(int, expectedWidth);
        QFETCH(bool, expectedLocked);
        {
            QSettings store = test::TestStore();
            store.setValue(QStringLiteral("Settings/MainWidth"), width);
            store.setValue(QStringLiteral("Settings/DeleteLocked"), deleteLocked);
        }
        f.Start();
        QVERIFY(std::abs(f.window->OuterGeometry().width() - Px(expectedWidth)) <= 1);
        QCOMPARE(f.window->DeleteLockedChecked(), expectedLocked);
    }

    void narrowWindowSnapsBack()
    {
        f.frame = QMargins(1, 20, 1, 5);
        f.Start();
        f.SetOuter(f.window->x(), f.window->y(), Px(1000), f.window->OuterGeometry().height());
        QCOMPARE(f.window->OuterGeometry().width(), Px(3000));
    }

    void splitterStaysInItsLimits_data()
    {
        QTest::addColumn<int>("windowWidth");
        QTest::addColumn<double>("asked");
        QTest::addColumn<double>("expected");
        QTest::newRow("too far left") << 9000 << 200.0 << 3000.0;
        QTest::newRow("inside") << 9000 << 4500.0 << 4500.0;
        QTest::newRow("too far right") << 9000 << 8000.0 << 6000.0;
        QTest::newRow("default window, left") << 6500 << 3200.0 << 3200.0;
        QTest::newRow("default window, right") << 6500 << 5000.0 << 3500.0;
        // Narrower than 6000: the upper limit wins.
        QTest::newRow("narrow window") << 5000 << 3500.0 << 2000.0;
    }
    void splitterStaysInItsLimits()
    {
        QFETCH(int, windowWidth);
        QFETCH(double, asked);
        QFETCH(double, expected);
        f.Start();
        f.SetOuter(f.window->x(), f.window->y(), Px(windowWidth), f.window->OuterGeometry().height());
        f.window->SizeControls(asked);
        // Within a pixel: the window's width is a whole number of pixels.
        const double x = f.window->SplitterPosition();
        QVERIFY2(std::abs(x - expected) <= 15, qPrintable(QString::number(x)));
        QCOMPARE(f.window->tvwDB()->width(), Px(x));
        QCOMPARE(f.window->lvwDB()->x(), Px(x + 40));
        QCOMPARE(f.window->lvwDB()->width(), Px(OuterWidth() - (x + 140)));
        QCOMPARE(f.window->lvwDB()->height(), f.window->tvwDB()->height());
    }

    void draggingTheGrip()
    {
        f.Start();
        f.SetOuter(f.window->x(), f.window->y(), Px(9000), f.window->OuterGeometry().height());
        QCOMPARE(f.window->SplitterPosition(), 3000.0); // 1965 at start, raised by the first layout
        QWidget* grip = Grip();
        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 5));
        QVERIFY(DragBar()->isVisible());
        QCOMPARE(DragBar()->x(), grip->x());
        // To 200 twips from the left: the bar stops at 500.
        QTest::mouseMove(grip, QPoint(Px(200) - grip->x(), 5));
        QCOMPARE(DragBar()->x(), Px(500));
        // Far right: the bar stops 500 short of the window's width.
        QTest::mouseMove(grip, QPoint(Px(8900) - grip->x(), 5));
        QCOMPARE(DragBar()->x(), Px(8500));
        QTest::mouseMove(grip, QPoint(Px(200) - grip->x(), 5));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(Px(200) - grip->x(), 5));
        QVERIFY(!DragBar()->isVisible());
        QCOMPARE(f.window->SplitterPosition(), 3000.0);
        // A drag inside the limits moves the splitter there.
        QTest::mousePress(grip, Qt::LeftButton, {}, QPoint(1, 5));
        QTest::mouseMove(grip, QPoint(Px(5000) - grip->x(), 5));
        QTest::mouseRelease(grip, Qt::LeftButton, {}, QPoint(Px(5000) - grip->x(), 5));
        QVERIFY(std::abs(f.window->SplitterPosition() - 5000.0) < 15.0);
    }
};

QTEST_MAIN(ExplorerLayoutTest)
#include "explorer_layout_test.moc"
