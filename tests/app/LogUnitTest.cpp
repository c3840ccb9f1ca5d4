#include "LogUnit.h"

#include "FileSave.h"
#include "IniFile.h"
#include "LogFile.h"
#include "LogTableView.h"
#include "MessageBox.h"
#include "RealBoxes.h"
#include "StatusPanelBar.h"
#include "SystemClock.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextDocument>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

const QDateTime kNow(QDate(2011, 8, 29), QTime(13, 5, 9));
const QString kNowText = QStringLiteral("2011年08月29日 午後 1時05分09秒");

class LogFormTest : public TestSupport::WindowTest {
protected:
    void SetUp() override
    {
        TestSupport::WindowTest::SetUp();
        SystemClock::SetNowSource([] { return kNow; });
    }

    void TearDown() override
    {
        LogWriteWait();
        LogFormRelease();
        TestSupport::WindowTest::TearDown();
    }

    // A question the test gives no answer for gets OK, which is neither yes nor no.
    int DefaultAnswer(const MessageBox::Request&) const override { return MessageBox::IDOK; }

    static TLogForm& Open()
    {
        LogFormShow();
        return *LogForm;
    }

    static QString Shown(TLogForm& form) { return form.wbLog->Table().Text(); }
    // What the HTML view of the table shows for these records.
    static QString HtmlShown(const QList<TLogRecord>& records)
    {
        QTextDocument document;
        document.setHtml(LogTableHtml(records));
        return document.toPlainText();
    }
};

TEST_F(LogFormTest, WithoutALogFileOnlyTheHeaderRowShows)
{
    TLogForm& form = Open();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("ログビューア - Parvane 2"));
    EXPECT_EQ(form.RecordCount(), 0);
    EXPECT_EQ(form.StatusText(), QStringLiteral("ログはありません（") + kNowText + QStringLiteral(" 現在）"));
    EXPECT_FALSE(form.btAllDelete->isEnabled());
    EXPECT_EQ(Shown(form), HtmlShown({}));
    EXPECT_TRUE(form.pnPasswordBack->isHidden());
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(LogFormTest, RecordsWrittenShowNewestFirstAtTheNextRefresh)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("最初"));
    TLogForm& form = Open();
    EXPECT_EQ(form.RecordCount(), 1);
    LogWrite(LogKindChatSend, QStringLiteral("太郎"), QStringLiteral("(チャット全体)"),
             QStringLiteral("&lt;二番目&gt;"));
    // The viewer does not follow the file by itself.
    EXPECT_EQ(form.RecordCount(), 1);
    form.btRefresh->click();
    EXPECT_EQ(form.RecordCount(), 2);
    EXPECT_EQ(form.StatusText(), QStringLiteral("2 件のログ（") + kNowText + QStringLiteral(" 現在）"));
    EXPECT_TRUE(form.btAllDelete->isEnabled());
    const QString shown = Shown(form);
    EXPECT_TRUE(shown.contains(QStringLiteral("<二番目>")));
    EXPECT_LT(shown.indexOf(QStringLiteral("<二番目>")), shown.indexOf(QStringLiteral("最初")));
    EXPECT_TRUE(FBoxes.empty());
}

TEST_F(LogFormTest, ALogThatCannotBeWrittenLosesTheRecordAndSaysSo)
{
    QFile file(LogFileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("old\r\n");
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(LogFileName()).constData(), 0444), 0);
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("本文"));
    LogWriteWait();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("ログを保存中にエラーが発生しました。")));
    EXPECT_EQ(FBoxes[0].sCaption, QStringLiteral("Parvane 2"));
    EXPECT_EQ(FBoxes[0].iFlags, MessageBox::MB_ICONWARNING);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("old\r\n"));
}

// Another copy of the program sharing the folder, in the middle of its rewrite of
// the log: it holds the folder's lock from its read to its save.
class OtherCopyRewrite {
public:
    explicit OtherCopyRewrite(const QString& sFileName) : FFileName(sFileName)
    {
        FFd = ::open(QFile::encodeName(QFileInfo(sFileName).absolutePath()).constData(),
                     O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        FLocked = FFd >= 0 && ::flock(FFd, LOCK_EX | LOCK_NB) == 0;
        QFile file(sFileName);
        if (file.open(QIODevice::ReadOnly))
            FRead = file.readAll();
    }
    ~OtherCopyRewrite() { Finish(); }
    bool Locked() const { return FLocked; }
    // Saves its own record on top of what it read, then lets go of the lock.
    void Finish(const QByteArray& record = {})
    {
        if (FFd < 0)
            return;
        if (!record.isEmpty())
            FileSaveAtomic(FFileName, record + FRead);
        ::close(FFd);
        FFd = -1;
    }
    const QByteArray& Read() const { return FRead; }

private:
    QString FFileName;
    QByteArray FRead;
    int FFd = -1;
    bool FLocked = false;
};

QByteArray LogBytes()
{
    QFile file(LogFileName());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

const QByteArray kOtherRecord = LogRecordBytes(LogKindMessageRecv, QStringLiteral("次郎"),
                                               QStringLiteral("花子"), QStringLiteral("他のコピー"), kNow);

// A record whose rewrite cannot get the lock in time is told lost, never left to
// the other copy's save to drop without a word.
TEST_F(LogFormTest, ARecordThatCannotGetTheLockInTimeIsToldLost)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("古い"));
    LogWriteWait();
    const QByteArray old = LogBytes();
    OtherCopyRewrite other(LogFileName());
    ASSERT_TRUE(other.Locked());
    LogWrite(LogKindMessageSend, QStringLiteral("太郎"), QStringLiteral("花子"), QStringLiteral("新しい"));
    // A writer that waits for the lock without end would hang the test here: past a
    // limit far beyond any wait the writer may take, the other copy lets go and the
    // test fails instead.
    std::mutex mutex;
    std::condition_variable changed;
    bool bWaited = false;
    bool bGaveUp = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!changed.wait_for(lock, std::chrono::seconds(60), [&] { return bWaited; })) {
            bGaveUp = true;
            other.Finish();
        }
    });
    LogWriteWait();
    {
        const std::lock_guard lock(mutex);
        bWaited = true;
    }
    changed.notify_all();
    watchdog.join();
    ASSERT_FALSE(bGaveUp) << "the record waited for the lock without end";
    other.Finish(kOtherRecord);
    EXPECT_EQ(LogBytes(), kOtherRecord + old);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("ログを保存中にエラーが発生しました。")));
}

// Deleting the whole log waits for a rewrite under way, so the rewrite cannot bring it back.
TEST_F(LogFormTest, DeleteAllWaitsForARewriteUnderWay)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("一"));
    TLogForm& form = Open();
    auto other = std::make_unique<OtherCopyRewrite>(LogFileName());
    ASSERT_TRUE(other->Locked());
    // The other copy's save comes while this copy's question is answered and its delete waits.
    std::thread finish([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other->Finish(kOtherRecord);
    });
    FAnswers = {MessageBox::IDYES};
    form.btAllDelete->click();
    finish.join();
    EXPECT_EQ(LogBytes(), QByteArray("<missing>"));
    EXPECT_EQ(form.RecordCount(), 0);
    EXPECT_EQ(FBoxes.size(), 1u);
}

// Records come with the messages, whatever box is open: a record lost while the
// warning is open adds no second box, and the records go on being handled.
TEST_F(LogFormTest, RecordsLostWhileTheWarningIsOpenOpenNoSecondBox)
{
    QFile file(LogFileName());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::chmod(QFile::encodeName(LogFileName()).constData(), 0444), 0);
    MessageBox::SetAnswerer({});
    int iWritten = 0;
    qsizetype iMostOpen = 0;
    EXPECT_TRUE(TestSupport::RunLoopUntil([&] {
        if (iWritten < 30) {
            ++iWritten;
            LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"),
                     QStringLiteral("本文 %1").arg(iWritten));
            // The writer reports each loss soon; the box that tells it must be open by the next record.
            TestSupport::WaitUntil([] { return !TestSupport::OpenBoxes().isEmpty(); }, 2000);
        }
        iMostOpen = qMax(iMostOpen, TestSupport::OpenBoxes().size());
        return iWritten == 30;
    }));
    EXPECT_EQ(iWritten, 30);
    EXPECT_EQ(iMostOpen, 1);
    // Losses still on their way are told to an answerer, not to a box left behind.
    MessageBox::SetAnswerer([](const MessageBox::Request&) { return MessageBox::IDOK; });
    LogWriteWait();
    QCoreApplication::processEvents();
}

TEST_F(LogFormTest, ALogThatCannotBeReadIsReportedAndNothingCanBeDeleted)
{
    ASSERT_TRUE(QDir().mkdir(LogFileName()));
    TLogForm& form = Open();
    EXPECT_EQ(form.RecordCount(), -1);
    EXPECT_EQ(form.StatusText(), QStringLiteral("ログファイルが不正です。"));
    EXPECT_FALSE(form.btAllDelete->isEnabled());
    EXPECT_EQ(Shown(form), HtmlShown({}));
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("ログファイルの読み込みに失敗しました。")));
}

TEST_F(LogFormTest, TheLockOpensOnlyForThePasswordExactly)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("秘密の話"));
    SecurityLog = true;
    SecurityLogPassword = QStringLiteral("Secret");
    TLogForm& form = Open();
    // Loaded behind the lock, which only covers it.
    EXPECT_EQ(form.RecordCount(), 1);
    EXPECT_FALSE(form.pnPasswordBack->isHidden());
    EXPECT_FALSE(form.wbLog->isEnabled());
    EXPECT_TRUE(form.btAllDelete->isHidden());
    EXPECT_TRUE(form.btRefresh->isHidden());
    EXPECT_EQ(form.StatusText(), QStringLiteral("パスワードを入力してください"));

    for (const char* wrong : {"secret", "Ｓｅｃｒｅｔ", "Secret ", ""}) {
        form.edPassword->setText(QString::fromUtf8(wrong));
        form.btPasswordOk->click();
        EXPECT_FALSE(form.pnPasswordBack->isHidden()) << wrong;
        EXPECT_EQ(form.edPassword->selectedText(), form.edPassword->text()) << wrong;
    }
    EXPECT_EQ(BoxTexts(), QStringList(4, QStringLiteral("パスワードが違います。")));

    // Enter in the edit presses OK.
    form.edPassword->setText(QStringLiteral("Secret"));
    emit form.edPassword->returnPressed();
    EXPECT_TRUE(form.pnPasswordBack->isHidden());
    EXPECT_TRUE(form.wbLog->isEnabled());
    EXPECT_FALSE(form.btAllDelete->isHidden());
    EXPECT_FALSE(form.btRefresh->isHidden());
    EXPECT_EQ(form.StatusText(), QStringLiteral("1 件のログ（") + kNowText + QStringLiteral(" 現在）"));
    EXPECT_EQ(FBoxes.size(), 4u);
}

TEST_F(LogFormTest, DeleteAllAsksFirstAndRemovesTheFile)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("一"));
    TLogForm& form = Open();

    FAnswers = {MessageBox::IDNO};
    form.btAllDelete->click();
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("保存されているログを全て消去します。")));
    EXPECT_EQ(FBoxes[0].iFlags,
              MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION | MessageBox::MB_DEFBUTTON2);
    EXPECT_TRUE(QFile::exists(LogFileName()));
    EXPECT_EQ(form.RecordCount(), 1);

    FAnswers = {MessageBox::IDYES};
    form.btAllDelete->click();
    EXPECT_FALSE(QFile::exists(LogFileName()));
    EXPECT_EQ(form.RecordCount(), 0);
    EXPECT_EQ(form.StatusText(), QStringLiteral("ログはありません（") + kNowText + QStringLiteral("現在）"));
    EXPECT_FALSE(form.btAllDelete->isEnabled());
    EXPECT_EQ(FBoxes.size(), 2u);

    // The next record makes the file again, of that record alone; the button waits for a refresh.
    LogWrite(LogKindMessageSend, QStringLiteral("太郎"), QStringLiteral("花子"), QStringLiteral("二"));
    LogWriteWait();
    QFile file(LogFileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(LogRecordsRead(file.readAll()).size(), 1);
    EXPECT_FALSE(form.btAllDelete->isEnabled());
    form.btRefresh->click();
    EXPECT_TRUE(form.btAllDelete->isEnabled());
}

TEST_F(LogFormTest, AReadOnlyLogIsNotDeleted)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("一"));
    TLogForm& form = Open();
    const QString status = form.StatusText();
    ASSERT_EQ(::chmod(QFile::encodeName(LogFileName()).constData(), 0444), 0);
    FAnswers = {MessageBox::IDYES};
    form.btAllDelete->click();
    EXPECT_TRUE(QFile::exists(LogFileName()));
    ASSERT_EQ(FBoxes.size(), 2u);
    EXPECT_TRUE(FBoxes[1].sText.startsWith(QStringLiteral("ログを削除することができませんでした。")));
    EXPECT_EQ(form.StatusText(), status);
    EXPECT_EQ(form.RecordCount(), 1);
}

TEST_F(LogFormTest, OneViewerAtATimeThatKeepsItsPlaceAndItsToggles)
{
    TLogForm& form = Open();
    LogFormShow();
    EXPECT_EQ(LogForm, &form);
    form.showMinimized();
    LogFormShow();
    EXPECT_FALSE(LogForm->isMinimized());

    form.tbAlphaBlend->setValue(200);
    form.miStatus->setChecked(true);
    form.miStatusClick();
    EXPECT_FALSE(LogWindowShowStatus);
    EXPECT_TRUE(form.sbInformation->isHidden());
    form.move(30, 40);
    form.btClose->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(LogForm, nullptr);
    const IniFile ini(SettingsFileName());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("LogWindow"), QStringLiteral("AlphaBlend"), -1), 200);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("LogWindow"), QStringLiteral("Left"), -1), 30);
    EXPECT_FALSE(ini.ReadBool(QStringLiteral("LogWindow"), QStringLiteral("ShowStatus"), true));
}

TEST_F(LogFormTest, TheTableMenuSelectsAndCopies)
{
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("写す文"));
    TLogForm& form = Open();
    form.pmBrowserAllSelect->trigger();
    form.pmBrowserCopy->trigger();
    EXPECT_TRUE(QApplication::clipboard()->text().contains(QStringLiteral("写す文")));
}

} // namespace
