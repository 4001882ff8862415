// frmMain: the commands of the menus and the toolbar. Each reads the
// selection, calls the core, lets the core's refusals show through the
// prompts, and refreshes what changed.
#include <QFileInfo>
#include <QSettings>

#include "explorer/frm_main.h"
#include "explorer/view_window.h"
#include "host/export.h"
#include "host/host_files.h"
#include "image/check.h"
#include "image/compaction.h"
#include "image/deletion.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "image/image_file.h"

namespace marlin::explorer {

namespace {

std::string Latin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

const QString kDiscFilter = QStringLiteral("Marlin Disc (*.dat)|*.dat");

} // namespace

image::SectorAddress frmMain::CurrentDirectory() const
{
    return m_currentNode ? m_currentNode->tag : image::kRoot;
}

QList<int> frmMain::SelectedRows() const
{
    // List order, as the multi-item commands walk the items. An item is
    // selected by its name: the icon and list modes select that cell only.
    QList<int> rows;
    for (int row = 0; row < m_listModel->rowCount(); ++row) {
        if (m_lvwDB->Selection()->isSelected(m_listModel->index(row, 0)))
            rows.append(row);
    }
    return rows;
}

views::ViewSource frmMain::Source() const
{
    views::ViewSource source;
    if (m_currentItem.isValid())
        source.item = m_listModel->Entry(m_currentItem.row());
    if (m_currentNode)
        source.node = m_currentNode->tag;
    return source;
}

void frmMain::OpenView(views::ViewMode mode)
{
    const bool needsNode = views::ViewNeedsNode(mode);
    const bool needsItem = views::ViewNeedsItem(mode);
    if ((needsItem && !m_currentItem.isValid()) || (needsNode && !m_currentNode))
        return;
    // Views are independent top-level windows; the explorer remembers the newest only.
    auto* view = new explorer::frmView(*m_prompts);
    view->ViewMode = mode;
    view->show();
    view->ShowFile(m_disc, Source());
    m_lastView = view;
}

void frmMain::RunStep(const QString& name, const std::function<void(image::Disc&)>& work, bool join)
{
    m_history->Record(
        name, [&] { work(m_disc); }, join);
}

bool frmMain::MaySetAside()
{
    if (m_history->Stack().isClean())
        return true;
    switch (m_prompts->SaveChanges(this, QStringLiteral("Save changes to ") + m_imageFileName + QLatin1Char('?'))) {
    case SaveAnswer::Save:
        return SaveDisc();
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Cancel:
        break;
    }
    return false;
}

void frmMain::ShowCaption()
{
    // "[*]" is where the unsaved mark goes; a name holding it is escaped.
    QString name = m_imageFileName;
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QString::fromLatin1(kProgramTitle) + QStringLiteral(" - ") + name + QStringLiteral("[*]"));
    setWindowModified(!m_history->Stack().isClean());
}

void frmMain::ShowUndoneStep()
{
    const image::SectorAddress shown = CurrentDirectory();
    RebuildTree();
    TreeNodeItem* node = m_treeModel->Find(shown);
    if (node && node != m_currentNode)
        tvwDB_NodeClick(node);
}

void frmMain::mnuEditUndo_Click()
{
    m_history->Stack().undo();
}

void frmMain::mnuEditRedo_Click()
{
    m_history->Stack().redo();
}

void frmMain::NewDiscOfSize(int units)
{
    if (!MaySetAside())
        return;
    ShowDisc(image::NewDisc(units), QStringLiteral("NewDisc.dat"));
}

void frmMain::ShowDisc(image::Disc disc, const QString& name)
{
    m_imageFileName = name;
    m_disc = std::move(disc);
    m_history->Clear();
    RebuildTree();
}

void frmMain::mnuDiscOpen_Click()
{
    if (!MaySetAside())
        return;
    const auto path = m_prompts->OpenFileName(this, QStringLiteral("Open Marlin Disc Image"), kDiscFilter, QString());
    if (!path || path->isEmpty())
        return;
    OpenImageFile(*path);
}

void frmMain::OpenImageFile(const QString& path)
{
    PromptSink sink(*m_prompts, this);
    auto opened = image::OpenImage(path.toStdString(), sink);
    // A missing file or one that is not an image keeps the current one; the
    // core has said why.
    if (opened.Refused())
        return;
    SettingsStore().setValue(QStringLiteral("Settings/Root"), path);
    RememberRecentDisc(path);
    ShowDisc(std::move(*opened), path);
}

void frmMain::mnuDiscSave_Click()
{
    (void)SaveDisc();
}

bool frmMain::SaveDisc()
{
    const auto path =
        m_prompts->SaveFileName(this, QStringLiteral("Save Marlin Disc Image As"), kDiscFilter, m_imageFileName);
    if (!path || path->isEmpty())
        return false;
    PromptSink sink(*m_prompts, this);
    // A refused save leaves the old file and the old name; the core has said why.
    if (host::SaveImage(m_disc, path->toStdString(), sink) == image::Status::Refused)
        return false;
    m_imageFileName = *path;
    RememberRecentDisc(*path);
    m_history->Clear();
    ShowCaption();
    return true;
}

void frmMain::tbSave_Click()
{
    // The menu item is always enabled, so the button always saves.
    mnuDiscSave_Click();
}

void frmMain::mnuDiscBoot_Click()
{
    const int current = m_disc.At(image::map::kBootOption) & 3;
    const auto chosen = m_prompts->BootOption(this, current);
    if (chosen)
        RunStep(QStringLiteral("Set Boot Option"),
                [&](image::Disc& disc) { image::SetBootOption(disc, static_cast<std::uint8_t>(*chosen & 3)); });
}

void frmMain::mnuDiscCompact_Click()
{
    PromptSink sink(*m_prompts, this);
    {
        BusyScope busy(*this, QStringLiteral("Compacting"));
        // A refusal has been shown and the image is unchanged; the rebuild is harmless.
        RunStep(QStringLiteral("Compact Disc"),
                [&](image::Disc& disc) { (void)image::CompactDisc(disc, sink, MakeProgress()); });
    }
    RebuildTree();
}

void frmMain::mnuDirectoryNew_Click()
{
    if (!m_currentNode)
        return;
    PromptSink sink(*m_prompts, this);
    image::Result<image::SectorAddress> sector = image::SectorAddress{};
    RunStep(QStringLiteral("New Directory"),
            [&](image::Disc& disc) { sector = image::CreateDirectory(disc, m_currentNode->tag, "NewFolder", sink); });
    if (sector.Refused())
        return;
    m_newDirectoryStep = NewDirectoryStep{*sector, m_history->Stack().index()};
    TreeNodeItem* parent = m_currentNode;
    TreeNodeItem* node = m_treeModel->AddChild(parent, QStringLiteral("NewFolder"), *sector);
    m_treeModel->SetImage(parent, QStringLiteral("open"));
    const QModelIndex index = m_treeModel->IndexOf(node);
    m_filling = true;
    m_tvwDB->expand(m_treeModel->IndexOf(parent));
    m_tvwDB->expand(index);
    m_filling = false;
    tvwDB_NodeClick(node);
    // The user types the wanted name at once.
    m_tvwDB->setFocus();
    m_tvwDB->edit(index);
}

void frmMain::mnuDirectoryDelete_Click()
{
    if (!m_currentNode)
        return;
    const image::SectorAddress dir = m_currentNode->tag;
    std::optional<image::SectorAddress> parent;
    if (m_currentNode->parent)
        parent = m_currentNode->parent->tag;
    PromptSink sink(*m_prompts, this);
    {
        BusyScope busy(*this, QStringLiteral("Deleting"));
        RunStep(QStringLiteral("Delete Directory"), [&](image::Disc& disc) {
            (void)image::DeleteDirectory(disc, parent, dir, Latin1(m_currentNode->text), DeleteLockedChecked(),
                                         DeleteNonEmptyChecked(), sink, MakeProgress());
        });
    }
    // Rebuilt whether or not the deletion went through.
    RebuildTree();
    GetRootTitles();
}

void frmMain::mnuDirectoryRename_Click()
{
    if (!m_currentNode)
        return;
    const QModelIndex index = m_treeModel->IndexOf(m_currentNode);
    // The root refuses the edit (its label is not editable).
    m_tvwDB->setFocus();
    m_tvwDB->edit(index);
}

void frmMain::mnuDirectoryExport_Click()
{
    if (!m_currentNode)
        return;
    const auto folder = m_prompts->ChooseFolder(this, QStringLiteral("Select destination for export"));
    if (!folder)
        return;
    const image::SectorAddress dir = m_currentNode->tag;
    PromptSink sink(*m_prompts, this);
    host::Salvage salvage;
    {
        BusyScope busy(*this, QStringLiteral("Exporting"));
        // A damaged disc is exported as far as it can be read, and logged.
        const bool damaged = !image::Check(m_disc).empty();
        for (const TreeNodeItem* n = m_currentNode; n->parent; n = n->parent)
            salvage.path.insert(1, "." + Latin1(n->text));
        // A host failure has been shown; what was written stays.
        (void)host::ExportFiles(m_disc, folder->toStdString(), dir, sink, MakeProgress(), damaged ? &salvage : nullptr);
    }
    if (salvage.incomplete)
        m_prompts->Message(this, "Some entries could not be exported whole; see salvage.log in " + *folder);
    ShowDiscUsage();
}

void frmMain::mnuDirectoryTitle_Click()
{
    if (!m_currentNode)
        return;
    const image::SectorAddress dir = m_currentNode->tag;
    const auto title = m_prompts->DirectoryTitle(this, QString::fromLatin1(image::GetDirectoryTitle(m_disc, dir)));
    if (!title)
        return;
    PromptSink sink(*m_prompts, this);
    // A refused title has been shown; the old one stays. Titles show only in listings.
    RunStep(QStringLiteral("Set Title"),
            [&](image::Disc& disc) { (void)image::SetDirectoryTitle(disc, dir, Latin1(*title), sink); });
}

void frmMain::mnuFileSelectAll_Click()
{
    if (m_listModel->rowCount() == 0)
        return;
    m_lvwDB->CurrentView()->selectAll();
    m_lvwDB->Selection()->setCurrentIndex(m_listModel->index(0, 0), QItemSelectionModel::NoUpdate);
    m_currentItem = QPersistentModelIndex(m_listModel->index(0, 0));
    UpdateActions();
    m_lvwDB->CurrentView()->setFocus();
    m_lvwDB->CurrentView()->viewport()->update();
}

void frmMain::mnuFileAttributes_Click()
{
    if (!m_currentItem.isValid())
        return;
    const image::DirEntry& current = m_listModel->Entry(m_currentItem.row());
    AttributeFlags flags{current.R, current.W, current.L};
    if (!m_prompts->Attributes(this, flags))
        return;
    const image::SectorAddress dir = CurrentDirectory();
    // Names first: the list is refilled afterwards, not while it is walked.
    std::vector<std::string> names;
    for (int row : SelectedRows())
        names.push_back(m_listModel->Entry(row).name);
    RunStep(QStringLiteral("Set Attributes"), [&](image::Disc& disc) {
        for (const auto& name : names)
            (void)image::SetAttributes(disc, dir, name, flags.R, flags.W, flags.L);
    });
    GetRootTitles();
}

void frmMain::mnuFileDelete_Click()
{
    const image::SectorAddress dir = CurrentDirectory();
    if (!m_currentItem.isValid())
        return;
    std::vector<image::DirEntry> items;
    for (int row : SelectedRows())
        items.push_back(m_listModel->Entry(row));
    PromptSink sink(*m_prompts, this);
    bool directoryGone = false;
    {
        BusyScope busy(*this, QStringLiteral("Deleting"));
        // One step, also when a refusal stops the batch: what went before it
        // is deleted and comes back together.
        RunStep(QStringLiteral("Delete"), [&](image::Disc& disc) {
            for (const image::DirEntry& item : items) {
                image::Status deleted = image::Status::Done;
                if (!item.D) {
                    deleted = image::DeleteEntry(disc, dir, item.name, false, DeleteLockedChecked(), sink);
                } else {
                    deleted = image::DeleteDirectory(disc, dir, item.start, item.name, DeleteLockedChecked(),
                                                     DeleteNonEmptyChecked(), sink, MakeProgress());
                    directoryGone = directoryGone || deleted == image::Status::Done;
                }
                if (deleted == image::Status::Refused)
                    break;
            }
        });
    }
    if (directoryGone)
        RebuildTree();
    GetRootTitles();
}

void frmMain::mnuFileRename_Click()
{
    if (!m_currentItem.isValid())
        return;
    m_lvwDB->EditItem(m_currentItem);
}

void frmMain::mnuFileExport_Click()
{
    const auto folder = m_prompts->ChooseFolder(this, QStringLiteral("Select destination for file"));
    if (!folder)
        return;
    std::vector<image::DirEntry> items;
    for (int row : SelectedRows())
        items.push_back(m_listModel->Entry(row));
    PromptSink sink(*m_prompts, this);
    host::Salvage salvage;
    {
        BusyScope busy(*this, QStringLiteral("Exporting"));
        // A damaged disc is exported as far as it can be read, and logged.
        const bool damaged = !image::Check(m_disc).empty();
        for (const TreeNodeItem* n = m_currentNode; n && n->parent; n = n->parent)
            salvage.path.insert(1, "." + Latin1(n->text));
        // A host failure has been shown; what was written stays.
        (void)host::ExportListItems(m_disc, folder->toStdString(), items, sink, MakeProgress(), nullptr,
                                    damaged ? &salvage : nullptr);
    }
    if (salvage.incomplete)
        m_prompts->Message(this, "Some entries could not be exported whole; see salvage.log in " + *folder);
    ShowDiscUsage();
}

void frmMain::tbUpOneLevel_Click()
{
    if (m_currentNode && m_currentNode->parent)
        tvwDB_NodeClick(m_currentNode->parent);
}

} // namespace marlin::explorer
