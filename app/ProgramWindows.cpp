#include "ProgramWindows.h"

#include "DonationUnit.h"
#include "GlobalChatUnit.h"
#include "LogUnit.h"
#include "RequestUnit.h"
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
}
