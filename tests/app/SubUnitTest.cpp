#include "SubUnit.h"

#include "MessageBox.h"
#include "WindowTest.h"

#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace {

TEST(ShortCutToHotKeyModifiers, TakesOnlyTheThreeModifierBits)
{
    const struct {
        quint16 shortCut;
        unsigned modifiers;
    } cases[] = {{49229, MOD_CONTROL | MOD_ALT}, // Ctrl+Alt+M
                 {0x2000 | 0x4000 | 'K', MOD_SHIFT | MOD_CONTROL},
                 {0x8000 | 0x2000 | 0x70, MOD_ALT | MOD_SHIFT},
                 {'A', 0},
                 {0, 0},
                 {0x1FFF, 0},
                 {0xFFFF, MOD_SHIFT | MOD_CONTROL | MOD_ALT}};
    for (const auto& c : cases)
        EXPECT_EQ(ShortCutToHotKeyModifiers(c.shortCut), c.modifiers) << c.shortCut;
}

class MessageBoxShowTest : public TestSupport::WindowTest {
protected:
    int DefaultAnswer(const MessageBox::Request&) const override { return FAnswer; }

    std::vector<MessageBox::Request>& FShown = FBoxes;
    int FAnswer = MessageBox::IDNO;
};

TEST_F(MessageBoxShowTest, BoxIsOnTopOnlyWhileTheOptionSaysSo)
{
    CustomizeShowTopMost = false;
    EXPECT_EQ(MessageBoxShow(QStringLiteral("終了してもよろしいですか？"), ApplicationTitle, 0x24),
              MessageBox::IDNO);
    CustomizeShowTopMost = true;
    FAnswer = MessageBox::IDYES;
    EXPECT_EQ(MessageBoxShow(QStringLiteral("q"), ApplicationTitle, 0x124), MessageBox::IDYES);
    ASSERT_EQ(FShown.size(), 2u);
    EXPECT_EQ(FShown[0].sText, QStringLiteral("終了してもよろしいですか？"));
    EXPECT_EQ(FShown[0].sCaption, QStringLiteral("Parvane 2"));
    EXPECT_EQ(FShown[0].iFlags, MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION);
    EXPECT_EQ(FShown[1].iFlags, MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION |
                                    MessageBox::MB_DEFBUTTON2 | MessageBox::MB_TOPMOST);
}

TEST_F(MessageBoxShowTest, SettingsSaveFailureIsAWarning)
{
    SettingsSaveErrorShow();
    ASSERT_EQ(FShown.size(), 1u);
    EXPECT_EQ(
        FShown[0].sText,
        QStringLiteral("設定を保存することができませんでした。設定ファイルが読み込み専用になっていないか、"
                       "ロックされていないかを確認してください。"));
    EXPECT_EQ(FShown[0].sCaption, QStringLiteral("Parvane 2"));
    EXPECT_EQ(FShown[0].iFlags, MessageBox::MB_ICONWARNING);
}

TEST_F(MessageBoxShowTest, AskYesIsTrueOnlyWhenTheAnswerIsYes)
{
    CustomizeShowTopMost = false;
    EXPECT_FALSE(AskYes(QStringLiteral("q1")));
    FAnswer = MessageBox::IDYES;
    EXPECT_TRUE(AskYes(QStringLiteral("q2"), YesNoQuestionNoDefault));
    ASSERT_EQ(FShown.size(), 2u);
    EXPECT_EQ(FShown[0].sText, QStringLiteral("q1"));
    EXPECT_EQ(FShown[0].sCaption, QStringLiteral("Parvane 2"));
    EXPECT_EQ(FShown[0].iFlags, MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION);
    EXPECT_EQ(FShown[1].iFlags,
              MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION | MessageBox::MB_DEFBUTTON2);
}

TEST(FileWindowList, EventsFindTheWindowByItsSocketNumber)
{
    QStringList list = {FileWindowListEntry(0x10010, 0), FileWindowListEntry(0x10012, 7),
                        FileWindowListEntry(0x10014, 9)};
    EXPECT_EQ(list[1], QStringLiteral("65554&|7&|"));
    EXPECT_EQ(FileWindowFind(list, 7), 0x10012u);
    EXPECT_EQ(FileWindowFind(list, 9), 0x10014u);
    // No window has socket 5; a window without a transfer holds 0, which no event carries.
    EXPECT_EQ(FileWindowFind(list, 5), 0u);
    EXPECT_EQ(FileWindowFind(list, 0), 0u);
    EXPECT_EQ(FileWindowSocketChange(list, 0, 12), 0u);
    EXPECT_EQ(list[0], QStringLiteral("65552&|0&|"));

    EXPECT_EQ(FileWindowSocketChange(list, 7, 11), 0x10012u);
    EXPECT_EQ(FileWindowFind(list, 7), 0u);
    EXPECT_EQ(FileWindowFind(list, 11), 0x10012u);
    EXPECT_EQ(FileWindowSocketChange(list, 42, 43), 0u);

    FileWindowSocketSet(list, 0x10014, 0);
    EXPECT_EQ(FileWindowFind(list, 9), 0u);
    EXPECT_EQ(list[2], QStringLiteral("65556&|0&|"));

    WindowListRemove(list, 0x10012);
    EXPECT_EQ(list, QStringList({QStringLiteral("65552&|0&|"), QStringLiteral("65556&|0&|")}));
    WindowListRemove(list, 0x99999);
    EXPECT_EQ(list.size(), 2);
}

TEST(FileWindowList, EntryFieldsReadBack)
{
    EXPECT_EQ(WindowListHandle(QStringLiteral("65552")), 65552u);
    EXPECT_EQ(WindowListHandle(QStringLiteral("65552&|3&|")), 65552u);
    EXPECT_EQ(WindowListSocket(QStringLiteral("65552&|3&|")), 3);
    EXPECT_EQ(WindowListHandle(QStringLiteral("junk")), 0u);
    EXPECT_EQ(WindowListSocket(QStringLiteral("65552")), -1);
}

TEST(SystemMenuTrim, WindowKeepsOnlyItsCloseButtonAndItsSize)
{
    QWidget window;
    window.resize(320, 240);
    window.show();
    SystemMenuTrim(&window);
    const Qt::WindowFlags flags = window.windowFlags();
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.minimumSize(), QSize(320, 240));
    EXPECT_EQ(window.maximumSize(), QSize(320, 240));
}

} // namespace
