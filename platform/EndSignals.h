#pragma once

#include <QSocketNotifier>
#include <functional>
#include <memory>

// The signals by which the desktop or a terminal ends the program: SIGTERM at the
// end of a session, SIGHUP when its terminal closes, SIGINT for Ctrl+C. Their
// handler only writes the signal's number to a pipe, whose notifier calls OnEnd
// on the event loop of the thread that made this object, where the program can
// close as it always does. One at a time; its end gives the signals back their
// default actions.
class EndSignals {
public:
    using TEndEvent = std::function<void(int iSignal)>;

    explicit EndSignals(TEndEvent onEnd);
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // False when the pipe or a handler could not be set up; the signals then end the program at once.
    bool Installed() const { return FInstalled; }

private:
    void Read();

    TEndEvent FOnEnd;
    int FPipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> FNotifier;
    bool FInstalled = false;
};
