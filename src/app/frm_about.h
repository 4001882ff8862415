#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

class QLabel;
class QPushButton;

namespace marlin::app {

// Contact shown in the About box; a click opens a new mail message to it in the desktop's mail program.
inline const QString kContactAddress = QStringLiteral("marlin-explorer@example.org");

// System information tools tried in this order; the first found on the search path is started.
inline const QStringList kSysInfoTools{
    QStringLiteral("hardinfo"),
    QStringLiteral("hardinfo2"),
    QStringLiteral("kinfocenter"),
    QStringLiteral("gnome-system-monitor"),
    QStringLiteral("mate-system-monitor"),
    QStringLiteral("xfce4-taskmanager"),
    QStringLiteral("lxtask"),
};

// Full path of the first tool of kSysInfoTools found in `searchPaths` (the PATH when empty); empty when none is.
QString FindSysInfoTool(const QStringList& searchPaths = {});

// The About box: created for each showing, modal, closed by OK, Enter or Escape.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

public slots:
    // Starts the desktop's system information tool, or says that none is available.
    void StartSysInfo();

private:
    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_Label2 = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdSysInfo = nullptr;
};

} // namespace marlin::app
