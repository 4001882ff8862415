#include "explorer/found_window.h"

#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "views/format.h"

namespace marlin::explorer {

namespace {

// The list's columns a match shows after its path: Attr, Load, Exec, Size, Sector.
constexpr int kListColumns[] = {1, 3, 4, 5, 6};

} // namespace

frmFound::frmFound(const QString& pattern, std::vector<image::FoundEntry> found, QWidget* parent)
    : QWidget(parent, Qt::Window), m_found(std::move(found)), m_results(new QTreeWidget(this))
{
    setObjectName(QStringLiteral("frmFound"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Find Files - ") + pattern);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_results);
    m_results->setObjectName(QStringLiteral("lvwFound"));
    m_results->setRootIsDecorated(false);
    m_results->setUniformRowHeights(true);
    m_results->setHeaderLabels({QStringLiteral("Path"), QStringLiteral("Attr"), QStringLiteral("Load"),
                                QStringLiteral("Exec"), QStringLiteral("Size"), QStringLiteral("Sector")});
    QList<QTreeWidgetItem*> rows;
    for (const image::FoundEntry& match : m_found) {
        QStringList texts{QString::fromLatin1(match.path)};
        for (int column : kListColumns)
            texts << QString::fromLatin1(views::ColumnText(match.listed.entry, column));
        rows << new QTreeWidgetItem(texts);
    }
    m_results->addTopLevelItems(rows);
    for (int i = 0; i < m_results->columnCount(); ++i)
        m_results->resizeColumnToContents(i);
    connect(m_results, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        const int row = m_results->indexOfTopLevelItem(item);
        if (row >= 0)
            emit entryChosen(m_found[static_cast<std::size_t>(row)].listed);
    });
    resize(std::max(480, m_results->header()->length() + 24), 300);
}

} // namespace marlin::explorer
