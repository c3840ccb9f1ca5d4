// The main window hears the engine: the users who come, change and go (the list
// and the work over the whole table, once per turn), messages, read notices,
// away answers, chat lines, address changes and file offers.

#include "DropArrowButton.h"
#include "MainMenus.h"
#include "MainUnit.h"
#include "MessageBox.h"

namespace {

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

} // namespace

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

void TMainForm::lvLoginUserChange()
{
    lvLoginUser->Sort();
    SelectionCommandsUpdate();
    sbInformationUpdate();
}

void TMainForm::TableChanged()
{
    PrTableChange.Ask();
}

void TMainForm::TableChangeFlush()
{
    PrTableChange.RunNow();
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
        WarningShow(kReloginKind, MainLoginErrorText, MessageBox::MB_ICONWARNING);
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
