#include "explorer/find_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "explorer/dialogs.h"

namespace marlin::explorer {

frmFind::frmFind(const QString& text, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find"));
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("Find :"), this);
    label->setObjectName(QStringLiteral("lblFind"));
    m_txtFind = new QLineEdit(text, this);
    m_txtFind->setObjectName(QStringLiteral("txtFind"));
    m_txtFind->selectAll();
    label->setBuddy(m_txtFind);
    row->addWidget(label);
    row->addWidget(m_txtFind);
    layout->addLayout(row);
    layout->addWidget(MakeOkCancel(this));
    m_txtFind->setFocus();
    FitCaption(*this);
}

QString frmFind::Text() const
{
    return m_txtFind->text();
}

} // namespace marlin::explorer
