#pragma once

// While refused, every socket of the internet families that the thread which
// refused them asks for fails (EACCES), and the attempt is noted: a window test
// that runs its engine on the loopback stand-in must never reach the machine's
// network. The engine runs on that thread; other threads are not watched.
namespace SocketGuard {

void SetRefused(bool bRefused);
// An internet socket was asked for since the last SetRefused(true).
bool Tried();

} // namespace SocketGuard
