#pragma once
// The two views of the explorer window. Both only report what the user did;
// the window decides. Dragging out and dropping host items in are left to the
// drag-and-drop handlers, which hook the signals below.

#include <array>

#include <QListView>
#include <QStackedWidget>
#include <QTreeView>

namespace marlin::explorer {

class ListModel;

// tvwDB: the directory tree.
class DirectoryTreeView : public QTreeView {
    Q_OBJECT
public:
    explicit DirectoryTreeView(QWidget* parent = nullptr);

signals:
    // The user started dragging the selected node.
    void dragStartRequested();
    // Right button pressed, at this global position.
    void contextMenuAt(const QPoint& globalPos);

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

// The details view of lvwDB.
class FileDetailsView : public QTreeView {
    Q_OBJECT
public:
    explicit FileDetailsView(QWidget* parent = nullptr);
    // The width a cell needs to show text whole, as the item delegate
    // measures it (with the small icon when decorated).
    [[nodiscard]] int CellWidth(const QString& text, bool decorated) const;
signals:
    void dragStartRequested();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

// The icon and list views of lvwDB.
class FileIconsView : public QListView {
    Q_OBJECT
public:
    explicit FileIconsView(QWidget* parent = nullptr);
signals:
    void dragStartRequested();

protected:
    void startDrag(Qt::DropActions supportedActions) override;
};

// lvwDB: one item model in four view modes, one selection and one sort.
class FileListView : public QStackedWidget {
    Q_OBJECT
public:
    enum class Mode { LargeIcons, SmallIcons, List, Details };

    FileListView(ListModel* model, QWidget* parent = nullptr);

    void SetMode(Mode mode);
    [[nodiscard]] Mode CurrentMode() const { return m_mode; }
    [[nodiscard]] QAbstractItemView* CurrentView() const;
    [[nodiscard]] FileDetailsView* Details() const { return m_details; }
    [[nodiscard]] FileIconsView* Icons() const { return m_icons; }
    [[nodiscard]] QItemSelectionModel* Selection() const { return m_details->selectionModel(); }
    [[nodiscard]] ListModel* Model() const { return m_model; }
    // Starts label editing of the item in the view shown.
    void EditItem(const QModelIndex& index);
    // Shows the sort column and direction in the details header.
    void ShowSort(int column, Qt::SortOrder order);
    // For each column of the details view, the width its widest possible
    // text and its header need in the font in use: a ten-character name of
    // the widest letters, every attribute, and full-width hex numbers.
    [[nodiscard]] std::array<int, 7> WidestCells() const;

signals:
    void itemClicked(const QModelIndex& index);
    void itemDoubleClicked(const QModelIndex& index);
    void columnClicked(int column);
    void contextMenuAt(const QPoint& globalPos);
    void dragStartRequested();

private:
    // Grid cells of the icon and list modes, wide enough for any name.
    void SizeGrid();

    ListModel* m_model;
    FileDetailsView* m_details;
    FileIconsView* m_icons;
    Mode m_mode = Mode::Details;
};

} // namespace marlin::explorer
