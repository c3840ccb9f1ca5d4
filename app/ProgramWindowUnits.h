#pragma once

#include "ProgramWindows.h"

// The program's windows: each routine calls its window's unit, and every window
// made here is handed the services the main window gave. It includes every
// window unit, so no window includes it; the main window makes it, and the
// tests' recording version derives from it.
class TProgramWindowUnits : public TProgramWindows {
public:
    void ServicesSet(const TWindowServicesRef& services) override;
    void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText) override;
    void LogWriteLines(const QList<TLogLine>& lines) override;
    void LogFormShow() override;
    void LogWriteWait() override;
    void SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                      const QString& sDiscriminations) override;
    void RecvFormShow() override;
    bool RecvFormExists() override;
    void AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage,
                         const QString& sRecvTime) override;
    void NoticeAdd(const QString& sText) override;
    void OptionFormShow(const TOptionOwner& owner) override;
    void EventSoundPlay(int iIndex, const TPeer& peer) override;
    void MouseAnimationStart(int iKind) override;
    void FileSendFormShow(const QString& sFileName, const TPeer& peer) override;
    void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment, int iSocketNo,
                          const TPeer& peer) override;
    void UpdateFormShow() override;
    void UpdateFormStartCheck() override;
    void GlobalChatFormShow() override;
    void GlobalChatFormClose() override;
    bool GlobalChatFormExists() override;
    void RequestFormShow() override;
    void DonationFormShow() override;
    void VersionFormShow() override;
    void ChatFormShow() override;
    void ChatFormClose() override;
    void ChatFormRelease() override;
    void HelpShow() override;
    void SingleWindowsRelease() override;

private:
    TWindowServicesRef FServices;
};
