#pragma once

// An X server of the test's own (Xvfb), for a test whose copy of the test
// program must draw on a real screen or grab keys there. Its display number
// is one no other server on the machine holds, so tests run at once cannot collide.
#include "XDisplayNumber.h"

#include <QProcess>
#include <QString>

namespace TestSupport {

class XServer {
public:
    explicit XServer(const QString& sScreen = QStringLiteral("1280x800x24"));
    // Ends the server.
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    bool IsReady() const { return !FDisplay.isEmpty(); }
    const QString& Error() const { return FError; }
    // ":N", for DISPLAY.
    const QString& Display() const { return FDisplay; }

private:
    XDisplayNumber FNumber;
    QProcess FServer;
    QString FDisplay;
    QString FError;
};

} // namespace TestSupport
