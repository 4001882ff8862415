#include "explorer/dialogs.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace marlin::explorer {

QWidget* MakeOkCancel(QDialog* dialog)
{
    auto* row = new QWidget(dialog);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* ok = new QPushButton(QStringLiteral("OK"), row);
    ok->setObjectName(QStringLiteral("cmdOK"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), row);
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    cancel->setAutoDefault(false);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    QObject::connect(ok, &QPushButton::clicked, dialog, &QDialog::accept);
    QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
    return row;
}

frmAttr::frmAttr(const AttributeFlags& flags, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAttr"));
    setWindowTitle(QStringLiteral("Set File Attributes"));
    auto* layout = new QVBoxLayout(this);
    m_chkRead = new QCheckBox(QStringLiteral("Read"), this);
    m_chkRead->setObjectName(QStringLiteral("chkRead"));
    m_chkWrite = new QCheckBox(QStringLiteral("Write"), this);
    m_chkWrite->setObjectName(QStringLiteral("chkWrite"));
    m_chkLocked = new QCheckBox(QStringLiteral("Locked"), this);
    m_chkLocked->setObjectName(QStringLiteral("chkLocked"));
    m_chkRead->setChecked(flags.R);
    m_chkWrite->setChecked(flags.W);
    m_chkLocked->setChecked(flags.L);
    layout->addWidget(m_chkRead);
    layout->addWidget(m_chkWrite);
    layout->addWidget(m_chkLocked);
    layout->addWidget(MakeOkCancel(this));
    m_chkRead->setFocus();
}

AttributeFlags frmAttr::Flags() const
{
    return {m_chkRead->isChecked(), m_chkWrite->isChecked(), m_chkLocked->isChecked()};
}

frmBoot::frmBoot(int current, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmBoot"));
    setWindowTitle(QStringLiteral("Set Boot Attributes"));
    auto* layout = new QVBoxLayout(this);
    const char* names[] = {"optOff", "optLoad", "optRun", "optExec"};
    const char* captions[] = {"Off", "Load", "Run", "Exec"};
    for (int i = 0; i < 4; ++i) {
        m_options[i] = new QRadioButton(QString::fromLatin1(captions[i]), this);
        m_options[i]->setObjectName(QString::fromLatin1(names[i]));
        layout->addWidget(m_options[i]);
    }
    // Radio buttons with one parent form one exclusive group.
    m_options[current & 3]->setChecked(true);
    layout->addWidget(MakeOkCancel(this));
}

int frmBoot::Option() const
{
    for (int i = 0; i < 4; ++i) {
        if (m_options[i]->isChecked())
            return i;
    }
    return 0;
}

frmTitle::frmTitle(const QString& title, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmTitle"));
    setWindowTitle(QStringLiteral("Set Directory Title"));
    auto* layout = new QVBoxLayout(this);
    m_txtTitle = new QLineEdit(title, this);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    m_txtTitle->setCursorPosition(static_cast<int>(title.size()));
    layout->addWidget(m_txtTitle);
    layout->addWidget(MakeOkCancel(this));
    m_txtTitle->setFocus();
}

QString frmTitle::Title() const
{
    return m_txtTitle->text();
}

} // namespace marlin::explorer
