#pragma once

#include "LogFile.h"
#include "SubUnit.h"

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

// What the main window asks of the program's other windows, one routine each.
// Every routine calls its window's unit directly; nothing here is optional, so a
// window that exists is always reached. Tests watch or replace routines through
// the one recording version (tests/support/RecordingWindows.h), which keeps the
// program's own for the rest; a routine added here is added there too.
//
// Each window has its routines under a heading of its own.
class TProgramWindows {
public:
    virtual ~TProgramWindows() = default;

    // ---- Log viewer (LogUnit)
    virtual void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText);
    virtual void LogWriteLines(const QList<TLogLine>& lines);
    virtual void LogFormShow();
    // Returns when every record written is in the log file (before the file moves).
    virtual void LogWriteWait();

    // ---- Send window (SendUnit): the targets are two "&|" lists
    virtual void SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                              const QString& sDiscriminations);

    // ---- Receive window (RecvUnit)
    virtual void RecvFormShow();
    virtual bool RecvFormExists();
    // A message arrived; iWaiting messages wait now.
    virtual void RecvFormUnread(int iWaiting);

    // ---- Away-message window (AbsenceUnit)
    virtual void AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage, const QString& sRecvTime);

    // ---- Pop-up notice (NoticeUnit)
    virtual void NoticeAdd(const QString& sText);

    // ---- Options window (OptionUnit)
    virtual void OptionFormShow(const TOptionOwner& owner);

    // ---- Effects of events (EventSound, AnimationUnit)
    // The event's sound, held back when the same peer's rang a moment ago.
    virtual void EventSoundPlay(int iIndex, const TPeer& peer);
    virtual void MouseAnimationStart(int iKind);

    // ---- File send and file receive windows (FileSendUnit, FileRecvUnit)
    // A new file send window for the peer, with the path filled in (empty when none is known).
    virtual void FileSendFormShow(const QString& sFileName, const TPeer& peer);
    // A new file receive window for an offer, which the window answers through the engine.
    virtual void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment,
                                  int iSocketNo, const TPeer& peer);

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

    // ---- Chat room (ChatUnit)
    virtual void ChatFormShow();
    // Closes the window as its close box does, which asks first.
    virtual void ChatFormClose();
    // Frees the window without asking (the log-out from inside the chat).
    virtual void ChatFormRelease();
    // A line said in the room: shown, logged and rung with the others that come
    // before the event loop comes round.
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
