#pragma once

#include <functional>

namespace TestSupport {

// Runs the event loop until done() holds or iTimeoutMs have passed; the result is done().
// Sockets, timers and child processes all report through the loop, so every wait of a
// test goes through here.
bool WaitUntil(const std::function<bool()>& done, int iTimeoutMs = 5000);

// Runs the event loop for iMs, at least once: for a test that must see that nothing comes.
void PumpFor(int iMs = 0);

} // namespace TestSupport
