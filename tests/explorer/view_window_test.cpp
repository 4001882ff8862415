// The view window: text with CR LF lines, find, find next, save, print, close.
#include <QFile>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include "explorer/view_window.h"
#include "image/image_file.h"
#include "scripted_prompts.h"
#include "support/test_disc.h"
#include "views/dumps.h"

#include <QTest>

using namespace marlin;

class ViewWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::ScriptedPrompts> prompts;
    QPointer<explorer::frmView> view;
    std::unique_ptr<QTemporaryDir> tempDir;

    void Click(int position)
    {
        QTextCursor cursor = view->rtbView()->textCursor();
        cursor.setPosition(position);
        view->rtbView()->setTextCursor(cursor);
    }
    int Selected() const { return view->rtbView()->textCursor().selectionStart(); }

private slots:
    void init()
    {
        prompts = std::make_unique<test::ScriptedPrompts>();
        tempDir = std::make_unique<QTemporaryDir>();
        view = new explorer::frmView(*prompts);
        view->show();
        view->AppendText("Dir. Hello\rdir two\r\rthird DIR\r");
        explorer::frmView::FindText().clear();
    }
    void cleanup()
    {
        explorer::frmView::CloseAll();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void startsAsAnEmptyFixedPitchWindow()
    {
        auto* fresh = new explorer::frmView(*prompts);
        QCOMPARE(fresh->windowTitle(), QStringLiteral("View File"));
        QVERIFY(fresh->rtbView()->toPlainText().isEmpty());
        QCOMPARE(fresh->findChild<QAction*>(QStringLiteral("mnuEditFind"))->shortcut(),
                 QKeySequence(Qt::CTRL | Qt::Key_F));
        QCOMPARE(fresh->findChild<QAction*>(QStringLiteral("mnuEditNext"))->shortcut(), QKeySequence(Qt::Key_F3));
        fresh->close();
    }

    void appendedLinesEndInCrLf()
    {
        QCOMPARE(view->Text(), QStringLiteral("Dir. Hello\r\ndir two\r\n\r\nthird DIR\r\n"));
        view->AppendText("more");
        QCOMPARE(view->Text(), QStringLiteral("Dir. Hello\r\ndir two\r\n\r\nthird DIR\r\nmore"));
    }

    void findIgnoresCaseAndNextGoesOn()
    {
        prompts->finds.push_back(QStringLiteral("dir"));
        view->findChild<QAction*>(QStringLiteral("mnuEditFind"))->trigger();
        QCOMPARE(view->FindPos, 0);
        QCOMPARE(view->rtbView()->textCursor().selectedText(), QStringLiteral("Dir"));
        QCOMPARE(explorer::frmView::FindText(), QStringLiteral("dir"));
        auto* next = view->findChild<QAction*>(QStringLiteral("mnuEditNext"));
        next->trigger();
        QCOMPARE(Selected(), 11);
        next->trigger();
        QCOMPARE(view->rtbView()->textCursor().selectedText(), QStringLiteral("DIR"));
        next->trigger(); // past the last: silently stops
        QCOMPARE(view->FindPos, -1);
        next->trigger();
        QCOMPARE(view->FindPos, -1);
        QVERIFY(prompts->messages.isEmpty());
        // A new Find starts from the top and shows the last text again.
        prompts->finds.push_back(QStringLiteral("DIR"));
        view->findChild<QAction*>(QStringLiteral("mnuEditFind"))->trigger();
        QCOMPARE(prompts->findPreset, QStringLiteral("dir"));
        QCOMPARE(view->FindPos, 0);
    }

    void findNextStartsAfterTheCaret()
    {
        explorer::frmView::FindText() = QStringLiteral("dir");
        Click(12); // inside "dir two": the next match is the third line's
        view->findChild<QAction*>(QStringLiteral("mnuEditNext"))->trigger();
        QCOMPARE(view->rtbView()->textCursor().selectedText(), QStringLiteral("DIR"));
        Click(11); // on the "d": Find Next starts one further
        view->findChild<QAction*>(QStringLiteral("mnuEditNext"))->trigger();
        QCOMPARE(view->rtbView()->textCursor().selectedText(), QStringLiteral("DIR"));
    }

    void findMissingTextSaysSo_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("absent") << "zebra";
        QTest::newRow("empty") << "";
    }
    void findMissingTextSaysSo()
    {
        QFETCH(QString, text);
        prompts->finds.push_back(text);
        view->findChild<QAction*>(QStringLiteral("mnuEditFind"))->trigger();
        QCOMPARE(prompts->messages, QStringList{QStringLiteral("Text Not Found")});
        QCOMPARE(view->FindPos, -1);
        view->findChild<QAction*>(QStringLiteral("mnuEditNext"))->trigger();
        QCOMPARE(view->FindPos, -1);
        QVERIFY(!view->rtbView()->textCursor().hasSelection());
    }

    void cancelledFindStopsFindNext()
    {
        explorer::frmView::FindText() = QStringLiteral("dir");
        prompts->finds.push_back(std::nullopt);
        view->findChild<QAction*>(QStringLiteral("mnuEditFind"))->trigger();
        QCOMPARE(view->FindPos, -1);
        view->findChild<QAction*>(QStringLiteral("mnuEditNext"))->trigger();
        QVERIFY(!view->rtbView()->textCursor().hasSelection());
    }

    void saveWritesCrLfAndOneMoreLineEnd()
    {
        view->ViewName = QStringLiteral("$");
        const QString path = tempDir->filePath(QStringLiteral("out.txt"));
        prompts->files.push_back(path);
        view->findChild<QAction*>(QStringLiteral("mnuFileSave"))->trigger();
        QCOMPARE(prompts->lastPresetName, QStringLiteral("$.txt"));
        QCOMPARE(prompts->asked.last(), QStringLiteral("Save File As"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Dir. Hello\r\ndir two\r\n\r\nthird DIR\r\n\r\n"));
    }

    // Regression: Undo did nothing, so a stray key changed what Save and
    // Print write with no way back.
    void typingIsUndoneAndRedoneButNotTheListing()
    {
        const QString shown = view->Text();
        QTest::keyClicks(view->rtbView(), QStringLiteral("xy"));
        const QString typed = view->Text();
        QVERIFY(typed != shown);
        QTest::keyClick(view->rtbView(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->Text(), shown);
        QTest::keyClick(view->rtbView(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view->Text(), typed);
        // The listing itself is no edit: undoing stops at it.
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(view->rtbView(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->Text(), shown);
    }

    // Regression: a no-break space (byte A0) shown in a text view was saved as a space.
    void saveWritesEveryByteAsShown()
    {
        view->AppendText("A\xA0"
                         "B\x7F\xFF");
        const QString path = tempDir->filePath(QStringLiteral("raw.txt"));
        prompts->files.push_back(path);
        view->findChild<QAction*>(QStringLiteral("mnuFileSave"))->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().endsWith(QByteArray("third DIR\r\nA\xA0"
                                                   "B\x7F\xFF\r\n")));
    }

    void saveCancelledOrFailingWritesNothing()
    {
        prompts->files.push_back(std::nullopt);
        prompts->files.push_back(QString());
        prompts->files.push_back(tempDir->filePath(QStringLiteral("no/such/folder/out.txt")));
        for (int i = 0; i < 3; ++i)
            view->findChild<QAction*>(QStringLiteral("mnuFileSave"))->trigger();
        QCOMPARE(QDir(tempDir->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), QStringList());
        QCOMPARE(prompts->messages.size(), 1); // only the file that could not be made
    }

    void printWithoutAPrinterSaysSo()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a printer");
        view->findChild<QAction*>(QStringLiteral("mnuFilePrint"))->trigger();
        QCOMPARE(prompts->messages, QStringList{QStringLiteral("No Printer Available")});
    }

    // The hex dump of a file filling a 64 MB disc: four million lines.
    void aViewOfTheLargestFileOpensAtOnceAndReachesItsEnd()
    {
        image::Disc disc = image::NewDisc(1024);
        const std::uint64_t length = disc.map.runs.front().Length * std::uint64_t{image::kSectorSize};
        std::vector<std::uint8_t> data(length, 0xEA);
        const std::string needle = "Needle";
        const std::uint64_t needleAt = length - 32;
        std::copy(needle.begin(), needle.end(), data.begin() + static_cast<std::ptrdiff_t>(needleAt));
        QVERIFY(test::AddFile(disc, image::kRoot, "BIG", data) >= 0);
        const image::DirEntry entry = test::EntryNamed(disc, image::kRoot, "BIG");
        data = {};

        auto* big = new explorer::frmView(*prompts);
        big->ViewMode = views::ViewMode::Hex;
        big->ShowFile(disc, {entry, {}});
        big->show();
        QVERIFY(QTest::qWaitForWindowActive(big));
        explorer::LinesView* list = big->lstLines();
        QVERIFY(list && !big->rtbView());
        const QString first =
            QStringLiteral("000000 : ") + QStringLiteral("EA ").repeated(16) + QStringLiteral(" ") + QString(16, u'j');
        QCOMPARE(list->RowText(0), first);
        // Shown before the lines are all counted; counting goes on between events.
        const std::uint64_t lines = length / 16;
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

        // Ctrl+Home, then a click on the third line in sight puts the caret there.
        QTest::keyClick(list, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(list->TopRow(), 0u);
        const int rowHeight = list->fontMetrics().lineSpacing();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 2 * rowHeight + rowHeight / 2));
        QCOMPARE(list->CurrentRow(), 2u);

        // Ctrl+F finds the one match, near the end, in any case.
        prompts->finds.push_back(QStringLiteral("NEEDLE"));
        QTest::keyClick(list, Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(prompts->messages, QStringList());
        QCOMPARE(list->CurrentRow(), needleAt / 16);
        QVERIFY(list->TopRow() <= needleAt / 16 && needleAt / 16 < list->TopRow() + list->RowsInSight());
        QVERIFY(list->RowText(list->CurrentRow()).endsWith(QString::fromStdString(needle) + QString(10, u'j')));
        QTest::keyClick(list, Qt::Key_F3); // no further match: it stays
        QCOMPARE(list->CurrentRow(), needleAt / 16);

        // Ctrl+S writes what the tool prints, with CR LF line ends.
        const QString path = tempDir->filePath(QStringLiteral("big.txt"));
        prompts->files.push_back(path);
        QTest::keyClick(list, Qt::Key_S, Qt::ControlModifier);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        struct Compare final : views::TextSink {
            QFile& file;
            bool same = true;
            explicit Compare(QFile& f) : file(f) {}
            void Write(std::string_view text) override
            {
                std::string expected(text);
                for (std::size_t cr = 0; (cr = expected.find('\r', cr)) != std::string::npos; cr += 2)
                    expected.insert(cr + 1, 1, '\n');
                same = same && file.read(static_cast<qint64>(expected.size())) == QByteArray::fromStdString(expected);
            }
        } compare(saved);
        views::ShowHex(disc, views::ItemOf(entry)).lines->WriteTo(compare);
        compare.Write("\r");
        QVERIFY(compare.same);
        QVERIFY(saved.atEnd());
    }

    // Few lines, but too long for the box: read-only rows, saved unbroken.
    void aTextOfLongLinesIsShownInRowsAndSavedWhole()
    {
        image::Disc disc = image::NewDisc(128);
        const std::string bytes = std::string(5 << 20, 'a') + "\rb";
        QVERIFY(test::AddFile(disc, image::kRoot, "LONG", std::vector<std::uint8_t>(bytes.begin(), bytes.end())) >= 0);
        auto* longView = new explorer::frmView(*prompts);
        longView->ViewMode = views::ViewMode::Text;
        longView->ShowFile(disc, {test::EntryNamed(disc, image::kRoot, "LONG"), {}});
        longView->show();
        QVERIFY(QTest::qWaitForWindowActive(longView));
        QVERIFY(!longView->rtbView() && longView->lstLines());
        QCOMPARE(longView->lstLines()->RowText(0), QString(4096, u'a'));
        const QString path = tempDir->filePath(QStringLiteral("long.txt"));
        prompts->files.push_back(path);
        QTest::keyClick(longView->lstLines(), Qt::Key_S, Qt::ControlModifier);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), QByteArray::fromStdString(std::string(5 << 20, 'a') + "\r\nb\r\n"));
    }

    void viewsAreIndependent()
    {
        auto* second = new explorer::frmView(*prompts);
        second->show();
        QCOMPARE(explorer::frmView::OpenViews().size(), 2);
        view->findChild<QAction*>(QStringLiteral("mnuFileClose"))->trigger();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(view.isNull());
        QCOMPARE(explorer::frmView::OpenViews(), QList<explorer::frmView*>{second});
        QVERIFY(second->isVisible());
    }
};

QTEST_MAIN(ViewWindowTest)
#include "view_window_test.moc"
