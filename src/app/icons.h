#pragma once

#include <QIcon>
#include <QString>

namespace marlin::app {

// The program's own icon: the installed theme's "marlin-explorer" when there is one, else the built-in picture.
QIcon AppIcon();

} // namespace marlin::app
