#include "app/splash_wait.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace marlin::app {

std::chrono::steady_clock::duration WaitElapsed(std::chrono::steady_clock::duration duration,
                                                const MonotonicClock& clock, const EventPump& pump)
{
    using namespace std::chrono;
    const auto start = clock();
    for (;;) {
        const auto elapsed = clock() - start;
        if (elapsed >= duration)
            return elapsed;
        // Round up so the pump is never asked for zero time while some remains.
        const auto remaining = std::max(ceil<milliseconds>(duration - elapsed), milliseconds{1});
        pump(remaining);
    }
}

void PumpEventsFor(std::chrono::milliseconds most)
{
    QEventLoop loop;
    QTimer::singleShot(most, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace marlin::app
