#include "app/start.h"

#include "app/frm_splash.h"
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
    splash.close();
    window->Form_Load();
    if (!imagePath.isEmpty())
        window->OpenImageFile(imagePath);
    return window;
}

} // namespace marlin::app
