#pragma once
// The pictures behind the window's icon keys: the tree and list keys
// "closed", "open", "leaf", "book" and the toolbar keys. The program ships
// its own pictures, so it looks the same whatever the desktop's theme.

#include <QIcon>
#include <QString>

namespace marlin::explorer {

// The picture of a key; a null icon for a key the program does not know.
[[nodiscard]] QIcon KeyIcon(const QString& key);

} // namespace marlin::explorer
