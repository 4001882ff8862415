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

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(AppIcon().pixmap(64, 64));

    lblTitle = new QLabel(kTitle, this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    QFont titleFont = lblTitle->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.4);
    lblTitle->setFont(titleFont);

    lblVersion = new QLabel(VersionLine(), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));

    // The link opens through QDesktopServices, i.e. the desktop's mail handler; if there is none nothing happens
    // and the box stays open, which is all a failed mail attempt should do.
    Label2 = new QLabel(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(kContactAddress), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::RichText);
    Label2->setTextInteractionFlags(Qt::TextBrowserInteraction);
    Label2->setOpenExternalLinks(true);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdSysInfo = new QPushButton(QStringLiteral("&System Info..."), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setAutoDefault(false);
    // Escape already closes a QDialog through reject(); OK is the only outcome, so both routes mean the same.
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    auto* text = new QVBoxLayout;
    text->addWidget(lblTitle);
    text->addWidget(lblVersion);
    text->addSpacing(12);
    text->addWidget(Label2);
    text->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdSysInfo);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(picIcon, 0, Qt::AlignTop);
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
