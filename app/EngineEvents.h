#pragma once

#include "SubUnit.h"

#include <QObject>
#include <QString>

// The engine's events that other windows react to, as the main window passes
// them on: it emits each where it takes the engine's event, and a window
// connects to those it shows when it is made (TWindowServices::Events). A window
// that is not open hears nothing. The connections are direct: each reaction has
// run when the emit returns, in the order the main window emits.
class TEngineEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    // ---- The chat room
    // A line said in the room: the window takes it with the others that come
    // before the event loop comes round.
    void ChatLineSaid(const QString& sMessage, const TPeer& peer);
    void ChatMemberLogin(const TPeer& peer, bool bAbsence);
    void ChatMemberLogout(const TPeer& peer);
    // The peer with its new handle name.
    void ChatMemberRenamed(const TPeer& peer, const QString& sBeforeHandle);
    void ChatMemberAbsenceChanged(const TPeer& peer, bool bAbsence);
    // A line of the program's own between the lines said (the forced log-out).
    void ChatEventLine(const QString& sText);

    // ---- The receive window
    // A message arrived; iWaiting messages wait now.
    void MessageArrived(int iWaiting);
};
