#pragma once
// Shared steps of the window tests: prompts answered from a script, a fresh
// explorer window with an empty settings store, and ways to drive and look at it.

#include <deque>
#include <memory>
#include <optional>

#include <QAction>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "explorer/frm_main.h"
#include "host/host_files.h"
#include "image/image_file.h"
#include "support/test_disc.h"

namespace marlin::test {

// Each question takes the next queued answer of its kind (cancel when none is
// queued); what the window offered, said and dragged is recorded.
class ScriptedPrompts final : public explorer::Prompts {
public:
    std::deque<std::optional<QString>> files, folders, titles, finds, patterns;
    std::deque<std::optional<explorer::Addresses>> addresses;
    std::deque<std::optional<explorer::AttributeFlags>> attributes;
    std::deque<std::optional<int>> boots;
    std::deque<std::optional<explorer::SaveAnswer>> saves;
    std::deque<std::optional<bool>> confirms;
    QStringList messages;
    // One per question: the name, text or boot option it offered ("RWL" letters for attributes).
    QStringList offered;
    std::vector<std::pair<QWidget*, QStringList>> drags; // each drag's source and the paths it carried

    std::optional<QString> OpenFileName(QWidget*, const QString&, const QString&, const QString& preset) override
    {
        return Ask(files, preset);
    }
    std::optional<QString> SaveFileName(QWidget*, const QString&, const QString&, const QString& preset) override
    {
        return Ask(files, preset);
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString&) override { return Ask(folders, QString()); }
    void Message(QWidget*, const QString& text, explorer::MessageIcon) override { messages << text; }
    bool Confirm(QWidget*, const QString& text) override { return Ask(confirms, text).value_or(false); }
    explorer::SaveAnswer SaveChanges(QWidget*, const QString& text) override
    {
        return Ask(saves, text).value_or(explorer::SaveAnswer::Cancel);
    }
    bool Attributes(QWidget*, explorer::AttributeFlags& flags) override
    {
        const auto answer =
            Ask(attributes, QStringLiteral("%1%2%3").arg(flags.R ? "R" : "", flags.W ? "W" : "", flags.L ? "L" : ""));
        if (answer)
            flags = *answer;
        return answer.has_value();
    }
    std::optional<int> BootOption(QWidget*, int current) override { return Ask(boots, QString::number(current)); }
    std::optional<QString> DirectoryTitle(QWidget*, const QString& current) override { return Ask(titles, current); }
    std::optional<QString> FindText(QWidget*, const QString& current) override { return Ask(finds, current); }
    std::optional<QString> FindPattern(QWidget*, const QString& current) override { return Ask(patterns, current); }
    std::optional<explorer::Addresses> FileAddresses(QWidget*, const explorer::Addresses& current) override
    {
        return Ask(addresses, QStringLiteral("%1 %2").arg(current.load, 0, 16).arg(current.exec, 0, 16));
    }
    void Drag(QWidget* source, std::unique_ptr<QMimeData> data) override
    {
        drags.push_back({source, {}});
        for (const QUrl& url : data->urls())
            drags.back().second << url.toLocalFile();
    }

private:
    template <typename T> std::optional<T> Ask(std::deque<std::optional<T>>& queue, const QString& preset)
    {
        offered << preset;
        if (queue.empty())
            return std::nullopt;
        std::optional<T> answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};

// Each test program keeps its settings and drag folder in a folder of its
// own, so programs running side by side never share them (nor the user's).
inline void IsolateSettings()
{
    static QTemporaryDir folder;
    qputenv("XDG_CONFIG_HOME", (folder.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (folder.path() + QStringLiteral("/cache")).toLocal8Bit());
}

inline QSettings Store()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Marlin Explorer"),
                     QStringLiteral("Marlin Explorer"));
}
// The stored values of the keys given, space-separated.
inline QString Stored(const QString& keys)
{
    QStringList values;
    for (const QString& key : keys.split(QLatin1Char(' ')))
        values << Store().value(QStringLiteral("Settings/") + key).toString();
    return values.join(QLatin1Char(' '));
}

// A table test's rows: each element of rows is a data row tagged by its
// `tag`, and ThisRow gives the current one.
template <typename T, std::size_t N> void AddRows(const T (&rows)[N])
{
    QTest::addColumn<int>("row");
    for (std::size_t i = 0; i < N; ++i)
        QTest::newRow(rows[i].tag) << static_cast<int>(i);
}
template <typename T, std::size_t N> const T& ThisRow(const T (&rows)[N])
{
    QFETCH(int, row);
    return rows[row];
}

struct WindowFixture {
    std::unique_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<explorer::frmMain> window;
    std::unique_ptr<QTemporaryDir> tempDir;
    QMargins frame; // as a window manager would draw it, in place of the platform's; none till framed
    bool framed = true;

    // No window, an empty settings store, and fresh prompts and temporary folder.
    void Reset()
    {
        Stop();
        Store().clear();
        prompts = std::make_unique<ScriptedPrompts>();
        tempDir = std::make_unique<QTemporaryDir>();
        frame = QMargins();
    }
    void Start()
    {
        window = std::make_unique<explorer::frmMain>(prompts.get());
        if (!frame.isNull())
            window->SetFrameMarginsSource([this] { return framed ? frame : QMargins(); });
        window->Form_Load();
    }
    void Stop()
    {
        if (window && !window->History().Stack().isClean())
            prompts->saves.push_front(explorer::SaveAnswer::Discard);
        if (window)
            window->close();
        window.reset();
    }
    QAction* Action(const QString& name) const { return window->findChild<QAction*>(name); }
    // Chooses a menu item or toolbar button by its name.
    void Trigger(const QString& name) const
    {
        QVERIFY2(Action(name), qPrintable(name));
        Action(name)->trigger();
    }
    QString Path(const QString& name) const { return tempDir->filePath(name); }
    // Saves disc to a file and opens it through the Open command.
    void OpenDisc(const image::Disc& disc, const QString& name = QStringLiteral("disc.dat"))
    {
        image::SilentSink sink;
        QVERIFY(host::SaveImage(disc, Path(name).toStdString(), sink) == image::Status::Done);
        prompts->files.push_back(Path(name));
        Trigger(QStringLiteral("mnuDiscOpen"));
    }
    QStringList ListColumn(int column = 0) const
    {
        QStringList texts;
        for (int row = 0; row < window->ListItems()->rowCount(); ++row)
            texts << window->ListItems()->index(row, column).data().toString();
        return texts;
    }
    // The list's names, or a node's children in the tree, as one line.
    QString Listed() const { return ListColumn().join(QLatin1Char(' ')); }
    QString Children(const QString& path = QString()) const
    {
        QStringList names;
        for (const auto& child : Node(path)->children)
            names << child->text;
        return names.join(QLatin1Char(' '));
    }
    // The selected list items' names, in list order.
    QString SelectedNames() const
    {
        QStringList names;
        for (int row : window->SelectedRows())
            names << ListColumn().value(row);
        return names.join(QLatin1Char(' '));
    }
    QModelIndex Item(const QString& name) const { return window->ListItems()->index(ListColumn().indexOf(name), 0); }
    QString ItemText(const QString& name, int column) const { return ListColumn(column).value(Item(name).row()); }
    QString CurrentNodeName() const { return window->CurrentNode() ? window->CurrentNode()->text : QString(); }
    // The tree node at a path below the root such as "GAMES.ARCADE"; null when there is none.
    explorer::TreeNodeItem* Node(const QString& path) const
    {
        explorer::TreeNodeItem* node = window->TreeItems()->Root();
        for (const QString& part : path.split(QLatin1Char('.'), Qt::SkipEmptyParts)) {
            auto child = std::find_if(node->children.begin(), node->children.end(),
                                      [&](const auto& c) { return c->text == part; });
            if (child == node->children.end())
                return nullptr;
            node = child->get();
        }
        return node;
    }
    QModelIndex NodeIndex(const QString& path) const { return window->TreeItems()->IndexOf(Node(path)); }
    // Selects the list items named, space-separated.
    void Select(const QString& names) const
    {
        window->lvwDB()->Selection()->clearSelection();
        for (const QString& name : names.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            window->lvwDB()->Selection()->select(Item(name), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void ClickItem(const QString& name, Qt::KeyboardModifiers keys = {}) const
    {
        QAbstractItemView* view = window->lvwDB()->CurrentView();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, keys, view->visualRect(Item(name)).center());
    }
    void ClickNode(const QString& path) const
    {
        QTest::mouseClick(window->tvwDB()->viewport(), Qt::LeftButton, {},
                          window->tvwDB()->visualRect(NodeIndex(path)).center());
    }
};

// $ with files !BOOT, README (locked) and directories GAMES (holding ARCADE
// and the file ELITE) and UTILS (empty).
inline image::Disc PopulatedDisc()
{
    image::Disc disc = image::NewDisc(64);
    const image::SectorAddress games = MakeDir(disc, image::kRoot, "GAMES");
    MakeDir(disc, image::kRoot, "UTILS");
    MakeDir(disc, games, "ARCADE");
    AddFile(disc, image::kRoot, "!BOOT", Bytes("*RUN ELITE\r"));
    AddFile(disc, image::kRoot, "README", Bytes("Hello\rWorld\r"), 0x1900, 0x1900, "LR");
    AddFile(disc, games, "ELITE", std::vector<std::uint8_t>(600, 0xEA), 0x1100, 0x1100);
    return disc;
}

} // namespace marlin::test
