// The send window over a logged-in main window that hears its own messages.
#include "SendUnit.h"

#include "AbsenceUnit.h"
#include "AnsiCodePage.h"
#include "CutHeader.h"
#include "Keyboard.h"
#include "MainFormFixture.h"
#include "PeerProcess.h"
#include "PeerText.h"
#include "RealBoxes.h"
#include "RecordingWindows.h"
#include "RecvUnit.h"
#include "StatusPanelBar.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <deque>
#include <optional>

namespace {

// The log writes and the notices are recorded in place of their windows; the rest is the program's.
const QSet<QString> kSendStandIns{"LogWrite", "NoticeAdd"};

template <bool OnLan> class SendWindowTestOn : public MainFormFixtureOf<OnLan> {
protected:
    void CloseWindows() override
    {
        ListedWindowsClose();
        RecvFormRelease();
        QCoreApplication::processEvents();
    }

    // Logged in, with the own row listed.
    TMainForm& StartOnline(const QByteArray& extra = {})
    {
        this->WriteIni("[Option]\r\nHandleName=" + AnsiCodePage::Encode(u"太郎") + "\r\n" + extra);
        TMainForm& form = this->Start(std::make_unique<TestSupport::RecordingWindows>(FLog, kSendStandIns));
        EXPECT_TRUE(this->OwnRowListed());
        return form;
    }

    QString Own() const { return this->FForm->PVN->MachineName(); }

    // A send window as the program makes it, handed the main window's services.
    TSendForm* SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                            const QString& sDiscriminations) const
    {
        return ::SendFormShow(sMessage, bQuote, sMachines, sDiscriminations, this->FForm->Services());
    }

    static bool Open(TSendForm* form) { return SendWindowList.contains(WindowListEntry(form->Handle())); }

    // Each log write's kind, sender, receivers and text.
    std::vector<QStringList> Writes() const { return FLog->Of("LogWrite"); }

    std::shared_ptr<TestSupport::WindowCalls> FLog = std::make_shared<TestSupport::WindowCalls>();
};

using SendWindowTest = SendWindowTestOn<false>;
// A peer of an older version is a second program on the test LAN.
using SendWindowLanTest = SendWindowTestOn<true>;

TEST_F(SendWindowTest, HeaderNamesTheListedTargets)
{
    StartOnline();
    TSendForm* form =
        SendFormShow(QString(), true, Own() + "&|PVHOST9&|" + Own(), "Parvane2&|Parvane2&|Other");
    EXPECT_EQ(form->windowTitle(), QStringLiteral("メッセージ送信 - Parvane 2"));
    EXPECT_EQ(form->laTitle->text(), QStringLiteral("メッセージ送信 (送信先:太郎)"));
    EXPECT_EQ(form->Targets().size(), 3u);
    EXPECT_EQ(form->sbInformation->PanelText(0), QStringLiteral("残り送信可能バイト数：2048 Byte"));
    EXPECT_TRUE(Open(form));
    EXPECT_EQ(form->focusWidget(), form->mmSendMessage);
}

// Peers' names that look like markup show as the text they are: a handle name in
// the headers of the send, receive and away windows, a machine name in the box that
// says a message could not be sent.
TEST_F(SendWindowLanTest, MarkupInPeersNamesShowsAsText)
{
    const QString sImage = FDir.filePath(QStringLiteral("big.png"));
    ASSERT_TRUE(QImage(400, 400, QImage::Format_RGB32).save(sImage));
    const QString sMarkup = QStringLiteral("<img src=\"%1\">").arg(sImage);
    TMainForm& form = StartOnline();
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, sMarkup));
    ASSERT_TRUE(WaitUntil([&] { return form.LoginUserFind("PVHOST2", "Parvane2") != nullptr; }));

    const TSendForm* send = SendFormShow(QString(), true, "PVHOST2", "Parvane2");
    // The headers cut a long name; what they show of it is still text.
    EXPECT_TRUE(TestSupport::ShowsAsText(send->laTitle, PeerHeaderText("メッセージ送信", "送信先", sMarkup)));
    ASSERT_FALSE(peer.Call("MessageSend", {"本文", Own(), "Parvane2", "0"}).isEmpty());
    ASSERT_TRUE(WaitUntil([] { return MessageRecvQueue.Count() == 1; }));
    form.miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    EXPECT_TRUE(
        TestSupport::ShowsAsText(RecvForm->laTitle, PeerHeaderText("メッセージ受信", "送信元", sMarkup)));
    const TAbsenceForm* away = AbsenceFormShow({sMarkup, "PVHOST2", "Parvane2"}, "会議中", "time");
    EXPECT_TRUE(TestSupport::ShowsAsText(away->laTitle, PeerHeaderText("不在メッセージ", "不在者", sMarkup)));

    TSendForm* failing = SendFormShow(QString(), true, sMarkup, "Parvane2");
    failing->mmSendMessage->setPlainText(QStringLiteral("本文"));
    MessageBox::SetAnswerer({});
    testing::AssertionResult boxShown = testing::AssertionFailure() << "no box";
    QTimer::singleShot(0, [&] {
        const QList<QMessageBox*> boxes = TestSupport::OpenBoxes();
        if (boxes.isEmpty())
            return;
        boxShown = TestSupport::ShowsAsText(boxes[0]->findChild<QLabel*>(QStringLiteral("qt_msgbox_label")),
                                            SendFailedText(sMarkup, QStringLiteral("Parvane2")));
        TestSupport::CloseOpenBoxes();
    });
    failing->btSend->click();
    EXPECT_TRUE(boxShown);
}

// A long handle name is cut in the headers of the send, receive and away windows
// between whole characters and ends in "…", as everywhere a name is drawn in one line.
TEST_F(SendWindowTest, ALongHandleNameEndsInAnEllipsisInTheHeaders)
{
    TMainForm& form = StartOnline();
    const QString sLong = QStringLiteral("a営業部第二課の山田").repeated(20);
    form.PVNLogin(form.PVN.get(), sLong, "PVHOST2", "198.18.0.2", "Parvane2", 2200, false, "", false, false,
                  0);
    const TSendForm* send = SendFormShow(QString(), true, "PVHOST2", "Parvane2");
    EXPECT_TRUE(TestSupport::HeaderEndsInACutName(send->laTitle->text(),
                                                  QStringLiteral("メッセージ送信 (送信先:"), sLong));
    form.PVNMessage(form.PVN.get(), QStringLiteral("本文"), QStringLiteral("000000000001"), false, sLong,
                    "PVHOST2", "Parvane2", QStringLiteral("2026年01月02日 午後 3時04分05秒"));
    form.miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    EXPECT_TRUE(TestSupport::HeaderEndsInACutName(RecvForm->laTitle->text(),
                                                  QStringLiteral("メッセージ受信 (送信元:"), sLong));
    const TAbsenceForm* away = AbsenceFormShow({sLong, "PVHOST2", "Parvane2"}, "会議中", "time");
    EXPECT_TRUE(TestSupport::HeaderEndsInACutName(away->laTitle->text(),
                                                  QStringLiteral("不在メッセージ (不在者:"), sLong));
}

TEST_F(SendWindowTest, CounterTurnsRedPastTheLimit)
{
    StartOnline();
    TSendForm* form = SendFormShow(QString(), true, Own(), "Parvane2");
    form->mmSendMessage->setPlainText(QStringLiteral("あ").repeated(1025));
    EXPECT_EQ(form->sbInformation->PanelText(0), QStringLiteral("送信可能バイト数が 2 Byte 超えています"));
    EXPECT_EQ(form->sbInformation->PanelColor(0), QColor(Qt::red));
    const QString sFolder = qEnvironmentVariable("PARVANE_SHOTS");
    if (!sFolder.isEmpty())
        form->grab().save(QDir(sFolder).filePath(QStringLiteral("send-over.png")));
    form->mmSendMessage->setPlainText(QStringLiteral("a\nb"));
    EXPECT_EQ(form->sbInformation->PanelText(0), QStringLiteral("残り送信可能バイト数：2044 Byte"));
    EXPECT_FALSE(form->sbInformation->PanelColor(0).isValid());
}

// The edit takes no more characters than the wire takes bytes, without losing
// what is already written.
TEST_F(SendWindowTest, APasteIsCutToTheRoomLeftAndTheDraftKept)
{
    StartOnline();
    TSendForm* form = SendFormShow(QString(), true, Own(), "Parvane2");
    const QString sDraft = QStringLiteral("b").repeated(2000) + QStringLiteral("END");
    form->mmSendMessage->setPlainText(sDraft);
    form->mmSendMessage->moveCursor(QTextCursor::Start);
    TestSupport::PasteText(form->mmSendMessage, QStringLiteral("x").repeated(100));
    EXPECT_EQ(form->mmSendMessage->toPlainText(), QStringLiteral("x").repeated(45) + sDraft);
    EXPECT_EQ(form->sbInformation->PanelText(0), QStringLiteral("残り送信可能バイト数：0 Byte"));
    TestSupport::TypeText(form->mmSendMessage, QStringLiteral("y"));
    EXPECT_EQ(form->mmSendMessage->toPlainText().size(), 2048);
    TestSupport::KeyPress(form->mmSendMessage, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(form->mmSendMessage->toPlainText(), sDraft);
}

TEST_F(SendWindowTest, RefusalsLeaveTheWindowAndItsText)
{
    StartOnline();
    TSendForm* form = SendFormShow(QString(), true, Own(), "Parvane2");
    form->btSend->click();
    form->mmSendMessage->setPlainText(QStringLiteral("a&|b"));
    form->btLetterSend->click();
    FAnswers = {MessageBox::IDNO};
    // Over the bytes, within the edit's characters.
    form->mmSendMessage->setPlainText(QStringLiteral("あ").repeated(1025));
    form->btSend->click();
    ASSERT_EQ(FBoxes.size(), 3u);
    EXPECT_EQ(FBoxes[0].sText, QStringLiteral("メッセージを入力してください。"));
    EXPECT_EQ(FBoxes[1].sText, QStringLiteral("メッセージ内に「&|」を含めることはできません。"));
    EXPECT_TRUE(FBoxes[2].sText.startsWith(QStringLiteral("一度に送信できるバイト数を超えています。")));
    EXPECT_EQ(form->mmSendMessage->toPlainText(), QStringLiteral("あ").repeated(1025));
    EXPECT_TRUE(Open(form));
    EXPECT_TRUE(Writes().empty());
    EXPECT_EQ(MessageRecvQueue.Count(), 0);
}

// After a refusal the memo takes the keys again, holding the text as far as the
// user agreed to cut it.
TEST_F(SendWindowTest, ARefusalGivesTheMemoTheFocusAndTheAgreedCut)
{
    StartOnline();
    const QString sOver = QStringLiteral("&|") + QStringLiteral("あ").repeated(1024);
    const struct {
        const char* sName;
        QString sTyped;
        std::deque<int> answers;
        QString sShown;
    } cases[] = {
        {"empty", QString(), {}, QString()},
        {"forbidden", QStringLiteral("a&|b"), {}, QStringLiteral("a&|b")},
        {"forbidden after the cut", sOver, {MessageBox::IDYES}, sOver.left(sOver.size() - 1)},
    };
    for (const auto& c : cases) {
        TSendForm* form = SendFormShow(QString(), true, Own(), "Parvane2");
        form->mmSendMessage->setPlainText(c.sTyped);
        form->btSend->setFocus();
        FAnswers = c.answers;
        form->btSend->click();
        EXPECT_TRUE(Open(form)) << c.sName;
        EXPECT_EQ(form->mmSendMessage->toPlainText(), c.sShown) << c.sName;
        EXPECT_EQ(form->focusWidget(), form->mmSendMessage) << c.sName;
        form->close();
    }
    EXPECT_TRUE(Writes().empty());
}

TEST_F(SendWindowTest, AgreedCutIsWhatIsSentAndLogged)
{
    StartOnline();
    TSendForm* form = SendFormShow(QString(), true, Own(), "Parvane2");
    form->mmSendMessage->setPlainText(QStringLiteral("あ").repeated(1023) + QStringLiteral("  いい"));
    FAnswers = {MessageBox::IDYES};
    form->btSend->click();
    ASSERT_EQ(Writes().size(), 1u);
    EXPECT_EQ(Writes()[0][3], QStringLiteral("あ").repeated(1023));
    ASSERT_TRUE(WaitUntil([] { return MessageRecvQueue.Count() == 1; }));
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("あ").repeated(1023));
}

TEST_F(SendWindowTest, EachTargetIsSentToAndOneRecordNamesThemAll)
{
    StartOnline();
    TSendForm* form =
        SendFormShow(QString(), true, Own() + "&|PVHOST9&|" + Own(), "Parvane2&|Parvane2&|Parvane2");
    form->mmSendMessage->setPlainText(QStringLiteral("一行目\n二行目"));
    form->btLetterSend->click();
    // The target that no one answers for fails alone; the others are sent.
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("マシン名「PVHOST9」、識別情報「Parvane2」")));
    ASSERT_EQ(Writes().size(), 1u);
    EXPECT_EQ(Writes()[0], (QStringList{"0", "太郎", "太郎, 太郎", "一行目\r\n二行目"}));
    EXPECT_TRUE(WaitUntil([] { return SendWindowList.isEmpty(); }));
    // Both letters come back to this copy, with the wire's line breaks.
    ASSERT_TRUE(WaitUntil([] { return MessageRecvQueue.Count() == 2; }));
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("一行目\r\n二行目"));
    EXPECT_TRUE(MessageRecvQueue.Head().bLetter);
}

// A peer that shows letters as messages is asked about once; No sends nothing.
TEST_F(SendWindowLanTest, LetterToAnOlderPeerAsksFirst)
{
    TMainForm& form = StartOnline();
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.Start(*FLan, 1));
    ASSERT_TRUE(peer.Set("Discrimination", "Parvane2"));
    ASSERT_TRUE(peer.Set("Version", "2100"));
    ASSERT_EQ(peer.Call("ServiceStart"), "1");
    ASSERT_TRUE(peer.Set("HandleName", "旧版"));
    ASSERT_EQ(peer.Call("Login"), "1");
    ASSERT_TRUE(WaitUntil([&] { return form.LoginUserFind("PVHOST2", "Parvane2") != nullptr; }));

    TSendForm* form1 = SendFormShow(QString(), true, "PVHOST2&|" + Own(), "Parvane2&|Parvane2");
    EXPECT_EQ(form1->laTitle->text(), QStringLiteral("メッセージ送信 (送信先:旧版, 太郎)"));
    form1->mmSendMessage->setPlainText(QStringLiteral("封"));
    FAnswers = {MessageBox::IDNO};
    form1->btLetterSend->click();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(
        FBoxes[0].sText.startsWith(QStringLiteral("送信先に封書送信に対応していないユーザが存在します。")));
    EXPECT_EQ(FBoxes[0].iFlags & TestSupport::BoxButtonsAndIconMask,
              MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION);
    EXPECT_TRUE(Open(form1));
    EXPECT_TRUE(Writes().empty());
    // The plain button does not ask.
    form1->btSend->click();
    EXPECT_EQ(FBoxes.size(), 1u);
    ASSERT_EQ(Writes().size(), 1u);
    EXPECT_EQ(Writes()[0][2], QStringLiteral("旧版, 太郎"));
}

// Nothing went out, so nothing is logged as sent.
TEST_F(SendWindowTest, WindowWithoutTargetsSendsNothingAndCloses)
{
    StartOnline();
    TSendForm* form = SendFormShow(QString(), true, QString(), QString());
    EXPECT_EQ(form->laTitle->text(), QStringLiteral("メッセージ送信 (送信先:)"));
    form->mmSendMessage->setPlainText(QStringLiteral("x"));
    form->btSend->click();
    EXPECT_TRUE(FBoxes.empty());
    EXPECT_TRUE(Writes().empty());
    EXPECT_TRUE(WaitUntil([] { return SendWindowList.isEmpty(); }));
}

// The log tells what went out: a target whose send failed is not named in it.
// A send that reached some closes the window; one that reached no one keeps it
// open with the text, so that the user can send it again once the box told why.
TEST_F(SendWindowTest, OnlyTheTargetsSentToAreLoggedAndAMessageThatReachedNoOneStays)
{
    TMainForm& main = StartOnline();
    // Listed in the window but unknown to the engine, so its send fails.
    main.PVNLogin(main.PVN.get(), "花子", "PVHOST2", "198.18.0.2", "Parvane2", 2200, false, "", false, false,
                  0);
    const struct {
        const char* sName;
        QString sMachines;
        QString sDiscriminations;
        std::optional<QString> sLoggedTo;
        int iBoxes;
    } cases[] = {
        {"one of two fails", Own() + "&|PVHOST2", "Parvane2&|Parvane2", QStringLiteral("太郎"), 1},
        {"the listed target fails", "PVHOST2", "Parvane2", std::nullopt, 1},
        {"the unlisted target fails", "PVHOST9", "Parvane2", std::nullopt, 1},
        {"both targets fail", "PVHOST2&|PVHOST9", "Parvane2&|Parvane2", std::nullopt, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sName);
        FBoxes.clear();
        FLog->calls.clear();
        TSendForm* form = SendFormShow(QString(), true, c.sMachines, c.sDiscriminations);
        form->mmSendMessage->setPlainText(QStringLiteral("明日の会議は10時から"));
        form->btSend->click();
        EXPECT_EQ(FBoxes.size(), size_t(c.iBoxes));
        if (c.sLoggedTo) {
            ASSERT_EQ(Writes().size(), 1u);
            EXPECT_EQ(Writes()[0], (QStringList{"0", "太郎", *c.sLoggedTo, "明日の会議は10時から"}));
            EXPECT_TRUE(WaitUntil([] { return SendWindowList.isEmpty(); }));
            continue;
        }
        EXPECT_TRUE(Writes().empty());
        TestSupport::PumpFor();
        ASSERT_TRUE(Open(form));
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->mmSendMessage->toPlainText(), QStringLiteral("明日の会議は10時から"));
        form->close();
        EXPECT_TRUE(WaitUntil([] { return SendWindowList.isEmpty(); }));
    }
}

TEST_F(SendWindowTest, LoggedOutNothingIsSent)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    Start(std::make_unique<TestSupport::RecordingWindows>(FLog, kSendStandIns));
    TSendForm* form = SendFormShow(QStringLiteral("引用"), true, QStringLiteral("PVHOST2"), "Parvane2");
    EXPECT_EQ(form->mmSendMessage->toPlainText(), QStringLiteral("> 引用\n"));
    form->btSend->click();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("オフライン状態でのメッセージ送信はできません。")));
    EXPECT_TRUE(Open(form));
    EXPECT_TRUE(Writes().empty());
}

TEST_F(SendWindowTest, SendHideMinimisesTheMainWindow)
{
    TMainForm& main = StartOnline("CustomizeSendHide=1\r\n");
    main.show();
    TSendForm* form = SendFormShow(QString(), true, Own(), "Parvane2");
    form->mmSendMessage->setPlainText(QStringLiteral("x"));
    form->btSend->click();
    EXPECT_TRUE(main.isMinimized());
}

TEST_F(SendWindowTest, MainWindowSendCommandOpensAWindowForTheSelection)
{
    TMainForm& main = StartOnline();
    EXPECT_FALSE(main.miMessageSend->isEnabled());
    main.LoginUserFind(Own(), "Parvane2")->setSelected(true);
    ASSERT_TRUE(WaitUntil([&] { return main.miMessageSend->isEnabled(); }));
    main.miMessageSend->trigger();
    ASSERT_EQ(SendWindowList.size(), 1);
    auto* form = qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(SendWindowList[0])));
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(form->Targets(), (std::vector<TSendTarget>{{Own(), "Parvane2"}}));
}

TEST_F(SendWindowTest, HotKeyAndTrayMenusOpenAWindowForTheirUser)
{
    TMainForm& main = StartOnline();
    const QString sCaption = QStringLiteral("太郎<") + Own() + u'>';
    for (QMenu* menu : {main.pmHotKeySend, main.miTaskSend}) {
        QAction* item = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == sCaption)
                item = action;
        ASSERT_NE(item, nullptr);
        item->trigger();
    }
    ASSERT_EQ(SendWindowList.size(), 2);
    for (const QString& sEntry : SendWindowList) {
        auto* form = qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(sEntry)));
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(form->Targets(), (std::vector<TSendTarget>{{Own(), "Parvane2"}}));
    }
}

} // namespace
