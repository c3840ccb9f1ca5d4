#include "MainMenus.h"

#include "LoginUserRow.h"
#include "PeerText.h"
#include "ProjectImages.h"
#include "Settings.h"

#include <QActionGroup>

namespace {

const QString kNone = QStringLiteral("（なし）");
const QString kAbsenceRelease = QStringLiteral("不在解除");
const QString kAbsenceNone = QStringLiteral("（不在設定なし）");

} // namespace

TSelectionCommands SelectionCommands(bool bLoginStates, const std::vector<TSelectedRowState>& selected)
{
    TSelectionCommands commands;
    if (!bLoginStates)
        return commands;
    if (selected.size() == 1) {
        commands.bSend = true;
        commands.bAbsenceRequest = selected.front().bAbsence;
        commands.bFileSend = selected.front().bFileSupport;
        return commands;
    }
    for (const TSelectedRowState& row : selected)
        commands.bSend = commands.bSend || row.bMessage;
    return commands;
}

TSendTargets SendTargets(const std::vector<TSendTargetRow>& selected)
{
    QStringList slMachines, slDiscriminations;
    TSendTargets targets;
    for (const TSendTargetRow& row : selected) {
        if (row.sKind != RowKindMessage) {
            targets.bSkipped = true;
            continue;
        }
        slMachines << row.sMachine;
        slDiscriminations << row.sDiscrimination;
    }
    targets.sMachines = slMachines.join(TParvaneNetwork::FieldSeparator);
    targets.sDiscriminations = slDiscriminations.join(TParvaneNetwork::FieldSeparator);
    return targets;
}

QString UserMenuCaption(const TPVN_LoginUserInformation& user)
{
    return user.Handle + u'<' + user.Machine + u'>';
}

QString UserMenuShown(const TPVN_LoginUserInformation& user)
{
    return PeerTextInLine(user.Handle) + u'<' + PeerTextInLine(user.Machine) + u'>';
}

TUserMenuEntries UserMenuEntries(const QList<TPVN_LoginUserInformation>& users)
{
    TUserMenuEntries entries;
    for (const TPVN_LoginUserInformation& user : users) {
        if (!user.Menu)
            entries.send.push_back({UserMenuCaption(user), UserMenuShown(user), user.Absence});
        if (user.FTPPort != 0)
            entries.file.push_back({UserMenuCaption(user), UserMenuShown(user), user.Absence});
    }
    return entries;
}

std::optional<TPVN_LoginUserInformation> UserMenuTarget(const QList<TPVN_LoginUserInformation>& users,
                                                        const QString& sCaption)
{
    for (const TPVN_LoginUserInformation& user : users)
        if (UserMenuCaption(user) == sCaption)
            return user;
    return std::nullopt;
}

void UserMenuFill(QMenu* trayMenu, QMenu* hotKeyMenu, const std::vector<TUserMenuEntry>& entries,
                  int iToolbarImage, const std::function<void(const QString& sCaption)>& onClick)
{
    const QList<QIcon> userImages = ProjectImages::LoginUserImages();
    const QIcon toolImage = ProjectImages::ToolbarImages().value(iToolbarImage);
    const QIcon toolImageAway(ProjectImages::ToolbarDisabledImage(iToolbarImage));
    // The old items go only after the new ones are in, as a menu that is open keeps its size.
    const QList<QAction*> oldTray = trayMenu->actions();
    const QList<QAction*> oldHotKey = hotKeyMenu->actions();
    for (QAction* a : oldTray + oldHotKey)
        a->setVisible(false);
    for (const TUserMenuEntry& entry : entries) {
        const QString sCaption = entry.sCaption;
        const QString sShown = MenuItemText(entry.sShown);
        QAction* tray = trayMenu->addAction(userImages.value(LoginUserStateImage(entry.bAbsence)), sShown);
        QAction* hotKey = hotKeyMenu->addAction(entry.bAbsence ? toolImageAway : toolImage, sShown);
        for (QAction* a : {tray, hotKey})
            QObject::connect(a, &QAction::triggered, trayMenu, [onClick, sCaption] { onClick(sCaption); });
    }
    if (entries.empty()) {
        trayMenu->addAction(kNone)->setEnabled(false);
        hotKeyMenu->addAction(kNone)->setEnabled(false);
    }
    qDeleteAll(oldTray);
    qDeleteAll(oldHotKey);
}

QStringList AbsenceKindTitles()
{
    QStringList slTitles;
    for (int i = 0; i < AbsenceMessageCount && !AbsenceMessage[i].sTitle.isEmpty(); ++i)
        slTitles << AbsenceMessage[i].sTitle;
    return slTitles;
}

void AbsenceMenuFill(QMenu* menu, const QStringList& slTitles, bool bAbsence, const QString& sCurrentTitle,
                     const std::function<void(int iTag)>& onChoice)
{
    menu->clear();
    for (QActionGroup* old : menu->findChildren<QActionGroup*>(Qt::FindDirectChildrenOnly))
        delete old;
    auto* group = new QActionGroup(menu);
    QAction* release = menu->addAction(slTitles.isEmpty() ? kAbsenceNone : kAbsenceRelease);
    release->setCheckable(true);
    release->setData(-1);
    group->addAction(release);
    if (slTitles.isEmpty()) {
        release->setEnabled(false);
        return;
    }
    release->setChecked(!bAbsence);
    QObject::connect(release, &QAction::triggered, menu, [onChoice] { onChoice(-1); });
    menu->addSeparator();
    for (int i = 0; i < slTitles.size(); ++i) {
        QAction* item = menu->addAction(slTitles[i]);
        item->setCheckable(true);
        item->setData(i);
        item->setChecked(bAbsence && slTitles[i] == sCurrentTitle);
        group->addAction(item);
        QObject::connect(item, &QAction::triggered, menu, [onChoice, i] { onChoice(i); });
    }
}

TTaskMenuVisibility TaskMenuVisibility(const TTaskHideSettings& hide)
{
    TTaskMenuVisibility shown;
    shown.bLog = !hide.bLog;
    shown.bSend = !hide.bSend;
    shown.bFileSend = !hide.bFileSend;
    shown.bChat = !hide.bChat;
    shown.bGlobalChat = !hide.bGlobalChat;
    shown.bLine4 = !(hide.bSend && hide.bFileSend && hide.bChat && hide.bGlobalChat);
    shown.bAbsence = !hide.bAbsence;
    shown.bLine3 = !hide.bAbsence;
    return shown;
}

TTaskHideSettings TaskHideSettingsCurrent()
{
    return {CustomizeTaskHideLog,  CustomizeTaskHideSend,       CustomizeTaskHideFileSend,
            CustomizeTaskHideChat, CustomizeTaskHideGlobalChat, CustomizeTaskHideAbsence};
}

TTaskMenu::TTaskMenu(QWidget* parent) : QMenu(parent)
{
    setObjectName(QStringLiteral("pmTaskMenu"));
    const QList<QIcon> images = ProjectImages::ToolbarImages();
    auto item = [this, &images](const QString& sCaption, int iImage) {
        QAction* a = addAction(sCaption);
        if (iImage >= 0)
            a->setIcon(images.value(iImage));
        return a;
    };
    miTaskOption = item(QStringLiteral("オプション(&O)"), -1);
    miTaskLog = item(QStringLiteral("ログビューア(&L)"), ProjectImages::ToolbarLog);
    miTaskLine1 = addSeparator();
    miTaskSend = addMenu(images.value(ProjectImages::ToolbarSend), QStringLiteral("メッセージ送信(&S)"));
    miTaskFileSend =
        addMenu(images.value(ProjectImages::ToolbarFileSend), QStringLiteral("ファイル送信(&F)"));
    miTaskChat = item(QStringLiteral("チャット(&C)"), ProjectImages::ToolbarChat);
    miTaskGlobalChat = item(QStringLiteral("グローバル チャット(&G)"), ProjectImages::ToolbarGlobalChat);
    miTaskLine4 = addSeparator();
    miTaskAbsence = addMenu(images.value(ProjectImages::ToolbarAbsence), QStringLiteral("不在(&A)"));
    miTaskLine3 = addSeparator();
    miTaskHelp = item(QStringLiteral("ヘルプ(&H)"), -1);
    miTaskVersion = item(QStringLiteral("バージョン情報(&V)"), -1);
    miTaskLine2 = addSeparator();
    miTaskEnd = item(QStringLiteral("終了(&X)"), -1);
    for (QMenu* sub : {miTaskSend, miTaskFileSend})
        sub->addAction(kNone)->setEnabled(false);
}

void TTaskMenu::pmTaskMenuPopup(const TTaskHideSettings& hide)
{
    const TTaskMenuVisibility shown = TaskMenuVisibility(hide);
    miTaskLog->setVisible(shown.bLog);
    miTaskSend->menuAction()->setVisible(shown.bSend);
    miTaskFileSend->menuAction()->setVisible(shown.bFileSend);
    miTaskChat->setVisible(shown.bChat);
    miTaskGlobalChat->setVisible(shown.bGlobalChat);
    miTaskLine4->setVisible(shown.bLine4);
    miTaskAbsence->menuAction()->setVisible(shown.bAbsence);
    miTaskLine3->setVisible(shown.bLine3);
}
