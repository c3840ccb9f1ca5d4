#pragma once

#include <functional>

namespace TestSupport {

// Runs the event loop until done() holds or iTimeoutMs have passed; the result is done().
// Sockets, timers and child processes all report through the loop, so every wait of a
// test goes through here. The bound is generous: a loaded machine can be slow, and a wait
// that succeeds returns at once.
bool WaitUntil(const std::function<bool()>& done, int iTimeoutMs = 15000);

// Runs the event loop for iMs, at least once: for a test that must see that nothing comes.
void PumpFor(int iMs = 0);

} // namespace TestSupport
