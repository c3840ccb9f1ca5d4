#include "ProgramWindowUnits.h"

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

void TProgramWindowUnits::ServicesSet(const TWindowServicesRef& services)
{
    FServices = services;
    // The notice has no window to hand them to when the options window shows its test notice.
    NoticeServicesSet(services);
}

void TProgramWindowUnits::LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo,
                                   const QString& sText)
{
    ::LogWrite(iKind, sFrom, sTo, sText);
}

void TProgramWindowUnits::LogFormShow()
{
    ::LogFormShow();
}

void TProgramWindowUnits::LogWriteLines(const QList<TLogLine>& lines)
{
    ::LogWriteLines(lines);
}

void TProgramWindowUnits::LogWriteWait()
{
    ::LogWriteWait();
}

void TProgramWindowUnits::SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                                       const QString& sDiscriminations)
{
    ::SendFormShow(sMessage, bQuote, sMachines, sDiscriminations, FServices);
}

void TProgramWindowUnits::RecvFormShow()
{
    ::RecvFormShow(FServices);
}

bool TProgramWindowUnits::RecvFormExists()
{
    return RecvForm != nullptr;
}

void TProgramWindowUnits::AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage,
                                          const QString& sRecvTime)
{
    ::AbsenceFormShow(peer, sAbsenceMessage, sRecvTime, FServices);
}

void TProgramWindowUnits::NoticeAdd(const QString& sText)
{
    ::NoticeAdd(sText);
}

void TProgramWindowUnits::OptionFormShow(const TOptionOwner& owner)
{
    ::OptionFormShow(owner);
}

void TProgramWindowUnits::EventSoundPlay(int iIndex, const TPeer& peer)
{
    ::EventSoundPlay(iIndex, peer.MachineName + u'\n' + peer.Discrimination);
}

void TProgramWindowUnits::MouseAnimationStart(int iKind)
{
    ::MouseAnimationStart(iKind);
}

void TProgramWindowUnits::FileSendFormShow(const QString& sFileName, const TPeer& peer)
{
    ::FileSendFormShow(sFileName, peer, FServices);
}

void TProgramWindowUnits::FileRecvFormShow(const QString& sFileName, qint64 iFileByte,
                                           const QString& sComment, int iSocketNo, const TPeer& peer)
{
    ::FileRecvFormShow(sFileName, iFileByte, sComment, iSocketNo, peer, FServices);
}

void TProgramWindowUnits::UpdateFormShow()
{
    ::UpdateFormShow();
}

void TProgramWindowUnits::UpdateFormStartCheck()
{
    ::UpdateFormStartCheck();
}

void TProgramWindowUnits::GlobalChatFormShow()
{
    ::GlobalChatFormShow(FServices);
}

void TProgramWindowUnits::GlobalChatFormClose()
{
    ::GlobalChatFormClose();
}

bool TProgramWindowUnits::GlobalChatFormExists()
{
    return ::GlobalChatFormExists();
}

void TProgramWindowUnits::RequestFormShow()
{
    ::RequestFormShow();
}

void TProgramWindowUnits::DonationFormShow()
{
    ::DonationFormShow();
}

void TProgramWindowUnits::VersionFormShow()
{
    ::VersionFormShow(FServices);
}

void TProgramWindowUnits::ChatFormShow()
{
    ::ChatFormShow(FServices);
}

void TProgramWindowUnits::ChatFormClose()
{
    if (ChatForm)
        ChatForm->close();
}

void TProgramWindowUnits::ChatFormRelease()
{
    ::ChatFormRelease();
}

void TProgramWindowUnits::HelpShow()
{
    ::HelpShow(0);
}

void TProgramWindowUnits::SingleWindowsRelease()
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
