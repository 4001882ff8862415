#pragma once

#include <QString>

namespace marlin::app {

// The program's title: window captions, message boxes that name no other title, the settings store.
inline const QString kTitle = QStringLiteral("Marlin Explorer");

inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionRevision = 2;

// "Version 1.0.2": each part as plain decimal.
QString VersionLine();

// The platform line of the splash window: the running system's kernel and the toolkit, e.g. "Linux / Qt 6.4.2".
QString PlatformLine();

} // namespace marlin::app
