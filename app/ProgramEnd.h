#pragma once

#include "EndSignals.h"

#include <QObject>

// What the end from outside asks of the program: the main window provides it.
class TProgramEndTarget {
public:
    virtual ~TProgramEndTarget() = default;
    // The end of the session or of the terminal: the close without its questions, then the end of the loops.
    virtual void SessionEnd() = 0;
    // The settings and the log are kept, and nothing ends.
    virtual void SessionSave() = 0;
    // The loops ended without the program's own close: the close without questions.
    virtual void QuitEnd() = 0;
    // The close has begun or the window is going.
    virtual bool Closing() const = 0;
};

// How the desktop and the terminal end the program: the end of the session, a
// closed terminal or Ctrl+C (SIGTERM, SIGHUP, SIGINT) and a quit of the
// application that did not come through the program's own close (the session
// manager's) close it as its own close does, without questions, so peers see it
// leave and the settings and the log are kept. The session manager's request to
// save its data only saves: it may still cancel the log-out, so the program goes on.
class TProgramEnd : public QObject {
    Q_OBJECT

public:
    explicit TProgramEnd(TProgramEndTarget& program);

    // What the session manager's request to save runs.
    void CommitData();
    // False when the signals could not be caught; they then end the program at once.
    bool SignalsInstalled() const { return FSignals.Installed(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TProgramEndTarget& FProgram;
    EndSignals FSignals;
};
