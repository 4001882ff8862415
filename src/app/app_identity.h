#pragma once

#include <QString>

#include "identity.h"

namespace marlin::app {

// The program's title as the window system wants it.
inline const QString kTitle = QString::fromLatin1(kProgramTitle);

// "Version 1.0.2": each part as plain decimal.
QString VersionLine();

// The platform line of the splash window: the running system's kernel and the toolkit, e.g. "Linux / Qt 6.4.2".
QString PlatformLine();

} // namespace marlin::app
