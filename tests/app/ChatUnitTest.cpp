// The chat window on its own (no main window): members, lines, the input and closing.
#include "ChatUnit.h"

#include "AnsiCodePage.h"
#include "ChatText.h"
#include "IEViewer.h"
#include "IEViewerCore.h"
#include "IniFile.h"
#include "MessageBox.h"
#include "StatusPanelBar.h"
#include "WindowTest.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTreeWidget>
#include <deque>
#include <gtest/gtest.h>

namespace {

class ChatFormTest : public TestSupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTestOn::SetUp();
        if (HasFatalFailure())
            return;
        ChatWindowShowHeader = ChatWindowShowStatus = true;
        CustomizeChatLocate = false;
        ChatFormShow();
        ASSERT_NE(ChatForm, nullptr);
    }

    void TearDown() override
    {
        ChatFormRelease();
        WindowTestOn::TearDown();
    }

    // OK to every box, a question too, unless the test says otherwise.
    int DefaultAnswer(const MessageBox::Request&) const override { return MessageBox::IDOK; }

    static QStringList Members()
    {
        QStringList sl;
        for (int i = 0; i < ChatForm->tvUser->topLevelItemCount(); ++i)
            sl << ChatForm->tvUser->topLevelItem(i)->text(0);
        return sl;
    }
};

TEST_F(ChatFormTest, MembersAreKeptSortedOneNodePerMachineAndIdentifier)
{
    ChatUserLogin("花子", "PVHOST2", "Parvane2", false);
    ChatUserLogin("Bob", "PVHOST3", "Parvane2", true);
    ChatUserLogin("Alice", "PVHOST2", "Other", false);
    // The same member again: its event line, but neither a second node nor a rename.
    ChatUserLogin("改名", "PVHOST2", "Parvane2", false);
    EXPECT_EQ(Members(), (QStringList{"Alice", "Bob", "花子"}));
    EXPECT_EQ(ChatForm->wbLog->HTML().count(QStringLiteral("がチャットへログインしました。")), 4);

    ChatUserNameChange("PVHOST3", "Parvane2", "Bob", "Zed");
    EXPECT_EQ(Members(), (QStringList{"Alice", "Zed", "花子"}));
    ChatUserAbsenceChange("PVHOST2", "Other", "Alice", true);
    EXPECT_TRUE(ChatForm->UserFind("PVHOST2", "Other")->data(0, Qt::UserRole + 2).toBool());
    ChatUserLogout("花子", "PVHOST2", "Parvane2");
    EXPECT_EQ(ChatForm->UserFind("PVHOST2", "Parvane2"), nullptr);
    EXPECT_NE(ChatForm->UserFind("PVHOST2", "Other"), nullptr);
    // Leaving twice or leaving unknown changes nothing but adds the line.
    ChatUserLogout("x", "PVHOST7", "Parvane2");
    EXPECT_EQ(ChatForm->tvUser->topLevelItemCount(), 2);
}

// A member's long handle shows in the list cut to the bound of a line, also after a rename.
TEST_F(ChatFormTest, AMembersLongHandleIsCutInTheList)
{
    const QString sLong = QStringLiteral("長").repeated(10000);
    ChatUserLogin(sLong, "PVHOST2", "Parvane2", false);
    EXPECT_EQ(Members(), QStringList{PeerTextInLine(sLong)});
    ChatUserNameChange("PVHOST2", "Parvane2", sLong, QStringLiteral("短") + sLong);
    EXPECT_EQ(Members(), QStringList{PeerTextInLine(QStringLiteral("短") + sLong)});
    EXPECT_LE(Members()[0].size(), PeerTextLineMaxBytes);
}

TEST_F(ChatFormTest, EventLineComesBeforeTheMemberChangeAndNamesStayUnescapedInTheTree)
{
    ChatUserLogin("a<b>&c", "PVHOST2", "Parvane2", false);
    EXPECT_EQ(Members(), QStringList{"a<b>&c"});
    EXPECT_EQ(ChatForm->wbLog->HTML(),
              QStringLiteral("<div class=\"Event\">a&lt;b&gt;&amp;cがチャットへログインしました。</div>"));
    EXPECT_TRUE(ChatForm->wbLog->Core()->toPlainText().contains(QStringLiteral("a<b>&cがチャットへ")));
}

TEST_F(ChatFormTest, ReceivedLinesAppendAndTheWholeConversationStaysInHTML)
{
    ChatMessageAdd("一行目", "花子", "PVHOST2", "Parvane2");
    ChatEventAdd("event");
    ChatMessageAdd("<b>not bold</b> http://h/x?y=1", "花子", "PVHOST2", "Parvane2");
    const QString sExpected = ChatLineHtml("一行目", "花子", false, false) + ChatEventHtml("event") +
                              ChatLineHtml("<b>not bold</b> http://h/x?y=1", "花子", false, false);
    EXPECT_EQ(ChatForm->wbLog->HTML(), sExpected);
    // Appended piece by piece, the page reads as the whole of it laid out at once.
    TIEViewer whole;
    whole.SetStyle(ChatStyleSheet());
    whole.SetHTML(sExpected);
    EXPECT_EQ(ChatForm->wbLog->Core()->toPlainText(), whole.Core()->toPlainText());
    EXPECT_TRUE(ChatForm->wbLog->Core()->toPlainText().contains(QStringLiteral("<b>not bold</b>")));
    const QTextDocument* appended = ChatForm->wbLog->Core()->document();
    ASSERT_EQ(appended->blockCount(), whole.Core()->document()->blockCount());
    // Each block keeps the band and the weight of its class.
    for (QTextBlock a = appended->begin(), b = whole.Core()->document()->begin(); a.isValid();
         a = a.next(), b = b.next()) {
        EXPECT_EQ(a.blockFormat().background(), b.blockFormat().background()) << qPrintable(a.text());
        EXPECT_EQ(a.charFormat().fontWeight(), b.charFormat().fontWeight()) << qPrintable(a.text());
    }
}

// Judged before the line is added, so lines taller than the band (a name with
// its text below it) are followed too.
TEST_F(ChatFormTest, AViewAtItsEndFollowsNewLines)
{
    ChatForm->resize(451, 277);
    for (int i = 0; i < 60; ++i)
        ChatMessageAdd(QStringLiteral("line %1").arg(i), "花子", "PVHOST2", "Parvane2");
    TIEViewer* view = ChatForm->wbLog;
    const int iClient = view->Core()->viewport()->height();
    EXPECT_GT(view->ScrollHeight(), iClient);
    EXPECT_GE(view->ScrollTop() + iClient, view->ScrollHeight() - 50);
    view->SetScrollTop(0);
    ChatMessageAdd("more", "花子", "PVHOST2", "Parvane2");
    EXPECT_EQ(view->ScrollTop(), 0);
}

// A peer can send lines without end; the view keeps the newest, at the narrowest
// window too, and its end stays where the newest line is.
TEST_F(ChatFormTest, TheViewKeepsTheNewestLinesAndFollowsThemToTheEnd)
{
    ChatForm->resize(320, 220);
    const auto line = [](int i) {
        // 255 bytes, as long as a line from the network gets.
        QString s = QStringLiteral("行%1 ").arg(i, 5, 10, QChar(u'0'));
        while (AnsiCodePage::ByteLength(s) < ChatMessageByteLimit - 1)
            s += QStringLiteral("あ");
        return s;
    };
    const int iLines = ChatViewLineLimit + 20;
    for (int i = 0; i < iLines; ++i)
        ChatMessageAdd(line(i), "花子", "PVHOST2", "Parvane2");
    TIEViewer* view = ChatForm->wbLog;
    const int iKept = int(view->HTML().count(QStringLiteral("class=\"MessageLine\"")));
    EXPECT_LE(iKept, ChatViewLineLimit);
    EXPECT_GE(iKept, ChatViewLineLimit * 9 / 10);
    // The oldest go, and the newest are all there in order.
    const int iOldest = iLines - iKept;
    EXPECT_TRUE(view->HTML().startsWith(ChatLineHtml(line(iOldest), "花子", false, false)));
    const QString sText = view->Core()->toPlainText();
    EXPECT_FALSE(sText.contains(line(iOldest - 1)));
    // The name, and the text in a block below it.
    EXPECT_TRUE(sText.startsWith(QStringLiteral("花子\n\n") + line(iOldest)));
    EXPECT_TRUE(sText.endsWith(line(iLines - 1)));
    // The newest line is in sight.
    QTextCursor end(view->Core()->document());
    end.movePosition(QTextCursor::End);
    EXPECT_TRUE(view->Core()->viewport()->rect().contains(view->Core()->cursorRect(end)));
}

// Without a mouse: Tab from the input reaches the conversation, whose keys scroll
// back, and select-all and copy take the conversation to the clipboard.
TEST_F(ChatFormTest, TabReachesTheConversationToScrollBackAndCopy)
{
    ChatForm->resize(451, 277);
    for (int i = 0; i < 60; ++i)
        ChatMessageAdd(QStringLiteral("line %1").arg(i), "花子", "PVHOST2", "Parvane2");
    TIEViewer* view = ChatForm->wbLog;
    const auto press = [](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(ChatForm->focusWidget(), &event);
    };
    ChatForm->mmSendMessage->setFocus();
    ASSERT_EQ(ChatForm->focusWidget(), ChatForm->mmSendMessage);
    for (int i = 0; i < 8 && ChatForm->focusWidget() != view->Core(); ++i)
        press(Qt::Key_Tab);
    ASSERT_EQ(ChatForm->focusWidget(), view->Core());

    const int iEnd = view->ScrollTop();
    ASSERT_GT(iEnd, 0);
    press(Qt::Key_PageUp);
    EXPECT_LT(view->ScrollTop(), iEnd);
    press(Qt::Key_Home);
    EXPECT_EQ(view->ScrollTop(), 0);
    press(Qt::Key_Down);
    EXPECT_GT(view->ScrollTop(), 0);

    QApplication::clipboard()->clear();
    press(Qt::Key_A, Qt::ControlModifier);
    press(Qt::Key_C, Qt::ControlModifier);
    const QString sCopied = QApplication::clipboard()->text();
    EXPECT_TRUE(sCopied.startsWith(QStringLiteral("花子\n\nline 0"))) << qPrintable(sCopied.left(20));
    EXPECT_TRUE(sCopied.endsWith(QStringLiteral("line 59")));
    // And on from the view to the input again.
    for (int i = 0; i < 8 && ChatForm->focusWidget() != ChatForm->mmSendMessage; ++i)
        press(Qt::Key_Tab);
    EXPECT_EQ(ChatForm->focusWidget(), ChatForm->mmSendMessage);
}

TEST_F(ChatFormTest, InputChecksRefuseInOrderAndKeepTheText)
{
    ChatForm->btSendClick();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].sText, QStringLiteral("メッセージを入力してください。"));
    ChatForm->mmSendMessage->setText("a&:b");
    ChatForm->btSendClick();
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_EQ(FBoxes[1].sText, QStringLiteral("メッセージ内に「&:」を含めることはできません。"));
    EXPECT_EQ(ChatForm->mmSendMessage->text(), QStringLiteral("a&:b"));
    // Over the limit: asked, No the default; No keeps the input.
    ChatForm->mmSendMessage->setText(QString(128, u'あ'));
    EXPECT_EQ(ChatForm->sbInformation->PanelText(0),
              QStringLiteral("送信可能バイト数が 1 Byte 超えています"));
    FAnswers = {MessageBox::IDNO};
    ChatForm->btSendClick();
    ASSERT_EQ(FBoxes.size(), 3u);
    EXPECT_EQ(FBoxes[2].iFlags & TestSupport::BoxShapeMask,
              MessageBox::MB_YESNO | MessageBox::MB_ICONWARNING | MessageBox::MB_DEFBUTTON2);
    EXPECT_EQ(ChatForm->mmSendMessage->text(), QString(128, u'あ'));
    // Yes: the cut text is sent (nowhere here) and the input emptied.
    FAnswers = {MessageBox::IDYES};
    ChatForm->btSendClick();
    EXPECT_TRUE(ChatForm->mmSendMessage->text().isEmpty());
    EXPECT_EQ(ChatForm->sbInformation->PanelText(0), QStringLiteral("残り送信可能バイト数：255 Byte"));
}

TEST_F(ChatFormTest, AnsweringNoKeepsTheWindowYesWritesItsSection)
{
    ChatUserLogin("花子", "PVHOST2", "Parvane2", false);
    FAnswers = {MessageBox::IDNO};
    EXPECT_FALSE(ChatForm->close());
    ASSERT_NE(ChatForm, nullptr);
    EXPECT_EQ(FBoxes.back().sText, QStringLiteral("チャットからログアウトしますか？"));
    EXPECT_EQ(FBoxes.back().iFlags & TestSupport::BoxButtonsAndIconMask,
              MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION);
    EXPECT_EQ(ChatForm->tvUser->topLevelItemCount(), 1);
    ChatForm->Splitter1->setSizes({90, 300});
    FAnswers = {MessageBox::IDYES};
    EXPECT_TRUE(ChatForm->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ChatForm, nullptr);
    IniFile ini(FileBaseName + ".INI");
    EXPECT_EQ(ini.ReadInteger("ChatWindow", "Splitter", -1), 90);
    EXPECT_TRUE(ini.ValueExists("ChatWindow", "AlphaBlend"));
    // Entering again starts with an empty view and the stored member width.
    ChatFormShow();
    EXPECT_TRUE(ChatForm->wbLog->HTML().isEmpty());
    EXPECT_EQ(ChatForm->Splitter1->sizes().value(0), 90);
}

TEST_F(ChatFormTest, ShrinkingTheWindowLeavesTheConversationFiftyPixels)
{
    ChatForm->resize(600, 300);
    ChatForm->Splitter1->setSizes({540, 60});
    QCoreApplication::processEvents();
    ChatForm->resize(320, 300);
    QCoreApplication::processEvents();
    ASSERT_EQ(ChatForm->Splitter1->sizes().size(), 2);
    EXPECT_GE(ChatForm->Splitter1->sizes()[1], 50);
    EXPECT_LT(ChatForm->tvUser->width(), 320 - 50);
}

TEST_F(ChatFormTest, MemberMenuFollowsTheMemberUnderThePointer)
{
    ChatUserLogin("Away", "PVHOST2", "Parvane2", true);
    ChatUserLogin("Here", "PVHOST3", "Parvane2", false);
    ChatForm->resize(451, 277);
    QCoreApplication::processEvents();
    QWidget* viewport = ChatForm->tvUser->viewport();
    const QPoint awayPoint =
        ChatForm->tvUser->visualItemRect(ChatForm->UserFind("PVHOST2", "Parvane2")).center();
    QMouseEvent right(QEvent::MouseButtonPress, QPointF(awayPoint), viewport->mapToGlobal(QPointF(awayPoint)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &right);
    ChatForm->pmUserListPopup();
    EXPECT_TRUE(ChatForm->pmUserListAbsence->isEnabled());
    // The send and file-send windows are not there to be opened.
    EXPECT_FALSE(ChatForm->pmUserListMessage->isEnabled());

    ChatForm->tvUser->setCurrentItem(ChatForm->UserFind("PVHOST3", "Parvane2"));
    ChatForm->pmUserListPopup();
    EXPECT_FALSE(ChatForm->pmUserListAbsence->isEnabled());

    const QPoint empty(5, viewport->height() - 3);
    QMouseEvent below(QEvent::MouseButtonPress, QPointF(empty), viewport->mapToGlobal(QPointF(empty)),
                      Qt::RightButton, Qt::RightButton, Qt::NoModifier);
    QCoreApplication::sendEvent(viewport, &below);
    EXPECT_TRUE(ChatForm->tvUser->selectedItems().isEmpty());
    ChatForm->pmUserListPopup();
    EXPECT_FALSE(ChatForm->pmUserListAbsence->isEnabled());
}

TEST_F(ChatFormTest, RoutinesDoNothingWithoutTheWindow)
{
    ChatFormRelease();
    ASSERT_EQ(ChatForm, nullptr);
    ChatMessageAdd("x", "h", "m", "d");
    ChatUserLogin("h", "m", "d", false);
    ChatUserLogout("h", "m", "d");
    ChatUserNameChange("m", "d", "h", "i");
    ChatUserAbsenceChange("m", "d", "h", true);
    ChatEventAdd("x");
    EXPECT_EQ(ChatForm, nullptr);
}

} // namespace
