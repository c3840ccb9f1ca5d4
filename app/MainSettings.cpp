// The main window follows the settings store: the engine, stays on top, a new
// log-in to a changed address list, the tray, and the end of a removed away kind.

#include "MainUnit.h"
#include "MessageBox.h"
#include "SettingsStore.h"
#include "TaskIcon.h"

namespace {

const QString kReloginNotice =
    QStringLiteral("直接メッセージを送るアドレスが変更されたため、自動的にParvaneNetworkへ再ログインされます"
                   "。\rチャットにログ"
                   "インしていた場合は、再度、チャットへログインし直してください。");
const QString kAbsenceCleared =
    QStringLiteral("現在選択中の不在の種類が変更、または削除された為、不在設定が自動的に解除されました。");

} // namespace

void TMainForm::SettingsApplied(const TSettingsChange& change)
{
    PVN->SetHandleName(HandleName);
    PVN->SetSecurity(CustomizeSecurityData);
    if (change.Has(CustomizeShowTopMost)) {
        const bool bVisible = isVisible();
        setWindowFlag(Qt::WindowStaysOnTopHint, CustomizeShowTopMost);
        if (bVisible)
            show();
    }
    if (PVN->LoginStates() && change.Has(NetworkBroadcast))
        BroadcastRelogin(NetworkBroadcast);
    else
        PVN->SetBroadcastIP(NetworkBroadcast);
    PVN->InformationUpdate();
    AbsenceSelectMenuUpdate();
    TaskIconStateShow();
    if (change.Has(CustomizeTaskTray) || change.Has(CustomizeTaskBar))
        TrayRestyle();
}

TOptionOwner TMainForm::OptionOwner()
{
    return {this, PVN->MachineName(), PVN->IPAddress()};
}

void TMainForm::BroadcastRelogin(const QString& sBroadcastIP)
{
    if (PVN->Chat())
        Windows->ChatFormRelease();
    PVN->Logout();
    LoggedOutState();
    if (CustomizeReloginMessage)
        MessageBoxShow(kReloginNotice, ApplicationTitle, MessageBox::MB_ICONINFORMATION);
    PVN->SetBroadcastIP(sBroadcastIP);
    if (!LoginOrUndo()) {
        MessageBoxShow(MainLoginErrorText, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    miMessageOnline->setChecked(true);
    AbsenceSelectMenuUpdate();
}

void TMainForm::AbsenceKindCheck()
{
    if (!PVN->Absence())
        return;
    const bool bKindThere =
        std::any_of(AbsenceMessage.begin(), AbsenceMessage.end(),
                    [](const TAbsenceMessageSub& kind) { return kind.sTitle == CurrentAbsenceTitle; });
    if (bKindThere)
        return;
    PVN->SetAbsence(false);
    PVN->InformationUpdate();
    TaskIconStateShow();
    AbsenceSelectMenuUpdate();
    MessageBoxShow(kAbsenceCleared, ApplicationTitle, MessageBox::MB_ICONINFORMATION);
}
