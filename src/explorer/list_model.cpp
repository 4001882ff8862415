#include "explorer/list_model.h"

#include <algorithm>
#include <numeric>

#include <QTimer>

#include "explorer/icons.h"
#include "views/format.h"

namespace marlin::explorer {

namespace {

const char* const kHeaders[] = {"Filename", "Attr", "Seq", "Load", "Exec", "Size", "Sector"};

} // namespace

ListModel::ListModel(QObject* parent) : QAbstractTableModel(parent) {}

int ListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items.size());
}

int ListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 7;
}

QVariant ListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const image::DirEntry& entry = Entry(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return QString::fromLatin1(views::ColumnText(entry, index.column()));
    case Qt::DecorationRole:
        if (index.column() == 0)
            return KeyIcon(data(index, kIconKeyRole).toString());
        return {};
    case kIconKeyRole:
        if (index.column() != 0)
            return {};
        if (m_largeIcons)
            return QStringLiteral("book");
        return entry.D ? QStringLiteral("closed") : QStringLiteral("leaf");
    default:
        return {};
    }
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= 7)
        return {};
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kHeaders[section]);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags ListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
    if (index.column() == 0)
        result |= Qt::ItemIsEditable;
    return result;
}

bool ListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != 0)
        return false;
    // The rename refills this model; doing that inside the editor's commit
    // would pull the rows from under the view, so it waits for the event loop.
    const QPersistentModelIndex item(index);
    const QString text = value.toString();
    QTimer::singleShot(0, this, [this, item, text] { emit renameRequested(item, text); });
    return false;
}

void ListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= 7)
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<int> oldRows(before.size());
    std::transform(before.begin(), before.end(), oldRows.begin(), [](const QModelIndex& i) { return i.row(); });

    // By the text the column shows, as the list has always sorted.
    std::vector<QString> keys;
    keys.reserve(m_items.size());
    for (const image::ListedEntry& item : m_items)
        keys.push_back(QString::fromLatin1(views::ColumnText(item.entry, column)));
    std::vector<int> rows(m_items.size());
    std::iota(rows.begin(), rows.end(), 0);
    std::stable_sort(rows.begin(), rows.end(), [&](int a, int b) {
        const int c = keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)], Qt::CaseInsensitive);
        return order == Qt::AscendingOrder ? c < 0 : c > 0;
    });
    std::vector<image::ListedEntry> sorted;
    sorted.reserve(m_items.size());
    std::vector<int> newRowOf(m_items.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        sorted.push_back(m_items[static_cast<std::size_t>(rows[i])]);
        newRowOf[static_cast<std::size_t>(rows[i])] = static_cast<int>(i);
    }
    m_items = std::move(sorted);
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i)
        after.append(
            index(newRowOf[static_cast<std::size_t>(oldRows[static_cast<std::size_t>(i)])], before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ListModel::SetItems(std::vector<image::ListedEntry> items)
{
    beginResetModel();
    m_items = std::move(items);
    endResetModel();
    sort(m_sortColumn, m_sortOrder);
}

void ListModel::SetLargeIcons(bool large)
{
    if (m_largeIcons == large)
        return;
    m_largeIcons = large;
    if (!m_items.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DecorationRole, kIconKeyRole});
}

} // namespace marlin::explorer
