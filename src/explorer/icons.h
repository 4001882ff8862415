#pragma once
// The pictures behind the window's icon keys: the tree and list keys
// "closed", "open", "leaf", "book" and the toolbar keys. Taken from the
// desktop theme, with the style's standard pixmap when the theme has none.

#include <QIcon>
#include <QString>

namespace marlin::explorer {

[[nodiscard]] QIcon KeyIcon(const QString& key);

} // namespace marlin::explorer
