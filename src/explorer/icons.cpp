#include "explorer/icons.h"

#include <QHash>

namespace marlin::explorer {

QIcon KeyIcon(const QString& key)
{
    static const QHash<QString, QString> files = {
        {QStringLiteral("closed"), QStringLiteral("folder-closed")},
        {QStringLiteral("open"), QStringLiteral("folder-open")},
        {QStringLiteral("leaf"), QStringLiteral("file")},
        {QStringLiteral("book"), QStringLiteral("book")},
        {QStringLiteral("New"), QStringLiteral("new")},
        {QStringLiteral("Open"), QStringLiteral("open")},
        {QStringLiteral("Save"), QStringLiteral("save")},
        {QStringLiteral("Up One Level"), QStringLiteral("up")},
        {QStringLiteral("View Details"), QStringLiteral("view-details")},
        {QStringLiteral("View Large Icons"), QStringLiteral("view-large-icons")},
        {QStringLiteral("View List"), QStringLiteral("view-list")},
        {QStringLiteral("View Small Icons"), QStringLiteral("view-small-icons")},
    };
    // Icons are made once: the list asks for one per item and repaint.
    static QHash<QString, QIcon> cache;
    if (const auto cached = cache.constFind(key); cached != cache.cend())
        return *cached;
    const auto file = files.constFind(key);
    if (file == files.cend())
        return {};
    const QIcon icon(QStringLiteral(":/icons/") + *file + QStringLiteral(".svg"));
    cache.insert(key, icon);
    return icon;
}

} // namespace marlin::explorer
