// Marlin Explorer: one explorer window on a blank disc; closing it ends the program.
#include <QApplication>

#include "explorer/frm_main.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Marlin Explorer"));
    marlin::explorer::frmMain window;
    window.Form_Load();
    return QApplication::exec();
}
