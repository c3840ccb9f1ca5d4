#pragma once

#include "LogFile.h"
#include "SubUnit.h"
#include "WindowServices.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>

struct TPeer;
struct TLogLine;

// Where the options window opens and what it shows of the running program: the
// window it opens beside, whose monitor holds it and its dialogs (none: the
// middle of the primary monitor), and the engine's computer name and addresses.
struct TOptionOwner {
    QPointer<QWidget> window;
    QString sMachineName;
    QStringList slIPAddress;
};

// What the main window and the other windows ask of the program's windows, one
// routine each. The program's version (TProgramWindowUnits) calls each window's
// unit directly and hands every window it makes the services it was given;
// nothing here is optional, so a window that exists is always reached. Tests
// watch or replace routines through the one recording version
// (tests/support/RecordingWindows.h), which keeps the program's own for the
// rest; a routine added here is added there too. What the engine tells the
// windows goes by the signals of TEngineEvents, not through here.
//
// Each window has its routines under a heading of its own.
class TProgramWindows {
public:
    virtual ~TProgramWindows() = default;

    // The main window's services, once its engine exists, for every window made from then on.
    virtual void ServicesSet(const TWindowServicesRef& services) = 0;

    // ---- Log viewer (LogUnit)
    virtual void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText) = 0;
    virtual void LogWriteLines(const QList<TLogLine>& lines) = 0;
    virtual void LogFormShow() = 0;
    // Returns when every record written is in the log file (before the file moves).
    virtual void LogWriteWait() = 0;

    // ---- Send window (SendUnit): the targets are two "&|" lists
    virtual void SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                              const QString& sDiscriminations) = 0;

    // ---- Receive window (RecvUnit)
    virtual void RecvFormShow() = 0;
    virtual bool RecvFormExists() = 0;

    // ---- Away-message window (AbsenceUnit)
    virtual void AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage,
                                 const QString& sRecvTime) = 0;

    // ---- Pop-up notice (NoticeUnit)
    virtual void NoticeAdd(const QString& sText) = 0;

    // ---- Options window (OptionUnit)
    virtual void OptionFormShow(const TOptionOwner& owner) = 0;

    // ---- Effects of events (EventSound, AnimationUnit)
    // The event's sound, held back when the same peer's rang a moment ago.
    virtual void EventSoundPlay(int iIndex, const TPeer& peer) = 0;
    virtual void MouseAnimationStart(int iKind) = 0;

    // ---- File send and file receive windows (FileSendUnit, FileRecvUnit)
    // A new file send window for the peer, with the path filled in (empty when none is known).
    virtual void FileSendFormShow(const QString& sFileName, const TPeer& peer) = 0;
    // A new file receive window for an offer, which the window answers through the engine.
    virtual void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment,
                                  int iSocketNo, const TPeer& peer) = 0;

    // ---- Version check (UpdateUnit): from the Help menu, and hidden at start
    virtual void UpdateFormShow() = 0;
    virtual void UpdateFormStartCheck() = 0;

    // ---- Web chat (GlobalChatUnit)
    virtual void GlobalChatFormShow() = 0;
    // Asks the open web chat to log out and close.
    virtual void GlobalChatFormClose() = 0;
    virtual bool GlobalChatFormExists() = 0;

    // ---- Request, donation and version windows (RequestUnit, DonationUnit, VersionUnit)
    virtual void RequestFormShow() = 0;
    virtual void DonationFormShow() = 0;
    // Returns when the modal version window closes.
    virtual void VersionFormShow() = 0;

    // ---- Chat room (ChatUnit)
    virtual void ChatFormShow() = 0;
    // Closes the window as its close box does, which asks first.
    virtual void ChatFormClose() = 0;
    // Frees the window without asking (the log-out from inside the chat).
    virtual void ChatFormRelease() = 0;

    // ---- Help page (HelpFile)
    virtual void HelpShow() = 0;

    // ---- The windows that exist at most once, freed when the main window closes
    virtual void SingleWindowsRelease() = 0;
};
