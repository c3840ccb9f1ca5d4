#include "ProgramWindows.h"

#include "ChatUnit.h"
#include "HelpFile.h"
#include "LogUnit.h"
#include "SubUnit.h"

void TProgramWindows::LogWrite(int iKind, const QString& sFrom, const QString& sTo, const QString& sText)
{
    ::LogWrite(iKind, sFrom, sTo, sText);
}

void TProgramWindows::LogFormShow()
{
    ::LogFormShow();
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
    ::ChatMessageAdd(sMessage, peer.HandleName, peer.MachineName, peer.Discrimination);
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
}
