#pragma once
// Shared steps of the window tests: a fresh explorer window on a blank disc
// with scripted prompts and an empty settings store, and ways to look at it.

#include <memory>

#include <QAction>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "explorer/frm_main.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"
#include "scripted_prompts.h"
#include "support/test_disc.h"
#include "views/format.h"

namespace marlin::test {

// Each test program keeps its settings and its drag folder (emptied by every
// window made) in a folder of its own, so programs running side by side never
// share them (and never touch the user's).
inline void IsolateSettings()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", (folder.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (folder.path() + QStringLiteral("/cache")).toLocal8Bit());
}

inline QSettings TestStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Marlin Explorer"),
                     QStringLiteral("Marlin Explorer"));
}

inline void ClearStore()
{
    QSettings settings = TestStore();
    settings.clear();
    settings.sync();
}

struct WindowFixture {
    std::unique_ptr<ScriptedPrompts> prompts = std::make_unique<ScriptedPrompts>();
    std::unique_ptr<explorer::frmMain> window;
    std::unique_ptr<QTemporaryDir> tempDir = std::make_unique<QTemporaryDir>();

    // A fresh prompt script, temporary folder and settings store for the next test.
    void Reset()
    {
        ClearStore();
        prompts = std::make_unique<ScriptedPrompts>();
        tempDir = std::make_unique<QTemporaryDir>();
        frame = QMargins();
        framed = true;
    }
    // A frame as a window manager would draw it around the window, in place
    // of the platform's own; framed false: not known yet, as before a window
    // manager has framed the window.
    QMargins frame;
    bool framed = true;

    void Start()
    {
        window = std::make_unique<explorer::frmMain>(prompts.get());
        if (!frame.isNull())
            window->SetFrameMarginsSource([this] { return framed ? frame : QMargins(); });
        window->Form_Load();
    }
    void Stop()
    {
        if (window)
            window->close();
        window.reset();
    }
    // Moves and sizes the window as a user would, to this outer rectangle in pixels.
    void SetOuter(int left, int top, int width, int height) const
    {
        window->setGeometry(QRect(left, top, width, height).marginsRemoved(window->FrameMargins()));
    }
    QAction* Action(const char* name) const { return window->findChild<QAction*>(QString::fromLatin1(name)); }
    // Triggers a menu item or toolbar button by its name; false when it does not exist.
    bool Trigger(const char* name) const
    {
        QAction* action = Action(name);
        if (!action)
            return false;
        action->trigger();
        return true;
    }
    QString Path(const char* name) const { return tempDir->filePath(QString::fromLatin1(name)); }
    // Saves disc to a file and opens it through the Open command.
    void OpenDisc(const image::Disc& disc, const char* name = "disc.dat")
    {
        image::SilentSink sink;
        QVERIFY(image::SaveImage(disc, Path(name).toStdString(), sink) == image::Status::Done);
        prompts->files.push_back(Path(name));
        QVERIFY(Trigger("mnuDiscOpen"));
    }
    QStringList ListColumn(int column = 0) const
    {
        QStringList texts;
        const auto* model = window->ListItems();
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->index(row, column).data().toString();
        return texts;
    }
    int Row(const QString& name) const { return static_cast<int>(ListColumn().indexOf(name)); }
    QString CurrentItemName() const
    {
        const auto item = window->CurrentItem();
        return item.isValid() ? item.data().toString() : QString();
    }
    QString CurrentNodeName() const { return window->CurrentNode() ? window->CurrentNode()->text : QString(); }
    explorer::TreeNodeItem* Child(explorer::TreeNodeItem* node, const QString& text) const
    {
        for (const auto& child : node->children) {
            if (child->text == text)
                return child.get();
        }
        return nullptr;
    }
    void SelectRows(const QList<int>& rows) const
    {
        auto* selection = window->lvwDB()->Selection();
        selection->clearSelection();
        for (int row : rows)
            selection->select(window->ListItems()->index(row, 0),
                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    // Clicks a list item in the details view, as a user would.
    void ClickItem(int row) const
    {
        auto* view = window->lvwDB()->Details();
        const QRect rect = view->visualRect(window->ListItems()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
    void ClickNode(explorer::TreeNodeItem* node) const
    {
        auto* view = window->tvwDB();
        const QRect rect = view->visualRect(window->TreeItems()->IndexOf(node));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    }
};

// $ with files !BOOT, README (locked) and directories GAMES (holding ARCADE
// and the file ELITE) and UTILS (empty).
inline image::Disc PopulatedDisc()
{
    image::Disc disc = image::NewDisc(64);
    image::SilentSink sink;
    const auto games = image::CreateDirectory(disc, image::kRoot, "GAMES", sink);
    (void)image::CreateDirectory(disc, image::kRoot, "UTILS", sink);
    (void)image::CreateDirectory(disc, *games, "ARCADE", sink);
    AddFile(disc, image::kRoot, "!BOOT", Bytes("*RUN ELITE\r"), 0, 0, "WR");
    AddFile(disc, image::kRoot, "README", Bytes("Hello\rWorld\r"), 0x1900, 0x1900, "LR");
    AddFile(disc, *games, "ELITE", std::vector<std::uint8_t>(600, 0xEA), 0x1100, 0x1100, "WR");
    return disc;
}

} // namespace marlin::test
