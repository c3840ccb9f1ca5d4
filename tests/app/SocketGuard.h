#pragma once

// While refused, every socket of the internet families that the refusing thread
// asks for fails (EACCES), and the attempt is noted: a window test that runs its
// engine on the loopback stand-in must never reach the machine's network. The
// engine and the windows run on that thread; the threads of libraries that an
// earlier test loaded (the browser engine's) are none of the test's business.
namespace SocketGuard {

void SetRefused(bool bRefused);
// An internet socket was asked for since the last SetRefused(true).
bool Tried();

} // namespace SocketGuard
