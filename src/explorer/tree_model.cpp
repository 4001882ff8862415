#include "explorer/tree_model.h"

#include <algorithm>

#include <QTimer>

#include "explorer/icons.h"

namespace marlin::explorer {

bool NodeBefore(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) < 0;
}

TreeModel::TreeModel(QObject* parent) : QAbstractItemModel(parent) {}

TreeModel::~TreeModel() = default;

TreeNodeItem* TreeModel::NodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<TreeNodeItem*>(index.internalPointer()) : nullptr;
}

int TreeModel::RowOf(const TreeNodeItem* node) const
{
    if (!node->parent)
        return 0;
    const auto& siblings = node->parent->children;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [node](const auto& s) { return s.get() == node; });
    return static_cast<int>(it - siblings.begin());
}

QModelIndex TreeModel::IndexOf(const TreeNodeItem* node) const
{
    if (!node)
        return {};
    return createIndex(RowOf(node), 0, const_cast<TreeNodeItem*>(node));
}

QModelIndex TreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || row < 0)
        return {};
    if (!parent.isValid())
        return (row == 0 && m_root) ? createIndex(0, 0, m_root.get()) : QModelIndex();
    const TreeNodeItem* node = NodeOf(parent);
    if (parent.column() != 0 || row >= static_cast<int>(node->children.size()))
        return {};
    return createIndex(row, 0, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex TreeModel::parent(const QModelIndex& child) const
{
    const TreeNodeItem* node = NodeOf(child);
    if (!node || !node->parent)
        return {};
    return IndexOf(node->parent);
}

int TreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_root ? 1 : 0;
    if (parent.column() != 0)
        return 0;
    return static_cast<int>(NodeOf(parent)->children.size());
}

int TreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant TreeModel::data(const QModelIndex& index, int role) const
{
    const TreeNodeItem* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->text;
    case Qt::DecorationRole:
        return KeyIcon(node->image);
    case kIconKeyRole:
        return node->image;
    default:
        return {};
    }
}

Qt::ItemFlags TreeModel::flags(const QModelIndex& index) const
{
    const TreeNodeItem* node = NodeOf(index);
    if (!node)
        return Qt::NoItemFlags;
    Qt::ItemFlags result = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
    // The root's label cannot be edited.
    if (node->parent)
        result |= Qt::ItemIsEditable;
    return result;
}

bool TreeModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !NodeOf(index))
        return false;
    // The rename rebuilds this model; it must not happen inside the editor's commit.
    const QPersistentModelIndex node(index);
    const QString text = value.toString();
    QTimer::singleShot(0, this, [this, node, text] { emit renameRequested(node, text); });
    return false;
}

void TreeModel::Clear()
{
    beginResetModel();
    m_root.reset();
    endResetModel();
}

TreeNodeItem* TreeModel::SetRoot(const QString& text, image::SectorAddress tag)
{
    beginResetModel();
    m_root = std::make_unique<TreeNodeItem>();
    m_root->text = text;
    m_root->tag = tag;
    endResetModel();
    return m_root.get();
}

void TreeModel::AddChildrenUnder(TreeNodeItem* node, const views::TreeNode& from)
{
    for (const auto& child : from.children) {
        auto item = std::make_unique<TreeNodeItem>();
        item->text = QString::fromLatin1(child.name);
        item->tag = child.sector;
        item->parent = node;
        AddChildrenUnder(item.get(), child);
        node->children.push_back(std::move(item));
    }
    std::stable_sort(node->children.begin(), node->children.end(),
                     [](const auto& a, const auto& b) { return NodeBefore(a->text, b->text); });
    if (!node->children.empty())
        node->image = QStringLiteral("open");
}

void TreeModel::AddChildren(TreeNodeItem* node, const views::TreeNode& from)
{
    // The core tree is bounded in depth, so this recursion is too.
    beginResetModel();
    AddChildrenUnder(node, from);
    endResetModel();
}

TreeNodeItem* TreeModel::AddChild(TreeNodeItem* parent, const QString& text, image::SectorAddress tag)
{
    auto& siblings = parent->children;
    const auto place = std::upper_bound(siblings.begin(), siblings.end(), text,
                                        [](const QString& t, const auto& s) { return NodeBefore(t, s->text); });
    const int row = static_cast<int>(place - siblings.begin());
    beginInsertRows(IndexOf(parent), row, row);
    auto item = std::make_unique<TreeNodeItem>();
    item->text = text;
    item->tag = tag;
    item->parent = parent;
    TreeNodeItem* added = item.get();
    siblings.insert(siblings.begin() + row, std::move(item));
    endInsertRows();
    return added;
}

void TreeModel::SetImage(TreeNodeItem* node, const QString& image)
{
    if (!node || node->image == image)
        return;
    node->image = image;
    const QModelIndex index = IndexOf(node);
    emit dataChanged(index, index, {Qt::DecorationRole, kIconKeyRole});
}

TreeNodeItem* TreeModel::Find(image::SectorAddress tag) const
{
    std::vector<TreeNodeItem*> pending;
    if (m_root)
        pending.push_back(m_root.get());
    while (!pending.empty()) {
        TreeNodeItem* node = pending.back();
        pending.pop_back();
        if (node->tag == tag)
            return node;
        for (auto child = node->children.rbegin(); child != node->children.rend(); ++child)
            pending.push_back(child->get());
    }
    return nullptr;
}

} // namespace marlin::explorer
