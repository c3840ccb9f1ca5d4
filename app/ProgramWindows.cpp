#include "ProgramWindows.h"

#include "FileRecvUnit.h"
#include "FileSendUnit.h"
#include "LogUnit.h"

void TProgramWindows::LogWrite(int iKind, const QString& sFrom, const QString& sTo, const QString& sText)
{
    ::LogWrite(iKind, sFrom, sTo, sText);
}

void TProgramWindows::LogFormShow()
{
    ::LogFormShow();
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

void TProgramWindows::SingleWindowsRelease()
{
    LogFormRelease();
}
