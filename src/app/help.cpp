#include "app/help.h"

#include <QMessageBox>

#include "explorer/dialogs.h"

namespace marlin::app {

std::unique_ptr<QMessageBox> MakeHelpMessage(QWidget* window)
{
    const QString title = window ? window->windowTitle() : QString();
    auto box = std::make_unique<QMessageBox>(QMessageBox::Information, title, kNoHelpText, QMessageBox::Ok, window);
    explorer::FitCaption(*box);
    return box;
}

void ShowHelpMessage(QWidget* window)
{
    MakeHelpMessage(window)->exec();
}

} // namespace marlin::app
