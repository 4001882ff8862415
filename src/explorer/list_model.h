#pragma once
// The item model behind lvwDB: one row per entry of the shown directory,
// holding where the entry is and what it says; the seven columns are only
// its text, formatted as the core formats them. All four view modes share
// this model, its selection and its sort.

#include <vector>

#include <QAbstractTableModel>
#include <QPersistentModelIndex>

#include "image/directory.h"

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
    void SetItems(std::vector<image::ListedEntry> items);
    [[nodiscard]] const image::ListedEntry& Item(int row) const { return m_items[static_cast<std::size_t>(row)]; }
    [[nodiscard]] const image::DirEntry& Entry(int row) const { return Item(row).entry; }

    [[nodiscard]] Qt::SortOrder SortOrder() const { return m_sortOrder; }
    // The large-icon view shows "book" for every item.
    void SetLargeIcons(bool large);

signals:
    void renameRequested(const QPersistentModelIndex& item, const QString& newText);

private:
    std::vector<image::ListedEntry> m_items;
    int m_sortColumn = 0;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    bool m_largeIcons = false;
};

} // namespace marlin::explorer
