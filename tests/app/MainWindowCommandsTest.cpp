// The main window's commands as a user reaches them, through its menus and its
// list, on an engine that hears itself: the status bar's texts and counts, the
// away choice, the selection commands, the refresh, a double click on a row and
// the warning for a row that takes no messages.
#include "AbsenceUnit.h"
#include "DropArrowButton.h"
#include "MainFormFixture.h"
#include "NoticeUnit.h"
#include "RecordingWindows.h"
#include "SortListView.h"
#include "SubUnit.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolButton>
#include <QUrl>
#include <vector>

namespace {

class MainWindowCommandsTest : public MainFormFixture {
protected:
    void CloseWindows() override
    {
        for (const QString& sEntry : QStringList(AbsenceWindowList))
            SendMessageW(WindowListHandle(sEntry), WM_CLOSE, 0, 0);
        QCoreApplication::processEvents();
        // The rows put in by hand were announced.
        delete NoticeForm;
    }

    // Logged in, the own row listed, the send window recorded.
    TMainForm& StartOnline()
    {
        // The send windows replaced by a record of what they were opened for.
        TMainForm& form = Start(std::make_unique<TestSupport::RecordingWindows>(
            FSends, QSet<QString>{"SendFormShow", "FileSendFormShow"}));
        EXPECT_TRUE(OwnRowListed());
        return form;
    }

    // The command of the window's menus with this text.
    QAction* Command(const QString& sText) const
    {
        for (QAction* action : FForm->findChildren<QAction*>())
            if (action->text() == sText)
                return action;
        ADD_FAILURE() << "no command " << sText.toStdString();
        return nullptr;
    }

    // The choice of the away menu with this text.
    QAction* AwayChoice(const QString& sText) const
    {
        for (QAction* action : FForm->miOptionAbsence->actions())
            if (action->text() == sText)
                return action;
        ADD_FAILURE() << "no away choice " << sText.toStdString();
        return nullptr;
    }

    QStringList StatusTexts() const
    {
        return {FForm->sbPanelState->text(), FForm->sbPanelPresent->text(), FForm->sbPanelAway->text()};
    }

    TListItem* OwnRow() const { return FForm->LoginUserFind(FForm->PVN->MachineName(), "Parvane2"); }

    std::vector<bool> Selection() const
    {
        std::vector<bool> selected;
        for (int i = 0; i < FForm->lvLoginUser->ItemCount(); ++i)
            selected.push_back(FForm->lvLoginUser->Item(i)->isSelected());
        return selected;
    }

    // Two clicks of the mouse on a row, as the list's view gets them.
    void DoubleClick(TListItem* row) const
    {
        TSLVListView* view = FForm->lvLoginUser->ListView();
        const QPointF at = view->visualItemRect(row).center();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                        QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, view->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                              Qt::NoModifier);
            QApplication::sendEvent(view->viewport(), &event);
        }
    }

    // The targets each send window was opened for: the machines and the identifiers.
    std::vector<std::pair<QString, QString>> SendsOpened() const
    {
        std::vector<std::pair<QString, QString>> opened;
        for (const QStringList& args : FSends->Of("SendFormShow"))
            opened.emplace_back(args.value(2), args.value(3));
        return opened;
    }

    std::shared_ptr<TestSupport::WindowCalls> FSends = std::make_shared<TestSupport::WindowCalls>();
};

TEST_F(MainWindowCommandsTest, TheStatusBarFollowsTheLogInAndTheAwayChoiceOfTheMenu)
{
    TMainForm& form = StartOnline();
    EXPECT_TRUE(WaitUntil([&] { return StatusTexts().value(1) == QStringLiteral("在席: 1"); }));
    EXPECT_EQ(StatusTexts(), (QStringList{QStringLiteral("ログイン中"), QStringLiteral("在席: 1"),
                                          QStringLiteral("不在: 0")}));

    QAction* away = AwayChoice(QStringLiteral("外出中"));
    ASSERT_NE(away, nullptr);
    away->trigger();
    EXPECT_TRUE(form.PVN->Absence());
    EXPECT_EQ(form.PVN->AbsenceTitle(), QStringLiteral("外出中"));
    // The own row comes back away, and the counts with it.
    EXPECT_TRUE(WaitUntil([&] { return StatusTexts().value(2) == QStringLiteral("不在: 1"); }));
    EXPECT_EQ(StatusTexts(), (QStringList{QStringLiteral("不在設定中（外出中）"), QStringLiteral("在席: 0"),
                                          QStringLiteral("不在: 1")}));
    EXPECT_TRUE(AwayChoice(QStringLiteral("外出中"))->isChecked());

    QAction* release = form.miOptionAbsence->actions().value(0);
    ASSERT_NE(release, nullptr);
    release->trigger();
    EXPECT_FALSE(form.PVN->Absence());
    EXPECT_TRUE(WaitUntil([&] { return StatusTexts().value(1) == QStringLiteral("在席: 1"); }));
    EXPECT_EQ(StatusTexts(), (QStringList{QStringLiteral("ログイン中"), QStringLiteral("在席: 1"),
                                          QStringLiteral("不在: 0")}));

    form.PVN->Logout();
    form.sbInformationUpdate();
    EXPECT_EQ(StatusTexts().value(0), QStringLiteral("ParvaneNetwork にログインしていません。"));
}

TEST_F(MainWindowCommandsTest, SelectAllInvertAndRefreshWorkOnTheWholeList)
{
    TMainForm& form = StartOnline();
    form.PVNLogin(form.PVN.get(), "花子", "PVHOST2", "198.18.0.2", "Parvane2", 2200, false, "", false, false,
                  0);
    form.PVNLogin(form.PVN.get(), "次郎", "PVHOST3", "198.18.0.3", "Parvane2", 2200, false, "", false, false,
                  0);
    ASSERT_EQ(form.lvLoginUser->ItemCount(), 3);

    Command(QStringLiteral("すべて選択(&U)"))->trigger();
    EXPECT_EQ(Selection(), std::vector<bool>(3, true));
    Command(QStringLiteral("選択の切り替え(&I)"))->trigger();
    EXPECT_EQ(Selection(), std::vector<bool>(3, false));
    form.lvLoginUser->Item(1)->setSelected(true);
    Command(QStringLiteral("選択の切り替え(&I)"))->trigger();
    EXPECT_EQ(Selection(), (std::vector<bool>{true, false, true}));

    // The list is emptied and filled again by the answers: the two that never
    // answer are gone, the own row comes back.
    Command(QStringLiteral("最新の情報に更新(&R)"))->trigger();
    EXPECT_EQ(form.LoginUserFind("PVHOST2", "Parvane2"), nullptr);
    EXPECT_EQ(form.LoginUserFind("PVHOST3", "Parvane2"), nullptr);
    EXPECT_TRUE(OwnRowListed());
    EXPECT_EQ(form.lvLoginUser->ItemCount(), 1);
}

// A double click on a present user opens the send window for it; on an away user it
// asks for the away message, whose answer opens the away window.
TEST_F(MainWindowCommandsTest, ADoubleClickWritesToAPresentUserAndAsksAnAwayOneForTheMessage)
{
    TMainForm& form = StartOnline();
    TListItem* own = OwnRow();
    ASSERT_NE(own, nullptr);
    own->setSelected(true);
    DoubleClick(own);
    ASSERT_EQ(SendsOpened().size(), 1u);
    EXPECT_EQ(SendsOpened()[0], std::make_pair(form.PVN->MachineName(), QStringLiteral("Parvane2")));

    AwayChoice(QStringLiteral("電話中"))->trigger();
    // The own row comes back away.
    ASSERT_TRUE(WaitUntil(
        [&] { return StatusTexts().value(2) == QStringLiteral("不在: 1") && OwnRow() != nullptr; }));
    OwnRow()->setSelected(true);
    DoubleClick(OwnRow());
    EXPECT_EQ(SendsOpened().size(), 1u);
    ASSERT_TRUE(WaitUntil([] { return AbsenceWindowList.size() == 1; }));
    auto* window =
        qobject_cast<TAbsenceForm*>(WindowMessage::WindowOf(WindowListHandle(AbsenceWindowList[0])));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->PrMachine, form.PVN->MachineName());
}

TEST_F(MainWindowCommandsTest, AWriteToARowThatTakesNoMessagesWarnsAndLeavesItOut)
{
    TMainForm& form = StartOnline();
    form.PVNInfoChange(form.PVN.get(), "PVHOST9", "制御", "198.18.0.9", "Other", 1, false, "", true, false,
                       0);
    TListItem* control = form.LoginUserFind("PVHOST9", "Other");
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->SubItems().value(3), QStringLiteral("通信制御"));
    Command(QStringLiteral("すべて選択(&U)"))->trigger();
    FBoxes.clear();
    form.miMessageSend->trigger();
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("メッセージ受信に対応していないユーザが選択されています。\r"
                                         "該当ユーザは自動的にメッセージ送信対象から除かれます。")});
    ASSERT_EQ(SendsOpened().size(), 1u);
    EXPECT_EQ(SendsOpened()[0], std::make_pair(form.PVN->MachineName(), QStringLiteral("Parvane2")));
}

// A file dragged from the desktop over the list: the row that takes files takes
// it and its send window opens with it; a row that takes none refuses it.
TEST_F(MainWindowCommandsTest, AFileDraggedOntoARowOpensItsFileSendWindow)
{
    TMainForm& form = StartOnline();
    form.PVNLogin(form.PVN.get(), "花子", "PVHOST2", "198.18.0.2", "Parvane2", 2200, false, "", false, false,
                  52000);
    form.PVNLogin(form.PVN.get(), "次郎", "PVHOST3", "198.18.0.3", "Parvane2", 2200, false, "", false, false,
                  0);
    const QString sFile = FDir.filePath(QStringLiteral("report.txt"));
    {
        QFile file(sFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("report");
    }
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(sFile)});
    TSLVListView* view = form.lvLoginUser->ListView();
    const auto over = [&](TListItem* row) {
        const QPoint at = view->visualItemRect(row).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        return move.isAccepted();
    };
    const auto drop = [&](TListItem* row) {
        QDropEvent event(view->visualItemRect(row).center(), Qt::CopyAction, &data, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &event);
    };

    TListItem* refusing = form.LoginUserFind("PVHOST3", "Parvane2");
    ASSERT_NE(refusing, nullptr);
    EXPECT_FALSE(over(refusing));
    drop(refusing);
    EXPECT_EQ(FSends->Count("FileSendFormShow"), 0);

    TListItem* taking = form.LoginUserFind("PVHOST2", "Parvane2");
    ASSERT_NE(taking, nullptr);
    EXPECT_TRUE(over(taking));
    drop(taking);
    EXPECT_EQ(FSends->Of("FileSendFormShow"),
              (std::vector<QStringList>{{sFile, "花子", "PVHOST2", "Parvane2"}}));
}

} // namespace
