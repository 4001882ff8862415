#include "app/start.h"

#include "app/frm_about.h"
#include "app/frm_splash.h"
#include "app/help.h"
#include "explorer/frm_main.h"

namespace marlin::app {

std::unique_ptr<explorer::frmMain> Module1Start(const QString& imagePath, const MonotonicClock& clock,
                                                const EventPump& pump, explorer::Prompts* prompts)
{
    frmSplash splash;
    splash.show();
    splash.repaint();
    WaitElapsed(kSplashTime, clock, pump);

    auto window = std::make_unique<explorer::frmMain>(prompts);
    ConnectHelp(*window);
    splash.close();
    window->Form_Load();
    if (!imagePath.isEmpty())
        window->OpenImageFile(imagePath);
    return window;
}

void ConnectHelp(explorer::frmMain& window)
{
    QObject::connect(&window, &explorer::frmMain::helpRequested, &window, [&window] { ShowHelpMessage(&window); });
    QObject::connect(&window, &explorer::frmMain::aboutRequested, &window, [&window] {
        frmAbout about(&window);
        about.exec();
    });
}

} // namespace marlin::app
