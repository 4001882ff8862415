#pragma once
// frmFind: asks a view window for the text to find.

#include <QDialog>

class QLineEdit;

namespace marlin::explorer {

class frmFind : public QDialog {
    Q_OBJECT
public:
    // Starts with text in txtFind, all of it selected.
    explicit frmFind(const QString& text, QWidget* parent = nullptr);
    [[nodiscard]] QString Text() const;

private:
    QLineEdit* m_txtFind;
};

} // namespace marlin::explorer
