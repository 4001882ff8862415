// frmMain: repairing the disc, finding files, setting load and execution
// addresses, and the list of recently used discs.
#include <QFileInfo>
#include <QMenu>
#include <QSettings>

#include "explorer/found_window.h"
#include "explorer/frm_main.h"
#include "image/entry_ops.h"
#include "image/find.h"
#include "image/repair.h"
#include "views/line_source.h"

namespace marlin::explorer {

namespace {

constexpr int kRecentDiscs = 8;

QString RecentKey(int i)
{
    return QStringLiteral("Settings/Recent") + QString::number(i + 1);
}

} // namespace

void frmMain::mnuDiscRepair_Click()
{
    // What the repair would change, tried on a copy, shown before the question.
    image::Disc trial = m_disc;
    const image::RepairReport report = image::Repair(trial);
    auto* view = new explorer::frmView(*m_prompts);
    view->setWindowTitle(QStringLiteral("Repair Disc"));
    view->ViewName = QStringLiteral("Repair");
    view->show();
    view->ShowLines(std::make_unique<views::StringLines>(image::RepairText(report)));
    m_lastView = view;
    // Asked over the list, so the list stays in sight while the question is open.
    if (report.changes.empty() || !m_prompts->Confirm(view, QStringLiteral("Repair Disc?")))
        return;
    RunStep(QStringLiteral("Repair Disc"), [](image::Disc& disc) { (void)image::Repair(disc); });
    RebuildTree();
}

void frmMain::mnuDiscFind_Click()
{
    const auto pattern = m_prompts->FindPattern(this, m_findPattern);
    if (!pattern || pattern->isEmpty())
        return;
    m_findPattern = *pattern;
    std::vector<image::FoundEntry> found;
    {
        BusyScope busy(*this, QStringLiteral("Finding files"));
        found = image::FindEntries(m_disc, pattern->toLatin1().toStdString(), image::kRoot, "$", MakeProgress());
    }
    ShowDiscUsage();
    if (found.empty()) {
        m_prompts->Message(this, QStringLiteral("No Files Found"));
        return;
    }
    auto* results = new frmFound(*pattern, std::move(found), this);
    connect(results, &frmFound::entryChosen, this, &frmMain::ShowEntry);
    results->show();
    m_lastFound = results;
}

void frmMain::ShowEntry(const image::ListedEntry& listed)
{
    TreeNodeItem* node = m_treeModel->Find(listed.dir);
    if (!node)
        return;
    m_tvwDB->scrollTo(m_treeModel->IndexOf(node));
    tvwDB_NodeClick(node);
    for (int row = 0; row < m_listModel->rowCount(); ++row) {
        if (m_listModel->Item(row).slot != listed.slot)
            continue;
        const QModelIndex index = m_listModel->index(row, 0);
        m_lvwDB->Selection()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_lvwDB->CurrentView()->scrollTo(index);
        lvwDB_ItemClick(index);
        break;
    }
    activateWindow();
    raise();
}

void frmMain::mnuFileAddresses_Click()
{
    if (!m_currentItem.isValid())
        return;
    const image::DirEntry& current = m_listModel->Entry(m_currentItem.row());
    const auto chosen = m_prompts->FileAddresses(this, {current.load, current.exec});
    if (!chosen)
        return;
    const image::SectorAddress dir = CurrentDirectory();
    std::vector<std::string> names;
    for (int row : SelectedRows())
        names.push_back(m_listModel->Entry(row).name);
    if (names.empty())
        names.push_back(current.name);
    PromptSink sink(*m_prompts, this);
    RunStep(QStringLiteral("Set Addresses"), [&](image::Disc& disc) {
        // As with Delete, the first refusal (a directory) ends the batch.
        for (const auto& name : names) {
            if (image::SetAddresses(disc, dir, name, chosen->load, chosen->exec, sink) == image::Status::Refused)
                break;
        }
    });
    GetRootTitles();
}

QStringList frmMain::RecentDiscs() const
{
    QSettings settings = SettingsStore();
    QStringList paths;
    for (int i = 0; i < kRecentDiscs; ++i) {
        const QString path = settings.value(RecentKey(i)).toString();
        if (!path.isEmpty())
            paths << path;
    }
    return paths;
}

void frmMain::StoreRecentDiscs(QStringList paths) const
{
    QSettings settings = SettingsStore();
    paths = paths.mid(0, kRecentDiscs);
    for (int i = 0; i < kRecentDiscs; ++i) {
        if (i < paths.size())
            settings.setValue(RecentKey(i), paths[i]);
        else
            settings.remove(RecentKey(i));
    }
}

void frmMain::RememberRecentDisc(const QString& path)
{
    const QString full = QFileInfo(path).absoluteFilePath();
    QStringList paths = RecentDiscs();
    paths.removeAll(full);
    paths.prepend(full);
    StoreRecentDiscs(paths);
    // A disabled submenu never opens, so it is filled now, not when shown.
    FillRecentDiscs();
}

void frmMain::FillRecentDiscs()
{
    m_mnuDiscRecent->clear();
    const QStringList paths = RecentDiscs();
    for (int i = 0; i < paths.size(); ++i) {
        QAction* item = m_mnuDiscRecent->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(paths[i]));
        item->setObjectName(QStringLiteral("mnuDiscRecent") + QString::number(i + 1));
        Command(item, [this, path = paths[i]] { OpenRecentDisc(path); });
    }
    m_mnuDiscRecent->setEnabled(!paths.isEmpty());
}

void frmMain::OpenRecentDisc(const QString& path)
{
    if (!QFileInfo::exists(path)) {
        QStringList paths = RecentDiscs();
        paths.removeAll(path);
        StoreRecentDiscs(paths);
        FillRecentDiscs();
        m_prompts->Message(this, QStringLiteral("File Not Found : ") + path);
        return;
    }
    if (MaySetAside())
        OpenImageFile(path);
}

} // namespace marlin::explorer
