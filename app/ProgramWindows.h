#pragma once

#include <QString>

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

    // ---- Version check (UpdateUnit): from the Help menu, and hidden at start
    virtual void UpdateFormShow();
    virtual void UpdateFormStartCheck();

    // ---- Web chat (GlobalChatUnit)
    virtual void GlobalChatFormShow();
    // Asks the open web chat to log out and close.
    virtual void GlobalChatFormClose();
    virtual bool GlobalChatFormExists();

    // ---- Request, donation and version windows (RequestUnit, DonationUnit, VersionUnit)
    virtual void RequestFormShow();
    virtual void DonationFormShow();
    // Returns when the modal version window closes.
    virtual void VersionFormShow();

    // ---- The windows that exist at most once, freed when the main window closes
    virtual void SingleWindowsRelease();
};
