// marlin-explorer [IMAGE.dat]: the splash window, then the explorer window, on a blank disc or on the image given.
#include "app/app_identity.h"
#include "app/application.h"
#include "app/icons.h"
#include "app/start.h"
#include "explorer/frm_main.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    marlin::app::Application app(argc, argv);
    QApplication::setApplicationName(marlin::app::kTitle);
    QApplication::setDesktopFileName(QStringLiteral("marlin-explorer"));
    QApplication::setWindowIcon(marlin::app::AppIcon());

    // Qt has taken its own options out; what is left is at most one image path.
    const QStringList args = QApplication::arguments();
    if (args.size() > 2) {
        std::fputs("usage: marlin-explorer [IMAGE.dat]\n", stderr);
        return 2;
    }
    auto window = marlin::app::Module1Start(args.value(1), std::chrono::steady_clock::now, marlin::app::PumpEventsFor);
    app.SetPrompts(&window->UserPrompts());
    return QApplication::exec();
}
