#include "app/frm_about.h"

#include "app/app_identity.h"
#include "app/icons.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QVBoxLayout>

namespace marlin::app {

QString FindSysInfoTool(const QStringList& searchPaths)
{
    for (const QString& tool : kSysInfoTools) {
        QString path = QStandardPaths::findExecutable(tool, searchPaths);
        if (!path.isEmpty())
            return path;
    }
    return {};
}

frmAbout::frmAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Marlin Explorer"));
    setWindowIcon(AppIcon());

    m_picIcon = new QLabel(this);
    m_picIcon->setObjectName(QStringLiteral("picIcon"));
    m_picIcon->setPixmap(AppIcon().pixmap(64, 64));

    m_lblTitle = new QLabel(kTitle, this);
    m_lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = m_lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    m_lblTitle->setFont(titleFont);

    m_lblVersion = new QLabel(VersionLine(), this);
    m_lblVersion->setObjectName(QStringLiteral("lblVersion"));

    // The link opens through QDesktopServices, i.e. the desktop's mail handler; if there is none nothing happens
    // and the box stays open, which is all a failed mail attempt should do.
    m_Label2 = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(kContactAddress), this);
    m_Label2->setObjectName(QStringLiteral("Label2"));
    m_Label2->setTextFormat(Qt::RichText);
    m_Label2->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_Label2->setOpenExternalLinks(true);

    m_cmdOK = new QPushButton(QStringLiteral("OK"), this);
    m_cmdOK->setObjectName(QStringLiteral("cmdOK"));
    m_cmdOK->setDefault(true);
    m_cmdOK->setAutoDefault(true);
    m_cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    m_cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    m_cmdSysInfo->setAutoDefault(false);
    // Escape already closes a QDialog through reject(); OK is the only outcome, so both routes mean the same.
    connect(m_cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* text = new QVBoxLayout;
    text->addWidget(m_lblTitle);
    text->addWidget(m_lblVersion);
    text->addSpacing(12);
    text->addWidget(m_Label2);
    text->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_cmdOK);
    buttons->addWidget(m_cmdSysInfo);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_picIcon, 0, Qt::AlignTop);
    layout->addLayout(text, 1);
    layout->addLayout(buttons);
    setSizeGripEnabled(false);
}

void frmAbout::StartSysInfo()
{
    const QString tool = FindSysInfoTool();
    // A tool that is found but will not start is as unavailable as a missing one.
    if (tool.isEmpty() || !QProcess::startDetached(tool, {}))
        QMessageBox::information(this, kTitle, QStringLiteral("System Information Is Unavailable At This Time"),
                                 QMessageBox::Ok);
}

} // namespace marlin::app
