#pragma once

#include <QString>

#include <memory>

class QMessageBox;
class QWidget;

namespace marlin::app {

inline const QString kNoHelpText =
    QStringLiteral("Unable to display Help Contents. There is no Help associated with this project.");

// The message of both help items: the text above, an information icon, OK, and `window`'s caption at this moment
// as its title. Built apart from showing it so a test can look at it.
std::unique_ptr<QMessageBox> MakeHelpMessage(QWidget* window);

// Shows that message modally over `window`.
void ShowHelpMessage(QWidget* window);

} // namespace marlin::app
