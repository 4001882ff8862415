#pragma once

#include <chrono>
#include <functional>

namespace marlin::app {

// The splash window stays up this long, measured on a monotonic clock so that midnight or a change of the
// wall clock can neither shorten nor stretch it.
inline constexpr std::chrono::seconds kSplashTime{4};

using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;
// Runs the event loop for at most the given time (it may return sooner).
using EventPump = std::function<void(std::chrono::milliseconds)>;

// Keeps pumping events until at least `duration` has passed on `clock`; returns the elapsed time it measured.
std::chrono::steady_clock::duration WaitElapsed(std::chrono::steady_clock::duration duration,
                                                const MonotonicClock& clock, const EventPump& pump);

// The real pump: processes events and sleeps in the event loop (not spinning) for up to `most`.
void PumpEventsFor(std::chrono::milliseconds most);

} // namespace marlin::app
