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

private:
    QLabel* m_Image1 = nullptr;
    QLabel* m_lblCompanyProduct = nullptr;
    QLabel* m_lblPlatform = nullptr;
    QLabel* m_lblVersion = nullptr;
};

} // namespace marlin::app
