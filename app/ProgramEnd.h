#pragma once

#include "EndSignals.h"

#include <QObject>

class TMainForm;

// How the desktop and the terminal end the program: the end of the session, a
// closed terminal or Ctrl+C (SIGTERM, SIGHUP, SIGINT) and a quit of the
// application that did not come through the program's own close (the session
// manager's) close it as its own close does, without questions, so peers see it
// leave and the settings and the log are kept. The session manager's request to
// save its data only saves: it may still cancel the log-out, so the program goes on.
class TProgramEnd : public QObject {
    Q_OBJECT

public:
    explicit TProgramEnd(TMainForm& form);

    // What the session manager's request to save runs.
    void CommitData();
    // False when the signals could not be caught; they then end the program at once.
    bool SignalsInstalled() const { return FSignals.Installed(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TMainForm& FForm;
    EndSignals FSignals;
};
