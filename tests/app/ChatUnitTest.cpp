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

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
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
    whole.SetRichTextForm(ChatRichText);
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

// Lines that come together go into the view together: one change of its
// document adds them, whatever their number (the oldest going past the view's
// limit is a change of its own), and the page reads as the same lines added one
// by one make it, past the limit too.
TEST_F(ChatFormTest, LinesThatComeTogetherAreAppendedOnceAndReadAsSingleOnes)
{
    const struct {
        const char* sName;
        int iBefore; // lines added one by one first
        int iLines;  // lines that come together
        int iLimit;  // the view's limit
    } cases[] = {
        {"one line", 0, 1, ChatViewLineLimit},
        {"three lines", 2, 3, ChatViewLineLimit},
        {"forty lines", 1, 40, ChatViewLineLimit},
        {"past the view's limit", 45, 30, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sName);
        QList<TChatLine> lines;
        for (int i = 0; i < c.iBefore + c.iLines; ++i) {
            const bool bFirst = i % 3 != 2;
            lines.append({QStringLiteral("行%1 <b>x</b> http://h/%1").arg(i),
                          {bFirst ? QStringLiteral("花子") : QStringLiteral("太郎"),
                           bFirst ? QStringLiteral("PVHOST2") : QStringLiteral("PVHOST3"),
                           QStringLiteral("Parvane2")}});
        }
        const auto fresh = [&] {
            ChatFormRelease();
            ChatFormShow();
            ChatForm->wbLog->SetLineLimit(c.iLimit);
            ChatEventAdd(QStringLiteral("event"));
            for (const TChatLine& line : lines.mid(0, c.iBefore))
                ChatMessageAdd(line.sMessage, line.peer.HandleName, line.peer.MachineName,
                               line.peer.Discrimination);
        };
        fresh();
        for (const TChatLine& line : lines.mid(c.iBefore))
            ChatMessageAdd(line.sMessage, line.peer.HandleName, line.peer.MachineName,
                           line.peer.Discrimination);
        const QString sHtml = ChatForm->wbLog->HTML();
        const QString sText = ChatForm->wbLog->Core()->toPlainText();
        const int iBlocks = ChatForm->wbLog->Core()->document()->blockCount();

        fresh();
        int iAdding = 0;
        QObject::connect(ChatForm->wbLog->Core()->document(), &QTextDocument::contentsChange,
                         [&](int, int iRemoved, int iAdded) { iAdding += iAdded > iRemoved; });
        ChatMessagesAdd(lines.mid(c.iBefore));
        EXPECT_EQ(iAdding, 1);
        EXPECT_EQ(ChatForm->wbLog->HTML(), sHtml);
        EXPECT_EQ(ChatForm->wbLog->Core()->toPlainText(), sText);
        EXPECT_EQ(ChatForm->wbLog->Core()->document()->blockCount(), iBlocks);
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
    EXPECT_TRUE(sText.startsWith(QStringLiteral("花子\n") + line(iOldest)));
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
    EXPECT_TRUE(sCopied.startsWith(QStringLiteral("花子\nline 0"))) << qPrintable(sCopied.left(20));
    EXPECT_TRUE(sCopied.endsWith(QStringLiteral("line 59")));
    // And on from the view to the input again.
    for (int i = 0; i < 8 && ChatForm->focusWidget() != ChatForm->mmSendMessage; ++i)
        press(Qt::Key_Tab);
    EXPECT_EQ(ChatForm->focusWidget(), ChatForm->mmSendMessage);
}

// As the style sheet has it: space above each name, the text right below the name
// (no empty line between), indented, and the line's space below its text. The
// viewer's rich text keeps neither a span's margin nor a block's padding, so the
// view is measured as drawn.
TEST_F(ChatFormTest, ANameStandsAboveItsIndentedTextWithTheSpaceAboveIt)
{
    ChatForm->resize(451, 277);
    const QTextDocument* document = ChatForm->wbLog->Core()->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    const auto block = [&](const QString& sText) {
        for (QTextBlock b = document->begin(); b.isValid(); b = b.next())
            if (b.text() == sText)
                return b;
        ADD_FAILURE() << "no block " << qPrintable(sText);
        return QTextBlock();
    };
    ChatEventAdd("event");
    ChatMessageAdd("一行目の本文", "花子", "PVHOST2", "Parvane2");
    ChatMessageAdd("二つ目", "太郎", "PVHOST3", "Parvane2");
    EXPECT_EQ(ChatForm->wbLog->Core()->toPlainText(),
              QStringLiteral("event\n花子\n一行目の本文\n太郎\n二つ目"));
    const QTextBlock name = block(QStringLiteral("花子"));
    const QTextBlock text = block(QStringLiteral("一行目の本文"));
    const QTextBlock next = block(QStringLiteral("太郎"));
    ASSERT_TRUE(name.isValid() && text.isValid() && next.isValid());
    const QRectF nameRect = layout->blockBoundingRect(name);
    const QRectF textRect = layout->blockBoundingRect(text);
    const QRectF nextRect = layout->blockBoundingRect(next);
    EXPECT_EQ(name.layout()->lineCount(), 1);
    EXPECT_EQ(name.blockFormat().topMargin(), 10);
    EXPECT_EQ(text.blockFormat().leftMargin() - name.blockFormat().leftMargin(), 10);
    EXPECT_EQ(text.blockFormat().bottomMargin(), 5);
    // Right below the name; the space above the next name is its own 10 pixels,
    // which take in the 5 below the text before it.
    EXPECT_NEAR(textRect.top(), nameRect.bottom(), 1);
    EXPECT_NEAR(nextRect.top() - textRect.bottom(), 10, 1);
    EXPECT_NEAR(nameRect.top() - layout->blockBoundingRect(block(QStringLiteral("event"))).bottom(), 10, 1);
    // Bold, in the own and the other colour.
    EXPECT_EQ(QTextCursor(name).charFormat().fontWeight(), QFont::Bold);

    // With the text on the name's line: one block, the space above it all the same.
    CustomizeChatLocate = true;
    ChatMessageAdd("横に", "花子", "PVHOST2", "Parvane2");
    const QTextBlock one = document->lastBlock();
    EXPECT_EQ(one.text(), QStringLiteral("花子横に"));
    // The text stands 5 pixels after the name's last letter.
    QTextCursor first(one);
    first.setPosition(one.position() + 1);
    const QFontMetricsF bold(first.charFormat().font());
    const QTextLine line = one.layout()->lineAt(0);
    EXPECT_NEAR(line.cursorToX(2) - line.cursorToX(1) - bold.horizontalAdvance(u'子'), 5, 1);
    EXPECT_EQ(one.blockFormat().topMargin(), 10);
    EXPECT_EQ(one.blockFormat().bottomMargin(), 5);
    EXPECT_NEAR(layout->blockBoundingRect(one).top() -
                    layout->blockBoundingRect(block(QStringLiteral("二つ目"))).bottom(),
                10, 1);
}

// At the design size the input shows a typed sentence whole, beside its label and both buttons.
TEST_F(ChatFormTest, TheInputShowsATypedSentenceAtTheDesignSize)
{
    ChatForm->resize(451, 277);
    ChatForm->show();
    QCoreApplication::processEvents();
    const QString sSentence = QStringLiteral("了解です、すぐに行きます。");
    ChatForm->mmSendMessage->setText(sSentence);
    const QFontMetrics metrics(ChatForm->mmSendMessage->font());
    // What the edit draws its text in: its width less the frame and the text margins.
    const int iTextWidth = ChatForm->mmSendMessage->width() - 2 * 2 - 2 * 2;
    EXPECT_GE(iTextWidth, metrics.horizontalAdvance(sSentence));
    EXPECT_GE(iTextWidth, 20 * metrics.averageCharWidth());
    for (const QPushButton* button : {ChatForm->btSend, ChatForm->btLogout})
        EXPECT_GE(button->width(), button->sizeHint().width()) << qPrintable(button->text());
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
