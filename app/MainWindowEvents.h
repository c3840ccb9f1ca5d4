#pragma once

struct TMessageRecvSub;

// What the other windows tell the main window has happened, one routine each.
// The main window decides what its menus, tray and buttons show; a window never
// writes them itself.
class TMainWindowEvents {
public:
    virtual ~TMainWindowEvents() = default;

    // A message was read (a plain one shown, a letter opened): its receipt goes
    // out and it leaves the unread queue.
    virtual void MessageRead(const TMessageRecvSub& message) = 0;
    // The chat room window opened (true) or went (false).
    virtual void ChatShown(bool bShown) = 0;
    // The web chat window opened (true) or went (false).
    virtual void GlobalChatShown(bool bShown) = 0;
};

// The main window while it exists; nullptr before it is made and after it is gone.
TMainWindowEvents* MainWindowEvents();
