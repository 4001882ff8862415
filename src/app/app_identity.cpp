#include "app/app_identity.h"

#include <QSysInfo>
#include <QtGlobal>

namespace marlin::app {

QString VersionLine()
{
    return QString::fromLatin1(kVersionLine);
}

QString PlatformLine()
{
    QString kernel = QSysInfo::kernelType();
    if (!kernel.isEmpty())
        kernel[0] = kernel[0].toUpper();
    return QStringLiteral("%1 / Qt %2").arg(kernel, QString::fromLatin1(qVersion()));
}

} // namespace marlin::app
