#pragma once
// The item model behind lvwDB: one row per entry of the shown directory,
// the seven columns exactly as the core formats them. All four view modes
// share this model, its selection and its sort.

#include <vector>

#include <QAbstractTableModel>
#include <QPersistentModelIndex>

#include "views/format.h"

namespace marlin::explorer {

class ListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The icon key ("book", "leaf" or "closed") under this role.
    static constexpr int kIconKeyRole = Qt::UserRole + 1;

    explicit ListModel(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A label edit never changes the item: it asks for a rename (emitted
    // later, from the event loop) and the list is refilled from the image.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    // Stable sort by the column's text.
    void sort(int column, Qt::SortOrder order) override;

    // Replaces every item; they are placed in the current sort order.
    void SetItems(std::vector<views::ListColumns> items);
    [[nodiscard]] const views::ListColumns& Item(int row) const { return m_items[static_cast<std::size_t>(row)]; }
    [[nodiscard]] static bool IsDirectory(const views::ListColumns& item) { return views::IsDirectoryItem(item); }

    [[nodiscard]] int SortColumn() const { return m_sortColumn; }
    [[nodiscard]] Qt::SortOrder SortOrder() const { return m_sortOrder; }
    // The large-icon view shows "book" for every item.
    void SetLargeIcons(bool large);

signals:
    void renameRequested(const QPersistentModelIndex& item, const QString& newText);

private:
    void SortItems();

    std::vector<views::ListColumns> m_items;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_largeIcons = false;
};

} // namespace marlin::explorer
