#include "ProgramWindows.h"

#include "AbsenceUnit.h"
#include "AnimationUnit.h"
#include "ChatUnit.h"
#include "DonationUnit.h"
#include "EventSound.h"
#include "FileRecvUnit.h"
#include "FileSendUnit.h"
#include "GlobalChatUnit.h"
#include "HelpFile.h"
#include "LogUnit.h"
#include "NoticeUnit.h"
#include "OptionUnit.h"
#include "RecvUnit.h"
#include "RequestUnit.h"
#include "SendUnit.h"
#include "SubUnit.h"
#include "UpdateUnit.h"
#include "VersionUnit.h"

void TProgramWindows::LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText)
{
    ::LogWrite(iKind, sFrom, sTo, sText);
}

void TProgramWindows::LogFormShow()
{
    ::LogFormShow();
}

void TProgramWindows::LogWriteLines(const QList<TLogLine>& lines)
{
    ::LogWriteLines(lines);
}

void TProgramWindows::LogWriteWait()
{
    ::LogWriteWait();
}

void TProgramWindows::SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                                   const QString& sDiscriminations)
{
    ::SendFormShow(sMessage, bQuote, sMachines, sDiscriminations);
}

void TProgramWindows::RecvFormShow()
{
    ::RecvFormShow();
}

bool TProgramWindows::RecvFormExists()
{
    return RecvForm != nullptr;
}

void TProgramWindows::RecvFormUnread(int iWaiting)
{
    ::RecvFormUnread(iWaiting);
}

void TProgramWindows::AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage,
                                      const QString& sRecvTime)
{
    ::AbsenceFormShow(peer, sAbsenceMessage, sRecvTime);
}

void TProgramWindows::NoticeAdd(const QString& sText)
{
    ::NoticeAdd(sText);
}

void TProgramWindows::OptionFormShow(const TOptionOwner& owner)
{
    ::OptionFormShow(owner);
}

void TProgramWindows::EventSoundPlay(int iIndex, const TPeer& peer)
{
    ::EventSoundPlay(iIndex, peer.MachineName + u'\n' + peer.Discrimination);
}

void TProgramWindows::MouseAnimationStart(int iKind)
{
    ::MouseAnimationStart(iKind);
}

void TProgramWindows::FileSendFormShow(const QString& sFileName, const TPeer& peer)
{
    ::FileSendFormShow(sFileName, peer);
}

void TProgramWindows::FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment,
                                       int iSocketNo, const TPeer& peer)
{
    ::FileRecvFormShow(sFileName, iFileByte, sComment, iSocketNo, peer);
}

void TProgramWindows::UpdateFormShow()
{
    ::UpdateFormShow();
}

void TProgramWindows::UpdateFormStartCheck()
{
    ::UpdateFormStartCheck();
}

void TProgramWindows::GlobalChatFormShow()
{
    ::GlobalChatFormShow();
}

void TProgramWindows::GlobalChatFormClose()
{
    ::GlobalChatFormClose();
}

bool TProgramWindows::GlobalChatFormExists()
{
    return ::GlobalChatFormExists();
}

void TProgramWindows::RequestFormShow()
{
    ::RequestFormShow();
}

void TProgramWindows::DonationFormShow()
{
    ::DonationFormShow();
}

void TProgramWindows::VersionFormShow()
{
    ::VersionFormShow();
}

void TProgramWindows::ChatFormShow()
{
    ::ChatFormShow();
}

void TProgramWindows::ChatFormClose()
{
    if (ChatForm)
        ChatForm->close();
}

void TProgramWindows::ChatFormRelease()
{
    ::ChatFormRelease();
}

void TProgramWindows::ChatMessageAdd(const QString& sMessage, const TPeer& peer)
{
    ::ChatMessageQueue(sMessage, peer);
}

void TProgramWindows::ChatUserLogin(const TPeer& peer, bool bAbsence)
{
    ::ChatUserLogin(peer.HandleName, peer.MachineName, peer.Discrimination, bAbsence);
}

void TProgramWindows::ChatUserLogout(const TPeer& peer)
{
    ::ChatUserLogout(peer.HandleName, peer.MachineName, peer.Discrimination);
}

void TProgramWindows::ChatUserNameChange(const TPeer& peer, const QString& sBeforeHandle)
{
    ::ChatUserNameChange(peer.MachineName, peer.Discrimination, sBeforeHandle, peer.HandleName);
}

void TProgramWindows::ChatUserAbsenceChange(const TPeer& peer, bool bAbsence)
{
    ::ChatUserAbsenceChange(peer.MachineName, peer.Discrimination, peer.HandleName, bAbsence);
}

void TProgramWindows::ChatEventAdd(const QString& sText)
{
    ::ChatEventAdd(sText);
}

void TProgramWindows::HelpShow()
{
    ::HelpShow(0);
}

void TProgramWindows::SingleWindowsRelease()
{
    LogFormRelease();
    ::ChatFormRelease();
    // The web windows write their places as they go.
    UpdateFormRelease();
    RequestFormRelease();
    DonationFormRelease();
    GlobalChatFormRelease();
    // Before the main window goes, so the options window's teardown finds it closing.
    OptionFormRelease();
    RecvFormRelease();
}
