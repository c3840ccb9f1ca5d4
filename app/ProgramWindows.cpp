#include "ProgramWindows.h"

#include "AnimationUnit.h"
#include "EventSound.h"
#include "LogUnit.h"
#include "OptionUnit.h"

void TProgramWindows::LogWrite(int iKind, const QString& sFrom, const QString& sTo, const QString& sText)
{
    ::LogWrite(iKind, sFrom, sTo, sText);
}

void TProgramWindows::LogFormShow()
{
    ::LogFormShow();
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

void TProgramWindows::SingleWindowsRelease()
{
    LogFormRelease();
    // Before the main window goes, so the options window's teardown finds it closing.
    OptionFormRelease();
}
