#include "explorer/icons.h"

#include <QApplication>
#include <QHash>
#include <QStyle>

namespace marlin::explorer {

QIcon KeyIcon(const QString& key)
{
    struct Source {
        const char* theme;
        QStyle::StandardPixmap fallback;
    };
    static const QHash<QString, Source> sources = {
        {QStringLiteral("closed"), {"folder", QStyle::SP_DirClosedIcon}},
        {QStringLiteral("open"), {"folder-open", QStyle::SP_DirOpenIcon}},
        {QStringLiteral("leaf"), {"text-x-generic", QStyle::SP_FileIcon}},
        {QStringLiteral("book"), {"x-office-document", QStyle::SP_FileIcon}},
        {QStringLiteral("New"), {"document-new", QStyle::SP_FileIcon}},
        {QStringLiteral("Open"), {"document-open", QStyle::SP_DialogOpenButton}},
        {QStringLiteral("Save"), {"document-save-as", QStyle::SP_DialogSaveButton}},
        {QStringLiteral("Up One Level"), {"go-up", QStyle::SP_FileDialogToParent}},
        {QStringLiteral("View Details"), {"view-list-details", QStyle::SP_FileDialogDetailedView}},
        {QStringLiteral("View Large Icons"), {"view-list-icons", QStyle::SP_FileDialogContentsView}},
        {QStringLiteral("View List"), {"view-list-text", QStyle::SP_FileDialogListView}},
        {QStringLiteral("View Small Icons"), {"view-list-compact", QStyle::SP_FileDialogInfoView}},
    };
    static QHash<QString, QIcon> cache;
    if (const auto cached = cache.constFind(key); cached != cache.cend())
        return *cached;
    const auto source = sources.constFind(key);
    if (source == sources.cend())
        return {};
    QIcon icon = QIcon::fromTheme(QString::fromLatin1(source->theme));
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(source->fallback);
    cache.insert(key, icon);
    return icon;
}

} // namespace marlin::explorer
