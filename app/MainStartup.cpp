// The main window's start-up and shutdown: it builds itself and its engine,
// and on its close asks, logs out, lets the other windows go and saves its place.

#include "CommandLine.h"
#include "CommonForm.h"
#include "DropArrowButton.h"
#include "IniFile.h"
#include "MainMenus.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "ProgramWindowUnits.h"
#include "ProjectImages.h"
#include "SettingsStore.h"
#include "TaskIcon.h"
#include "UserName.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDate>
#include <QMenuBar>
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
const QString kCloseUnread = QStringLiteral("閲覧していないメッセージがあります。終了してもよろしいですか？");
const QString kCloseFileSend = QStringLiteral("現在、ファイル転送中です。終了してもよろしいですか？");
const QString kCloseChat = QStringLiteral("現在、チャットへログイン中です。終了してもよろしいですか？");
const QString kCloseEnd = QStringLiteral("終了してもよろしいですか？");

} // namespace

TMainForm::TMainForm(std::unique_ptr<TProgramWindows> windows, QWidget* parent)
    : QMainWindow(parent), Windows(windows ? std::move(windows) : std::make_unique<TProgramWindowUnits>())
{
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
