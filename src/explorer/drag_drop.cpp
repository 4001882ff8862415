#include "explorer/drag_drop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "explorer/frm_main.h"
#include "host/import.h"

namespace marlin::explorer {

DragDrop::DragDrop(frmMain& window) : QObject(&window), m_window(window), m_state(host::NewDragState())
{
    host::ClearDragFolder(m_state);

    connect(window.tvwDB(), &DirectoryTreeView::dragStartRequested, this, &DragDrop::StartTreeDrag);
    connect(window.lvwDB(), &FileListView::dragStartRequested, this, &DragDrop::StartListDrag);
    // Drops are taken at the viewports, before the item views' own handling
    // (which would try to move rows): every drop of host items is an import.
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(window.tvwDB()), static_cast<QAbstractItemView*>(window.lvwDB()->Details()),
          static_cast<QAbstractItemView*>(window.lvwDB()->Icons())}) {
        view->setAcceptDrops(true);
        view->viewport()->setAcceptDrops(true);
        view->viewport()->installEventFilter(this);
    }
}

bool DragDrop::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        if (drag->mimeData()->hasUrls()) {
            drag->setDropAction(Qt::CopyAction);
            drag->accept();
        } else {
            drag->ignore();
        }
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        drop->setDropAction(Qt::CopyAction);
        drop->accept();
        DropHostFiles(drop->mimeData());
        return true;
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

void DragDrop::DropHostFiles(const QMimeData* data)
{
    if (!data || !data->hasUrls())
        return;
    QStringList paths;
    for (const QUrl& url : data->urls()) {
        // Only the host's own files can be imported; other URLs are not paths.
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    DropHostPaths(paths);
}

void DragDrop::DropHostPaths(const QStringList& paths)
{
    if (!m_window.CurrentNode() || paths.isEmpty())
        return;
    std::vector<std::filesystem::path> hostPaths;
    for (const QString& p : paths)
        hostPaths.emplace_back(p.toStdString());
    host::DropResult result;
    {
        BusyScope busy(m_window, QStringLiteral("Importing"));
        PromptSink sink(m_window.UserPrompts(), &m_window);
        // One step per drop, however far it got.
        m_window.RunStep(QStringLiteral("Import"), [&](image::Disc& disc) {
            result = host::DropHostFiles(disc, m_window.CurrentNode()->tag, hostPaths, sink, m_window.MakeProgress());
        });
    }
    if (result.sawFolder)
        m_window.RebuildTree();
    m_window.GetRootTitles();
}

std::unique_ptr<QMimeData> DragDrop::Wrap(const image::Result<std::vector<std::filesystem::path>>& paths) const
{
    if (paths.Refused())
        return nullptr;
    QList<QUrl> urls;
    for (const auto& p : *paths)
        urls << QUrl::fromLocalFile(QString::fromStdString(p.string()));
    auto data = std::make_unique<QMimeData>();
    if (!urls.isEmpty())
        data->setUrls(urls);
    return data;
}

std::unique_ptr<QMimeData> DragDrop::StageListDrag()
{
    std::vector<image::DirEntry> selected;
    for (int row : m_window.SelectedRows())
        selected.push_back(m_window.ListItems()->Entry(row));
    BusyScope busy(m_window, QString());
    PromptSink sink(m_window.UserPrompts(), &m_window);
    return Wrap(host::StageListDrag(m_window.CurrentDisc(), m_state, selected, sink, m_window.MakeProgress()));
}

std::unique_ptr<QMimeData> DragDrop::StageTreeDrag()
{
    const TreeNodeItem* node = m_window.CurrentNode();
    if (!node)
        return nullptr;
    if (node->tag == image::kRoot) {
        // The root drags every entry of the list, which shows the root.
        QItemSelectionModel* selection = m_window.lvwDB()->Selection();
        const int rows = m_window.ListItems()->rowCount();
        if (rows > 0)
            selection->select(
                QItemSelection(m_window.ListItems()->index(0, 0), m_window.ListItems()->index(rows - 1, 0)),
                QItemSelectionModel::Select | QItemSelectionModel::Rows);
        auto data = StageListDrag();
        selection->clearSelection();
        return data;
    }
    BusyScope busy(m_window, QString());
    PromptSink sink(m_window.UserPrompts(), &m_window);
    return Wrap(host::StageTreeDrag(m_window.CurrentDisc(), m_state, node->tag, node->text.toStdString(), sink,
                                    m_window.MakeProgress()));
}

void DragDrop::StartDrag(QWidget* source, std::unique_ptr<QMimeData> data)
{
    if (!data || !data->hasUrls())
        return;
    m_window.UserPrompts().Drag(source, std::move(data));
}

void DragDrop::StartListDrag()
{
    StartDrag(m_window.lvwDB()->CurrentView(), StageListDrag());
}

void DragDrop::StartTreeDrag()
{
    StartDrag(m_window.tvwDB(), StageTreeDrag());
}

} // namespace marlin::explorer
