#pragma once

// A desktop of the test's own: an X server (1280 x 800) with a real window manager
// (openbox), which draws frames and title-bar buttons and places windows, and a
// 24-pixel panel along the bottom (trayer), which takes its strip from the work
// area as a task bar does. Ready once the work area shows the panel.
#include "XServer.h"

#include <QProcess>
#include <QRect>
#include <QString>

namespace TestSupport {

class Desktop {
public:
    static constexpr int kPanelHeight = 24;

    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;

    bool IsReady() const { return FError.isEmpty(); }
    const QString& Error() const { return FError; }
    const QString& Display() const { return FServer.Display(); }
    // The work area the window manager announces (_NET_WORKAREA), empty before it does.
    QRect WorkArea() const;

private:
    QString RootProperty(const QString& sName) const;
    // The window manager has put its check window on the root (_NET_SUPPORTING_WM_CHECK).
    bool ManagerAnnounced() const;
    bool Start(QProcess& process, const QString& sProgram, const QStringList& args);

    XServer FServer;
    QProcess FWindowManager;
    QProcess FPanel;
    QString FError;
};

} // namespace TestSupport
