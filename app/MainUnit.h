#pragma once

#include "AbsenceRequests.h"
#include "EngineEvents.h"
#include "FileWindowRoute.h"
#include "GlobalHotKey.h"
#include "LoginUserRow.h"
#include "LoginUserTable.h"
#include "MainWindowEvents.h"
#include "MessageRecvQueue.h"
#include "OncePerTurn.h"
#include "ParvaneNetwork.h"
#include "ProgramEnd.h"
#include "ProgramWindows.h"
#include "SortListView.h"
#include "SubUnit.h"
#include "WindowServices.h"

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <map>
#include <memory>
#include <utility>

class QAction;
class QLabel;
class QMenu;
class QSlider;
class QSystemTrayIcon;
class QToolBar;
class QToolButton;
class TDropArrowButton;
class TSettingsChange;
class TTaskMenu;

// The main window: the application's whole start-up and shutdown, the user list
// with every engine event, the tray icon and the global hot keys. It owns the
// engine and the users, and hands them to the other windows as their services.
// Its routines lie in one source per job: MainStartup.cpp (start-up and
// shutdown), MainEngineEvents.cpp (the engine's events and the user list they
// write), MainCommands.cpp (menus, commands and what other windows tell it),
// MainTrayHotKeys.cpp (tray and hot keys) and MainSettings.cpp (what it
// follows of the settings store).
class TMainForm : public QMainWindow, public TProgramEndTarget {
    Q_OBJECT

public:
    static constexpr int HotKeyShow = 0x8064;
    static constexpr int HotKeySend = 0x8065;
    static constexpr int HotKeyRecv = 0x8066;
    static constexpr int HotKeyFileSend = 0x8067;
    static constexpr int HotKeyLog = 0x8068;
    static constexpr int SC_MINIMIZE = 0xF020;
    static constexpr int SC_RESTORE = 0xF120;
    static constexpr int TaskAnimationIntervalMs = 50;

    enum class TTrayMouse { LeftDown, LeftDoubleClick, RightUp, Other };

    // Runs the start-up; the windows are there before it so that it can use them.
    // Without windows of the caller's, the program's own are used.
    explicit TMainForm(std::unique_ptr<TProgramWindows> windows = nullptr, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The folder that stands for the program's own (tests point it elsewhere).
    static inline QString ProgramDirectoryOverride;
    // Starts the engine's service in place of its ServiceStart when set: window
    // tests put an engine there that opens no socket.
    static inline std::function<bool(TParvaneNetwork&)> ServiceStarter;
    // How the close ends the message loop; tests replace it.
    std::function<void()> OnTerminate;
    // What OnTerminate does unless replaced: every loop of the application ends.
    static void LoopsEnd();

    // The service could not start: the window is not to be shown and the program ends.
    bool StartFailed() const { return !PrStarted; }
    // The application does not show its main window at start (only the tray icon).
    bool StartHidden() const { return PrStartHidden; }

    std::unique_ptr<TProgramWindows> Windows;
    std::unique_ptr<TParvaneNetwork> PVN;
    // The engine's events as the other windows hear them.
    TEngineEvents EngineEvents;
    // What the other windows tell it.
    TMainWindowEvents MainWindowEvents;
    TSortListView* lvLoginUser = nullptr;
    QSlider* tbAlphaBlend = nullptr;
    QToolBar* tbMenu = nullptr;
    QTimer tmTaskAnimation;
    int tmTaskAnimationTag = 0;
    TTaskMenu* pmTaskMenu = nullptr;
    QMenu* pmHotKeySend = nullptr;
    QMenu* pmHotKeyFileSend = nullptr;
    QMenu* pmAbsence = nullptr;
    QMenu* pmRight = nullptr;
    QMenu* pmToolbar = nullptr;
    QMenu* miShow = nullptr;
    QMenu* miTaskSend = nullptr;
    QMenu* miTaskFileSend = nullptr;
    QMenu* miOptionAbsence = nullptr;
    QMenu* miTaskAbsence = nullptr;
    QAction* miMessageSend = nullptr;
    QAction* miToolFileSend = nullptr;
    QAction* miMessageRecv = nullptr;
    QAction* miToolAbsence = nullptr;
    QAction* miToolChat = nullptr;
    // Checked while the web chat is open (it sets the mark itself).
    QAction* miToolGlobalChat = nullptr;
    QAction* miTaskChat = nullptr;
    QAction* miOptionOption = nullptr;
    QAction* miHelpTopic = nullptr;
    QAction* miHelpUpdate = nullptr;
    QAction* miHelpDonation = nullptr;
    QAction* miHelpRequest = nullptr;
    QAction* miHelpVersion = nullptr;
    // The bar toggles of the "表示" menu, of pmRight and of pmToolbar.
    QAction* miShowMenubar = nullptr;
    QAction* miShowToolbar = nullptr;
    QAction* miShowStatusbar = nullptr;
    QAction* miRightMenubar = nullptr;
    QAction* miRightToolbar = nullptr;
    QAction* miRightStatusbar = nullptr;
    QAction* miMenubar = nullptr;
    QAction* miToolbar = nullptr;
    QAction* miStatusbar = nullptr;
    QAction* miMessageOnline = nullptr;
    QAction* miMessageEnd = nullptr;
    QAction* miToolLog = nullptr;
    QAction* miOptionAbsenceAction = nullptr;
    QAction* miTaskAbsenceAction = nullptr;
    QAction* sbAbsence = nullptr;
    TDropArrowButton* sbAbsenceButton = nullptr;
    // The status bar's panels: the own state (a click opens the away menu), the
    // counts of users present and away.
    TDropArrowButton* sbPanelState = nullptr;
    QToolButton* sbPanelPresent = nullptr;
    QToolButton* sbPanelAway = nullptr;

    // ---- Engine events
    void PVNLogin(TParvaneNetwork*, const QString& HandleName, const QString& MachineName,
                  const QString& IPAddress, const QString& Discrimination, int Version, bool Absence,
                  const QString& AbsenceTitle, bool Menu, bool Chat, int iFTPPort);
    void PVNLogout(TParvaneNetwork*, const QString& HandleName, const QString& MachineName,
                   const QString& IPAddress, const QString& Discrimination);
    void PVNInfoChange(TParvaneNetwork*, const QString& MachineName, const QString& HandleName,
                       const QString& IPAddress, const QString& Discrimination, int Version, bool Absence,
                       const QString& AbsenceTitle, bool Menu, bool Chat, int iFTPPort);
    void PVNMessage(TParvaneNetwork*, const QString& Message, const QString& MessageID, bool Letter,
                    const QString& HandleName, const QString& MachineName, const QString& Discrimination,
                    const QString& RecvTime);
    void PVNMessageOpen(TParvaneNetwork*, const QString& MessageID, const QString& HandleName,
                        const QString& MachineName, const QString& Discrimination);
    void PVNAbsenceMessage(TParvaneNetwork*, const QString& AbsenceMessage, const QString& HandleName,
                           const QString& MachineName, const QString& Discrimination,
                           const QString& RecvTime);
    void PVNChatMessage(TParvaneNetwork*, const QString& Message, const QString& MessageID,
                        const QString& HandleName, const QString& MachineName, const QString& Discrimination,
                        const QString& RecvTime);
    void PVNIPAddressChange(TParvaneNetwork*);
    void PVNFileRecvStart(TParvaneNetwork*, int SocketNo, const QString& HandleName,
                          const QString& MachineName, const QString& Discrimination, QString& FileName,
                          qint64 FileByte, const QString& Comment, bool& Cancel);

    // ---- The window's handlers
    // The close questions and what follows them; false when a No kept the program running.
    bool FormClose();
    // The session or the terminal ends the program: the close without its
    // questions, then the end of the loops (the settings and the log follow).
    void SessionEnd() override;
    // The session manager asks for the data to be saved: the settings and the log
    // are kept, and nothing ends, as the log-out may still be cancelled.
    void SessionSave() override;
    // The application's loops ended without the program's own close: the close
    // without questions, once every loop has returned.
    void QuitEnd() override;
    void WMSysCommand(int iCommand);
    void WMTaskTray(TTrayMouse mouse);
    void WMHotKey(int iId);
    void HotKeyRegister();
    void HotKeyUnregister();
    bool HotKeyRegistered(int iId) const { return PrHotKeys.IsRegistered(iId); }
    // The close has begun or the window is going: nothing is to be registered again.
    bool Closing() const override { return PrClosing || PrDestroyed; }

    // ---- Commands
    void miMessageSendClick();
    void miToolFileSendClick();
    void miToolGlobalChatClick();
    void miToolAbsenceClick();
    // Asks the peer for its away message; only an answer asked for is shown.
    void AbsenceRequest(const QString& sMachine, const QString& sDiscrimination);
    void miToolChatClick();
    void miHelpTopicClick();
    void miMessageOnlineClick();
    void miMessageEndClick();
    void miMessageRecvClick();
    void miToolLogClick();
    void miOptionRefreshClick();
    void miOptionAbsenceClick(int iTag);
    void lvLoginUserChange();
    // Rows were written or removed: the work that depends on the whole table (its
    // order, the commands the selection allows, the user menus of the tray and the
    // hot keys, the counts) follows once in this turn of the event loop, however many
    // rows a burst of answers changed.
    void TableChanged();
    // Runs that pass now if one is pending: for the commands that read the menus or the list.
    void TableChangeFlush();
    void lvLoginUserDblClick();
    void miOptionSelectAllClick();
    void miOptionSelectChangeClick();
    // Each flips its bar as it is shown and writes the key; a failed write is told.
    void miRightMenubarClick();
    void miRightToolbarClick();
    void miRightStatusbarClick();
    // The check marks of the bar toggles, set as a menu opens.
    void miShowClick();
    void pmTaskMenuPopup();
    void sbAbsenceClick();
    void sbInformationMouseUp();
    // ---- What the other windows tell it (TMainWindowEvents)
    void MessageRead(const TMessageRecvSub& message);
    // The chat window's presence as the chat command shows it (checked, button down).
    void ChatShown(bool bShown);
    void GlobalChatShown(bool bShown);
    // Hidden to the tray, or minimised, as the tray settings say.
    void HideAfterSend();
    void TaskMessageListUpdate();
    void AbsenceSelectMenuUpdate();
    void tmTaskAnimationTimer();
    void sbInformationUpdate();
    // The menus, list and tray as a log-out leaves them.
    void LoggedOutState();
    // The away kind in use is no longer among the kinds: the away state ends. At
    // the end of each apply of the settings, after what it tells of the file and the ports.
    void AbsenceKindCheck();
    // What the options window shows of the program and where it opens: beside this window.
    TOptionOwner OptionOwner();
    // The one place the tray's still image is chosen: the user's state (coloured
    // while logged in and present), unless the message animation runs.
    void TaskIconStateShow();
    // Logs in; a log-in that failed leaves the engine logged out.
    bool LoginOrUndo();

    // The row that shows the user; nullptr when the user is not listed.
    TListItem* LoginUserFind(const QString& sMachine, const QString& sDiscrimination) const;
    // The user's handle name as listed; empty when the user is not listed.
    QString LoginUserHandle(const QString& sMachine, const QString& sDiscrimination) const;
    const TLoginUserTable& LoginUsers() const { return PrUsers; }
    // What the other windows are handed when they are made; empty before the engine and after the window.
    TWindowServicesRef Services() const { return TWindowServicesRef(PrServices); }

    QMenu* createPopupMenu() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    // The main window's place, its columns, its sort and its transparency.
    void SettingsSave();
    void CreateControls();
    // The one place the unread messages are shown: while one waits, the receive
    // command is enabled and the tray animates; the last one read stops both.
    void UnreadStateShow();
    void CreateMenus();
    void BindEngineEvents();
    void BindWindowEvents();
    void LoginUserUpdate(const TLoginUserReport& report);
    void LoginUserClear();
    // The users of the selected rows, in the list's order.
    std::vector<const TLoginUserReport*> SelectedUsers() const;
    void OwnCommandsEnable(bool bEnabled);
    // The commands the selected rows allow.
    void SelectionCommandsUpdate();
    // The options changed the address list while logged in: out, and in again to the new list.
    void BroadcastRelogin(const QString& sBroadcastIP);
    // The settings store's followers: an apply took effect (the engine, the place
    // on top, the address list, the away menus, the tray), an editor opened or
    // went (the hot keys).
    void SettingsApplied(const TSettingsChange& change);
    void SettingsEditing(bool bEditing);
    // The tray and task-bar settings changed: the window goes where they say.
    void TrayRestyle();
    void BarToggle(QWidget* bar, const QString& sKey, bool& bHideSetting);
    void PopupRight(QWidget* source, const QPoint& local);
    // A user item of the tray or hot-key menus: the first user of the table with that caption.
    void UserMenuSendClick(const QString& sCaption, bool bFile);
    bool FileSending() const;
    void PopupAtCursor(QMenu* menu);
    bool ModalForward();
    void ShowFromTray();
    // What a close does once it is decided: log out, let go of the other windows.
    void CloseWindowsAndLogout();
    void Terminate();

    // Shared with every window made; emptied as the window goes.
    std::shared_ptr<TWindowServices> PrServices = std::make_shared<TWindowServices>();
    bool PrFirstRun = true;
    bool PrStarted = false;
    bool PrStartHidden = false;
    bool PrClosing = false;
    bool PrDestroyed = false;
    // The client size the window is laid out for: its size when none is stored.
    QSize PrDesignSize{640, 400};
    QSystemTrayIcon* PrTrayIcon = nullptr;
    GlobalHotKey PrHotKeys;
    // The users listed: every row of lvLoginUser shows one entry.
    TLoginUserTable PrUsers;
    // Rows changed since the last pass over the table.
    // The pass over the whole user table, once per turn of the event loop however many rows changed.
    TOncePerTurn PrTableChange{[this] {
        TaskMessageListUpdate();
        lvLoginUserChange();
    }};
    TAbsenceRequests PrAbsenceRequests;
    TFileWindowRoute PrFileRecvRoute{FileRecvWindowList, WM_FILERECVING};
    TFileWindowRoute PrFileSendRoute{FileSendWindowList, WM_FILESENDING};
};

// The log-in failure, told by the commands, the engine's events and the settings alike.
inline const QString MainLoginErrorText = QStringLiteral(
    "ParvaneNetworkのログインに失敗しました。\rTCP/IPサービスが正常に動作しているか確認してください。");
