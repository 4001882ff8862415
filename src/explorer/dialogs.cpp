#include "explorer/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include "image/entry_ops.h"

namespace marlin::explorer {

namespace {

// A dialog gives its first field the focus as if tabbed to, which selects the
// whole text; this field instead opens with the caret after the last character.
class CaretAtEndEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override
    {
        QLineEdit::focusInEvent(event);
        if (m_opened)
            return;
        m_opened = true;
        deselect();
        setCursorPosition(static_cast<int>(text().size()));
    }

private:
    bool m_opened = false;
};

} // namespace

int CaptionWidth(const QWidget& window)
{
    // Title bars draw captions in their own face, usually bold and often
    // larger than the interface's, beside an icon and three or four buttons.
    const QFont font = QApplication::font();
    QFont caption = font;
    caption.setBold(true);
    if (caption.pointSizeF() > 0)
        caption.setPointSizeF(caption.pointSizeF() * 1.25);
    return QFontMetrics(caption).horizontalAdvance(window.windowTitle()) + 8 * QFontMetrics(font).height();
}

void FitCaption(QDialog& dialog)
{
    const int width = CaptionWidth(dialog);
    // A message box sizes itself from its text and ignores a minimum width,
    // but keeps room for everything in its grid.
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
        if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
            const QMargins margins = grid->contentsMargins();
            grid->addItem(new QSpacerItem(width - margins.left() - margins.right(), 0), grid->rowCount(), 0, 1,
                          grid->columnCount());
        }
        return;
    }
    dialog.setMinimumWidth(std::max(dialog.minimumWidth(), width));
}

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
    FitCaption(*this);
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
    // Each button is named after its caption: optOff, optLoad, optRun, optExec.
    for (int i = 0; i < 4; ++i) {
        const QString caption = QString::fromLatin1(image::kBootOptionNames[static_cast<std::size_t>(i)]);
        m_options[i] = new QRadioButton(caption, this);
        m_options[i]->setObjectName(QStringLiteral("opt") + caption);
        layout->addWidget(m_options[i]);
    }
    // Radio buttons with one parent form one exclusive group.
    m_options[current & 3]->setChecked(true);
    layout->addWidget(MakeOkCancel(this));
    FitCaption(*this);
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
    m_txtTitle = new CaretAtEndEdit(title, this);
    m_txtTitle->setObjectName(QStringLiteral("txtTitle"));
    layout->addWidget(m_txtTitle);
    layout->addWidget(MakeOkCancel(this));
    m_txtTitle->setFocus();
    FitCaption(*this);
}

QString frmTitle::Title() const
{
    return m_txtTitle->text();
}

frmFindFiles::frmFindFiles(const QString& pattern, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmFindFiles"));
    setWindowTitle(QStringLiteral("Find Files"));
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("&Name (* any characters, # one character):"), this);
    m_txtPattern = new CaretAtEndEdit(pattern, this);
    m_txtPattern->setObjectName(QStringLiteral("txtPattern"));
    label->setBuddy(m_txtPattern);
    layout->addWidget(label);
    layout->addWidget(m_txtPattern);
    layout->addWidget(MakeOkCancel(this));
    m_txtPattern->setFocus();
    FitCaption(*this);
}

QString frmFindFiles::Pattern() const
{
    return m_txtPattern->text();
}

frmAddr::frmAddr(const Addresses& addresses, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAddr"));
    setWindowTitle(QStringLiteral("Set Addresses"));
    auto* layout = new QGridLayout(this);
    auto* hex = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{1,8}")), this);
    auto field = [&](int row, const char* caption, const char* name, std::uint32_t value) {
        auto* edit = new QLineEdit(QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper(), this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setValidator(hex);
        auto* label = new QLabel(QString::fromLatin1(caption), this);
        label->setBuddy(edit);
        layout->addWidget(label, row, 0);
        layout->addWidget(edit, row, 1);
        return edit;
    };
    m_txtLoad = field(0, "&Load", "txtLoad", addresses.load);
    m_txtExec = field(1, "&Exec", "txtExec", addresses.exec);
    QWidget* buttons = MakeOkCancel(this);
    layout->addWidget(buttons, 2, 0, 1, 2);
    auto* ok = buttons->findChild<QPushButton*>(QStringLiteral("cmdOK"));
    auto follow = [this, ok] { ok->setEnabled(m_txtLoad->hasAcceptableInput() && m_txtExec->hasAcceptableInput()); };
    connect(m_txtLoad, &QLineEdit::textChanged, this, follow);
    connect(m_txtExec, &QLineEdit::textChanged, this, follow);
    m_txtLoad->setFocus();
    FitCaption(*this);
}

Addresses frmAddr::Values() const
{
    return {m_txtLoad->text().toUInt(nullptr, 16), m_txtExec->text().toUInt(nullptr, 16)};
}

} // namespace marlin::explorer
