#pragma once

#include "MessageRecvQueue.h"

#include <QObject>
#include <QString>

// What the other windows tell or ask the main window, one signal each; the main
// window connects its own routines to them. It decides what its menus, tray and
// buttons show; a window never writes them itself. A window reaches this through
// its services (WindowServices.h); the connections are direct, so the main
// window has done its part when the emit returns.
class TMainWindowEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    // A message was read (a plain one shown, a letter opened): its receipt goes
    // out and it leaves the unread queue.
    void MessageWasRead(const TMessageRecvSub& message);
    // The chat room window opened (true) or went (false).
    void ChatWindowShown(bool bShown);
    // The web chat window opened (true) or went (false).
    void GlobalChatWindowShown(bool bShown);
    // The peer's away message is asked for; only an answer asked for is shown.
    void AbsenceMessageAsked(const QString& sMachine, const QString& sDiscrimination);
    // A message went out and the user wants the main window out of the way.
    void HideAfterSendAsked();
};
