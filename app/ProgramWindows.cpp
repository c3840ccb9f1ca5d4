#include "ProgramWindows.h"

#include "AbsenceUnit.h"
#include "LogUnit.h"
#include "NoticeUnit.h"
#include "RecvUnit.h"
#include "SendUnit.h"

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

void TProgramWindows::SingleWindowsRelease()
{
    LogFormRelease();
    RecvFormRelease();
}
