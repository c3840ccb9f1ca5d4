// The main window in the tray and on the hot keys: the tray icon, its menu and
// animation, minimising to the tray, and the global hot keys.

#include "MainMenus.h"
#include "MainUnit.h"
#include "ProjectImages.h"
#include "TaskIcon.h"

#include <QApplication>
#include <QCursor>

namespace {

struct THotKeySetting {
    int iId;
    int* pSetting;
};
const THotKeySetting kHotKeys[] = {
    {TMainForm::HotKeyShow, &CustomizeHotKey1}, {TMainForm::HotKeySend, &CustomizeHotKey2},
    {TMainForm::HotKeyRecv, &CustomizeHotKey3}, {TMainForm::HotKeyFileSend, &CustomizeHotKey4},
    {TMainForm::HotKeyLog, &CustomizeHotKey5},
};

} // namespace

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        CustomizeTaskTray && CustomizeTaskBar)
        QTimer::singleShot(0, this, [this] { WMSysCommand(SC_MINIMIZE); });
}

void TMainForm::WMSysCommand(int iCommand)
{
    if (iCommand == SC_MINIMIZE) {
        if (CustomizeTaskTray && CustomizeTaskBar) {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            hide();
        } else {
            showMinimized();
        }
    } else if (iCommand == SC_RESTORE) {
        setWindowState(windowState() & ~Qt::WindowMinimized);
    }
}

bool TMainForm::ModalForward()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal)
        return false;
    WindowForeground(modal);
    return true;
}

void TMainForm::ShowFromTray()
{
    if (CustomizeTaskBar)
        show();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    WindowForeground(this);
}

void TMainForm::PopupAtCursor(QMenu* menu)
{
    TableChangeFlush();
    WindowForeground(this);
    menu->popup(QCursor::pos());
}

void TMainForm::WMTaskTray(TTrayMouse mouse)
{
    // Over a modal box nothing else may open: the box comes forward instead.
    if (mouse != TTrayMouse::Other && ModalForward())
        return;
    switch (mouse) {
    case TTrayMouse::LeftDown:
        WindowForeground(this);
        if (miMessageRecv->isEnabled())
            miMessageRecvClick();
        break;
    case TTrayMouse::LeftDoubleClick:
        ShowFromTray();
        break;
    case TTrayMouse::RightUp:
        PopupAtCursor(pmTaskMenu);
        break;
    case TTrayMouse::Other:
        break;
    }
}

void TMainForm::WMHotKey(int iId)
{
    if (ModalForward())
        return;
    switch (iId) {
    case HotKeyShow:
        WMTaskTray(TTrayMouse::LeftDoubleClick);
        break;
    case HotKeyRecv:
        WMTaskTray(TTrayMouse::LeftDown);
        break;
    case HotKeySend:
        PopupAtCursor(pmHotKeySend);
        break;
    case HotKeyFileSend:
        PopupAtCursor(pmHotKeyFileSend);
        break;
    case HotKeyLog:
        miToolLogClick();
        break;
    default:
        break;
    }
}

void TMainForm::HotKeyRegister()
{
    for (const THotKeySetting& hotKey : kHotKeys)
        if (*hotKey.pSetting != 0)
            PrHotKeys.Register(hotKey.iId, ShortCutToHotKeyModifiers(quint16(*hotKey.pSetting)),
                               unsigned(*hotKey.pSetting) & 0xFF);
}

void TMainForm::HotKeyUnregister()
{
    PrHotKeys.UnregisterAll();
}

void TMainForm::pmTaskMenuPopup()
{
    TableChangeFlush();
    pmTaskMenu->pmTaskMenuPopup(TaskHideSettingsCurrent());
    pmTaskMenu->miTaskGlobalChat->setCheckable(true);
    pmTaskMenu->miTaskGlobalChat->setChecked(Windows->GlobalChatFormExists());
}

void TMainForm::TaskMessageListUpdate()
{
    QList<TPVN_LoginUserInformation> users;
    for (int i = 0; i < PVN->LoginCount(); ++i)
        users << PVN->GetLoginUser(i);
    const TUserMenuEntries entries = UserMenuEntries(users);
    UserMenuFill(miTaskSend, pmHotKeySend, entries.send, ProjectImages::ToolbarSend,
                 [this](const QString& sCaption) { UserMenuSendClick(sCaption, false); });
    UserMenuFill(miTaskFileSend, pmHotKeyFileSend, entries.file, ProjectImages::ToolbarFileSend,
                 [this](const QString& sCaption) { UserMenuSendClick(sCaption, true); });
    sbInformationUpdate();
}

void TMainForm::UserMenuSendClick(const QString& sCaption, bool bFile)
{
    QList<TPVN_LoginUserInformation> users;
    for (int i = 0; i < PVN->LoginCount(); ++i)
        users << PVN->GetLoginUser(i);
    const std::optional<TPVN_LoginUserInformation> user = UserMenuTarget(users, sCaption);
    if (!user)
        return;
    if (bFile)
        Windows->FileSendFormShow(QString(), {user->Handle, user->Machine, user->Discrimination});
    else if (user->Absence)
        AbsenceRequest(user->Machine, user->Discrimination);
    else
        Windows->SendFormShow(QString(), true, user->Machine, user->Discrimination);
}

void TMainForm::SettingsEditing(bool bEditing)
{
    if (bEditing)
        HotKeyUnregister();
    // The window's own teardown releases the keys; an editor that goes before it registers them again.
    else if (!Closing())
        HotKeyRegister();
}

void TMainForm::TrayRestyle()
{
    // The tray in charge of a minimised window takes it; otherwise a window hidden
    // in the tray comes back minimised on the task bar.
    if (CustomizeTaskTray && CustomizeTaskBar) {
        if (isMinimized()) {
            setWindowState(windowState() & ~Qt::WindowMinimized);
            hide();
        }
    } else if (!isVisible()) {
        showMinimized();
    }
}

void TMainForm::TaskIconStateShow()
{
    // While the message animation runs, its frames are the image.
    if (!tmTaskAnimation.isActive())
        TaskIconSet(CustomizeTaskTray, TaskIconTip, TaskStateIcon(PVN->LoginStates(), PVN->Absence()));
}

void TMainForm::tmTaskAnimationTimer()
{
    const int iIcon =
        TaskAnimationTick(AnimationTaskTrayIcon, tmTaskAnimationTag, PVN->LoginStates(), PVN->Absence());
    TaskIconSet(CustomizeTaskTray, TaskIconTip, iIcon);
}
