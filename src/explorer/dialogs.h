#pragma once
// The three small modal dialogs of the explorer window. Each is made fresh
// for every showing and hands its values back; none checks anything itself.

#include <QDialog>

#include "explorer/prompts.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace marlin::explorer {

// "Set File Attributes": Read, Write, Locked.
class frmAttr : public QDialog {
    Q_OBJECT
public:
    explicit frmAttr(const AttributeFlags& flags, QWidget* parent = nullptr);
    [[nodiscard]] AttributeFlags Flags() const;

private:
    QCheckBox* m_chkRead;
    QCheckBox* m_chkWrite;
    QCheckBox* m_chkLocked;
};

// "Set Boot Attributes": Off, Load, Run, Exec (0 to 3).
class frmBoot : public QDialog {
    Q_OBJECT
public:
    // current: the boot option byte; only its low two bits are shown.
    explicit frmBoot(int current, QWidget* parent = nullptr);
    [[nodiscard]] int Option() const;

private:
    QRadioButton* m_options[4];
};

// "Set Directory Title".
class frmTitle : public QDialog {
    Q_OBJECT
public:
    explicit frmTitle(const QString& title, QWidget* parent = nullptr);
    [[nodiscard]] QString Title() const;

private:
    QLineEdit* m_txtTitle;
};

// "Find Files": a pattern with the filing system's wildcards.
class frmFindFiles : public QDialog {
    Q_OBJECT
public:
    explicit frmFindFiles(const QString& pattern, QWidget* parent = nullptr);
    [[nodiscard]] QString Pattern() const;

private:
    QLineEdit* m_txtPattern;
};

// "Set Addresses": Load and Exec in hexadecimal, up to 8 digits each; OK
// only while both hold a number.
class frmAddr : public QDialog {
    Q_OBJECT
public:
    explicit frmAddr(const Addresses& addresses, QWidget* parent = nullptr);
    [[nodiscard]] Addresses Values() const;

private:
    QLineEdit* m_txtLoad;
    QLineEdit* m_txtExec;
};

// OK (default, so Enter presses it) on the left and Cancel beside it.
QWidget* MakeOkCancel(QDialog* dialog);

// The width a window needs for its caption to show whole: the caption in the
// bold face title bars use, and room for the title bar's icon and buttons.
[[nodiscard]] int CaptionWidth(const QWidget& window);
// Widens a dialog (a message box included) to CaptionWidth.
void FitCaption(QDialog& dialog);

} // namespace marlin::explorer
