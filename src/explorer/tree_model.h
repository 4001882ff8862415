#pragma once
// The item model behind tvwDB: one node per directory, built from the core's
// directory tree and rebuilt after every structural change. Only "New
// Directory..." adds a single node in place.

#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractItemModel>
#include <QPersistentModelIndex>

#include "views/directory_tree.h"

namespace marlin::explorer {

struct TreeNodeItem {
    QString text;
    image::SectorAddress tag;                 // the directory's start sector
    QString image = QStringLiteral("closed"); // "closed" or "open"
    TreeNodeItem* parent = nullptr;
    std::vector<std::unique_ptr<TreeNodeItem>> children;
};

class TreeModel : public QAbstractItemModel {
    Q_OBJECT
public:
    static constexpr int kIconKeyRole = Qt::UserRole + 1;

    explicit TreeModel(QObject* parent = nullptr);
    ~TreeModel() override;

    [[nodiscard]] QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    [[nodiscard]] QModelIndex parent(const QModelIndex& child) const override;
    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Label edits ask for a rename (later, from the event loop); the node
    // itself never changes, the tree is rebuilt from the image instead.
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // Removes every node.
    void Clear();
    // Makes the root node; the only top-level node.
    TreeNodeItem* SetRoot(const QString& text, image::SectorAddress tag);
    // Adds the children of `from` under node, recursively; a node with
    // children shows the "open" image.
    void AddChildren(TreeNodeItem* node, const views::TreeNode& from);
    // Adds one child in its sorted place.
    TreeNodeItem* AddChild(TreeNodeItem* parent, const QString& text, image::SectorAddress tag);
    void SetImage(TreeNodeItem* node, const QString& image);

    [[nodiscard]] TreeNodeItem* Root() const { return m_root.get(); }
    [[nodiscard]] TreeNodeItem* NodeOf(const QModelIndex& index) const;
    [[nodiscard]] QModelIndex IndexOf(const TreeNodeItem* node) const;
    // The first node, in tree order, of the directory at tag; null when none.
    [[nodiscard]] TreeNodeItem* Find(image::SectorAddress tag) const;

signals:
    void renameRequested(const QPersistentModelIndex& node, const QString& newText);

private:
    [[nodiscard]] int RowOf(const TreeNodeItem* node) const;
    void AddChildrenUnder(TreeNodeItem* node, const views::TreeNode& from);

    std::unique_ptr<TreeNodeItem> m_root;
};

// The tree's child order: case-insensitive alphabetical.
[[nodiscard]] bool NodeBefore(const QString& a, const QString& b);

} // namespace marlin::explorer
