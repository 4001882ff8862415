#include "explorer/explorer_views.h"

#include <QHeaderView>

#include "explorer/list_model.h"

namespace marlin::explorer {

DirectoryTreeView::DirectoryTreeView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("tvwDB"));
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Labels are edited only on request (Rename Directory..., New Directory...).
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit contextMenuAt(viewport()->mapToGlobal(pos)); });
}

void DirectoryTreeView::startDrag(Qt::DropActions)
{
    emit dragStartRequested();
}

FileDetailsView::FileDetailsView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("lvwDBDetails"));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setAllColumnsShowFocus(true);
}

void FileDetailsView::startDrag(Qt::DropActions)
{
    emit dragStartRequested();
}

FileIconsView::FileIconsView(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("lvwDBIcons"));
}

void FileIconsView::startDrag(Qt::DropActions)
{
    emit dragStartRequested();
}

FileListView::FileListView(ListModel* model, QWidget* parent)
    : QStackedWidget(parent), m_model(model), m_details(new FileDetailsView(this)), m_icons(new FileIconsView(this))
{
    setObjectName(QStringLiteral("lvwDB"));
    m_details->setModel(model);
    m_icons->setModel(model);
    // One selection for every view mode.
    m_icons->setSelectionModel(m_details->selectionModel());
    m_icons->setModelColumn(0);
    m_details->header()->setSectionsClickable(true);
    m_details->header()->setSortIndicatorShown(true);
    m_details->header()->setStretchLastSection(false);
    for (QAbstractItemView* view :
         {static_cast<QAbstractItemView*>(m_details), static_cast<QAbstractItemView*>(m_icons)}) {
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::EditKeyPressed);
        view->setDragEnabled(true);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QAbstractItemView::clicked, this, &FileListView::itemClicked);
        connect(view, &QAbstractItemView::doubleClicked, this, &FileListView::itemDoubleClicked);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view](const QPoint& pos) { emit contextMenuAt(view->viewport()->mapToGlobal(pos)); });
    }
    connect(m_details, &FileDetailsView::dragStartRequested, this, &FileListView::dragStartRequested);
    connect(m_icons, &FileIconsView::dragStartRequested, this, &FileListView::dragStartRequested);
    connect(m_details->header(), &QHeaderView::sectionClicked, this, &FileListView::columnClicked);
    addWidget(m_details);
    addWidget(m_icons);
    SetMode(Mode::Details);
}

QAbstractItemView* FileListView::CurrentView() const
{
    if (m_mode == Mode::Details)
        return m_details;
    return m_icons;
}

void FileListView::SetMode(Mode mode)
{
    m_mode = mode;
    m_model->SetLargeIcons(mode == Mode::LargeIcons);
    switch (mode) {
    case Mode::Details:
        setCurrentWidget(m_details);
        return;
    case Mode::LargeIcons:
        m_icons->setViewMode(QListView::IconMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(32, 32));
        m_icons->setGridSize(QSize(88, 64));
        break;
    case Mode::SmallIcons:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(120, 20));
        break;
    case Mode::List:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setIconSize(QSize(16, 16));
        m_icons->setGridSize(QSize(120, 20));
        break;
    }
    // The icon view's own setViewMode resets these; all modes wrap and reflow.
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    setCurrentWidget(m_icons);
}

void FileListView::EditItem(const QModelIndex& index)
{
    QAbstractItemView* view = CurrentView();
    view->setFocus();
    // Make it current without touching which items are selected.
    view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->edit(index);
}

void FileListView::ShowSort(int column, Qt::SortOrder order)
{
    m_details->header()->setSortIndicator(column, order);
}

} // namespace marlin::explorer
