#include "ChatUnit.h"

#include "AnsiCodePage.h"
#include "ChatText.h"
#include "EngineEvents.h"
#include "EventSound.h"
#include "IEViewer.h"
#include "IniFile.h"
#include "LogUnit.h"
#include "LoginUserRow.h"
#include "MainWindowEvents.h"
#include "MessageBox.h"
#include "ParvaneNetwork.h"
#include "ProgramWindows.h"
#include "ProjectImages.h"
#include "StatusPanelBar.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <utility>

namespace {

const QSize kDesignSize(451, 277);
const QSize kMinimumSize(320, 220);
const QString kCaption = QStringLiteral("チャット - Parvane 2");
const QString kTitle = QStringLiteral("チャット");
const QString kSplitterKey = QStringLiteral("Splitter");
constexpr int kSplitterDefault = 120;
constexpr int kSplitterWidth = 6;
// The conversation keeps at least this much of the width.
constexpr int kSplitterMinSize = 50;
// A view this close to its end follows new lines.
constexpr int kAutoScrollBand = 50;
const QString kLogRecipient = QStringLiteral("(チャット全体)");
// The engine reads one datagram each time the loop comes round, so a busy
// room's lines gather this long, to be laid out, drawn and logged together: a
// loop that drew each line alone fell behind its socket at about 400 lines a
// second. A line after a quiet spell goes in at once.
constexpr int kLinesGatherMs = 25;

const QString kLogoutQuestion = QStringLiteral("チャットからログアウトしますか？");
const QString kEmptyInput = QStringLiteral("メッセージを入力してください。");
const QString kTooLong =
    QStringLiteral("一度に送信できるバイト数を超えています。送信可能なバイト数のみ送信しますか？");

// The member record of a node.
constexpr int kMachineRole = Qt::UserRole;
constexpr int kDiscriminationRole = Qt::UserRole + 1;
constexpr int kAbsenceRole = Qt::UserRole + 2;
// The whole handle name; the node shows it cut to a line's bound.
constexpr int kHandleRole = Qt::UserRole + 3;

void NodeHandleSet(QTreeWidgetItem* node, const QString& sHandle)
{
    node->setText(0, PeerTextInLine(sHandle));
    node->setData(0, kHandleRole, sHandle);
}

void NodeImageSet(QTreeWidgetItem* node, bool bAbsence)
{
    node->setIcon(0, ProjectImages::LoginUserImages().value(LoginUserStateImage(bAbsence)));
    node->setData(0, kAbsenceRole, bAbsence);
}

} // namespace

// ---------------------------------------------------------------- the shared routines

void ChatFormShow(const TWindowServicesRef& services)
{
    SingleFormShow(ChatForm, services);
    if (services->Main)
        emit services->Main->ChatWindowShown(true);
}

void ChatFormRelease()
{
    delete ChatForm;
}

void ChatMessageAdd(const QString& sMessage, const QString& sHandle, const QString& sMachine,
                    const QString& sDiscrimination)
{
    ChatMessagesAdd({{sMessage, {sHandle, sMachine, sDiscrimination}}});
}

void ChatMessagesAdd(const QList<TChatLine>& lines)
{
    if (ChatForm)
        ChatForm->LinesAdd(lines);
}

void ChatEventAdd(const QString& sText)
{
    if (ChatForm)
        ChatForm->EventLineAdd(sText);
}

void ChatUserLogin(const QString& sHandle, const QString& sMachine, const QString& sDiscrimination,
                   bool bAbsence)
{
    if (ChatForm)
        ChatForm->MemberLogin({sHandle, sMachine, sDiscrimination}, bAbsence);
}

void ChatUserLogout(const QString& sHandle, const QString& sMachine, const QString& sDiscrimination)
{
    if (ChatForm)
        ChatForm->MemberLogout({sHandle, sMachine, sDiscrimination});
}

void ChatUserNameChange(const QString& sMachine, const QString& sDiscrimination, const QString& sBeforeHandle,
                        const QString& sAfterHandle)
{
    if (ChatForm)
        ChatForm->MemberRename({sAfterHandle, sMachine, sDiscrimination}, sBeforeHandle);
}

void ChatUserAbsenceChange(const QString& sMachine, const QString& sDiscrimination, const QString& sHandle,
                           bool bAbsence)
{
    if (ChatForm)
        ChatForm->MemberAbsenceChange({sHandle, sMachine, sDiscrimination}, bAbsence);
}

// ---------------------------------------------------------------- the window

TChatForm::TChatForm(const TWindowServicesRef& services)
    : TCommonForm(TWindowKind::Chat, kDesignSize), FServices(services),
      FLinesLater([this] { LinesAdd({}); }, kLinesGatherMs)
{
    setWindowTitle(kCaption);
    laTitle->setText(kTitle);
    WindowMinimumSizeSet(this, kMinimumSize);

    tvUser = new QTreeWidget;
    tvUser->setObjectName(QStringLiteral("tvUser"));
    tvUser->setHeaderHidden(true);
    tvUser->setRootIsDecorated(false);
    tvUser->setItemsExpandable(false);
    tvUser->setAllColumnsShowFocus(true);
    tvUser->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tvUser->setSelectionMode(QAbstractItemView::SingleSelection);
    tvUser->setIconSize(QSize(ProjectImages::ImageSize, ProjectImages::ImageSize));
    tvUser->setContextMenuPolicy(Qt::CustomContextMenu);
    tvUser->viewport()->installEventFilter(this);
    connect(tvUser, &QTreeWidget::itemDoubleClicked, this, [this] { tvUserDblClick(); });
    connect(tvUser, &QWidget::customContextMenuRequested, this, [this](const QPoint& point) {
        pmUserListPopup();
        pmUserList->exec(tvUser->viewport()->mapToGlobal(point));
    });

    pmUserList = new QMenu(this);
    pmUserListMessage = pmUserList->addAction(QStringLiteral("メッセージ送信"));
    pmUserListFileSend = pmUserList->addAction(QStringLiteral("ファイル送信"));
    pmUserList->addSeparator();
    pmUserListAbsence = pmUserList->addAction(QStringLiteral("不在メッセージ取得"));
    connect(pmUserListMessage, &QAction::triggered, this, &TChatForm::pmUserListMessageClick);
    connect(pmUserListFileSend, &QAction::triggered, this, &TChatForm::pmUserListFileSendClick);
    connect(pmUserListAbsence, &QAction::triggered, this, &TChatForm::pmUserListAbsenceClick);

    wbLog = new TIEViewer;
    wbLog->setObjectName(QStringLiteral("wbLog"));
    wbLog->SetRichTextForm(ChatRichText);
    wbLog->SetStyle(ChatStyleSheet());
    wbLog->SetLineLimit(ChatViewLineLimit);
    // Reached by Tab too, so that the conversation can be scrolled back and copied without a mouse.
    wbLog->SetTabStop(true);
    pmBrowser = new QMenu(this);
    pmBrowserAllSelect = pmBrowser->addAction(QStringLiteral("すべてを選択(&A)"));
    pmBrowserAllSelect->setToolTip(QStringLiteral("すべてを選択"));
    pmBrowserCopy = pmBrowser->addAction(QStringLiteral("コピー(&C)"));
    connect(pmBrowserAllSelect, &QAction::triggered, this, [this] { wbLog->SelectAll(); });
    connect(pmBrowserCopy, &QAction::triggered, this, [this] { wbLog->Copy(); });
    wbLog->SetPopupMenu(pmBrowser);

    laSendMessage = new QLabel(QStringLiteral("メッセージ"));
    mmSendMessage = new QLineEdit;
    mmSendMessage->setObjectName(QStringLiteral("mmSendMessage"));
    mmSendMessage->setMaxLength(ChatMessageByteLimit);
    mmSendMessage->setPlaceholderText(QStringLiteral("送信するメッセージを入力してください。"));
    laSendMessage->setBuddy(mmSendMessage);
    btSend = new QPushButton(QStringLiteral("送信(&S)"));
    // Drawn as the window's default button, since Enter in the input sends (below).
    btSend->setDefault(true);
    btLogout = new QPushButton(QStringLiteral("ログアウト(&C)"));
    connect(mmSendMessage, &QLineEdit::textChanged, this, &TChatForm::mmSendMessageChange);
    // Enter in the input sends, as the default button promises: a window that is not
    // a dialog does not press its default button on Enter by itself.
    connect(mmSendMessage, &QLineEdit::returnPressed, this, &TChatForm::btSendClick);
    connect(btSend, &QPushButton::clicked, this, &TChatForm::btSendClick);
    connect(btLogout, &QPushButton::clicked, this, &QWidget::close);

    // The input row runs under the members and the conversation both: beside the
    // label and the buttons, the conversation's width alone leaves the input a few
    // characters wide at the design size.
    wbLog->setMinimumWidth(kSplitterMinSize);
    Splitter1 = new QSplitter(Qt::Horizontal);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setOpaqueResize(true);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(tvUser);
    Splitter1->addWidget(wbLog);
    Splitter1->setStretchFactor(1, 1);
    auto* inputRow = new QHBoxLayout;
    inputRow->setSpacing(7);
    inputRow->addWidget(laSendMessage);
    inputRow->addWidget(mmSendMessage, 1);
    inputRow->addWidget(btSend);
    inputRow->addWidget(btLogout);
    auto* clientLayout = new QVBoxLayout(pnClient);
    clientLayout->setContentsMargins(4, 4, 4, 4);
    clientLayout->setSpacing(4);
    clientLayout->addWidget(Splitter1, 1);
    clientLayout->addLayout(inputRow);

    const IniFile ini(SettingsFileName());
    const int iSplitter = ini.ReadInteger(SettingsSection(), kSplitterKey, kSplitterDefault);
    Splitter1->setSizes({qMax(0, iSplitter), qMax(kSplitterMinSize, width() - iSplitter)});

    setTabOrder(mmSendMessage, btSend);
    setTabOrder(btSend, btLogout);
    setTabOrder(btLogout, tvUser);

    if (const TParvaneNetwork* pvn = FServices->Engine) {
        for (int i = 0; i < pvn->LoginCount(); ++i) {
            const TPVN_LoginUserInformation user = pvn->GetLoginUser(i);
            if (user.Chat)
                UserAdd(user.Machine, user.Discrimination, user.Handle, user.Absence);
        }
    }
    if (const TEngineEvents* events = FServices->Events) {
        connect(events, &TEngineEvents::ChatLineSaid, this,
                [this](const QString& sMessage, const TPeer& peer) {
                    LineQueue({sMessage, peer});
                });
        connect(events, &TEngineEvents::ChatMemberLogin, this, &TChatForm::MemberLogin);
        connect(events, &TEngineEvents::ChatMemberLogout, this, &TChatForm::MemberLogout);
        connect(events, &TEngineEvents::ChatMemberRenamed, this, &TChatForm::MemberRename);
        connect(events, &TEngineEvents::ChatMemberAbsenceChanged, this, &TChatForm::MemberAbsenceChange);
        connect(events, &TEngineEvents::ChatEventLine, this, &TChatForm::EventLineAdd);
    }
    mmSendMessageChange();
}

TChatForm::~TChatForm()
{
    // Lines that came while the window was open are in the log, as each was when it came.
    FLinesLater.RunNow();
    if (FServices->Engine)
        FServices->Engine->ChatLogout();
    if (FServices->Main)
        emit FServices->Main->ChatWindowShown(false);
    FormDestroy();
    tvUser->clear();
}

bool TChatForm::WriteSectionExtra(IniFile& ini)
{
    return ini.WriteInteger(SettingsSection(), kSplitterKey, tvUser->width());
}

void TChatForm::showEvent(QShowEvent* event)
{
    TCommonForm::showEvent(event);
    mmSendMessageChange();
    mmSendMessage->setFocus();
}

void TChatForm::closeEvent(QCloseEvent* event)
{
    if (!AskYes(kLogoutQuestion)) {
        event->ignore();
        return;
    }
    event->accept();
}

bool TChatForm::eventFilter(QObject* watched, QEvent* event)
{
    // Any button selects the member under the pointer, or nothing over empty
    // space, so that the menu of a right click is about the member clicked.
    if (watched == tvUser->viewport() && event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        QTreeWidgetItem* node = tvUser->itemAt(mouse->position().toPoint());
        if (node)
            tvUser->setCurrentItem(node);
        else
            tvUser->clearSelection();
    }
    return TCommonForm::eventFilter(watched, event);
}

void TChatForm::LineAppend(const QString& sHtml)
{
    // The lines that came before it go before it.
    FLinesLater.RunNow();
    LinesAppend({sHtml});
}

void TChatForm::LinesAppend(const QStringList& html)
{
    if (html.isEmpty())
        return;
    // Whether the reader is at the end is judged before the lines come: judged
    // after them, any line taller than the band would leave the view behind.
    const int iClientHeight = wbLog->Core()->viewport()->height();
    const bool bAtEnd = wbLog->ScrollTop() + iClientHeight > wbLog->ScrollHeight() - kAutoScrollBand;
    wbLog->AppendHTMLs(html);
    if (bAtEnd)
        wbLog->ScrollTo(0, wbLog->ScrollHeight());
}

void TChatForm::LineQueue(const TChatLine& line)
{
    FLinesWaiting.append(line);
    FLinesLater.Ask();
}

void TChatForm::EventLineAdd(const QString& sText)
{
    LineAppend(ChatEventHtml(sText));
}

bool TChatForm::IsOwn(const TPeer& peer) const
{
    const TParvaneNetwork* pvn = FServices->Engine;
    return pvn && peer.MachineName == pvn->MachineName() && peer.Discrimination == pvn->Discrimination();
}

void TChatForm::MemberLogin(const TPeer& peer, bool bAbsence)
{
    EventLineAdd(ChatLoginText(IsOwn(peer), peer.HandleName));
    UserAdd(peer.MachineName, peer.Discrimination, peer.HandleName, bAbsence);
}

void TChatForm::MemberLogout(const TPeer& peer)
{
    EventLineAdd(ChatLogoutText(peer.HandleName));
    UserDelete(peer.MachineName, peer.Discrimination);
}

void TChatForm::MemberRename(const TPeer& peer, const QString& sBeforeHandle)
{
    EventLineAdd(ChatNameChangeText(IsOwn(peer), sBeforeHandle, peer.HandleName));
    UserNameChange(peer.MachineName, peer.Discrimination, peer.HandleName);
}

void TChatForm::MemberAbsenceChange(const TPeer& peer, bool bAbsence)
{
    EventLineAdd(ChatAbsenceText(IsOwn(peer), peer.HandleName, bAbsence));
    UserAbsenceChange(peer.MachineName, peer.Discrimination, bAbsence);
}

void TChatForm::LinesAdd(const QList<TChatLine>& lines)
{
    const QList<TChatLine> all = std::exchange(FLinesWaiting, {}) + lines;
    QStringList html;
    QList<TLogLine> records;
    const TPeer* heard = nullptr;
    for (const TChatLine& line : all) {
        const bool bOwn = IsOwn(line.peer);
        html << ChatLineHtml(line.sMessage, line.peer.HandleName, bOwn, CustomizeChatLocate);
        if (CustomizeLog)
            records.append({bOwn ? LogKindChatSend : LogKindChatRecv, ChatEscape(line.peer.HandleName),
                            kLogRecipient, ChatEscape(line.sMessage)});
        if (!bOwn)
            heard = &line.peer;
    }
    LinesAppend(html);
    TProgramWindows* windows = FServices->Windows;
    if (!windows)
        return;
    if (!records.isEmpty())
        windows->LogWriteLines(records);
    // One sound for the lines together, of the last one heard.
    if (heard)
        windows->EventSoundPlay(SoundChatMessage, *heard);
}

void TChatForm::mmSendMessageChange()
{
    const TChatByteCounter counter = ChatByteCounter(mmSendMessage->text());
    QPalette p = sbInformation->palette();
    p.setColor(QPalette::WindowText, counter.bOver ? QColor(Qt::red) : palette().color(QPalette::WindowText));
    sbInformation->setPalette(p);
    sbInformation->SetPanelText(0, counter.sText);
}

void TChatForm::btSendClick()
{
    QString sText = mmSendMessage->text();
    if (sText.isEmpty()) {
        mmSendMessage->setFocus();
        MessageBoxShow(kEmptyInput, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    if (AnsiCodePage::ByteLength(sText) > ChatMessageByteLimit) {
        if (MessageBoxShow(kTooLong, ApplicationTitle,
                           MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2) !=
            MessageBox::IDYES)
            return;
        sText = ChatInputCut(sText);
        // The input shows what is judged and sent from here on.
        mmSendMessage->setText(sText);
    }
    const QString sRefusal = ChatInputRefusal(sText);
    if (!sRefusal.isEmpty()) {
        mmSendMessage->setFocus();
        MessageBoxShow(sRefusal, ApplicationTitle, MessageBox::MB_ICONWARNING);
        return;
    }
    if (FServices->Engine)
        FServices->Engine->ChatSend(sText);
    mmSendMessage->clear();
    mmSendMessage->setFocus();
    mmSendMessageChange();
}

// ---------------------------------------------------------------- the members

QTreeWidgetItem* TChatForm::UserFind(const QString& sMachine, const QString& sDiscrimination) const
{
    for (int i = 0; i < tvUser->topLevelItemCount(); ++i) {
        QTreeWidgetItem* node = tvUser->topLevelItem(i);
        if (node->data(0, kMachineRole).toString() == sMachine &&
            node->data(0, kDiscriminationRole).toString() == sDiscrimination)
            return node;
    }
    return nullptr;
}

void TChatForm::UserSort()
{
    tvUser->sortItems(0, Qt::AscendingOrder);
}

void TChatForm::UserAdd(const QString& sMachine, const QString& sDiscrimination, const QString& sHandle,
                        bool bAbsence)
{
    if (UserFind(sMachine, sDiscrimination))
        return;
    auto* node = new QTreeWidgetItem;
    NodeHandleSet(node, sHandle);
    node->setData(0, kMachineRole, sMachine);
    node->setData(0, kDiscriminationRole, sDiscrimination);
    NodeImageSet(node, bAbsence);
    tvUser->addTopLevelItem(node);
    UserSort();
}

void TChatForm::UserDelete(const QString& sMachine, const QString& sDiscrimination)
{
    delete UserFind(sMachine, sDiscrimination);
    UserSort();
}

void TChatForm::UserNameChange(const QString& sMachine, const QString& sDiscrimination,
                               const QString& sAfterHandle)
{
    if (QTreeWidgetItem* node = UserFind(sMachine, sDiscrimination)) {
        NodeHandleSet(node, sAfterHandle);
        UserSort();
    }
}

void TChatForm::UserAbsenceChange(const QString& sMachine, const QString& sDiscrimination, bool bAbsence)
{
    if (QTreeWidgetItem* node = UserFind(sMachine, sDiscrimination))
        NodeImageSet(node, bAbsence);
}

void TChatForm::tvUserDblClick()
{
    QTreeWidgetItem* node = tvUser->currentItem();
    if (!node || !node->isSelected())
        return;
    if (node->data(0, kAbsenceRole).toBool())
        pmUserListAbsenceClick();
    else
        pmUserListMessageClick();
}

void TChatForm::pmUserListPopup()
{
    QTreeWidgetItem* node = tvUser->currentItem();
    const bool bSelected = node && node->isSelected();
    pmUserListMessage->setEnabled(bSelected && FServices->Windows);
    pmUserListFileSend->setEnabled(bSelected && FServices->Windows);
    pmUserListAbsence->setEnabled(bSelected && node->data(0, kAbsenceRole).toBool());
}

void TChatForm::pmUserListMessageClick()
{
    QTreeWidgetItem* node = tvUser->currentItem();
    if (!node || !node->isSelected() || !FServices->Windows)
        return;
    FServices->Windows->SendFormShow(QString(), true, node->data(0, kMachineRole).toString(),
                                     node->data(0, kDiscriminationRole).toString());
}

void TChatForm::pmUserListFileSendClick()
{
    QTreeWidgetItem* node = tvUser->currentItem();
    if (!node || !node->isSelected() || !FServices->Windows)
        return;
    FServices->Windows->FileSendFormShow(QString(), {node->data(0, kHandleRole).toString(),
                                                     node->data(0, kMachineRole).toString(),
                                                     node->data(0, kDiscriminationRole).toString()});
}

void TChatForm::pmUserListAbsenceClick()
{
    QTreeWidgetItem* node = tvUser->currentItem();
    if (!node || !node->isSelected() || !FServices->Main)
        return;
    emit FServices->Main->AbsenceMessageAsked(node->data(0, kMachineRole).toString(),
                                              node->data(0, kDiscriminationRole).toString());
}
