#pragma once

// The main window's menus that are built or changed at run time, and the rules
// its commands follow, apart from the window so that tests call them directly.

#include "ParvaneNetwork.h"

#include <QList>
#include <QMenu>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

class QAction;

// ---- Which commands the selected rows allow

// A selected row as the selection rule reads it.
struct TSelectedRowState {
    bool bMessage = false;     // the user takes messages, not only control records
    bool bAbsence = false;     // the user is away
    bool bFileSupport = false; // the user has a file port
};

struct TSelectionCommands {
    bool bSend = false;
    bool bAbsenceRequest = false;
    bool bFileSend = false;
    bool operator==(const TSelectionCommands&) const = default;
};

// One selected row: everything it allows (send always, even to a menu-flag user).
// Several: send only, when one of them takes messages. Nothing while logged out.
TSelectionCommands SelectionCommands(bool bLoginStates, const std::vector<TSelectedRowState>& selected);

// ---- Whom "send a message" addresses

struct TSendTargetRow {
    QString sKind;
    QString sMachine;
    QString sDiscrimination;
};

struct TSendTargets {
    QString sMachines;        // joined with "&|"
    QString sDiscriminations; // in the same order
    bool bSkipped = false;    // a row that takes no messages was left out
};

// The rows of kind "メッセージ" in list order; any other row is skipped.
TSendTargets SendTargets(const std::vector<TSendTargetRow>& selected);

// ---- The user sub-menus of the tray and the two hot keys

// handle name + "<" + machine name + ">".
QString UserMenuCaption(const TPVN_LoginUserInformation& user);

// The item's text: the handle cut alone to a line's bound, then "<machine name>" whole,
// which is how two users of one name are told apart.
QString UserMenuShown(const TPVN_LoginUserInformation& user);

struct TUserMenuEntry {
    QString sCaption; // what a click on the item names (UserMenuCaption)
    QString sShown;   // what the item shows (UserMenuShown)
    bool bAbsence = false;
    bool operator==(const TUserMenuEntry&) const = default;
};

struct TUserMenuEntries {
    std::vector<TUserMenuEntry> send; // users without the menu flag
    std::vector<TUserMenuEntry> file; // users with a file port
};

// In the engine's table order, the own copy included.
TUserMenuEntries UserMenuEntries(const QList<TPVN_LoginUserInformation>& users);

// The first user of the table whose caption matches; none when the user has left.
std::optional<TPVN_LoginUserInformation> UserMenuTarget(const QList<TPVN_LoginUserInformation>& users,
                                                        const QString& sCaption);

// Fills the tray's sub-menu and the hot key's menu with one item per entry (the
// tray with the user-list marks, the hot key with the command's image, greyed
// for an away user), or a disabled "（なし）" when there is none.
void UserMenuFill(QMenu* trayMenu, QMenu* hotKeyMenu, const std::vector<TUserMenuEntry>& entries,
                  int iToolbarImage, const std::function<void(const QString& sCaption)>& onClick);

// ---- The away menus

// The away kinds in use: the titles up to the first empty one, at most 100.
QStringList AbsenceKindTitles();

// Fills one away menu: "不在解除" (tag -1), a separator and one radio item per
// kind (tag i), or the disabled "（不在設定なし）" alone when there are no kinds.
void AbsenceMenuFill(QMenu* menu, const QStringList& slTitles, bool bAbsence, const QString& sCurrentTitle,
                     const std::function<void(int iTag)>& onChoice);

// ---- The tray menu

// Which tray items the CustomizeTaskHide… settings leave.
struct TTaskHideSettings {
    bool bLog = false;
    bool bSend = false;
    bool bFileSend = false;
    bool bChat = false;
    bool bGlobalChat = false;
    bool bAbsence = false;
};

struct TTaskMenuVisibility {
    bool bLog = true;
    bool bSend = true;
    bool bFileSend = true;
    bool bChat = true;
    bool bGlobalChat = true;
    bool bLine4 = true; // goes when all four of send, file, chat and web chat go
    bool bAbsence = true;
    bool bLine3 = true; // goes with the away item
    bool operator==(const TTaskMenuVisibility&) const = default;
};

TTaskMenuVisibility TaskMenuVisibility(const TTaskHideSettings& hide);
// The settings as they stand now.
TTaskHideSettings TaskHideSettingsCurrent();

// The tray menu with items of its own, so that hiding one of them leaves the
// same command in the menu bar alone.
class TTaskMenu : public QMenu {
public:
    explicit TTaskMenu(QWidget* parent);

    // Hides and shows the items by the settings; runs before the menu shows.
    void pmTaskMenuPopup(const TTaskHideSettings& hide);

    QAction* miTaskOption = nullptr;
    QAction* miTaskLog = nullptr;
    QAction* miTaskLine1 = nullptr;
    QMenu* miTaskSend = nullptr;
    QMenu* miTaskFileSend = nullptr;
    QAction* miTaskChat = nullptr;
    QAction* miTaskGlobalChat = nullptr;
    QAction* miTaskLine4 = nullptr;
    QMenu* miTaskAbsence = nullptr;
    QAction* miTaskLine3 = nullptr;
    QAction* miTaskHelp = nullptr;
    QAction* miTaskVersion = nullptr;
    QAction* miTaskLine2 = nullptr;
    QAction* miTaskEnd = nullptr;
};
