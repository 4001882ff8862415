#pragma once

#include <QWidget>

class QLabel;

namespace marlin::app {

// The start-up window: picture, title, platform and version, no title bar and no buttons. It ignores clicks and
// keys, so only the start procedure closes it.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);

    QLabel* Image1 = nullptr;
    QLabel* lblCompanyProduct = nullptr;
    QLabel* lblPlatform = nullptr;
    QLabel* lblVersion = nullptr;
};

} // namespace marlin::app
