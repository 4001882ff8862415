// frmMain: building the tree and the list from the image, the selection they
// carry and the events of the two controls.
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QStatusBar>

#include "explorer/frm_main.h"
#include "image/directory.h"
#include "image/entry_ops.h"
#include "views/directory_tree.h"
#include "views/format.h"

namespace marlin::explorer {

namespace {

// List column widths, twips.
constexpr double kColumnWidths[] = {1200, 700, 500, 1000, 1000, 1000, 1000};
// The pump runs at most this often while a long operation goes on.
constexpr qint64 kPumpIntervalMs = 40;

std::string Latin1(const QString& text)
{
    return text.toLatin1().toStdString();
}

} // namespace

image::Progress frmMain::MakeProgress()
{
    return [this] {
        if (m_pumpTimer.isValid() && m_pumpTimer.elapsed() < kPumpIntervalMs)
            return;
        m_pumpTimer.start();
        // Paint and keep the clock going, but hold back what the user does.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}

void frmMain::RebuildTree()
{
    MakeRootColumns();
    ShowCaption();
    m_filling = true;
    m_currentNode = nullptr;
    m_treeModel->Clear();
    TreeNodeItem* root =
        m_treeModel->SetRoot(QString::fromLatin1(image::GetDirectoryName(m_disc, image::kRoot)), image::kRoot);
    m_currentNode = root;
    {
        // The core walks the directories (bounded against loops in a damaged
        // image); the nodes are made from its result in one go.
        BusyScope busy(*this, QStringLiteral("Reading directories"));
        m_treeModel->AddChildren(root, views::BuildDirectoryTree(m_disc, MakeProgress()));
    }
    m_tvwDB->expandAll();
    m_filling = false;
    tvwDB_NodeClick(root);
    ShowDiscUsage();
}

void frmMain::MakeRootColumns()
{
    m_listModel->SetItems({});
    m_listModel->sort(0, Qt::AscendingOrder);
    m_lvwDB->ShowSort(0, Qt::AscendingOrder);
    // The classic widths at least, and wide enough for the widest text a
    // column can hold in the font in use, so no value is ever cut off.
    const std::array<int, 7> fit = m_lvwDB->WidestCells();
    for (int i = 0; i < 7; ++i)
        m_lvwDB->Details()->setColumnWidth(i, std::max(TwipsToPixels(kColumnWidths[i]), fit[i]));
    m_currentItem = QPersistentModelIndex();
}

void frmMain::GetRootTitles()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_currentItem = QPersistentModelIndex();
    // An unsigned block (or one past the image's end) lists nothing.
    m_listModel->SetItems(m_currentNode ? image::ListEntries(m_disc, m_currentNode->tag)
                                        : std::vector<image::ListedEntry>());
    ShowDiscUsage();
    QApplication::restoreOverrideCursor();
    if (m_listModel->rowCount() > 0) {
        // The first item becomes current without being selected.
        m_lvwDB->Selection()->setCurrentIndex(m_listModel->index(0, 0), QItemSelectionModel::NoUpdate);
        m_currentItem = QPersistentModelIndex(m_listModel->index(0, 0));
        UpdateActions();
    }
}

void frmMain::UpdateActions()
{
    const bool current = m_currentItem.isValid();
    const bool directory = current && m_listModel->Entry(m_currentItem.row()).D;
    for (QAction* fileView : {m_mnuFileViewText, m_mnuFileViewBasic, m_mnuFileViewDis})
        fileView->setEnabled(current && !directory);
    for (QAction* catalogue : {m_mnuFileViewCat, m_mnuFileViewCatAll, m_mnuFileViewEx, m_mnuFileViewExAll})
        catalogue->setEnabled(directory);
}

void frmMain::SetStatus(const QString& text, bool busy)
{
    if (text.isEmpty()) {
        // Only the wait pointers this window set may be taken back.
        if (!m_busy) {
            while (QApplication::overrideCursor())
                QApplication::restoreOverrideCursor();
        }
        m_statusPanel->setText(QStringLiteral("Ready"));
    } else {
        m_statusPanel->setText(busy ? text + QStringLiteral(", please wait...") : text);
    }
    m_statusPanel->repaint();
}

void frmMain::ShowDiscUsage()
{
    SetStatus(QString::fromLatin1(views::DiscUsageText(m_disc)), false);
}

// --- Tree events ----------------------------------------------------------

void frmMain::tvwDB_NodeClick(TreeNodeItem* node)
{
    if (!node)
        return;
    m_currentNode = node;
    const QModelIndex index = m_treeModel->IndexOf(node);
    m_tvwDB->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    GetRootTitles();
    // Children are kept in order by the model; nothing to sort here.
    m_tvwDB->viewport()->update();
}

void frmMain::tvwDB_Expand(TreeNodeItem* node)
{
    if (!node)
        return;
    m_treeModel->SetImage(node, QStringLiteral("open"));
    tvwDB_NodeClick(node);
}

void frmMain::tvwDB_Collapse(TreeNodeItem* node)
{
    if (!node)
        return;
    m_treeModel->SetImage(node, QStringLiteral("closed"));
    tvwDB_NodeClick(node);
}

void frmMain::tvwDB_AfterLabelEdit(TreeNodeItem* node, const QString& newText)
{
    // The root has no holding directory; its label never opens for editing.
    // An edit left as it was is no rename (as in every file manager).
    if (newText.isEmpty() || !node || !node->parent || newText == node->text)
        return;
    const image::SectorAddress holder = node->parent->tag;
    PromptSink sink(*m_prompts, this);
    // The first name a new directory is given belongs to its making.
    const bool join = m_newDirectoryStep && m_newDirectoryStep->directory == node->tag;
    image::Status renamed = image::Status::Refused;
    RunStep(
        QStringLiteral("Rename"),
        [&](image::Disc& disc) {
            renamed =
                image::RenameEntry(disc, Latin1(node->text), Latin1(newText), holder, DeleteLockedChecked(), sink);
        },
        join);
    if (renamed == image::Status::Refused)
        return;
    RebuildTree();
    GetRootTitles();
}

// --- List events -------------------------------------------------------------

void frmMain::lvwDB_ItemClick(const QModelIndex& item)
{
    if (!item.isValid())
        return;
    m_currentItem = QPersistentModelIndex(item.sibling(item.row(), 0));
    UpdateActions();
}

void frmMain::lvwDB_ColumnClick(int column)
{
    // One direction flag for the whole list: every click flips it.
    m_sortFlag = (m_sortFlag == Qt::AscendingOrder) ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_listModel->sort(column, *m_sortFlag);
    m_lvwDB->ShowSort(column, *m_sortFlag);
}

void frmMain::lvwDB_DblClick()
{
    if (!m_currentItem.isValid() || !m_currentNode)
        return;
    const QString text = QString::fromLatin1(m_listModel->Entry(m_currentItem.row()).name);
    for (const auto& child : m_currentNode->children) {
        if (child->text == text) {
            m_tvwDB->expand(m_treeModel->IndexOf(child.get()));
            tvwDB_NodeClick(child.get());
            return;
        }
    }
}

void frmMain::lvwDB_AfterLabelEdit(const QString& newText)
{
    if (newText.isEmpty() || !m_currentItem.isValid())
        return;
    const image::DirEntry item = m_listModel->Entry(m_currentItem.row());
    // An edit left as it was is no rename (as in every file manager).
    if (newText == QString::fromLatin1(item.name))
        return;
    const bool directory = item.D;
    const image::SectorAddress holder = CurrentDirectory();
    PromptSink sink(*m_prompts, this);
    // The label itself never keeps the edit: the list is refilled from the image.
    image::Status renamed = image::Status::Refused;
    RunStep(QStringLiteral("Rename"), [&](image::Disc& disc) {
        renamed = image::RenameEntry(disc, item.name, Latin1(newText), holder, DeleteLockedChecked(), sink);
    });
    if (renamed == image::Status::Refused)
        return;
    if (directory)
        RebuildTree();
    GetRootTitles();
}

} // namespace marlin::explorer
