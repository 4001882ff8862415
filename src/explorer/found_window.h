#pragma once
// The matches of "Find Files": one row per entry with its full path and the
// list's columns for it. A double-click asks the explorer to show the entry.

#include <vector>

#include <QWidget>

#include "image/find.h"

class QTreeWidget;

namespace marlin::explorer {

class frmFound : public QWidget {
    Q_OBJECT
public:
    frmFound(const QString& pattern, std::vector<image::FoundEntry> found, QWidget* parent = nullptr);

    [[nodiscard]] QTreeWidget* Results() const { return m_results; }

signals:
    void entryChosen(const image::ListedEntry& entry);

private:
    std::vector<image::FoundEntry> m_found;
    QTreeWidget* m_results;
};

} // namespace marlin::explorer
