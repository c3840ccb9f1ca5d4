// The receive window: its rules without the window, and the window over the
// main window's unread queue.
#include "RecvUnit.h"

#include "EditEx.h"
#include "MainFormFixture.h"
#include "OptionUnit.h"
#include "PeerProcess.h"
#include "SendUnit.h"
#include "StatusPanelBar.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

namespace {

TEST(RecvRulesTest, ViewByLetterAndSettings)
{
    struct {
        bool bLetter, bCustomizeLetter, bSecurityLetter;
        TRecvView expected;
    } const cases[] = {
        {false, false, false, TRecvView::Open},
        {false, false, true, TRecvView::Open},
        {true, false, false, TRecvView::SealedNoPassword},
        {true, false, true, TRecvView::SealedPassword},
        {false, true, false, TRecvView::SealedNoPassword},
        {false, true, true, TRecvView::SealedPassword},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RecvViewChoice(c.bLetter, c.bCustomizeLetter, c.bSecurityLetter), c.expected)
            << c.bLetter << c.bCustomizeLetter << c.bSecurityLetter;
}

TEST(RecvRulesTest, PasswordAndQuoteSource)
{
    EXPECT_TRUE(LetterPasswordRight(false, QStringLiteral("x"), QStringLiteral("y")));
    EXPECT_TRUE(LetterPasswordRight(true, QString(), QString()));
    EXPECT_TRUE(LetterPasswordRight(true, QStringLiteral("Abc"), QStringLiteral("Abc")));
    EXPECT_FALSE(LetterPasswordRight(true, QStringLiteral("abc"), QStringLiteral("Abc")));
    EXPECT_FALSE(LetterPasswordRight(true, QString(), QStringLiteral("Abc")));
    EXPECT_EQ(ReplyQuoteSource(true, QStringLiteral("b"), QStringLiteral("a b")), QStringLiteral("b"));
    EXPECT_EQ(ReplyQuoteSource(true, QString(), QStringLiteral("a b")), QStringLiteral("a b"));
    EXPECT_EQ(ReplyQuoteSource(false, QStringLiteral("b"), QStringLiteral("a b")), QString());
    EXPECT_EQ(RecvWindowCaptionText(0), QStringLiteral("受信メッセージ - Parvane 2"));
    EXPECT_EQ(RecvWindowCaptionText(3), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 3>"));
}

class RecvWindowTest : public MainFormFixture {
protected:
    void CloseWindows() override
    {
        for (const QString& sEntry : QStringList(SendWindowList))
            SendMessageW(WindowListHandle(sEntry), WM_CLOSE, 0, 0);
        RecvFormRelease();
    }

    void Arrive(const QString& sText, bool bLetter = false)
    {
        FForm->PVNMessage(FForm->PVN.get(), sText, QStringLiteral("000000000001"), bLetter,
                          QStringLiteral("花子"), QStringLiteral("PVHOST2"), QStringLiteral("Parvane2"),
                          QStringLiteral("2026年01月02日 午後 3時04分05秒"));
    }

    // The send window opened last.
    static TSendForm* LastSendForm()
    {
        if (SendWindowList.isEmpty())
            return nullptr;
        return qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(SendWindowList.last())));
    }

    static void Shot(QWidget* window, const QString& sName)
    {
        const QString sFolder = qEnvironmentVariable("PARVANE_SHOTS");
        if (!sFolder.isEmpty())
            window->grab().save(QDir(sFolder).filePath(sName + QStringLiteral(".png")));
    }
};

TEST_F(RecvWindowTest, TwoPlainMessagesOneAfterTheOther)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    Arrive(QStringLiteral("一行目\r\n二行目"));
    Arrive(QStringLiteral("second"));
    form.miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    EXPECT_EQ(RecvForm->View(), TRecvView::Open);
    // A received CR LF is one line break of the edit.
    EXPECT_EQ(RecvForm->mmRecvMessage->toPlainText(), QStringLiteral("一行目\n二行目"));
    EXPECT_EQ(RecvForm->mmRecvMessage->document()->blockCount(), 2);
    EXPECT_EQ(RecvForm->MessageText(), QStringLiteral("一行目\r\n二行目"));
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 1>"));
    EXPECT_EQ(RecvForm->sbInformation->PanelText(0), QStringLiteral("2026年01月02日 午後 3時04分05秒 受信"));
    EXPECT_EQ(RecvForm->PrMachine, QStringLiteral("PVHOST2"));
    EXPECT_EQ(RecvForm->focusWidget(), RecvForm->btNext);
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
    Shot(RecvForm, QStringLiteral("recv-open"));

    TRecvForm* window = RecvForm;
    RecvForm->btNextClick();
    EXPECT_EQ(RecvForm, window);
    EXPECT_EQ(RecvForm->MessageText(), QStringLiteral("second"));
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2"));
    EXPECT_FALSE(RecvForm->btNext->isEnabled());
    EXPECT_EQ(RecvForm->focusWidget(), RecvForm->btClose);
    EXPECT_TRUE(MessageRecvQueue.Empty());
    EXPECT_FALSE(form.tmTaskAnimation.isActive());

    // A message that arrives while the window is open enables the next button again.
    Arrive(QStringLiteral("third"));
    EXPECT_TRUE(RecvForm->btNext->isEnabled());
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 1>"));
    // The window is not opened again by itself: it is already there.
    EXPECT_EQ(RecvForm->MessageText(), QStringLiteral("second"));
}

struct LetterCase {
    const char* sName;
    bool bLetter;
    bool bCustomizeLetter;
    bool bSecurityLetter;
    const char* sStored;
    const char* sTyped;
    bool bOpens;
};

class LetterViews : public RecvWindowTest, public testing::WithParamInterface<LetterCase> {};

TEST_P(LetterViews, SealedUntilOpened)
{
    const LetterCase& c = GetParam();
    WriteIni(QByteArray("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeLetter=") +
             (c.bCustomizeLetter ? "1" : "0") + "\r\nSecurityLetter=" + (c.bSecurityLetter ? "1" : "0") +
             "\r\n");
    Start();
    SecurityLetterPassword = QString::fromUtf8(c.sStored);
    Arrive(QStringLiteral("sealed text"), c.bLetter);
    FForm->miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    // Nothing is read yet: the message waits, the caption has no count of it.
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2"));
    EXPECT_TRUE(RecvForm->pnLetterBack->isVisibleTo(RecvForm));
    EXPECT_FALSE(RecvForm->mmRecvMessage->isVisibleTo(RecvForm));
    EXPECT_FALSE(RecvForm->btReturn->isVisibleTo(RecvForm));
    EXPECT_EQ(RecvForm->pnLetter->isVisibleTo(RecvForm), c.bSecurityLetter);
    EXPECT_EQ(RecvForm->pnLetterNoPassword->isVisibleTo(RecvForm), !c.bSecurityLetter);
    EXPECT_EQ(RecvForm->focusWidget(), c.bSecurityLetter ? static_cast<QWidget*>(RecvForm->neLetterPassword)
                                                         : RecvForm->btLetterOpen2);
    Shot(RecvForm, QStringLiteral("recv-sealed-") + QString::fromUtf8(c.sName));

    RecvForm->neLetterPassword->setText(QString::fromUtf8(c.sTyped));
    if (c.bSecurityLetter)
        emit RecvForm->neLetterPassword->returnPressed();
    else
        RecvForm->btLetterOpen2->click();
    if (c.bOpens) {
        EXPECT_TRUE(BoxTexts().isEmpty());
        EXPECT_TRUE(MessageRecvQueue.Empty());
        EXPECT_EQ(RecvForm->View(), TRecvView::Open);
        EXPECT_TRUE(RecvForm->mmRecvMessage->isVisibleTo(RecvForm));
        EXPECT_FALSE(RecvForm->pnLetterBack->isVisibleTo(RecvForm));
        EXPECT_EQ(RecvForm->focusWidget(), RecvForm->btClose);
    } else {
        EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("パスワードが違います。")});
        EXPECT_EQ(MessageRecvQueue.Count(), 1);
        EXPECT_NE(RecvForm->View(), TRecvView::Open);
        EXPECT_EQ(RecvForm->neLetterPassword->text(), QString::fromUtf8(c.sTyped));
        EXPECT_EQ(RecvForm->focusWidget(), RecvForm->neLetterPassword);
    }
    SecurityLetterPassword.clear();
}

INSTANTIATE_TEST_SUITE_P(RecvWindow, LetterViews,
                         testing::Values(LetterCase{.sName = "NoPassword",
                                                    .bLetter = true,
                                                    .bCustomizeLetter = false,
                                                    .bSecurityLetter = false,
                                                    .sStored = "pw",
                                                    .sTyped = "",
                                                    .bOpens = true},
                                         LetterCase{.sName = "RightPassword",
                                                    .bLetter = true,
                                                    .bCustomizeLetter = false,
                                                    .bSecurityLetter = true,
                                                    .sStored = "pw",
                                                    .sTyped = "pw",
                                                    .bOpens = true},
                                         LetterCase{.sName = "WrongPassword",
                                                    .bLetter = true,
                                                    .bCustomizeLetter = false,
                                                    .bSecurityLetter = true,
                                                    .sStored = "pw",
                                                    .sTyped = "PW",
                                                    .bOpens = false},
                                         LetterCase{.sName = "EmptyStoredPassword",
                                                    .bLetter = true,
                                                    .bCustomizeLetter = false,
                                                    .bSecurityLetter = true,
                                                    .sStored = "",
                                                    .sTyped = "",
                                                    .bOpens = true},
                                         LetterCase{.sName = "EveryMessageSealed",
                                                    .bLetter = false,
                                                    .bCustomizeLetter = true,
                                                    .bSecurityLetter = false,
                                                    .sStored = "",
                                                    .sTyped = "",
                                                    .bOpens = true}),
                         [](const testing::TestParamInfo<LetterCase>& info) {
                             return std::string(info.param.sName);
                         });

// A letter waiting behind its panel asks for the password exactly while the
// applied options say so, without being reopened.
TEST_F(RecvWindowTest, TheOptionsApplySwitchesTheWaitingLettersPasswordPanel)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    Start();
    Arrive(QStringLiteral("letter"), true);
    FForm->miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    ASSERT_FALSE(RecvForm->pnLetter->isVisibleTo(RecvForm));
    OptionFormShow();
    ASSERT_NE(OptionForm, nullptr);
    for (const bool bSecurityLetter : {true, false}) {
        SCOPED_TRACE(bSecurityLetter);
        OptionForm->cbSecurityLetter->setChecked(bSecurityLetter);
        OptionForm->btUpdateClick();
        EXPECT_TRUE(RecvForm->pnLetterBack->isVisibleTo(RecvForm));
        EXPECT_EQ(RecvForm->pnLetter->isVisibleTo(RecvForm), bSecurityLetter);
        EXPECT_EQ(RecvForm->pnLetterNoPassword->isVisibleTo(RecvForm), !bSecurityLetter);
    }
    OptionFormRelease();
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
}

TEST_F(RecvWindowTest, ClosingASealedLetterLeavesItUnread)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    Start();
    Arrive(QStringLiteral("letter"), true);
    FForm->miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    RecvForm->btCloseClick();
    ASSERT_TRUE(WaitUntil([] { return RecvForm == nullptr; }));
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
    FForm->miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    EXPECT_EQ(RecvForm->View(), TRecvView::SealedNoPassword);
}

// The header names the sender of the message shown, while the caption counts the
// unread ones: a change of the caption leaves the header alone.
TEST_F(RecvWindowTest, TheHeaderNamesTheSenderWhileTheCaptionCountsTheUnread)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    const QString sMachine = form.PVN->MachineName();
    const QString sSender = form.LoginUserFind(sMachine, QStringLiteral("Parvane2"))->Caption();
    for (const char* sText : {"one", "two"})
        form.PVNMessage(form.PVN.get(), QString::fromLatin1(sText), QStringLiteral("000000000001"), false,
                        form.PVN->HandleName(), sMachine, QStringLiteral("Parvane2"),
                        QStringLiteral("2026年01月02日 午後 3時04分05秒"));
    form.miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    const QString sHeader = QStringLiteral("メッセージ受信 (送信元:") + sSender + u')';
    EXPECT_EQ(RecvForm->laTitle->text(), sHeader);
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 1>"));
    RecvForm->btNextClick();
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2"));
    EXPECT_EQ(RecvForm->laTitle->text(), sHeader);
}

// A sealed letter on show that later arrivals pushed out of the queue is still the
// one that opening acts on: its sender hears that it was read, and no other message
// is removed from the queue or reported read.
// The sender is a second program on the test LAN, which hears the read notices.
class RecvWindowLanTest : public MainFormLanFixture {
protected:
    void CloseWindows() override { RecvFormRelease(); }
};

TEST_F(RecvWindowLanTest, OpeningALetterDroppedFromTheQueueActsOnThatLetterOnly)
{
    TMainForm& form = Start();
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, QStringLiteral("花子")));
    ASSERT_TRUE(WaitUntil([&] { return form.LoginUserFind("PVHOST2", "Parvane2") != nullptr; }));
    const QString sId = peer.Call("MessageSend", {"封書です", form.PVN->MachineName(), "Parvane2", "1"});
    ASSERT_FALSE(sId.isEmpty());
    ASSERT_TRUE(WaitUntil([] { return MessageRecvQueue.Count() == 1; }));
    form.miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    ASSERT_EQ(RecvForm->View(), TRecvView::SealedNoPassword);
    for (int i = 0; i < TMessageRecvQueue::Capacity; ++i)
        form.PVNMessage(form.PVN.get(), QStringLiteral("m%1").arg(i),
                        QStringLiteral("9%1").arg(i, 11, 10, QChar(u'0')), false, QStringLiteral("次郎"),
                        QStringLiteral("PVHOST2"), QStringLiteral("Parvane2"), QStringLiteral("time"));
    ASSERT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("m0"));

    RecvForm->btLetterOpen2->click();
    const std::optional<QStringList> opened = peer.WaitEvent("OnMessageOpen");
    ASSERT_TRUE(opened.has_value());
    EXPECT_EQ(opened->value(0), sId);
    EXPECT_EQ(peer.CountEvents("OnMessageOpen"), 0);
    EXPECT_EQ(RecvForm->MessageText(), QStringLiteral("封書です"));
    EXPECT_EQ(MessageRecvQueue.Count(), TMessageRecvQueue::Capacity);
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("m0"));
}

struct ReplyCase {
    const char* sName;
    bool bWithMessage;
    bool bSelectTwoLines;
    QString sExpected;
};

TEST_F(RecvWindowTest, ReplyQuotesTheSelectionOrTheWholeMessage)
{
    const ReplyCase cases[] = {
        {"selection", true, true, QStringLiteral("> b\n> c\n")},
        {"whole", true, false, QStringLiteral("> a\n> b\n> c\n> d\n")},
        {"setting off", false, true, QString()},
    };
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    Start();
    for (const ReplyCase& c : cases) {
        CustomizeRecvWithMessage = c.bWithMessage;
        Arrive(QStringLiteral("a\r\nb\r\nc\r\nd"));
        FForm->miMessageRecvClick();
        ASSERT_NE(RecvForm, nullptr) << c.sName;
        if (c.bSelectTwoLines) {
            QTextCursor cursor(RecvForm->mmRecvMessage->document());
            cursor.setPosition(2);
            cursor.setPosition(5, QTextCursor::KeepAnchor);
            RecvForm->mmRecvMessage->setTextCursor(cursor);
        }
        RecvForm->btReturnClick();
        TSendForm* send = LastSendForm();
        ASSERT_NE(send, nullptr) << c.sName;
        EXPECT_EQ(send->mmSendMessage->toPlainText(), c.sExpected) << c.sName;
        EXPECT_EQ(send->Targets(), (std::vector<TSendTarget>{{"PVHOST2", "Parvane2"}})) << c.sName;
        send->close();
    }
    CustomizeRecvWithMessage = false;
    // With the reply-hide setting the receive window goes with the reply.
    CustomizeReplyHide = true;
    Arrive(QStringLiteral("x"));
    FForm->miMessageRecvClick();
    RecvForm->btReturnClick();
    EXPECT_TRUE(WaitUntil([] { return RecvForm == nullptr; }));
    CustomizeReplyHide = false;
}

} // namespace
