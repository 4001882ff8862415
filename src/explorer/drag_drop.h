#pragma once
// Drag and drop between the explorer window and the host's file manager. Host
// items dropped on the tree or the list are imported into the current
// directory; entries dragged out are staged by the core in a fresh temporary
// folder and handed over as a list of file URLs with the copy effect only.

#include <memory>

#include <QObject>
#include <QStringList>

#include "host/drag.h"

class QMimeData;

namespace marlin::explorer {

class frmMain;

class DragDrop : public QObject {
    Q_OBJECT
public:
    // Hooks tvwDB's and lvwDB's drag starts and drops. Being part of the
    // window's creation, it deletes the temporary folder an earlier run left
    // and resets TempCounter.
    explicit DragDrop(frmMain& window);

    [[nodiscard]] host::DragState& State() { return m_state; }

    // Imports the dropped host paths into the current directory, stopping at
    // the first failure; rebuilds the tree when a folder was among them and
    // always refills the list. Data without a file list does nothing.
    void DropHostFiles(const QMimeData* data);
    void DropHostPaths(const QStringList& paths);

    // The drag's data for the selected list items, or for the current
    // directory's node (the root: every list item, selected for the drag and
    // cleared after it): the staged paths as file URLs in order. Null when
    // the host refused the staging (its message has been shown) or there is
    // no current directory.
    [[nodiscard]] std::unique_ptr<QMimeData> StageListDrag();
    [[nodiscard]] std::unique_ptr<QMimeData> StageTreeDrag();

    // Stage, then start the platform's drag from the given view; no drag
    // starts when staging failed or handed out nothing.
    void StartListDrag();
    void StartTreeDrag();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<QMimeData> Wrap(const image::Result<std::vector<std::filesystem::path>>& paths) const;
    void StartDrag(QWidget* source, std::unique_ptr<QMimeData> data);

    frmMain& m_window;
    host::DragState m_state;
};

} // namespace marlin::explorer
