// The away-message window: one per answer, kept in step, and the way to write back.
#include "AbsenceUnit.h"

#include "IniFile.h"
#include "SendUnit.h"
#include "StatusPanelBar.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class AbsenceWindowTest : public TestSupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTestOn::SetUp();
        if (HasFatalFailure())
            return;
        AbsenceWindowShowHeader = true;
        AbsenceWindowShowSend = true;
        AbsenceWindowShowStatus = true;
    }
    void TearDown() override
    {
        ListedWindowsClose();
        QCoreApplication::processEvents();
        WindowTestOn::TearDown();
    }

    static TAbsenceForm* Show(const QString& sMessage, const QString& sMachine = QStringLiteral("PVHOST2"),
                              const QString& sHandle = QStringLiteral("花子"))
    {
        return AbsenceFormShow({sHandle, sMachine, QStringLiteral("Parvane2")}, sMessage,
                               QStringLiteral("2026年01月02日 午後 3時04分05秒"));
    }
};

TEST_F(AbsenceWindowTest, AnswerShowsWhoIsAwayAndWhen)
{
    TAbsenceForm* form = Show(QStringLiteral("会議中です。\r\n15時に戻ります。"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("不在メッセージ - Parvane 2"));
    EXPECT_EQ(form->laTitle->text(), QStringLiteral("不在メッセージ (不在者:花子)"));
    EXPECT_EQ(form->mmAbsenceMessage->toPlainText(), QStringLiteral("会議中です。\n15時に戻ります。"));
    EXPECT_EQ(form->mmAbsenceMessage->document()->blockCount(), 2);
    EXPECT_TRUE(form->mmAbsenceMessage->isReadOnly());
    EXPECT_EQ(form->sbInformation->PanelText(0), QStringLiteral("2026年01月02日 午後 3時04分05秒 受信"));
    // The picture once the layout has settled.
    QCoreApplication::processEvents();
    const QString sFolder = qEnvironmentVariable("PARVANE_SHOTS");
    if (!sFolder.isEmpty())
        form->grab().save(QDir(sFolder).filePath(QStringLiteral("absence.png")));
}

TEST_F(AbsenceWindowTest, TwoAnswersTwoWindowsToggledTogether)
{
    TAbsenceForm* first = Show(QStringLiteral("a"));
    // Two answers of the same user: two windows.
    TAbsenceForm* second = Show(QStringLiteral("b"));
    EXPECT_NE(first, second);
    EXPECT_EQ(AbsenceWindowList.size(), 2);
    first->pmRightPopup();
    EXPECT_TRUE(first->miHeader->isChecked());
    EXPECT_TRUE(first->miSend->isChecked());
    first->miHeader->trigger();
    EXPECT_FALSE(first->pnHeader->isVisibleTo(first));
    EXPECT_FALSE(second->pnHeader->isVisibleTo(second));
    first->pmRightPopup();
    first->miSend->trigger();
    EXPECT_FALSE(AbsenceWindowShowSend);
    const IniFile ini(FileBaseName + QStringLiteral(".INI"));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("AbsenceWindow"), QStringLiteral("ShowHeader"), true));
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("AbsenceWindow"), QStringLiteral("ShowSend"), true));
    second->pmRightPopup();
    EXPECT_FALSE(second->miSend->isChecked());
    // The menu keeps the order header, sender, status bar.
    const QList<QAction*> actions = first->pmRight->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[1], first->miSend);
}

// Each answer has a window of its own: a newer answer of the same user leaves the
// one shown before as it was.
TEST_F(AbsenceWindowTest, ASecondAnswerOfOnePeerOpensASecondWindow)
{
    TAbsenceForm* first = Show(QStringLiteral("会議中"));
    TAbsenceForm* again = Show(QStringLiteral("外出中"), QStringLiteral("PVHOST2"), QStringLiteral("花子2"));
    ASSERT_NE(again, first);
    EXPECT_EQ(AbsenceWindowList.size(), 2);
    EXPECT_EQ(first->mmAbsenceMessage->toPlainText(), QStringLiteral("会議中"));
    EXPECT_EQ(first->laTitle->text(), QStringLiteral("不在メッセージ (不在者:花子)"));
    EXPECT_EQ(again->mmAbsenceMessage->toPlainText(), QStringLiteral("外出中"));
    EXPECT_EQ(again->laTitle->text(), QStringLiteral("不在メッセージ (不在者:花子2)"));
    EXPECT_EQ(again->PrMachine, first->PrMachine);
}

TEST_F(AbsenceWindowTest, OnlyCtrlASelectsTheWholeMessage)
{
    TAbsenceForm* form = Show(QStringLiteral("abc"));
    auto press = [&](Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_A, modifiers, QStringLiteral("a"));
        QApplication::sendEvent(form->mmAbsenceMessage, &event);
    };
    press(Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(form->mmAbsenceMessage->textCursor().hasSelection());
    press(Qt::ControlModifier);
    EXPECT_EQ(form->mmAbsenceMessage->textCursor().selectedText(), QStringLiteral("abc"));
}

TEST_F(AbsenceWindowTest, SendOpensAWindowToTheAbsentUserAndStays)
{
    TAbsenceForm* form = Show(QStringLiteral("a"));
    form->btSend->click();
    ASSERT_EQ(SendWindowList.size(), 1);
    auto* send = qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(SendWindowList[0])));
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->Targets(), (std::vector<TSendTarget>{{"PVHOST2", "Parvane2"}}));
    EXPECT_TRUE(send->mmSendMessage->toPlainText().isEmpty());
    EXPECT_TRUE(AbsenceWindowList.contains(WindowListEntry(form->Handle())));
}

} // namespace
