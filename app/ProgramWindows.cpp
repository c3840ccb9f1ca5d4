#include "ProgramWindows.h"

#include "AbsenceUnit.h"
#include "AnimationUnit.h"
#include "DonationUnit.h"
#include "EventSound.h"
#include "FileRecvUnit.h"
#include "FileSendUnit.h"
#include "GlobalChatUnit.h"
#include "LogUnit.h"
#include "NoticeUnit.h"
#include "OptionUnit.h"
#include "RecvUnit.h"
#include "RequestUnit.h"
#include "SendUnit.h"
#include "UpdateUnit.h"
#include "VersionUnit.h"

void TProgramWindows::LogWrite(int iKind, const QString& sFrom, const QString& sTo, const QString& sText)
{
    ::LogWrite(iKind, sFrom, sTo, sText);
}

void TProgramWindows::LogFormShow()
{
    ::LogFormShow();
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

void TProgramWindows::OptionFormShow()
{
    ::OptionFormShow();
}

void TProgramWindows::EventSoundPlay(int iIndex)
{
    ::EventSoundPlay(iIndex);
}

void TProgramWindows::MouseAnimationStart(int iKind)
{
    ::MouseAnimationStart(iKind);
}

void TProgramWindows::FileSendFormShow(const QString& sFileName, const TPeer& peer)
{
    ::FileSendFormShow(sFileName, peer);
}

QString TProgramWindows::FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment,
                                          int iSocketNo, const TPeer& peer)
{
    return ::FileRecvFormShow(sFileName, iFileByte, sComment, iSocketNo, peer);
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

void TProgramWindows::SingleWindowsRelease()
{
    LogFormRelease();
    // The web windows write their places as they go.
    UpdateFormRelease();
    RequestFormRelease();
    DonationFormRelease();
    GlobalChatFormRelease();
    // Before the main window goes, so the options window's teardown finds it closing.
    OptionFormRelease();
    RecvFormRelease();
}
