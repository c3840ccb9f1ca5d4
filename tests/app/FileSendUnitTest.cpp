#include "FileSendUnit.h"

#include "CutHeader.h"
#include "FileErrorWarnings.h"
#include "FileWindowFakes.h"
#include "OpenDialogEx.h"
#include "StatusPanelBar.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextCursor>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

class FileSendFormTest : public FileWindowTest {
protected:
    void SetUp() override
    {
        FileWindowTest::SetUp();
        FFile = FDir.filePath(QStringLiteral("report.bin"));
        QFile file(FFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("0123456789");
    }

    // A window with its file filled in, and a count of its destructions.
    TFileSendForm* Open()
    {
        TFileSendForm* form = FileSendFormShow(FFile, {QString(), QStringLiteral("PVHOST2"), "Parvane2"});
        QObject::connect(form, &QObject::destroyed, [this] { ++FFreed; });
        return form;
    }

    static int RegisteredSocket(const TFileSendForm* form)
    {
        for (const QString& entry : FileSendWindowList)
            if (WindowListHandle(entry) == form->Handle())
                return WindowListSocket(entry);
        return -1;
    }

    static void Send(TFileSendForm* form, unsigned uMsg, WPARAM w = 0, LPARAM l = 0)
    {
        SendMessageW(form->Handle(), uMsg, w, l);
    }

    QString FFile;
    int FFreed = 0;
};

TEST_F(FileSendFormTest, OpensForItsPeerWithThePathAndRegistersWithoutTransfer)
{
    TFileSendForm* form = Open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("ファイル送信 - Parvane 2"));
    EXPECT_EQ(form->laTitle->text(), QStringLiteral("ファイル送信 (送信先:花子)"));
    EXPECT_EQ(form->mmSendFile->text(), FFile);
    EXPECT_EQ(form->StatusText(), QStringLiteral("送信するファイルを選択してください"));
    EXPECT_EQ(RegisteredSocket(form), 0);
    FEngine.sHandle.clear();
    TFileSendForm* unnamed = Open();
    EXPECT_EQ(unnamed->laTitle->text(), QStringLiteral("ファイル送信"));
    EXPECT_EQ(FileSendWindowList.size(), 2);
    // Closing before sending asks nothing.
    form->close();
    unnamed->close();
    FreeClosed();
    EXPECT_EQ(FFreed, 2);
    EXPECT_TRUE(FBoxes.empty());
    EXPECT_TRUE(FileSendWindowList.isEmpty());
}

// The dialog opens in the folder of the path given, on top when the setting
// says so, and the chosen file replaces the path.
// A long handle name is cut in the header between whole characters and ends in "…".
TEST_F(FileSendFormTest, ALongHandleNameEndsInAnEllipsisInTheHeader)
{
    FEngine.sHandle = QStringLiteral("a営業部第二課の山田").repeated(20);
    TFileSendForm* form = Open();
    EXPECT_TRUE(TestSupport::HeaderEndsInACutName(form->laTitle->text(),
                                                  QStringLiteral("ファイル送信 (送信先:"), FEngine.sHandle));
    form->close();
}

TEST_F(FileSendFormTest, TheOpenDialogStaysOnTopAndItsChoiceFillsThePath)
{
    const QString sOther = FDir.filePath(QStringLiteral("other.txt"));
    {
        QFile file(sOther);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    CustomizeShowTopMost = true;
    TFileSendForm* form = Open();
    form->mmSendFile->setText(FDir.path());
    bool bOnTop = false;
    QString sTitle;
    QTimer::singleShot(0, [&] {
        bOnTop = form->NOpenDialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        sTitle = form->NOpenDialog->windowTitle();
        form->NOpenDialog->selectFile(sOther);
        static_cast<QDialog*>(form->NOpenDialog)->accept();
    });
    form->sbFileSearchClick();
    CustomizeShowTopMost = false;
    EXPECT_TRUE(bOnTop);
    EXPECT_EQ(sTitle, QStringLiteral("Parvane 2 -送信ファイル選択-"));
    EXPECT_EQ(QFileInfo(form->mmSendFile->text()).canonicalFilePath(), QFileInfo(sOther).canonicalFilePath());
    form->close();
}

// After a drop the edit holds a file's path: the dialog opens in its folder with it chosen.
TEST_F(FileSendFormTest, TheOpenDialogStartsInTheFolderOfTheFileInTheEdit)
{
    TFileSendForm* form = Open();
    QString sFolder;
    QStringList slSelected;
    QTimer::singleShot(0, [&] {
        sFolder = form->NOpenDialog->directory().absolutePath();
        slSelected = form->NOpenDialog->selectedFiles();
        form->NOpenDialog->reject();
    });
    form->sbFileSearchClick();
    EXPECT_EQ(QFileInfo(sFolder).canonicalFilePath(), QFileInfo(FDir.path()).canonicalFilePath());
    ASSERT_EQ(slSelected.size(), 1);
    EXPECT_EQ(QFileInfo(slSelected[0]).canonicalFilePath(), QFileInfo(FFile).canonicalFilePath());
    EXPECT_EQ(form->mmSendFile->text(), FFile);
    form->close();
}

// The right-click menu of both edits offers "すべてを選択(&A)", which selects the whole text.
TEST_F(FileSendFormTest, TheEditsMenusSelectAll)
{
    TFileSendForm* form = Open();
    form->mmSendComment->setPlainText(QStringLiteral("一行目\n二行目"));
    struct Edit {
        QWidget* target;
        std::function<QString()> selected;
        QString sWhole;
    } edits[] = {
        {form->mmSendFile, [form] { return form->mmSendFile->selectedText(); }, FFile},
        {form->mmSendComment->viewport(), [form] { return form->mmSendComment->textCursor().selectedText(); },
         QStringLiteral("一行目\u2029二行目")},
    };
    for (const Edit& edit : edits) {
        QStringList slItems;
        QTimer::singleShot(0, [&] {
            QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            for (QAction* action : menu->actions()) {
                slItems << action->text().section(u'\t', 0, 0);
                if (slItems.back() == QStringLiteral("すべてを選択(&A)"))
                    action->trigger();
            }
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                edit.target->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(edit.target, &event);
        EXPECT_TRUE(slItems.contains(QStringLiteral("すべてを選択(&A)"))) << slItems.join(u',').toStdString();
        EXPECT_EQ(edit.selected(), edit.sWhole);
    }
    form->close();
}

// The whole way of a transfer that succeeds, each state as the user sees it.
TEST_F(FileSendFormTest, RequestedSendingAndEndedAsTheEngineReports)
{
    TFileSendForm* form = Open();
    form->mmSendComment->setPlainText(QStringLiteral("一行目\n二行目"));
    form->btSendClick();
    ASSERT_EQ(FEngine.sends.size(), 1u);
    EXPECT_EQ(FEngine.sends[0].sFile, FFile);
    // Line breaks go on the wire as CR LF, as a message's do.
    EXPECT_EQ(FEngine.sends[0].sComment, QStringLiteral("一行目\r\n二行目"));
    EXPECT_EQ(FEngine.sends[0].sMachine, QStringLiteral("PVHOST2"));
    EXPECT_EQ(FEngine.sends[0].sDiscrimination, QStringLiteral("Parvane2"));
    EXPECT_EQ(form->SocketNo(), 41);
    EXPECT_EQ(RegisteredSocket(form), 41);
    EXPECT_EQ(form->StatusText(), QStringLiteral("ファイルの送信要求を行っています..."));
    for (QWidget* input : {static_cast<QWidget*>(form->mmSendFile), static_cast<QWidget*>(form->sbFileSearch),
                           static_cast<QWidget*>(form->mmSendComment), static_cast<QWidget*>(form->btSend)})
        EXPECT_FALSE(input->isEnabled());

    Send(form, WM_FILESENDSTART);
    EXPECT_EQ(form->StatusText(), QStringLiteral("ファイルの送信を開始します"));
    Send(form, WM_FILESENDING, 0, 37);
    EXPECT_EQ(form->ProgressShown(), 37);
    EXPECT_EQ(form->StatusText(), QStringLiteral("ファイル送信中 37% 完了"));
    EXPECT_EQ(form->windowTitle(), QStringLiteral("37% 送信完了 - Parvane 2"));
    EXPECT_EQ(form->laTitle->text(), QStringLiteral("ファイル送信 (送信先:花子)"));

    FOnBox = [&] {
        EXPECT_EQ(form->StatusText(), QStringLiteral("ファイルの送信が完了しました"));
        EXPECT_EQ(form->windowTitle(), QStringLiteral("ファイル送信完了 - Parvane 2"));
        EXPECT_EQ(RegisteredSocket(form), 0);
    };
    Send(form, WM_FILESENDEND);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("ファイルの送信が完了しました。")});
    FreeClosed();
    EXPECT_EQ(FFreed, 1);
    EXPECT_TRUE(FileSendWindowList.isEmpty());
}

TEST_F(FileSendFormTest, ARefusedRequestGoesBackToChoosing)
{
    TFileSendForm* form = Open();
    FEngine.iNextSocket = 0;
    form->btSendClick();
    EXPECT_EQ(BoxTexts(), QStringList{FileErrorWarnings::SendNoAddress});
    EXPECT_EQ(form->SocketNo(), 0);
    EXPECT_EQ(RegisteredSocket(form), 0);
    EXPECT_TRUE(form->btSend->isEnabled());
    EXPECT_TRUE(form->mmSendFile->isEnabled());
    FBoxes.clear();
    form->close();
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(FileSendFormTest, ChecksRefuseBeforeAnyRequestAndAnAwayPeerIsAskedAbout)
{
    TFileSendForm* form = Open();
    FEngine.bLoggedIn = false;
    form->btSendClick();
    FEngine.bLoggedIn = true;
    form->mmSendComment->setPlainText(QStringLiteral("x&:y"));
    form->btSendClick();
    form->mmSendComment->clear();
    form->mmSendFile->setText(FDir.path());
    form->btSendClick();
    EXPECT_EQ(FBoxes.size(), 3u);
    EXPECT_TRUE(FEngine.sends.empty());
    EXPECT_TRUE(form->btSend->isEnabled());

    form->mmSendFile->setText(FFile);
    FEngine.bAbsent = true;
    FBoxes.clear();
    FAnswers = {MessageBox::IDNO};
    form->btSendClick();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("送信先は現在不在中です。")));
    EXPECT_TRUE(FEngine.sends.empty());
    form->btSendClick();
    EXPECT_EQ(FEngine.sends.size(), 1u);
}

// Each code ends the window; all but the cancel bring it forward with their text.
TEST_F(FileSendFormTest, EveryErrorCodeEndsTheWindowWithItsWarning)
{
    for (int iCode : {0, 1, 2, 3, 4, 17}) {
        FBoxes.clear();
        FFreed = 0;
        TFileSendForm* form = Open();
        form->btSendClick();
        Send(form, WM_FILESENDING, 0, 12);
        QString sStatus;
        FOnBox = [&] { sStatus = form->StatusText(); };
        Send(form, WM_ERRORFILESEND, 0, iCode);
        FOnBox = nullptr;
        if (iCode == 2) {
            EXPECT_TRUE(FBoxes.empty());
        } else {
            EXPECT_EQ(BoxTexts(), QStringList{FileErrorWarnings::Send(iCode)}) << iCode;
            EXPECT_EQ(sStatus, QStringLiteral("ファイルの送信が中断されました")) << iCode;
        }
        FreeClosed();
        EXPECT_EQ(FFreed, 1) << iCode;
        EXPECT_TRUE(FileSendWindowList.isEmpty()) << iCode;
    }
    EXPECT_TRUE(FEngine.sendCancels.empty());
}

TEST_F(FileSendFormTest, ClosingARunningTransferAsksAndACancelFreesTheWindowOnce)
{
    TFileSendForm* form = Open();
    form->btSendClick();
    Send(form, WM_FILESENDSTART);
    FAnswers = {MessageBox::IDNO};
    form->close();
    ASSERT_EQ(BoxTexts(), QStringList{QStringLiteral("ファイルの送信をキャンセルしますか？")});
    EXPECT_EQ(FBoxes[0].iFlags & MessageBox::MB_DEFBUTTON2, MessageBox::MB_DEFBUTTON2);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->SocketNo(), 41);
    FreeClosed();
    EXPECT_EQ(FFreed, 0);

    // The cancel's report reaches the window and closes it again while this close runs.
    FEngine.OnCancel = [&](int) { Send(form, WM_ERRORFILESEND, 0, FileSendErrorCancelled); };
    FAnswers = {MessageBox::IDYES};
    form->close();
    EXPECT_EQ(FEngine.sendCancels, std::vector<int>{41});
    FreeClosed();
    EXPECT_EQ(FFreed, 1);
    EXPECT_EQ(FBoxes.size(), 2u);
}

// The transfer fails while the cancel question is open: whatever the answer,
// nothing is left to cancel and the window goes.
TEST_F(FileSendFormTest, ATransferThatEndsDuringTheCancelQuestionClosesTheWindow)
{
    TFileSendForm* form = Open();
    form->btSendClick();
    FOnBox = [&] { Send(form, WM_ERRORFILESEND, 0, FileSendErrorClosed); };
    // The warning inside is answered first, then the question, with No.
    FAnswers = {MessageBox::IDOK, MessageBox::IDNO};
    form->close();
    FreeClosed();
    EXPECT_EQ(FFreed, 1);
    EXPECT_TRUE(FEngine.sendCancels.empty());
    EXPECT_EQ(BoxTexts(), (QStringList{QStringLiteral("ファイルの送信をキャンセルしますか？"),
                                       FileErrorWarnings::SendClosed}));
}

TEST_F(FileSendFormTest, ASocketChangeToNothingLeavesTheRequestWaitingAndTheCloseUnasked)
{
    TFileSendForm* form = Open();
    form->btSendClick();
    FileWindowSocketChange(FileSendWindowList, 41, 57);
    Send(form, WM_FILESENDSOCKETCHANGE, 57);
    EXPECT_EQ(form->SocketNo(), 57);
    FileWindowSocketChange(FileSendWindowList, 57, 0);
    Send(form, WM_FILESENDSOCKETCHANGE, 0);
    EXPECT_EQ(form->SocketNo(), 0);
    EXPECT_EQ(form->StatusText(), QStringLiteral("ファイルの送信要求を行っています..."));
    form->close();
    EXPECT_TRUE(FBoxes.empty());
    EXPECT_TRUE(FEngine.sendCancels.empty());
}

// However fast the reports come, the window shows a few dozen of them a second,
// and the last one is shown before the end.
TEST_F(FileSendFormTest, ProgressRepaintsAtMostAFewDozenTimesASecond)
{
    TFileSendForm* form = Open();
    form->btSendClick();
    int iCaptions = 0;
    QObject::connect(form, &QWidget::windowTitleChanged, [&] { ++iCaptions; });
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i <= 100; ++i) {
        Send(form, WM_FILESENDING, 0, i);
        QCoreApplication::processEvents();
        QThread::usleep(2000);
    }
    const qint64 elapsed = timer.elapsed();
    EXPECT_LT(iCaptions, 10 + elapsed / 20) << elapsed;
    EXPECT_GE(iCaptions, 2);
    // The last percentage is shown when its interval is over, however late the loop gets there.
    EXPECT_TRUE(TestSupport::WaitUntil([&] { return form->ProgressShown() == 100; }));
    EXPECT_EQ(form->ProgressShown(), 100);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("100% 送信完了 - Parvane 2"));
    form->close();
}

TEST_F(FileSendFormTest, APercentageStillWaitingIsShownBeforeAnError)
{
    TFileSendForm* form = Open();
    form->btSendClick();
    Send(form, WM_FILESENDING, 0, 10);
    Send(form, WM_FILESENDING, 0, 64);
    EXPECT_EQ(form->ProgressShown(), 10);
    QString sCaption;
    FOnBox = [&] { sCaption = form->windowTitle(); };
    Send(form, WM_ERRORFILESEND, 0, 1);
    EXPECT_EQ(sCaption, QStringLiteral("64% 送信完了 - Parvane 2"));
}

} // namespace
