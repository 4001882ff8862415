#include "app/help.h"

#include <QMessageBox>

namespace marlin::app {

std::unique_ptr<QMessageBox> MakeHelpMessage(QWidget* window)
{
    const QString title = window ? window->windowTitle() : QString();
    return std::make_unique<QMessageBox>(QMessageBox::Information, title, kNoHelpText, QMessageBox::Ok, window);
}

void ShowHelpMessage(QWidget* window)
{
    MakeHelpMessage(window)->exec();
}

} // namespace marlin::app
