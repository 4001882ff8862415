#include "explorer/explorer_views.h"

#include <QHeaderView>

#include "explorer/list_model.h"

namespace marlin::explorer {

namespace {

// The character of chars that the font draws widest.
QChar WidestOf(const QFontMetrics& metrics, QStringView chars)
{
    QChar widest = chars.front();
    for (const QChar c : chars) {
        if (metrics.horizontalAdvance(c) > metrics.horizontalAdvance(widest))
            widest = c;
    }
    return widest;
}

// The widest name an entry can have: ten of the widest printable characters.
QString WidestName(const QFontMetrics& metrics)
{
    QString printable;
    for (char c = ' '; c <= '~'; ++c)
        printable += QLatin1Char(c);
    return QString(10, WidestOf(metrics, printable));
}

} // namespace

DirectoryTreeView::DirectoryTreeView(QWidget* parent) : QTreeView(parent)
{
    setObjectName(QStringLiteral("tvwDB"));
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Labels are edited only on request (Rename Directory..., New Directory...).
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Pressing on a node and moving drags that directory out, never sweeps the
    // selection over other nodes.
    setDragEnabled(true);
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

int FileDetailsView::CellWidth(const QString& text, bool decorated) const
{
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.text = text;
    option.features |= QStyleOptionViewItem::HasDisplay;
    if (decorated)
        option.features |= QStyleOptionViewItem::HasDecoration;
    return style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
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
    // One selection for every view mode, always of whole items.
    m_icons->setSelectionModel(m_details->selectionModel());
    m_icons->setSelectionBehavior(QAbstractItemView::SelectRows);
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
        break;
    case Mode::SmallIcons:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::LeftToRight);
        m_icons->setIconSize(QSize(16, 16));
        break;
    case Mode::List:
        m_icons->setViewMode(QListView::ListMode);
        m_icons->setFlow(QListView::TopToBottom);
        m_icons->setIconSize(QSize(16, 16));
        break;
    }
    // The icon view's own setViewMode resets these; all modes wrap and reflow.
    m_icons->setWrapping(true);
    m_icons->setResizeMode(QListView::Adjust);
    m_icons->setMovement(QListView::Static);
    SizeGrid();
    // A static icon view turns dragging and dropping off; items never move
    // inside the list, but every mode drags out and takes host items in.
    m_icons->setDragEnabled(true);
    m_icons->viewport()->setAcceptDrops(true);
    setCurrentWidget(m_icons);
}

std::array<int, 7> FileListView::WidestCells() const
{
    const QFontMetrics metrics(m_details->font());
    const QChar hex = WidestOf(metrics, u"0123456789ABCDEF");
    const QString texts[7] = {WidestName(metrics), QStringLiteral("EDLWR"), u'(' + QString(2, hex) + u')',
                              QString(8, hex),     QString(8, hex),         QString(8, hex),
                              QString(6, hex)};
    std::array<int, 7> widths{};
    for (int i = 0; i < 7; ++i)
        widths[static_cast<std::size_t>(i)] =
            std::max(m_details->CellWidth(texts[i], i == 0), m_details->header()->sectionSizeHint(i));
    return widths;
}

void FileListView::SizeGrid()
{
    const QFontMetrics metrics(m_icons->font());
    const int name = metrics.horizontalAdvance(WidestName(metrics));
    const int icon = m_icons->iconSize().width();
    if (m_mode == Mode::LargeIcons) {
        // The name below the picture.
        m_icons->setGridSize(QSize(std::max(88, name + 12), icon + metrics.height() + 16));
    } else {
        // The name beside the picture.
        m_icons->setGridSize(QSize(std::max(120, icon + name + 16), std::max(20, metrics.height() + 4)));
    }
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
