#include "FileRecvUnit.h"

#include "CutHeader.h"
#include "FileErrorWarnings.h"
#include "FileWindowFakes.h"
#include "IniFile.h"
#include "Keyboard.h"
#include "OwnProcess.h"
#include "PeerText.h"
#include "RealBoxes.h"
#include "SaveDialogEx.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace {

class FileRecvFormTest : public FileWindowTest {
protected:
    // Offers a file, runs act with its window and gives back the path the window
    // accepted the offer with, empty when it did not.
    QString Offer(const std::function<void(TFileRecvForm*)>& act, int iSocketNo = 9,
                  const QString& sName = QStringLiteral("写真.png"), qint64 iSize = 1234567)
    {
        FEngine.sAccepted.clear();
        FileRecvFormShow(sName, iSize, QStringLiteral("見てね\r\n二行目"), iSocketNo,
                         {QStringLiteral("花子"), QStringLiteral("PVHOST2"), QStringLiteral("Parvane2")});
        TFileRecvForm* form = Window(iSocketNo);
        EXPECT_NE(form, nullptr);
        if (!form)
            return QString();
        QObject::connect(form, &QObject::destroyed, [this] { ++FFreed; });
        act(form);
        return FEngine.sAccepted;
    }

    static TFileRecvForm* Window(int iSocketNo)
    {
        return qobject_cast<TFileRecvForm*>(
            WindowMessage::WindowOf(FileWindowFind(FileRecvWindowList, iSocketNo)));
    }

    static void Send(TFileRecvForm* form, unsigned uMsg, WPARAM w = 0, LPARAM l = 0)
    {
        SendMessageW(form->Handle(), uMsg, w, l);
    }

    // Closes the window registered with the offer, as the main window's end does.
    static void CallerCloses(int iSocketNo)
    {
        if (HWND hWindow = FileWindowFind(FileRecvWindowList, iSocketNo))
            SendMessageW(hWindow, WM_CLOSE, 0, 0);
    }

    QString Saved(const QString& sName) const { return ProgramDirectory + sName; }

    int FFreed = 0;
};

TEST_F(FileRecvFormTest, ShowsTheOfferAndAcceptingAnswersThePathAndKeepsTheWindow)
{
    QPointer<TFileRecvForm> shown;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        shown = form;
        EXPECT_EQ(form->Tag(), 0);
        EXPECT_EQ(form->laTitle->text(), QStringLiteral("ファイル受信 (送信元:花子)"));
        EXPECT_EQ(form->mmSendFile->text(), QStringLiteral("写真.png"));
        EXPECT_EQ(form->mmSendFileSize->text(), FileSizeText(1234567));
        EXPECT_EQ(form->mmComment->toPlainText(), QStringLiteral("見てね\n二行目"));
        EXPECT_EQ(form->mmRecvFile->text(), Saved(QStringLiteral("写真.png")));
        EXPECT_EQ(form->StatusText(), QStringLiteral("保存先ファイル名を指定してください"));
        form->btRecvClick();
    });
    EXPECT_EQ(sAnswer, Saved(QStringLiteral("写真.png")));
    ASSERT_TRUE(shown);
    EXPECT_TRUE(shown->isVisible());
    EXPECT_EQ(shown->Tag(), 1);
    EXPECT_EQ(shown->StatusText(), QStringLiteral("ファイルの受信を開始します"));
    EXPECT_FALSE(shown->btRecv->isEnabled());
    EXPECT_FALSE(shown->mmRecvFile->isEnabled());
    EXPECT_TRUE(FBoxes.empty());
    const IniFile ini(SettingsFileName());
    EXPECT_EQ(ini.ReadString(QStringLiteral("FileRecvWindow"), QStringLiteral("Path"), QString()),
              ProgramDirectory);

    Send(shown, WM_FILERECVING, 0, 42);
    EXPECT_EQ(shown->StatusText(), QStringLiteral("ファイル受信中 42% 完了"));
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("42% 受信完了 - Parvane 2"));
    Send(shown, WM_FILERECVEND);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("ファイルの受信が完了しました。")});
    EXPECT_EQ(shown->windowTitle(), QStringLiteral("ファイル受信完了 - Parvane 2"));
    FreeClosed();
    EXPECT_FALSE(shown);
    EXPECT_EQ(FFreed, 1);
    EXPECT_TRUE(FileRecvWindowList.isEmpty());
}

// A sender's handle name that looks like markup shows in the header as the text it is.
TEST_F(FileRecvFormTest, AMarkupHandleNameShowsInTheHeaderAsText)
{
    const QString sImage = FDir.filePath(QStringLiteral("big.png"));
    ASSERT_TRUE(QImage(400, 400, QImage::Format_RGB32).save(sImage));
    FEngine.sHandle = QStringLiteral("<img src=\"%1\">").arg(sImage);
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        // The header cuts a long name; what it shows of it is still text.
        EXPECT_TRUE(TestSupport::ShowsAsText(form->laTitle,
                                             PeerHeaderText("ファイル受信", "送信元", FEngine.sHandle)));
        form->btCancelClick();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    CallerCloses(9);
    FreeClosed();
}

// A long handle name is cut in the header between whole characters and ends in "…".
TEST_F(FileRecvFormTest, ALongHandleNameEndsInAnEllipsisInTheHeader)
{
    FEngine.sHandle = QStringLiteral("営業部第二課の山田").repeated(20);
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        EXPECT_TRUE(TestSupport::HeaderEndsInACutName(
            form->laTitle->text(), QStringLiteral("ファイル受信 (送信元:"), FEngine.sHandle));
        form->btCancelClick();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    CallerCloses(9);
    FreeClosed();
}

TEST_F(FileRecvFormTest, TheLastFolderIsProposedWhenTheSettingSaysSo)
{
    CustomizeFileSave = 1;
    const QString sFolder = FDir.filePath(QStringLiteral("受信"));
    {
        IniFile ini(SettingsFileName());
        ASSERT_TRUE(ini.WriteString(QStringLiteral("FileRecvWindow"), QStringLiteral("Path"), sFolder));
    }
    QString sProposed;
    // The folder is missing: the user is asked and it is made.
    const QString sAnswer = Offer(
        [&](TFileRecvForm* form) {
            sProposed = form->mmRecvFile->text();
            form->btRecvClick();
        },
        9, QStringLiteral("../a.txt"));
    EXPECT_EQ(sProposed, sFolder + QStringLiteral("/a.txt"));
    EXPECT_EQ(sAnswer, sProposed);
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("指定されたフォルダが存在しません。作成しますか？")});
    EXPECT_TRUE(QDir(sFolder).exists());
    CallerCloses(9);
}

TEST_F(FileRecvFormTest, AcceptingChecksInOrderAndEachNoKeepsTheOfferWaiting)
{
    QFile existing(Saved(QStringLiteral("写真.png")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    QStringList after;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        form->mmRecvFile->setText(QStringLiteral("写真.png"));
        form->btRecvClick();
        form->mmRecvFile->setText(ProgramDirectory + QStringLiteral("x/../写真.png"));
        form->btRecvClick();
        form->mmRecvFile->setText(FDir.filePath(QStringLiteral("new/写真.png")));
        FAnswers = {MessageBox::IDNO};
        form->btRecvClick();
        form->mmRecvFile->setText(Saved(QStringLiteral("写真.png")));
        FAnswers = {MessageBox::IDNO};
        form->btRecvClick();
        EXPECT_EQ(form->Tag(), 0);
        EXPECT_TRUE(form->btRecv->isEnabled());
        FAnswers = {MessageBox::IDYES};
        form->btRecvClick();
    });
    EXPECT_EQ(sAnswer, Saved(QStringLiteral("写真.png")));
    const QString sFull = QStringLiteral("保存先はフルパスで指定する必要があります。");
    EXPECT_EQ(
        BoxTexts(),
        (QStringList{sFull, sFull, QStringLiteral("指定されたフォルダが存在しません。作成しますか？"),
                     QStringLiteral("指定されたファイルは既に存在します。上書きしてもよろしいですか？"),
                     QStringLiteral("指定されたファイルは既に存在します。上書きしてもよろしいですか？")}));
    EXPECT_EQ(FBoxes[3].iFlags & MessageBox::MB_DEFBUTTON2, MessageBox::MB_DEFBUTTON2);
    EXPECT_FALSE(QDir(FDir.filePath(QStringLiteral("new"))).exists());
    // The file is replaced only after the question, asked when the engine found it there.
    ASSERT_EQ(FEngine.recvAccepts.size(), 3u);
    EXPECT_FALSE(FEngine.recvAccepts[0].bReplace);
    EXPECT_FALSE(FEngine.recvAccepts[1].bReplace);
    EXPECT_TRUE(FEngine.recvAccepts[2].bReplace);
    CallerCloses(9);
}

TEST_F(FileRecvFormTest, ClosingTheWaitingWindowAsksAndAYesRefuses)
{
    QPointer<TFileRecvForm> shown;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        shown = form;
        FAnswers = {MessageBox::IDNO};
        form->btCancelClick();
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(form->Tag(), 0);
        FAnswers = {MessageBox::IDYES};
        form->close();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    EXPECT_EQ(BoxTexts(), (QStringList(2, QStringLiteral("ファイルの受信をキャンセルしますか？"))));
    // The refusal is the engine's cancel of the offer; the window goes at once.
    EXPECT_EQ(FEngine.recvCancels, std::vector<int>{9});
    EXPECT_TRUE(FEngine.recvAccepts.empty());
    FreeClosed();
    EXPECT_FALSE(shown);
    EXPECT_EQ(FFreed, 1);
    EXPECT_TRUE(FileRecvWindowList.isEmpty());
}

// The sender gives up before the answer: the warning, and the window goes.
TEST_F(FileRecvFormTest, AnErrorWhileWaitingEndsTheWindow)
{
    QPointer<TFileRecvForm> shown;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        shown = form;
        Send(form, WM_ERRORFILERECV, 0, FileRecvErrorClosed);
        FreeClosed();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    EXPECT_FALSE(shown);
    EXPECT_EQ(FFreed, 1);
    EXPECT_EQ(BoxTexts(), QStringList{FileErrorWarnings::RecvClosed});
    EXPECT_TRUE(FileRecvWindowList.isEmpty());
}

// A log-out while the offer waits: silently refused, and the window does not linger hidden.
TEST_F(FileRecvFormTest, ACancelWhileWaitingRefusesSilentlyAndFreesTheWindow)
{
    QPointer<TFileRecvForm> shown;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        shown = form;
        Send(form, WM_ERRORFILERECV, 0, FileRecvErrorCancelled);
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    EXPECT_TRUE(FBoxes.empty());
    FreeClosed();
    EXPECT_FALSE(shown);
    EXPECT_TRUE(FileRecvWindowList.isEmpty());
}

TEST_F(FileRecvFormTest, TheSaveDialogStaysOnTopAndItsChoiceBecomesThePath)
{
    CustomizeShowTopMost = true;
    const QString sChosen = FDir.filePath(QStringLiteral("別名.png"));
    bool bOnTop = false;
    QString sTitle;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        QTimer::singleShot(0, [&, form] {
            bOnTop = form->NSaveDialog->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            sTitle = form->NSaveDialog->windowTitle();
            form->NSaveDialog->selectFile(sChosen);
            static_cast<QDialog*>(form->NSaveDialog)->accept();
        });
        form->sbFileSearchClick();
        EXPECT_EQ(form->Tag(), 0);
        form->btRecvClick();
    });
    CustomizeShowTopMost = false;
    EXPECT_TRUE(bOnTop);
    EXPECT_EQ(sTitle, QStringLiteral("Parvane 2 -ファイル保存先-"));
    EXPECT_EQ(QFileInfo(sAnswer).absoluteFilePath(), QFileInfo(sChosen).absoluteFilePath());
    CallerCloses(9);
}

TEST_F(FileRecvFormTest, AnErrorWhileTheSaveDialogIsOpenIsToldWhenItCloses)
{
    QString sStatusInDialog;
    size_t iBoxesInDialog = 99;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        QTimer::singleShot(50, [&, form] {
            EXPECT_TRUE(form->NSaveDialog->DialogOpen());
            Send(form, WM_ERRORFILERECV, 0, FileRecvErrorFile);
            sStatusInDialog = form->StatusText();
            iBoxesInDialog = FBoxes.size();
            form->NSaveDialog->reject();
        });
        form->sbFileSearchClick();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    EXPECT_EQ(iBoxesInDialog, 0u);
    EXPECT_EQ(sStatusInDialog, QStringLiteral("保存先ファイル名を指定してください"));
    EXPECT_EQ(BoxTexts(), QStringList{FileErrorWarnings::RecvClosed});
    FreeClosed();
    EXPECT_EQ(FFreed, 1);
}

// The sender gives up while the user is asked about overwriting: the window is
// freed inside the question, and the answer that follows touches nothing of it.
TEST_F(FileRecvFormTest, AnErrorDuringTheOverwriteQuestionEndsTheOfferCleanly)
{
    QFile existing(Saved(QStringLiteral("写真.png")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    QPointer<TFileRecvForm> shown;
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        shown = form;
        FOnBox = [&, form] {
            Send(form, WM_ERRORFILERECV, 0, FileRecvErrorClosed);
            FreeClosed();
        };
        FAnswers = {MessageBox::IDOK, MessageBox::IDYES};
        form->btRecvClick();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    EXPECT_FALSE(shown);
    EXPECT_EQ(FFreed, 1);
    EXPECT_EQ(BoxTexts(),
              (QStringList{QStringLiteral("指定されたファイルは既に存在します。上書きしてもよろしいですか？"),
                           FileErrorWarnings::RecvClosed}));
}

// The sender gives up while a real question of the accept step is open, with its
// own loop: the error's warning shows over it, the window that the error closes is
// not freed under the question, and the answer given afterwards touches no freed
// window, makes no folder and accepts nothing.
TEST_F(FileRecvFormTest, AnErrorUnderARealQuestionOfTheAcceptStepEndsTheOfferCleanly)
{
    QFile existing(Saved(QStringLiteral("写真.png")));
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.close();
    const QString sNewFolder = FDir.filePath(QStringLiteral("new"));
    const struct {
        const char* sName;
        QString sPath;
        QString sQuestion;
    } cases[] = {
        {"overwrite", Saved(QStringLiteral("写真.png")),
         QStringLiteral("指定されたファイルは既に存在します。上書きしてもよろしいですか？")},
        {"create folder", sNewFolder + QStringLiteral("/写真.png"),
         QStringLiteral("指定されたフォルダが存在しません。作成しますか？")},
        {"full path", QStringLiteral("写真.png"),
         QStringLiteral("保存先はフルパスで指定する必要があります。")},
    };
    const QString sError = FileRecvErrorText(FileRecvErrorClosed);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sName);
        FFreed = 0;
        MessageBox::SetAnswerer({});
        QPointer<TFileRecvForm> shown;
        QStringList slSeen;
        enum { WaitingForTheQuestion, ErrorSent, ErrorDone } phase = WaitingForTheQuestion;
        TestSupport::TTicker user(
            [&] {
                const QList<QMessageBox*> boxes = TestSupport::OpenBoxes();
                for (const QMessageBox* box : boxes)
                    if (!slSeen.contains(box->text()))
                        slSeen << box->text();
                if (boxes.isEmpty())
                    return;
                if (phase == WaitingForTheQuestion) {
                    phase = ErrorSent;
                    Send(shown, WM_ERRORFILERECV, 0, FileRecvErrorClosed);
                    phase = ErrorDone;
                    return;
                }
                for (QMessageBox* box : boxes) {
                    if (phase == ErrorSent && box->text() == sError) {
                        TestSupport::PressBoxButton(box, QStringLiteral("OK"));
                        return;
                    }
                    if (phase == ErrorDone) {
                        const bool bQuestion = box->buttons().size() == 2;
                        TestSupport::PressBoxButton(box, bQuestion ? QStringLiteral("はい(&Y)")
                                                                   : QStringLiteral("OK"));
                        return;
                    }
                }
            },
            10);
        const QString sAnswer = Offer([&](TFileRecvForm* form) {
            shown = form;
            form->activateWindow();
            TestSupport::WaitUntil([form] { return QApplication::activeWindow() == form; }, 2000);
            form->mmRecvFile->setText(c.sPath);
            user.Start();
            // Pressed as a user presses it: from the program's loop, where the freeing is done.
            QTimer::singleShot(0, form, [form] { form->btRecvClick(); });
        });
        EXPECT_TRUE(TestSupport::WaitUntil([&] { return shown.isNull(); }, 5000));
        user.Stop();
        TestSupport::CloseOpenBoxes();
        EXPECT_TRUE(sAnswer.isEmpty());
        EXPECT_TRUE(FEngine.sAccepted.isEmpty());
        EXPECT_EQ(slSeen, (QStringList{c.sQuestion, sError}));
        EXPECT_FALSE(QDir(sNewFolder).exists());
        EXPECT_EQ(FFreed, 1);
        EXPECT_TRUE(FileRecvWindowList.isEmpty());
    }
}

// Transfers that end together, as the engine reports them inside its events: each
// window shows a box of its own, nothing waits for an answer there, and a window
// goes when its own box is answered while the others stay.
TEST_F(FileRecvFormTest, TransfersEndingTogetherShowABoxEachAndEachWindowGoesWithItsAnswer)
{
    std::vector<QPointer<TFileRecvForm>> shown;
    for (int i = 0; i < 3; ++i)
        Offer(
            [&](TFileRecvForm* form) {
                shown.emplace_back(form);
                form->btRecvClick();
            },
            20 + i, QStringLiteral("f%1.txt").arg(i));
    ASSERT_EQ(shown.size(), 3u);
    MessageBox::SetAnswerer({});
    const auto visible = [&] {
        return int(std::count_if(shown.begin(), shown.end(), [](const QPointer<TFileRecvForm>& form) {
            return form && form->isVisible();
        }));
    };
    bool bAllEnded = false;
    bool bFirstAnswered = false;
    QStringList slOpen;
    int iVisible = 0;
    int iVisibleAfterOne = 0;
    qsizetype iOpenAfterOne = 0;
    EXPECT_TRUE(TestSupport::RunLoopUntil([&] {
        if (!bAllEnded) {
            for (const QPointer<TFileRecvForm>& form : shown)
                Send(form, WM_FILERECVEND);
            bAllEnded = true;
        }
        if (!bFirstAnswered) {
            slOpen = TestSupport::OpenBoxTexts();
            iVisible = visible();
            if (slOpen.size() < 3)
                return false;
            bFirstAnswered = true;
            TestSupport::PressBoxButton(TestSupport::OpenBoxes().first(), QStringLiteral("OK"));
            return false;
        }
        if (FFreed == 0)
            return false;
        iVisibleAfterOne = visible();
        iOpenAfterOne = TestSupport::OpenBoxes().size();
        return true;
    }));
    EXPECT_EQ(slOpen, QStringList(3, QStringLiteral("ファイルの受信が完了しました。")));
    EXPECT_EQ(iVisible, 3);
    EXPECT_EQ(iVisibleAfterOne, 2);
    EXPECT_EQ(iOpenAfterOne, 2);

    TestSupport::CloseOpenBoxes();
    EXPECT_TRUE(TestSupport::WaitUntil(
        [&] {
            return std::none_of(shown.begin(), shown.end(), [](const auto& form) { return !form.isNull(); });
        },
        5000));
    EXPECT_EQ(FFreed, 3);
}

// The user closes the window by hand while its last word is open and then presses
// OK: the answer finds the window gone and leaves it be. Run in a copy of its own,
// where a window touched after it was freed ends the copy, not the whole run.
TEST_F(FileRecvFormTest, TheLastWordAnsweredAfterItsWindowWasClosedByHandTouchesNothing)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcess());
        return;
    }
    QPointer<TFileRecvForm> shown;
    Offer([&](TFileRecvForm* form) {
        shown = form;
        form->btRecvClick();
    });
    ASSERT_TRUE(shown);
    MessageBox::SetAnswerer({});
    enum { Ending, ClosingByHand, Answering, Done } step = Ending;
    QStringList slOpenAfterClose;
    EXPECT_TRUE(TestSupport::RunLoopUntil([&] {
        switch (step) {
        case Ending:
            Send(shown, WM_FILERECVEND);
            step = ClosingByHand;
            return false;
        case ClosingByHand:
            if (TestSupport::OpenBoxes().isEmpty())
                return false;
            shown->close();
            step = Answering;
            return false;
        case Answering:
            // Freed first, as a closed window is once the loop has come round.
            if (shown)
                return false;
            slOpenAfterClose = TestSupport::OpenBoxTexts();
            if (!slOpenAfterClose.isEmpty())
                TestSupport::PressBoxButton(TestSupport::OpenBoxes().first(), QStringLiteral("OK"));
            step = Done;
            return false;
        case Done:
            return TestSupport::OpenBoxes().isEmpty();
        }
        return false;
    }));
    EXPECT_EQ(slOpenAfterClose, QStringList{QStringLiteral("ファイルの受信が完了しました。")});
    EXPECT_EQ(FFreed, 1);
    EXPECT_TRUE(FileRecvWindowList.isEmpty());
}

// Return in the path, where the focus is as the window comes to the front by itself,
// accepts nothing: a key typed for another window must not accept a file.
// At the design size the comment shows both lines of a two-line comment, Tab
// reaches it from the edits above it and the keys move through its text (a peer's
// comment can be longer than the box), and the wrapped hint shows whole.
TEST_F(FileRecvFormTest, TheCommentIsReadByKeyboardAndTheHintShowsWhole)
{
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        form->resize(384, 312);
        QCoreApplication::processEvents();
        QPlainTextEdit* comment = form->mmComment;
        const QRect lines = comment->viewport()->contentsRect();
        EXPECT_GE(lines.height(),
                  2 * comment->fontMetrics().lineSpacing() + int(2 * comment->document()->documentMargin()));
        EXPECT_EQ(comment->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
        EXPECT_GE(form->laHint->height(), form->laHint->heightForWidth(form->laHint->width()));

        form->mmSendFileSize->setFocus();
        TestSupport::KeyPress(form->mmSendFileSize, Qt::Key_Tab);
        ASSERT_EQ(form->focusWidget(), comment);
        TestSupport::KeyPress(comment, Qt::Key_Down);
        TestSupport::KeyPress(comment, Qt::Key_End, Qt::ShiftModifier);
        EXPECT_EQ(comment->textCursor().selectedText(), QStringLiteral("二行目"));
        EXPECT_TRUE(comment->isReadOnly());
        TestSupport::KeyPress(comment, Qt::Key_Tab);
        EXPECT_EQ(form->focusWidget(), form->mmRecvFile);
        form->btCancelClick();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    CallerCloses(9);
    FreeClosed();
}

TEST_F(FileRecvFormTest, ReturnInThePathAcceptsNothing)
{
    const QString sAnswer = Offer([&](TFileRecvForm* form) {
        ASSERT_EQ(form->focusWidget(), form->mmRecvFile);
        for (int key : {Qt::Key_Return, Qt::Key_Enter}) {
            QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QStringLiteral("\r"));
            QApplication::sendEvent(form->mmRecvFile, &press);
            QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QStringLiteral("\r"));
            QApplication::sendEvent(form->mmRecvFile, &release);
        }
        EXPECT_EQ(form->Tag(), 0);
        EXPECT_TRUE(form->btRecv->isEnabled());
        for (QPushButton* button : form->findChildren<QPushButton*>())
            EXPECT_FALSE(button->isDefault()) << button->text().toStdString();
        form->btCancelClick();
    });
    EXPECT_TRUE(sAnswer.isEmpty());
    CallerCloses(9);
    FreeClosed();
}

TEST_F(FileRecvFormTest, ClosingARunningReceptionAsksAndACancelFreesTheWindowOnce)
{
    QPointer<TFileRecvForm> shown;
    Offer([&](TFileRecvForm* form) {
        shown = form;
        form->btRecvClick();
    });
    ASSERT_TRUE(shown);
    Send(shown, WM_FILERECVING, 0, 5);
    FAnswers = {MessageBox::IDNO};
    shown->close();
    EXPECT_TRUE(shown->isVisible());
    // The cancel's report reaches the window and closes it again while this close runs.
    FEngine.OnCancel = [&](int) { Send(shown, WM_ERRORFILERECV, 0, FileRecvErrorCancelled); };
    FAnswers = {MessageBox::IDYES};
    shown->close();
    EXPECT_EQ(FEngine.recvCancels, std::vector<int>{9});
    FreeClosed();
    EXPECT_FALSE(shown);
    EXPECT_EQ(FFreed, 1);
    EXPECT_EQ(BoxTexts(), (QStringList(2, QStringLiteral("ファイルの受信をキャンセルしますか？"))));
}

TEST_F(FileRecvFormTest, ErrorsAfterAcceptingEndTheWindowWithTheirWarning)
{
    for (int iCode : {0, 1, 2, 5}) {
        FBoxes.clear();
        FFreed = 0;
        QPointer<TFileRecvForm> shown;
        Offer([&](TFileRecvForm* form) {
            shown = form;
            form->btRecvClick();
        });
        ASSERT_TRUE(shown);
        FBoxes.clear();
        Send(shown, WM_ERRORFILERECV, 0, iCode);
        const QString sText = FileErrorWarnings::Recv(iCode);
        EXPECT_EQ(BoxTexts(), sText.isEmpty() ? QStringList() : QStringList{sText}) << iCode;
        FreeClosed();
        EXPECT_FALSE(shown) << iCode;
        EXPECT_EQ(FFreed, 1) << iCode;
    }
    EXPECT_TRUE(FEngine.recvCancels.empty());
}

// Two offers wait at once: accepting the first gives its answer to the engine
// there and then, while the second still waits for its own.
TEST_F(FileRecvFormTest, EachOfTwoWaitingOffersIsAnsweredWhenItsUserAnswers)
{
    QPointer<TFileRecvForm> first, second;
    Offer([&](TFileRecvForm* form) { first = form; });
    Offer([&](TFileRecvForm* form) { second = form; }, 10, QStringLiteral("b.txt"));
    ASSERT_TRUE(first && second);
    first->btRecvClick();
    ASSERT_EQ(FEngine.recvAccepts.size(), 1u);
    EXPECT_EQ(FEngine.recvAccepts[0].iSocketNo, 9);
    EXPECT_EQ(FEngine.recvAccepts[0].sPath, Saved(QStringLiteral("写真.png")));
    EXPECT_EQ(first->Tag(), 1);
    EXPECT_EQ(second->Tag(), 0);
    second->close();
    EXPECT_EQ(FEngine.recvCancels, std::vector<int>{10});
    EXPECT_EQ(FEngine.recvAccepts.size(), 1u);
    CallerCloses(9);
}

// The engine found nothing to answer for (the offer ended meanwhile): the window
// stays as it was and sends nothing more.
TEST_F(FileRecvFormTest, AnAcceptanceTheEngineNoLongerTakesChangesNothing)
{
    struct TGoneEngine : TFakeFileEngine {
        TParvaneNetwork::TFileRecvAcceptResult FileRecvAccept(int iSocketNo, const QString& sPath,
                                                              bool bReplace) override
        {
            recvAccepts.push_back({iSocketNo, sPath, bReplace});
            return TParvaneNetwork::TFileRecvAcceptResult::Ended;
        }
    } gone;
    SetFileTransferEngine(&gone);
    QPointer<TFileRecvForm> shown;
    Offer([&](TFileRecvForm* form) {
        shown = form;
        form->btRecvClick();
    });
    ASSERT_TRUE(shown);
    EXPECT_EQ(gone.recvAccepts.size(), 1u);
    EXPECT_EQ(shown->Tag(), 0);
    EXPECT_TRUE(shown->btRecv->isEnabled());
    EXPECT_EQ(shown->StatusText(), QStringLiteral("保存先ファイル名を指定してください"));
    shown->close();
    SetFileTransferEngine(&FEngine);
}

} // namespace
