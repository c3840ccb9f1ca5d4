// The main window's menus and commands: what each does, what the selection
// allows, and what the other windows tell it happened.

#include "DropArrowButton.h"
#include "IniFile.h"
#include "MainMenus.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "ProjectImages.h"
#include "TaskIcon.h"

#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

namespace {

const QString kLogoutFileSend =
    QStringLiteral("現在、ファイル転送中です。オフラインにすると自動的にファイル転送がキャンセルされます。\r"
                   "オフラインへ切り替えてもよろしいですか？");
const QString kLogoutChat =
    QStringLiteral("現在、チャットへログイン中です。オフラインにすると自動的にチャットからログアウトされます"
                   "。\rオフラインへ切り替えてもよろしいですか？");
const QString kSendSkipped = QStringLiteral("メッセージ受信に対応していないユーザが選択されています。\r"
                                            "該当ユーザは自動的にメッセージ送信対象から除かれます。");
// The tool bar's buttons are at least this large, so the away button's arrow has room.
const QSize kToolButtonSize(36, 27);

} // namespace

void TMainForm::CreateMenus()
{
    const QList<QIcon> images = ProjectImages::ToolbarImages();
    auto action = [this, &images](const QString& sCaption, int iImage) {
        auto* a = new QAction(sCaption, this);
        if (iImage >= 0)
            a->setIcon(images[iImage]);
        a->setIconVisibleInMenu(true);
        return a;
    };
    using namespace ProjectImages;

    miMessageSend = action(QStringLiteral("メッセージ送信(&S)"), ToolbarSend);
    miMessageSend->setEnabled(false);
    connect(miMessageSend, &QAction::triggered, this, &TMainForm::miMessageSendClick);
    miToolFileSend = action(QStringLiteral("ファイル送信(&F)"), ToolbarFileSend);
    miToolFileSend->setEnabled(false);
    connect(miToolFileSend, &QAction::triggered, this, &TMainForm::miToolFileSendClick);
    miMessageRecv = action(QStringLiteral("受信メッセージ閲覧(&R)"), ToolbarRecv);
    miMessageRecv->setEnabled(false);
    connect(miMessageRecv, &QAction::triggered, this, &TMainForm::miMessageRecvClick);
    miToolAbsence = action(QStringLiteral("不在メッセージ取得(&A)"), ToolbarAbsenceRequest);
    miToolAbsence->setEnabled(false);
    connect(miToolAbsence, &QAction::triggered, this, &TMainForm::miToolAbsenceClick);
    miToolChat = action(QStringLiteral("チャット(&C)"), ToolbarChat);
    miToolChat->setCheckable(true);
    miToolChat->setEnabled(false);
    // The check mark follows the chat window, not the click.
    connect(miToolChat, &QAction::triggered, this, [this] {
        miToolChat->setChecked(!miToolChat->isChecked());
        miToolChatClick();
    });
    miToolGlobalChat = action(QStringLiteral("グローバル チャット(&G)"), ToolbarGlobalChat);
    miToolGlobalChat->setCheckable(true);
    connect(miToolGlobalChat, &QAction::triggered, this, &TMainForm::miToolGlobalChatClick);
    miMessageOnline = action(QStringLiteral("オンライン(&O)"), -1);
    miMessageOnline->setCheckable(true);
    connect(miMessageOnline, &QAction::triggered, this, [this] {
        // The command decides the check mark from the outcome, not the click.
        miMessageOnline->setChecked(!miMessageOnline->isChecked());
        miMessageOnlineClick();
    });
    miMessageEnd = action(QStringLiteral("終了(&X)"), -1);
    connect(miMessageEnd, &QAction::triggered, this, &TMainForm::miMessageEndClick);
    miToolLog = action(QStringLiteral("ログビューア(&L)"), ToolbarLog);
    connect(miToolLog, &QAction::triggered, this, &TMainForm::miToolLogClick);
    QAction* miOptionRefresh = action(QStringLiteral("最新の情報に更新(&R)"), -1);
    connect(miOptionRefresh, &QAction::triggered, this, &TMainForm::miOptionRefreshClick);
    QAction* miOptionSelectAll = action(QStringLiteral("すべて選択(&U)"), -1);
    connect(miOptionSelectAll, &QAction::triggered, this, &TMainForm::miOptionSelectAllClick);
    QAction* miOptionSelectChange = action(QStringLiteral("選択の切り替え(&I)"), -1);
    connect(miOptionSelectChange, &QAction::triggered, this, &TMainForm::miOptionSelectChangeClick);

    // Three toggles of each bar, one per menu that offers them; all share a handler.
    auto toggle = [&action, this](const QString& sCaption, void (TMainForm::*handler)()) {
        QAction* a = action(sCaption, -1);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    const QString sMenubar = QStringLiteral("メニューバー(&E)");
    const QString sToolbar = QStringLiteral("ツールバー(&T)");
    const QString sStatusbar = QStringLiteral("ステータスバー(&B)");
    miShowMenubar = toggle(sMenubar, &TMainForm::miRightMenubarClick);
    miShowToolbar = toggle(sToolbar, &TMainForm::miRightToolbarClick);
    miShowStatusbar = toggle(sStatusbar, &TMainForm::miRightStatusbarClick);
    miRightMenubar = toggle(sMenubar, &TMainForm::miRightMenubarClick);
    miRightToolbar = toggle(sToolbar, &TMainForm::miRightToolbarClick);
    miRightStatusbar = toggle(sStatusbar, &TMainForm::miRightStatusbarClick);
    miMenubar = toggle(sMenubar, &TMainForm::miRightMenubarClick);
    miToolbar = toggle(sToolbar, &TMainForm::miRightToolbarClick);
    miStatusbar = toggle(sStatusbar, &TMainForm::miRightStatusbarClick);

    QMenu* miMessage = menuBar()->addMenu(QStringLiteral("メッセージ(&M)"));
    miMessage->addActions({miMessageSend, miToolFileSend});
    miMessage->addSeparator();
    miMessage->addActions({miMessageRecv, miToolAbsence});
    miMessage->addSeparator();
    miMessage->addActions({miToolChat, miToolGlobalChat});
    miMessage->addSeparator();
    miMessage->addActions({miMessageOnline, miMessageEnd});
    miOptionAbsence = menuBar()->addMenu(QStringLiteral("不在設定(&A)"));
    miOptionAbsenceAction = miOptionAbsence->menuAction();
    miShow = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    connect(miShow, &QMenu::aboutToShow, this, &TMainForm::miShowClick);
    miShow->addAction(miToolLog);
    miShow->addSeparator();
    miShow->addActions({miShowMenubar, miShowToolbar, miShowStatusbar});
    miShow->addSeparator();
    miShow->addActions({miOptionSelectAll, miOptionSelectChange});
    miShow->addSeparator();
    miShow->addAction(miOptionRefresh);
    miShow->addSeparator();
    miOptionOption = action(QStringLiteral("オプション(&O)"), -1);
    connect(miOptionOption, &QAction::triggered, this, [this] { Windows->OptionFormShow(OptionOwner()); });
    miShow->addAction(miOptionOption);
    QMenu* miHelp = menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    auto command = [&action, this](const QString& sCaption, void (TProgramWindows::*routine)()) {
        QAction* a = action(sCaption, -1);
        connect(a, &QAction::triggered, this, [this, routine] { (Windows.get()->*routine)(); });
        return a;
    };
    miHelpTopic = action(QStringLiteral("ヘルプ(&C)"), -1);
    connect(miHelpTopic, &QAction::triggered, this, &TMainForm::miHelpTopicClick);
    miHelpUpdate = command(QStringLiteral("アップデートの確認(&U)"), &TProgramWindows::UpdateFormShow);
    miHelpDonation = command(QStringLiteral("寄付について"), &TProgramWindows::DonationFormShow);
    miHelpRequest = command(QStringLiteral("要望を送信する"), &TProgramWindows::RequestFormShow);
    miHelpVersion = command(QStringLiteral("バージョン情報(&A)"), &TProgramWindows::VersionFormShow);
    miHelp->addActions({miHelpTopic, miHelpUpdate});
    miHelp->addSeparator();
    miHelp->addActions({miHelpDonation, miHelpRequest});
    miHelp->addSeparator();
    miHelp->addAction(miHelpVersion);

    pmAbsence = new QMenu(this);
    sbAbsence = action(QStringLiteral("不在設定"), ToolbarAbsence);
    sbAbsence->setCheckable(true);
    sbAbsence->setEnabled(false);
    connect(sbAbsence, &QAction::triggered, this, &TMainForm::sbAbsenceClick);

    tbMenu->addActions({miMessageSend, miMessageRecv, miToolAbsence});
    tbMenu->addSeparator();
    tbMenu->addAction(miToolFileSend);
    tbMenu->addSeparator();
    tbMenu->addActions({miToolChat, miToolGlobalChat});
    tbMenu->addSeparator();
    // The away button draws the arrow that says it opens a menu.
    sbAbsenceButton = new TDropArrowButton(TDropArrowButton::TPlacement::Fixed, tbMenu);
    sbAbsenceButton->setObjectName(QStringLiteral("sbAbsence"));
    sbAbsenceButton->setDefaultAction(sbAbsence);
    sbAbsenceButton->setAutoRaise(true);
    sbAbsenceButton->setFocusPolicy(Qt::NoFocus);
    sbAbsenceButton->setIconSize(tbMenu->iconSize());
    sbAbsenceButton->setToolButtonStyle(Qt::ToolButtonIconOnly);
    tbMenu->addWidget(sbAbsenceButton);
    tbMenu->addSeparator();
    tbMenu->addAction(miToolLog);
    // The tool bar shows images only; its hints name the commands without their access keys.
    const std::pair<QAction*, const char*> hints[] = {{miMessageSend, "メッセージ送信"},
                                                      {miMessageRecv, "受信メッセージ閲覧"},
                                                      {miToolAbsence, "不在メッセージ取得"},
                                                      {miToolFileSend, "ファイル送信"},
                                                      {miToolChat, "チャット"},
                                                      {miToolGlobalChat, "グローバル チャット"},
                                                      {sbAbsence, "不在設定"},
                                                      {miToolLog, "ログビューア"}};
    for (const auto& [a, sHint] : hints)
        a->setToolTip(QString::fromUtf8(sHint));
    for (QAction* a : tbMenu->actions())
        if (QWidget* button = tbMenu->widgetForAction(a); button && !a->isSeparator())
            button->setMinimumSize(kToolButtonSize);

    pmRight = new QMenu(this);
    pmRight->addActions({miMessageSend, miToolFileSend});
    pmRight->addSeparator();
    pmRight->addAction(miToolAbsence);
    pmRight->addSeparator();
    pmRight->addActions({miRightMenubar, miRightToolbar, miRightStatusbar});
    connect(pmRight, &QMenu::aboutToShow, this, &TMainForm::miShowClick);
    lvLoginUser->SetPopupMenu(pmRight);
    lvLoginUser->OnDblClick = [this](QObject*) { lvLoginUserDblClick(); };
    for (QWidget* source :
         std::initializer_list<QWidget*>{statusBar(), tbAlphaBlend, sbPanelPresent, sbPanelAway}) {
        source->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(source, &QWidget::customContextMenuRequested, this,
                [this, source](const QPoint& point) { PopupRight(source, point); });
    }

    pmToolbar = new QMenu(this);
    pmToolbar->addActions({miMenubar, miToolbar, miStatusbar});
    connect(pmToolbar, &QMenu::aboutToShow, this, &TMainForm::miShowClick);
    tbMenu->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tbMenu, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& point) { pmToolbar->popup(tbMenu->mapToGlobal(point)); });

    pmTaskMenu = new TTaskMenu(this);
    miTaskSend = pmTaskMenu->miTaskSend;
    miTaskFileSend = pmTaskMenu->miTaskFileSend;
    miTaskAbsence = pmTaskMenu->miTaskAbsence;
    miTaskAbsenceAction = miTaskAbsence->menuAction();
    miTaskChat = pmTaskMenu->miTaskChat;
    miTaskChat->setCheckable(true);
    connect(pmTaskMenu, &QMenu::aboutToShow, this, &TMainForm::pmTaskMenuPopup);
    connect(pmTaskMenu->miTaskLog, &QAction::triggered, this, &TMainForm::miToolLogClick);
    connect(miTaskChat, &QAction::triggered, this, [this] {
        miTaskChat->setChecked(!miTaskChat->isChecked());
        miToolChatClick();
    });
    connect(pmTaskMenu->miTaskHelp, &QAction::triggered, this, &TMainForm::miHelpTopicClick);
    connect(pmTaskMenu->miTaskEnd, &QAction::triggered, this, &TMainForm::miMessageEndClick);
    connect(pmTaskMenu->miTaskOption, &QAction::triggered, this,
            [this] { Windows->OptionFormShow(OptionOwner()); });
    connect(pmTaskMenu->miTaskGlobalChat, &QAction::triggered, this, &TMainForm::miToolGlobalChatClick);
    connect(pmTaskMenu->miTaskVersion, &QAction::triggered, this, [this] { Windows->VersionFormShow(); });
    pmHotKeySend = new QMenu(this);
    pmHotKeyFileSend = new QMenu(this);
    OwnCommandsEnable(false);
    // The tray's chat item starts on; it follows the own row from the first log-out on.
    miTaskChat->setEnabled(true);
    TaskMessageListUpdate();
}

std::vector<const TLoginUserReport*> TMainForm::SelectedUsers() const
{
    std::vector<const TLoginUserReport*> users;
    for (int i = 0; i < lvLoginUser->ItemCount(); ++i) {
        const TListItem* row = lvLoginUser->Item(i);
        if (!row->isSelected())
            continue;
        if (const TLoginUserTable::TEntry* entry = PrUsers.FindRow(row))
            users.push_back(&entry->Report);
    }
    return users;
}

void TMainForm::OwnCommandsEnable(bool bEnabled)
{
    miToolChat->setEnabled(bEnabled);
    miTaskChat->setEnabled(bEnabled);
    miOptionAbsenceAction->setEnabled(bEnabled);
    miTaskAbsenceAction->setEnabled(bEnabled);
    sbAbsence->setEnabled(bEnabled);
    if (!bEnabled)
        sbAbsence->setChecked(false);
}

void TMainForm::SelectionCommandsUpdate()
{
    // What the peer reported, not the texts shown: an away title may read "オンライン".
    std::vector<TSelectedRowState> selected;
    for (const TLoginUserReport* user : SelectedUsers())
        selected.push_back({!user->Menu, user->Absence, user->FTPPort != 0});
    const TSelectionCommands commands = SelectionCommands(PVN->LoginStates(), selected);
    miMessageSend->setEnabled(commands.bSend);
    miToolFileSend->setEnabled(commands.bFileSend);
    miToolAbsence->setEnabled(commands.bAbsenceRequest);
}

void TMainForm::lvLoginUserDblClick()
{
    TableChangeFlush();
    if (lvLoginUser->SelCount() == 0)
        return;
    if (miToolAbsence->isEnabled())
        miToolAbsenceClick();
    else if (miMessageSend->isEnabled())
        miMessageSendClick();
}

void TMainForm::miMessageSendClick()
{
    TableChangeFlush();
    std::vector<TSendTargetRow> selected;
    for (const TLoginUserReport* user : SelectedUsers())
        selected.push_back({LoginUserKindText(*user), user->MachineName, user->Discrimination});
    const TSendTargets targets = SendTargets(selected);
    if (targets.bSkipped)
        MessageBoxShow(kSendSkipped, ApplicationTitle, MessageBox::MB_ICONWARNING);
    Windows->SendFormShow(QString(), true, targets.sMachines, targets.sDiscriminations);
}

void TMainForm::miToolFileSendClick()
{
    TableChangeFlush();
    if (const TLoginUserTable::TEntry* user = PrUsers.FindRow(lvLoginUser->Selected()))
        Windows->FileSendFormShow(QString(), LoginUserPeer(user->Report));
}

void TMainForm::miToolGlobalChatClick()
{
    // The window sets the mark as it opens and closes.
    miToolGlobalChat->setChecked(Windows->GlobalChatFormExists());
    if (Windows->GlobalChatFormExists())
        Windows->GlobalChatFormClose();
    else
        Windows->GlobalChatFormShow();
}

void TMainForm::miToolAbsenceClick()
{
    TableChangeFlush();
    if (const TLoginUserTable::TEntry* user = PrUsers.FindRow(lvLoginUser->Selected()))
        AbsenceRequest(user->Report.MachineName, user->Report.Discrimination);
}

void TMainForm::AbsenceRequest(const QString& sMachine, const QString& sDiscrimination)
{
    PrAbsenceRequests.Asked(sMachine, sDiscrimination);
    PVN->AbsenceRequest(sMachine, sDiscrimination);
}

void TMainForm::miToolChatClick()
{
    Windows->ChatFormShow();
    if (PVN->Chat())
        Windows->ChatFormClose();
    else
        PVN->ChatLogin();
}

void TMainForm::MessageRead(const TMessageRecvSub& message)
{
    PVN->MessageOpen(message.sMessageID, message.sSendMachine, message.sSendDiscrimination);
    MessageRecvQueue.Remove(message.sMessageID, message.sSendMachine, message.sSendDiscrimination);
    UnreadStateShow();
}

void TMainForm::UnreadStateShow()
{
    const bool bWaiting = !MessageRecvQueue.Empty();
    miMessageRecv->setEnabled(bWaiting);
    if (bWaiting) {
        // A running animation runs on: a restart with each arrival would hold it at its first frame.
        if (!tmTaskAnimation.isActive())
            tmTaskAnimation.start();
        return;
    }
    tmTaskAnimation.stop();
    tmTaskAnimationTag = 0;
    TaskIconStateShow();
}

void TMainForm::ChatShown(bool bShown)
{
    miToolChat->setChecked(bShown);
    miTaskChat->setChecked(bShown);
}

void TMainForm::GlobalChatShown(bool bShown)
{
    if (miToolGlobalChat != nullptr)
        miToolGlobalChat->setChecked(bShown);
}

void TMainForm::HideAfterSend()
{
    if (CustomizeTaskTray && CustomizeTaskBar)
        hide();
    else
        showMinimized();
}

void TMainForm::miHelpTopicClick()
{
    Windows->HelpShow();
}

void TMainForm::miOptionSelectAllClick()
{
    for (int i = 0; i < lvLoginUser->ItemCount(); ++i)
        lvLoginUser->Item(i)->setSelected(true);
}

void TMainForm::miOptionSelectChangeClick()
{
    for (int i = 0; i < lvLoginUser->ItemCount(); ++i)
        lvLoginUser->Item(i)->setSelected(!lvLoginUser->Item(i)->isSelected());
}

void TMainForm::BarToggle(QWidget* bar, const QString& sKey, bool& bHideSetting)
{
    // The bar as it is shown decides, so that a file changed meanwhile cannot make the toggle do nothing.
    const bool bHide = !bar->isHidden();
    bar->setVisible(!bHide);
    bHideSetting = bHide;
    IniFile ini(SettingsFileName());
    if (!ini.WriteBool(SectionOption, sKey, bHide))
        SettingsSaveErrorShow();
}

void TMainForm::miRightMenubarClick()
{
    BarToggle(menuBar(), KeyMenuBarHide, CustomizeMenuBarHide);
}

void TMainForm::miRightToolbarClick()
{
    BarToggle(tbMenu, KeyToolBarHide, CustomizeToolBarHide);
}

void TMainForm::miRightStatusbarClick()
{
    BarToggle(statusBar(), KeyStatusBarHide, CustomizeStatusBarHide);
}

void TMainForm::miShowClick()
{
    const bool bMenubar = !menuBar()->isHidden();
    const bool bToolbar = !tbMenu->isHidden();
    const bool bStatusbar = !statusBar()->isHidden();
    for (QAction* a : {miShowMenubar, miRightMenubar, miMenubar})
        a->setChecked(bMenubar);
    for (QAction* a : {miShowToolbar, miRightToolbar, miToolbar})
        a->setChecked(bToolbar);
    for (QAction* a : {miShowStatusbar, miRightStatusbar, miStatusbar})
        a->setChecked(bStatusbar);
}

void TMainForm::PopupRight(QWidget* source, const QPoint& local)
{
    pmRight->popup(source->mapToGlobal(local));
}

QMenu* TMainForm::createPopupMenu()
{
    // The tool bar has its own menu; the window offers no other.
    return nullptr;
}

void TMainForm::sbAbsenceClick()
{
    pmAbsence->exec(sbAbsenceButton->mapToGlobal(QPoint(0, sbAbsenceButton->height())));
    sbAbsence->setChecked(PVN->Absence());
}

void TMainForm::sbInformationMouseUp()
{
    if (PVN->LoginStates())
        pmAbsence->popup(statusBar()->mapToGlobal(QPoint(0, statusBar()->height())));
}

bool TMainForm::LoginOrUndo()
{
    if (PVN->Login())
        return true;
    // The engine counts itself logged in even when its announcement could not be sent.
    if (PVN->LoginStates())
        PVN->Logout();
    return false;
}

void TMainForm::LoggedOutState()
{
    OwnCommandsEnable(false);
    miMessageOnline->setChecked(false);
    LoginUserClear();
    TaskMessageListUpdate();
    lvLoginUserChange();
    TaskIconStateShow();
    sbInformationUpdate();
}

void TMainForm::miMessageOnlineClick()
{
    if (!miMessageOnline->isChecked()) {
        if (!LoginOrUndo()) {
            MessageBoxShow(MainLoginErrorText, ApplicationTitle, MessageBox::MB_ICONWARNING);
            return;
        }
        miMessageOnline->setChecked(true);
        AbsenceSelectMenuUpdate();
        TaskIconStateShow();
        sbInformationUpdate();
        return;
    }
    if (FileSending() && !AskYes(kLogoutFileSend, YesNoQuestion))
        return;
    if (PVN->Chat()) {
        if (!AskYes(kLogoutChat, YesNoQuestion))
            return;
        Windows->ChatFormRelease();
    }
    PVN->Logout();
    PVN->SetAbsence(false);
    LoggedOutState();
}

void TMainForm::miMessageEndClick()
{
    close();
}

void TMainForm::miMessageRecvClick()
{
    Windows->RecvFormShow();
}

void TMainForm::miToolLogClick()
{
    Windows->LogFormShow();
}

void TMainForm::miOptionRefreshClick()
{
    LoginUserClear();
    PVN->InformationReflesh();
    lvLoginUserChange();
}

void TMainForm::AbsenceSelectMenuUpdate()
{
    const QStringList slTitles = AbsenceKindTitles();
    for (QMenu* menu : {miOptionAbsence, pmAbsence, miTaskAbsence})
        AbsenceMenuFill(menu, slTitles, PVN->Absence(), CurrentAbsenceTitle,
                        [this](int iTag) { miOptionAbsenceClick(iTag); });
    sbAbsence->setChecked(!slTitles.isEmpty() && PVN->Absence());
    sbInformationUpdate();
}

void TMainForm::miOptionAbsenceClick(int iTag)
{
    if (iTag < 0) {
        PVN->SetAbsence(false);
        PVN->SetAbsenceTitle(QString());
        PVN->InformationUpdate();
        TaskIconStateShow();
    } else if (iTag < AbsenceMessageCount) {
        PVN->SetAbsenceMessage(AbsenceMessage[iTag].sMessage);
        CurrentAbsenceTitle = AbsenceMessage[iTag].sTitle;
        PVN->SetAbsence(true);
        PVN->SetAbsenceTitle(CurrentAbsenceTitle);
        PVN->InformationUpdate();
        TaskIconStateShow();
    }
    AbsenceSelectMenuUpdate();
}
