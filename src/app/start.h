#pragma once

#include "app/splash_wait.h"

#include <QString>

#include <memory>

namespace marlin::explorer {
class Prompts;
class frmMain;
} // namespace marlin::explorer

namespace marlin::app {

// The start procedure of Module1: the splash window is shown and drawn, kSplashTime passes on `clock` while `pump`
// keeps the event loop running, then the explorer window is made, the splash closes and the window loads.
// A non-empty imagePath is then opened as the Open command would open it. The caller runs the event loop.
std::unique_ptr<explorer::frmMain> Module1Start(const QString& imagePath, const MonotonicClock& clock,
                                                const EventPump& pump, explorer::Prompts* prompts = nullptr);

// Gives the explorer's Help menu its answers: both help items show the help
// message titled with the window's caption, About shows the About box, each
// modal over the window.
void ConnectHelp(explorer::frmMain& window);

} // namespace marlin::app
