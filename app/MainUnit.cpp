#include "MainUnit.h"

#include "CommandLine.h"
#include "CommonForm.h"
#include "DropArrowButton.h"
#include "IniFile.h"
#include "MainMenus.h"
#include "MessageBox.h"
#include "ProgramWindowUnits.h"
#include "ProjectImages.h"
#include "SettingsStore.h"
#include "TaskIcon.h"
#include "UserName.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDate>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QToolBar>
#include <QToolButton>

namespace {

const QString kDiscrimination = QStringLiteral("Parvane2");
constexpr int kVersion = 2200;

const QString kServiceStartError = QStringLiteral(
    "ソケットサービスを開始できませんでした。\rTCP/IPサービスが正常に動作しているか確認してください。");
const QString kLoginError = QStringLiteral(
    "ParvaneNetworkのログインに失敗しました。\rTCP/IPサービスが正常に動作しているか確認してください。");
const QString kReloginNotice =
    QStringLiteral("直接メッセージを送るアドレスが変更されたため、自動的にParvaneNetworkへ再ログインされます"
                   "。\rチャットにログ"
                   "インしていた場合は、再度、チャットへログインし直してください。");
const QString kAbsenceCleared =
    QStringLiteral("現在選択中の不在の種類が変更、または削除された為、不在設定が自動的に解除されました。");
const QString kCloseUnread = QStringLiteral("閲覧していないメッセージがあります。終了してもよろしいですか？");
const QString kCloseFileSend = QStringLiteral("現在、ファイル転送中です。終了してもよろしいですか？");
const QString kCloseChat = QStringLiteral("現在、チャットへログイン中です。終了してもよろしいですか？");
const QString kCloseEnd = QStringLiteral("終了してもよろしいですか？");
const QString kLogoutFileSend =
    QStringLiteral("現在、ファイル転送中です。オフラインにすると自動的にファイル転送がキャンセルされます。\r"
                   "オフラインへ切り替えてもよろしいですか？");
const QString kLogoutChat =
    QStringLiteral("現在、チャットへログイン中です。オフラインにすると自動的にチャットからログアウトされます"
                   "。\rオフラインへ切り替えてもよろしいですか？");
const QString kQueueOverflow =
    QStringLiteral("最大受信待機数をオーバーしました。\r一番古い待機メッセージが消去され、新しく受信したメッ"
                   "セージが待機されます。\r\r"
                   "削除されたメッセージの内容を知りたい場合はログを参照してください。");
const QString kReloginChat =
    QStringLiteral("チャットから強制ログアウトされました。\r\n自動的に再ログイン処理が行われます。");
const QString kReloginDone = QStringLiteral(
    "割り当てられているIPアドレスが変更された為 ParvaneNetwork への再ログイン処理が行われました。");
const QString kNoAbsenceMessage = QStringLiteral(" の不在メッセージはありません。");
const QString kFileOfferOverflow = QStringLiteral(
    "受信を待っているファイルが多すぎるため、新しく届いたファイルの受信を自動的に拒否しました。\r"
    "待っているファイルを受信するかキャンセルすると、また受け取れるようになります。");
// The kinds of the warnings raised from the engine's events: one box of each at most.
const QString kQueueOverflowKind = QStringLiteral("QueueOverflow");
const QString kNoAbsenceMessageKind = QStringLiteral("NoAbsenceMessage");
const QString kReloginKind = QStringLiteral("Relogin");
const QString kFileOfferOverflowKind = QStringLiteral("FileOfferOverflow");
const QString kSendSkipped = QStringLiteral("メッセージ受信に対応していないユーザが選択されています。\r"
                                            "該当ユーザは自動的にメッセージ送信対象から除かれます。");
// The tool bar's buttons are at least this large, so the away button's arrow has room.
const QSize kToolButtonSize(36, 27);

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

// ---------------------------------------------------------------- start-up

TMainForm::TMainForm(std::unique_ptr<TProgramWindows> windows, QWidget* parent)
    : QMainWindow(parent), Windows(windows ? std::move(windows) : std::make_unique<TProgramWindowUnits>())
{
    MainForm = this;
    OnTerminate = LoopsEnd;
    setWindowTitle(ApplicationTitle);
    // What acts on a setting follows the store; the away state ends last of an apply.
    TSettingsStore& settings = SettingsStore();
    connect(&settings, &TSettingsStore::Applied, this, &TMainForm::SettingsApplied);
    connect(&settings, &TSettingsStore::ApplyEnded, this, &TMainForm::AbsenceKindCheck);
    connect(&settings, &TSettingsStore::EditingChanged, this, &TMainForm::SettingsEditing);
    connect(&settings, &TSettingsStore::FilesMoving, this, [this] { Windows->LogWriteWait(); });
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
    // A window that outlives this one finds no services, as one made without them.
    *PrServices = {};
    if (MainForm == this)
        MainForm = nullptr;
}

void TMainForm::FormCreate()
{
    MessageRecvQueue.Clear();
    TaskIconData = TTaskIconData();
    PrFirstRun = true;
    WindowListsClear();

    ProgramDirectory =
        ProgramDirectoryOf(ProgramDirectoryOverride.isEmpty() ? QCoreApplication::applicationDirPath()
                                                              : ProgramDirectoryOverride);
    PVN = std::make_unique<TParvaneNetwork>();
    PVN->SetDiscrimination(kDiscrimination);
    PVN->SetVersion(kVersion);
    PVN->SetSecurity(false);
    *PrServices = {.Engine = PVN.get(),
                   .Users = &PrUsers,
                   .Windows = Windows.get(),
                   .Main = &MainWindowEvents,
                   .Events = &EngineEvents,
                   .MainWindow = this};
    BindWindowEvents();
    Windows->ServicesSet(Services());
    BindEngineEvents();
    CreateControls();
    CreateMenus();

    SettingsLocate(LoginUserName());
    IniFile ini(SettingsFileName());

    if (PortOverrideMsg == -1) {
        SettingsReadPorts(ini);
        PVN->SetPortNo(NetworkPort ? NetworkPortNo : TParvaneNetwork::DefaultPortNo);
        PVN->SetFTPPortNo(NetworkPort ? NetworkFTPPortNo : TParvaneNetwork::DefaultFTPPortNo);
    } else {
        PVN->SetPortNo(PortOverrideMsg);
        PVN->SetFTPPortNo(PortOverrideFile);
    }

    if (!(ServiceStarter ? ServiceStarter(*PVN) : PVN->ServiceStart())) {
        MessageBoxShow(kServiceStartError, ApplicationTitle, MessageBox::MB_ICONWARNING);
        PrStartHidden = true;
        return;
    }
    PrStarted = true;

    WindowPlacementApply(this, WindowPlacementRead(ini, SectionMainWindow, PrDesignSize));
    for (int i = 0; i < lvLoginUser->SectionCount(); ++i)
        lvLoginUser->SetSectionWidth(i, ini.ReadInteger(SectionMainWindow, QStringLiteral("Columns%1").arg(i),
                                                        lvLoginUser->SectionWidth(i)));
    lvLoginUser->SetSortIndex(ini.ReadInteger(SectionMainWindow, QStringLiteral("SortIndex"), 0));
    lvLoginUser->SetSortUpper(ini.ReadBool(SectionMainWindow, QStringLiteral("SortUpper"), true));
    tbAlphaBlend->setValue(AlphaBlendRead(ini, SectionMainWindow));

    SettingsReadBars(ini);
    menuBar()->setVisible(!CustomizeMenuBarHide);
    tbMenu->setVisible(!CustomizeToolBarHide);
    statusBar()->setVisible(!CustomizeStatusBarHide);
    SettingsReadViewFlags(ini);

    SettingsReadOption(ini, PVN->MachineName());
    PVN->SetHandleName(HandleName);
    PVN->SetSecurity(CustomizeSecurityData);
    if (CustomizeShowTopMost)
        setWindowFlag(Qt::WindowStaysOnTopHint, true);
    NetworkBroadcast = SettingsReadBroadcastIP(ini);
    PVN->SetBroadcastIP(NetworkBroadcast);
    SettingsReadAbsence(ini);

    CurrentAbsenceTitle.clear();
    AbsenceSelectMenuUpdate();

    AlphaBlendApply(this, tbAlphaBlend);
    sbInformationUpdate();

    PrTrayIcon = new QSystemTrayIcon(this);
    TaskIcon = PrTrayIcon;
    connect(PrTrayIcon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        switch (reason) {
        case QSystemTrayIcon::Trigger:
            WMTaskTray(TTrayMouse::LeftDown);
            break;
        case QSystemTrayIcon::DoubleClick:
            WMTaskTray(TTrayMouse::LeftDoubleClick);
            break;
        case QSystemTrayIcon::Context:
            WMTaskTray(TTrayMouse::RightUp);
            break;
        default:
            WMTaskTray(TTrayMouse::Other);
        }
    });
    TaskIconStateShow();

    // The window's one task-bar entry goes with the window: hidden to the tray, it has none.
    if (CustomizeTaskTray && CustomizeTaskBar && CustomizeStartFormHide)
        PrStartHidden = true;

    if (CustomizeStartLogin)
        miMessageOnlineClick();
    HotKeyRegister();

    if (CustomizeStartVersionCheck && SettingsReadLastCheck(ini) != LastCheckText(QDate::currentDate()))
        Windows->UpdateFormStartCheck();
}

void TMainForm::CreateControls()
{
    lvLoginUser = new TSortListView(this);
    const QStringList slTitles = LoginUserColumnTitles();
    const std::vector<int> widths = LoginUserColumnWidths();
    for (qsizetype i = 0; i < slTitles.size(); ++i)
        lvLoginUser->AddSection(slTitles[i], widths[size_t(i)]);
    lvLoginUser->SetSmallImages(ProjectImages::LoginUserImages());
    lvLoginUser->SetMultiSelect(true);
    lvLoginUser->SetRowSelect(true);
    lvLoginUser->SetReadOnly(true);
    lvLoginUser->SetHideSelection(true);
    lvLoginUser->SetSortIndex(0);
    lvLoginUser->SetSortUpper(true);
    lvLoginUser->SetSortSecondIndex(0);
    lvLoginUser->SetSortSecondUpper(true);
    // A selection changes only what the commands allow; a row written changes the table.
    lvLoginUser->OnChange = [this](QObject*, TListItem*, TItemChange change) {
        if (change == TItemChange::ctState)
            SelectionCommandsUpdate();
        else
            TableChanged();
    };
    // A file goes only to a row that says it takes files; neither the selection nor the log-in matters.
    lvLoginUser->OnFileDropOver = [this](QObject*, TListItem* item, bool& bCancel) {
        const TLoginUserTable::TEntry* user = PrUsers.FindRow(item);
        bCancel = user == nullptr || user->Report.FTPPort == 0;
    };
    lvLoginUser->OnFileDrop = [this](QObject*, TListItem* item, const QString& sFileName) {
        const TLoginUserTable::TEntry* user = PrUsers.FindRow(item);
        if (user != nullptr && user->Report.FTPPort != 0)
            Windows->FileSendFormShow(sFileName, LoginUserPeer(user->Report));
    };
    setCentralWidget(lvLoginUser);

    tbMenu = addToolBar(QStringLiteral("tbMenu"));
    tbMenu->setIconSize(QSize(16, 16));
    tbMenu->setToolButtonStyle(Qt::ToolButtonIconOnly);

    auto panel = [this] {
        auto* button = new QToolButton(this);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setIconSize(QSize(16, 16));
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    sbPanelState = new TDropArrowButton(TDropArrowButton::TPlacement::AfterText, this);
    sbPanelState->setAutoRaise(true);
    sbPanelState->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    sbPanelState->setIconSize(QSize(16, 16));
    sbPanelState->setFocusPolicy(Qt::NoFocus);
    sbPanelPresent = panel();
    sbPanelAway = panel();
    // Any mouse button opens the away menu here, the right one too, in place of the bar's menu.
    sbPanelState->OnMouseUp = [this] { sbInformationMouseUp(); };
    sbPanelState->setContextMenuPolicy(Qt::PreventContextMenu);
    tbAlphaBlend = AlphaBlendSliderCreate(this);
    connect(tbAlphaBlend, &QSlider::valueChanged, this, [this] { AlphaBlendApply(this, tbAlphaBlend); });
    statusBar()->addWidget(sbPanelState, 1);
    statusBar()->addWidget(sbPanelPresent);
    statusBar()->addWidget(sbPanelAway);
    statusBar()->addPermanentWidget(tbAlphaBlend);

    tmTaskAnimation.setInterval(TaskAnimationIntervalMs);
    connect(&tmTaskAnimation, &QTimer::timeout, this, &TMainForm::tmTaskAnimationTimer);
    PrHotKeys.OnHotKey = [this](int iId) { WMHotKey(iId); };
}

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

void TMainForm::BindEngineEvents()
{
    TParvaneNetwork* pvn = PVN.get();
    pvn->OnLogin = [this](auto&&... a) { PVNLogin(a...); };
    pvn->OnLogout = [this](auto&&... a) { PVNLogout(a...); };
    pvn->OnInfoChange = [this](auto&&... a) { PVNInfoChange(a...); };
    pvn->OnMessage = [this](auto&&... a) { PVNMessage(a...); };
    pvn->OnMessageOpen = [this](auto&&... a) { PVNMessageOpen(a...); };
    pvn->OnAbsenceMessage = [this](auto&&... a) { PVNAbsenceMessage(a...); };
    pvn->OnChatMessage = [this](auto&&... a) { PVNChatMessage(a...); };
    pvn->OnIPAddressChange = [this](TParvaneNetwork* sender) { PVNIPAddressChange(sender); };
    pvn->OnFileRecvStart = [this](TParvaneNetwork* sender, int iSocket, const QString& h, const QString& m,
                                  const QString& d, QString& sFileName, qint64 iFileByte, const QString& c,
                                  bool& bCancel) {
        PVNFileRecvStart(sender, iSocket, h, m, d, sFileName, iFileByte, c, bCancel);
    };
    pvn->OnFileRecving = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&, const QString&,
                                const QString&, qint64 iDone,
                                qint64 iTotal) { PrFileRecvRoute.Progress(iSocket, iDone, iTotal); };
    pvn->OnFileRecvEnd = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&, const QString&,
                                const QString&) {
        PrFileRecvRoute.Route(iSocket, WM_FILERECVEND, 0, 0, true);
    };
    pvn->OnErrorFileRecv = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&,
                                  const QString&, const QString&, int iError) {
        PrFileRecvRoute.Route(iSocket, WM_ERRORFILERECV, 0, iError, true);
    };
    pvn->OnFileSendStart = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&,
                                  const QString&, const QString&) {
        PrFileSendRoute.Route(iSocket, WM_FILESENDSTART, 0, 0, false);
    };
    pvn->OnFileSending = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&, const QString&,
                                const QString&, qint64 iDone,
                                qint64 iTotal) { PrFileSendRoute.Progress(iSocket, iDone, iTotal); };
    pvn->OnFileSendEnd = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&, const QString&,
                                const QString&) {
        PrFileSendRoute.Route(iSocket, WM_FILESENDEND, 0, 0, true);
    };
    pvn->OnErrorFileSend = [this](TParvaneNetwork*, int iSocket, const QString&, const QString&,
                                  const QString&, const QString&, int iError) {
        PrFileSendRoute.Route(iSocket, WM_ERRORFILESEND, 0, iError, true);
    };
    pvn->OnFileSendSocketChange = [this](TParvaneNetwork*, int iBefore, int iAfter) {
        PrFileSendRoute.SocketChange(iBefore, iAfter, WM_FILESENDSOCKETCHANGE);
    };
    // A flood of refused offers is one box: the same warning is counted into the open one.
    pvn->OnErrorFileRecvOverflow = [](TParvaneNetwork*) {
        WarningShow(kFileOfferOverflowKind, kFileOfferOverflow, MessageBox::MB_ICONWARNING);
    };
}

void TMainForm::BindWindowEvents()
{
    const TMainWindowEvents* events = &MainWindowEvents;
    connect(events, &TMainWindowEvents::MessageWasRead, this, &TMainForm::MessageRead);
    connect(events, &TMainWindowEvents::ChatWindowShown, this, &TMainForm::ChatShown);
    connect(events, &TMainWindowEvents::GlobalChatWindowShown, this, &TMainForm::GlobalChatShown);
    connect(events, &TMainWindowEvents::AbsenceMessageAsked, this, &TMainForm::AbsenceRequest);
    connect(events, &TMainWindowEvents::HideAfterSendAsked, this, &TMainForm::HideAfterSend);
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (!PrFirstRun)
        return;
    PrFirstRun = false;
    if (CustomizeStartFormHide && !(CustomizeTaskTray && CustomizeTaskBar))
        QTimer::singleShot(0, this, [this] { showMinimized(); });
}

// ---------------------------------------------------------------- shutdown

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (PrClosing || FormClose()) {
        event->accept();
        Terminate();
    } else {
        event->ignore();
    }
}

bool TMainForm::FileSending() const
{
    for (const QString& sEntry : FileSendWindowList)
        if (WindowListSocket(sEntry) > 0)
            return true;
    return false;
}

bool TMainForm::FormClose()
{
    bool bAsked = false;
    if (!MessageRecvQueue.Empty()) {
        if (!AskYes(kCloseUnread, YesNoQuestionNoDefault))
            return false;
        bAsked = true;
    }
    if (FileSending() && !AskYes(kCloseFileSend, YesNoQuestion))
        return false;
    if (PVN->Chat()) {
        if (!AskYes(kCloseChat, YesNoQuestionNoDefault))
            return false;
        bAsked = true;
    }
    if (!bAsked && CustomizeEnd && !AskYes(kCloseEnd, YesNoQuestion))
        return false;
    CloseWindowsAndLogout();
    return true;
}

void TMainForm::SessionEnd()
{
    if (!PrClosing)
        CloseWindowsAndLogout();
    Terminate();
}

void TMainForm::SessionSave()
{
    if (!PrStarted || PrDestroyed)
        return;
    SettingsSave();
    Windows->LogWriteWait();
}

void TMainForm::QuitEnd()
{
    if (!PrClosing)
        CloseWindowsAndLogout();
}

void TMainForm::CloseWindowsAndLogout()
{
    PrClosing = true;
    if (PrStarted)
        PVN->Logout();
    Windows->SingleWindowsRelease();
    // Every registered window, not only the first of its list.
    ListedWindowsClose();
}

void TMainForm::LoopsEnd()
{
    // The loops end first, so that a window that answers its close with a question
    // holds nothing (its box returns at once); then the quit closes the windows
    // left, which write their settings as they go.
    QCoreApplication::exit(0);
    QCoreApplication::quit();
}

void TMainForm::Terminate()
{
    // Ends the loops; the window and its engine are destroyed after the main loop
    // has returned, never inside one of the engine's events.
    if (OnTerminate)
        OnTerminate();
}

void TMainForm::FormDestroy()
{
    if (PrDestroyed)
        return;
    PrDestroyed = true;
    HotKeyUnregister();
    if (PrStarted) {
        PVN->Logout();
        PVN->ServiceEnd();
    }
    tmTaskAnimation.stop();
    TaskIconSet(false, TaskIconTip, 0);
    if (TaskIcon == PrTrayIcon)
        TaskIcon = nullptr;
    WindowListsClear();
    // A start that never got past the service wrote nothing and read nothing: the
    // stored values stay as they are.
    if (!PrStarted)
        return;
    SettingsSave();
}

void TMainForm::SettingsSave()
{
    const IniFileWritingPass pass(SettingsFileName(), SettingsSaveErrorShow);
    IniFile ini(SettingsFileName());
    bool bOk = WindowPlacementWrite(ini, SectionMainWindow, this);
    for (int i = 0; bOk && i < lvLoginUser->SectionCount(); ++i)
        bOk = ini.WriteInteger(SectionMainWindow, QStringLiteral("Columns%1").arg(i),
                               lvLoginUser->SectionWidth(i));
    bOk = bOk && ini.WriteInteger(SectionMainWindow, QStringLiteral("SortIndex"), lvLoginUser->SortIndex()) &&
          ini.WriteBool(SectionMainWindow, QStringLiteral("SortUpper"), lvLoginUser->SortUpper()) &&
          AlphaBlendWrite(ini, SectionMainWindow, tbAlphaBlend->value());
    if (!bOk)
        SettingsSaveErrorShow();
}

// ---------------------------------------------------------------- window messages

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

// ---------------------------------------------------------------- the user list

TListItem* TMainForm::LoginUserFind(const QString& sMachine, const QString& sDiscrimination) const
{
    const TLoginUserTable::TEntry* entry = PrUsers.Find(sMachine, sDiscrimination);
    return entry ? entry->Row : nullptr;
}

QString TMainForm::LoginUserHandle(const QString& sMachine, const QString& sDiscrimination) const
{
    const TLoginUserTable::TEntry* entry = PrUsers.Find(sMachine, sDiscrimination);
    return entry ? entry->Report.HandleName : QString();
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

void TMainForm::LoginUserUpdate(const TLoginUserReport& report)
{
    const TLoginUserTable::TEntry* entry = PrUsers.Find(report.MachineName, report.Discrimination);
    const bool bOwn =
        report.MachineName == PVN->MachineName() && report.Discrimination == PVN->Discrimination();
    std::optional<TLoginUserReport> before;
    if (entry)
        before = entry->Report;
    const TLoginUserNoticeSettings settings{NoticeLogin,      NoticeChatLogin,         NoticeChatLoginAnytime,
                                            NoticeChatLogout, NoticeChatLogoutAnytime, NoticeAbsence,
                                            NoticeNonAbsence};
    const TLoginUserEffects effects = LoginUserTransition(before, report, bOwn, PVN->Chat(), settings);

    const TPeer peer = LoginUserPeer(report);
    if (effects.ChatUserLogout)
        emit EngineEvents.ChatMemberLogout(peer);
    if (before && effects.ChatUserLogin)
        emit EngineEvents.ChatMemberLogin(peer, report.Absence);

    TListItem* row = entry ? entry->Row : lvLoginUser->AddItem();
    LoginUserRowWrite(*row, report);
    PrUsers.Put(report, row);

    if (effects.OldHandle)
        emit EngineEvents.ChatMemberRenamed(peer, *effects.OldHandle);
    if (effects.ChatAbsenceChange)
        emit EngineEvents.ChatMemberAbsenceChanged(peer, report.Absence);
    if (!before && effects.ChatUserLogin)
        emit EngineEvents.ChatMemberLogin(peer, report.Absence);
    if (effects.EnableOwnCommands)
        OwnCommandsEnable(true);
    for (const QString& sNotice : effects.Notices)
        Windows->NoticeAdd(sNotice);
    for (int iSound : effects.Sounds)
        Windows->EventSoundPlay(iSound, peer);
    TableChanged();
}

void TMainForm::LoginUserClear()
{
    lvLoginUser->ClearItems();
    PrUsers.Clear();
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

void TMainForm::lvLoginUserChange()
{
    lvLoginUser->Sort();
    SelectionCommandsUpdate();
    sbInformationUpdate();
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

void TMainForm::TableChanged()
{
    PrTableChange.Ask();
}

void TMainForm::TableChangeFlush()
{
    PrTableChange.RunNow();
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

void TMainForm::pmTaskMenuPopup()
{
    TableChangeFlush();
    pmTaskMenu->pmTaskMenuPopup(TaskHideSettingsCurrent());
    pmTaskMenu->miTaskGlobalChat->setCheckable(true);
    pmTaskMenu->miTaskGlobalChat->setChecked(Windows->GlobalChatFormExists());
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

void TMainForm::sbInformationUpdate()
{
    const QList<QIcon> images = lvLoginUser->SmallImages();
    int iPresent = 0, iAway = 0;
    for (int i = 0; i < PVN->LoginCount(); ++i)
        (PVN->GetLoginUser(i).Absence ? iAway : iPresent)++;
    QString sState;
    int iImage = LoginUserImageAway;
    if (!PVN->LoginStates()) {
        sState = QStringLiteral("ParvaneNetwork にログインしていません。");
    } else if (!PVN->Absence()) {
        sState = QStringLiteral("ログイン中");
        iImage = LoginUserImagePresent;
    } else {
        sState = QStringLiteral("不在設定中（") + CurrentAbsenceTitle + QStringLiteral("）");
    }
    auto panel = [&](QToolButton* button, int iIcon, const QString& sText) {
        button->setIcon(images.value(iIcon));
        button->setText(sText);
    };
    panel(sbPanelState, iImage, sState);
    // The arrow tells that the panel opens the away menu, which it does only while logged in.
    sbPanelState->SetArrowShown(PVN->LoginStates());
    // Both count panels are as wide as the widest count could make them, so they do not jump:
    // each one's own room for its image and its caption with every user counted.
    const QString sAll = QString::number(PVN->LoginCount());
    panel(sbPanelPresent, LoginUserImagePresent, QStringLiteral("在席: ") + sAll);
    panel(sbPanelAway, LoginUserImageAway, QStringLiteral("不在: ") + sAll);
    const int iCountWidth = std::max(sbPanelPresent->sizeHint().width(), sbPanelAway->sizeHint().width());
    panel(sbPanelPresent, LoginUserImagePresent, QStringLiteral("在席: %1").arg(iPresent));
    panel(sbPanelAway, LoginUserImageAway, QStringLiteral("不在: %1").arg(iAway));
    sbPanelPresent->setFixedWidth(iCountWidth);
    sbPanelAway->setFixedWidth(iCountWidth);
}

// ---------------------------------------------------------------- engine events

void TMainForm::PVNLogin(TParvaneNetwork*, const QString& HandleName, const QString& MachineName,
                         const QString& IPAddress, const QString& Discrimination, int Version, bool Absence,
                         const QString& AbsenceTitle, bool Menu, bool Chat, int iFTPPort)
{
    if (Menu)
        return;
    LoginUserUpdate({HandleName, MachineName, IPAddress, Discrimination, Version, Absence, AbsenceTitle, Menu,
                     Chat, iFTPPort});
}

void TMainForm::PVNInfoChange(TParvaneNetwork*, const QString& MachineName, const QString& HandleName,
                              const QString& IPAddress, const QString& Discrimination, int Version,
                              bool Absence, const QString& AbsenceTitle, bool Menu, bool Chat, int iFTPPort)
{
    LoginUserUpdate({HandleName, MachineName, IPAddress, Discrimination, Version, Absence, AbsenceTitle, Menu,
                     Chat, iFTPPort});
}

void TMainForm::PVNLogout(TParvaneNetwork*, const QString& HandleName, const QString& MachineName,
                          const QString&, const QString& Discrimination)
{
    if (const TLoginUserTable::TEntry* user = PrUsers.Find(MachineName, Discrimination)) {
        if (NoticeLogout)
            Windows->NoticeAdd(NoticeLogoutText(user->Report.HandleName));
        if (user->Report.Chat)
            emit EngineEvents.ChatMemberLogout({HandleName, MachineName, Discrimination});
        Windows->EventSoundPlay(SoundLogout, {HandleName, MachineName, Discrimination});
        lvLoginUser->DeleteItem(PrUsers.Remove(MachineName, Discrimination));
    }
    // The engine's table changed even for a user this list did not show.
    TableChanged();
}

void TMainForm::PVNMessage(TParvaneNetwork*, const QString& Message, const QString& MessageID, bool Letter,
                           const QString& HandleName, const QString& MachineName,
                           const QString& Discrimination, const QString& RecvTime)
{
    // A sender without a machine name could be neither queued (it marks an empty
    // slot) nor answered with a receipt.
    if (MachineName.isEmpty())
        return;
    // The warning comes while the oldest message is still there. It waits for no
    // answer here, so arrivals go on while it is open; where its box does wait (no
    // loop runs), one that comes meanwhile takes its slot first, and the drop and
    // the fill are one step, so neither it nor this message is lost.
    if (MessageRecvQueue.Count() == TMessageRecvQueue::Capacity)
        WarningShow(kQueueOverflowKind, kQueueOverflow, MessageBox::MB_ICONWARNING);
    MessageRecvQueue.Append({Message, MessageID, Letter, HandleName, MachineName, Discrimination, RecvTime});
    const int iWaiting = MessageRecvQueue.Count();
    UnreadStateShow();
    const bool bRecvWindow = Windows->RecvFormExists();
    if (bRecvWindow)
        emit EngineEvents.MessageArrived(iWaiting);
    if (NoticeRecv)
        Windows->NoticeAdd(NoticeRecvText(HandleName));
    if (CustomizeLog)
        Windows->LogWrite(LogKindMessageRecv, HandleName, PVN->HandleName(), Message);
    Windows->EventSoundPlay(SoundMessage, {HandleName, MachineName, Discrimination});
    if (AnimationMouse != 0)
        Windows->MouseAnimationStart(AnimationMouse);
    if (CustomizeAutoRecv && !bRecvWindow && (!CustomizeAutoRecvAbsence || !PVN->Absence()))
        Windows->RecvFormShow();
}

void TMainForm::PVNMessageOpen(TParvaneNetwork*, const QString&, const QString& HandleName, const QString&,
                               const QString&)
{
    if (NoticeMessageOpen)
        Windows->NoticeAdd(NoticeMessageOpenText(HandleName));
}

void TMainForm::PVNAbsenceMessage(TParvaneNetwork*, const QString& AbsenceMessage, const QString& HandleName,
                                  const QString& MachineName, const QString& Discrimination,
                                  const QString& RecvTime)
{
    if (!PrAbsenceRequests.Answered(MachineName, Discrimination))
        return;
    if (AbsenceMessage == TParvaneNetwork::NoAbsenceMessage) {
        WarningShow(kNoAbsenceMessageKind, HandleName + kNoAbsenceMessage, MessageBox::MB_ICONWARNING);
        return;
    }
    Windows->AbsenceFormShow({HandleName, MachineName, Discrimination}, AbsenceMessage, RecvTime);
}

void TMainForm::PVNChatMessage(TParvaneNetwork*, const QString& Message, const QString&,
                               const QString& HandleName, const QString& MachineName,
                               const QString& Discrimination, const QString&)
{
    emit EngineEvents.ChatLineSaid(Message, {HandleName, MachineName, Discrimination});
}

void TMainForm::PVNIPAddressChange(TParvaneNetwork*)
{
    if (!PVN->LoginStates())
        return;
    const bool bChat = PVN->Chat();
    if (bChat) {
        PVN->ChatLogout();
        if (CustomizeReloginMessage)
            emit EngineEvents.ChatEventLine(kReloginChat);
    }
    PVN->Logout();
    if (!LoginOrUndo()) {
        // As the log-out command leaves it, so the menus match the engine.
        WarningShow(kReloginKind, kLoginError, MessageBox::MB_ICONWARNING);
        LoggedOutState();
        return;
    }
    if (bChat)
        PVN->ChatLogin();
    if (CustomizeReloginMessage)
        WarningShow(kReloginKind, kReloginDone, MessageBox::MB_ICONINFORMATION);
}

void TMainForm::PVNFileRecvStart(TParvaneNetwork*, int SocketNo, const QString& HandleName,
                                 const QString& MachineName, const QString& Discrimination, QString& FileName,
                                 qint64 FileByte, const QString& Comment, bool& Cancel)
{
    if (PrClosing || (SecurityFileRecvCancel && (!SecurityFileRecvCancelAbsence || PVN->Absence()))) {
        Cancel = true;
        return;
    }
    Windows->EventSoundPlay(SoundFileRecv, {HandleName, MachineName, Discrimination});
    // The window answers through the engine when the user does; nothing waits here.
    const QString sOffered = FileName;
    FileName.clear();
    Windows->FileRecvFormShow(sOffered, FileByte, Comment, SocketNo,
                              {HandleName, MachineName, Discrimination});
}

// ---------------------------------------------------------------- commands

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
            MessageBoxShow(kLoginError, ApplicationTitle, MessageBox::MB_ICONWARNING);
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

void TMainForm::SettingsEditing(bool bEditing)
{
    if (bEditing)
        HotKeyUnregister();
    // The window's own teardown releases the keys; an editor that goes before it registers them again.
    else if (!Closing())
        HotKeyRegister();
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
        MessageBoxShow(kLoginError, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    miMessageOnline->setChecked(true);
    AbsenceSelectMenuUpdate();
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
