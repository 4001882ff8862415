#include "app/icons.h"

#include <QApplication>
#include <QImageReader>
#include <QStyle>

namespace marlin::app {

QIcon AppIcon()
{
    static const QString kBuiltIn = QStringLiteral(":/icons/marlin-explorer.svg");
    // Without the SVG image plugin the built-in picture would draw as nothing; a standard drive icon is better.
    const bool canDrawSvg = QImageReader::supportedImageFormats().contains("svg");
    QIcon fallback = canDrawSvg ? QIcon(kBuiltIn) : QApplication::style()->standardIcon(QStyle::SP_DriveHDIcon);
    return QIcon::fromTheme(QStringLiteral("marlin-explorer"), fallback);
}

} // namespace marlin::app
