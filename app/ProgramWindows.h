#pragma once

#include <QString>

struct TPeer;

// What the main window asks of the program's other windows, one routine each.
// Every routine calls its window's unit directly; nothing here is optional, so a
// window that exists is always reached. Tests derive from this class to watch or
// replace one routine and keep the program's own for the rest.
//
// A window that is not built yet has no routine here, and the main window keeps
// its command disabled. Each window adds its routines under a heading of its own.
class TProgramWindows {
public:
    virtual ~TProgramWindows() = default;

    // ---- Log viewer (LogUnit)
    virtual void LogWrite(int iKind, const QString& sFrom, const QString& sTo, const QString& sText);
    virtual void LogFormShow();

    // ---- Chat room (ChatUnit)
    virtual void ChatFormShow();
    // Closes the window as its close box does, which asks first.
    virtual void ChatFormClose();
    // Frees the window without asking (the log-out from inside the chat).
    virtual void ChatFormRelease();
    virtual void ChatMessageAdd(const QString& sMessage, const TPeer& peer);
    virtual void ChatUserLogin(const TPeer& peer, bool bAbsence);
    virtual void ChatUserLogout(const TPeer& peer);
    // The peer with its new handle name.
    virtual void ChatUserNameChange(const TPeer& peer, const QString& sBeforeHandle);
    virtual void ChatUserAbsenceChange(const TPeer& peer, bool bAbsence);
    virtual void ChatEventAdd(const QString& sText);

    // ---- Help page (HelpFile)
    virtual void HelpShow();

    // ---- The windows that exist at most once, freed when the main window closes
    virtual void SingleWindowsRelease();
};
