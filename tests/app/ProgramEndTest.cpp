// The program's end as the desktop or a terminal asks for it, with the program's
// own loop running: a signal that comes while any window's question is open ends
// the program as its own close does, with the log-out sent and the settings
// written, and the session manager's request to save only saves.
#include "ProgramEnd.h"

#include "ChatUnit.h"
#include "FileRecvUnit.h"
#include "FileSendUnit.h"
#include "IniFile.h"
#include "LogFile.h"
#include "LogUnit.h"
#include "MainFormFixture.h"
#include "MessageRecvQueue.h"
#include "OptionUnit.h"
#include "PeerProcess.h"
#include "RealBoxes.h"
#include "RecordingWindows.h"
#include "SendUnit.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

// A window brought to where it asks, and the step that asks: the step waits in
// the question's box until the box is answered or the program ends.
struct TAskingCase {
    const char* name;
    // The start of the question's text.
    const char* question;
    std::function<void(TMainForm&)> setup;
    std::function<void(TMainForm&)> ask;
};

void ChatEnter(TMainForm& form)
{
    form.miToolChatClick();
    ASSERT_TRUE(WaitUntil([&] { return form.PVN->Chat() && ChatForm != nullptr; }));
}

void OptionsOpen(TMainForm& form)
{
    form.Windows->OptionFormShow(form.OptionOwner());
    ASSERT_NE(OptionForm, nullptr);
}

// The copy on the other host of the test LAN, for the cases that need it to act.
TestSupport::PeerProcess* Peer = nullptr;
QString Folder;

// A small file in the test's folder, as the peer or the user picks it.
QString SmallFile()
{
    const QString sPath = Folder + QStringLiteral("/offer.txt");
    QFile file(sPath);
    if (file.open(QIODevice::WriteOnly))
        file.write("0123456789");
    return sPath;
}

template <typename TForm> TForm* FirstOf(const QStringList& list)
{
    return list.isEmpty() ? nullptr
                          : qobject_cast<TForm*>(WindowMessage::WindowOf(WindowListHandle(list[0])));
}

const TAskingCase kAskingCases[] = {
    {"MainWindowCloseWithUnreadMessages", "閲覧していないメッセージがあります。",
     [](TMainForm&) {
         MessageRecvQueue.Append({"本文", "000000000001", false, "花子", "PVHOST9", "Parvane2", "t"});
     },
     [](TMainForm& form) { form.close(); }},
    {"MainWindowLogoutFromTheChat", "現在、チャットへログイン中です。オフラインにすると", ChatEnter,
     [](TMainForm& form) { form.miMessageOnlineClick(); }},
    {"ChatWindowClose", "チャットからログアウトしますか？", ChatEnter, [](TMainForm&) { ChatForm->close(); }},
    {"ChatLineTooLong", "一度に送信できるバイト数を超えています。", ChatEnter,
     [](TMainForm&) {
         ChatForm->mmSendMessage->setText(QString(200, u'あ'));
         ChatForm->btSendClick();
     }},
    {"LogDeleteAll", "保存されているログを全て消去します。",
     [](TMainForm& form) { form.Windows->LogFormShow(); }, [](TMainForm&) { LogForm->btAllDeleteClick(); }},
    {"OptionsAwayKindDelete", "離席中 を削除してもよろしいですか？",
     [](TMainForm& form) {
         OptionsOpen(form);
         OptionForm->cbAbsence->setCurrentIndex(0);
     },
     [](TMainForm&) { OptionForm->btAbsenceDeleteClick(); }},
    {"OptionsAddressDelete", "選択されているアドレスを削除します。",
     [](TMainForm& form) {
         OptionsOpen(form);
         OptionForm->lbNetworkList->addItem(QStringLiteral("198.18.0.250"));
         OptionForm->lbNetworkList->item(0)->setSelected(true);
     },
     [](TMainForm&) { OptionForm->btNetworkDeleteClick(); }},
    {"SendWindowTextTooLong", "一度に送信できるバイト数を超えています。",
     [](TMainForm& form) {
         form.Windows->SendFormShow(QString(), false, form.PVN->MachineName(), QStringLiteral("Parvane2"));
         ASSERT_FALSE(SendWindowList.isEmpty());
     },
     [](TMainForm&) {
         auto* send = qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(SendWindowList[0])));
         ASSERT_NE(send, nullptr);
         send->mmSendMessage->setPlainText(QString(1500, u'あ'));
         send->btSendClick(false);
     }},
    {"FileReceiveIntoANewFolder", "指定されたフォルダが存在しません。",
     [](TMainForm& form) {
         ASSERT_NE(
             Peer->Call(QStringLiteral("FileSend"), {SmallFile(), QStringLiteral("どうぞ"),
                                                     form.PVN->MachineName(), QStringLiteral("Parvane2")}),
             QStringLiteral("0"));
         ASSERT_TRUE(WaitUntil([] { return FirstOf<TFileRecvForm>(FileRecvWindowList) != nullptr; }));
     },
     [](TMainForm&) {
         TFileRecvForm* window = FirstOf<TFileRecvForm>(FileRecvWindowList);
         ASSERT_NE(window, nullptr);
         window->mmRecvFile->setText(Folder + QStringLiteral("/新しいフォルダ/offer.txt"));
         window->btRecvClick();
     }},
    {"FileSendToAnAwayPeer", "送信先は現在不在中です。",
     [](TMainForm& form) {
         ASSERT_TRUE(Peer->Set(QStringLiteral("Absence"), QStringLiteral("1")));
         ASSERT_NE(Peer->Call(QStringLiteral("InformationUpdate")), QStringLiteral("?"));
         const QString sPeer = Peer->Get(QStringLiteral("MachineName"));
         ASSERT_TRUE(WaitUntil([&] {
             for (int i = 0; i < form.PVN->LoginCount(); ++i)
                 if (form.PVN->GetLoginUser(i).Machine == sPeer && form.PVN->GetLoginUser(i).Absence)
                     return true;
             return false;
         }));
         form.Windows->FileSendFormShow(SmallFile(),
                                        {QStringLiteral("Peer"), sPeer, QStringLiteral("Parvane2")});
         ASSERT_NE(FirstOf<TFileSendForm>(FileSendWindowList), nullptr);
     },
     [](TMainForm&) {
         TFileSendForm* window = FirstOf<TFileSendForm>(FileSendWindowList);
         ASSERT_NE(window, nullptr);
         window->btSendClick();
     }},
};

class ProgramEndTest : public MainFormLanFixture, public testing::WithParamInterface<TAskingCase> {
protected:
    QString IniPath() const { return FDir.filePath(QStringLiteral("Parvane2.INI")); }
};

TEST_P(ProgramEndTest, ASignalWhileAQuestionIsOpenEndsTheProgramLoggedOutWithItsSettingsWritten)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, QStringLiteral("Peer")));
    ASSERT_TRUE(WaitUntil([&] { return form.PVN->LoginCount() == 2; }));
    Peer = &peer;
    Folder = FDir.path();
    GetParam().setup(form);
    ASSERT_FALSE(HasFatalFailure());
    form.OnTerminate = TMainForm::LoopsEnd;
    peer.ForgetEvents();

    const auto end = std::make_unique<TProgramEnd>(form);
    // Without its handler the signal would end the test program itself.
    ASSERT_TRUE(end->SignalsInstalled());
    MessageBox::SetAnswerer({});
    bool bAsked = false;
    bool bSignalled = false;
    QStringList slOpenAtTheSignal;
    QTimer::singleShot(0, &form, [&] {
        bAsked = true;
        GetParam().ask(form);
    });
    QTimer signal;
    signal.setInterval(20);
    QObject::connect(&signal, &QTimer::timeout, [&] {
        if (bSignalled || TestSupport::OpenBoxes().isEmpty())
            return;
        bSignalled = true;
        slOpenAtTheSignal = TestSupport::OpenBoxTexts();
        ::kill(::getpid(), SIGTERM);
    });
    signal.start();
    // A program that does not end is ended here, and the test fails.
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stuck.start(30000);
    const int iEnded = QApplication::exec();
    stuck.stop();
    signal.stop();
    EXPECT_TRUE(bAsked);
    EXPECT_TRUE(bSignalled);
    ASSERT_EQ(slOpenAtTheSignal.size(), 1);
    EXPECT_TRUE(slOpenAtTheSignal[0].startsWith(QString::fromUtf8(GetParam().question)))
        << qPrintable(slOpenAtTheSignal[0]);
    EXPECT_EQ(iEnded, 0);
    EXPECT_TRUE(TestSupport::OpenBoxes().isEmpty());
    EXPECT_FALSE(form.PVN->LoginStates());
    const std::optional<QStringList> logout = peer.WaitEvent(QStringLiteral("OnLogout"));
    ASSERT_TRUE(logout.has_value());
    EXPECT_EQ(logout->value(1), form.PVN->MachineName());

    // As the program's main does once its loop has returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FForm.reset();
    LogWriteWait();
    EXPECT_EQ(ChatForm, nullptr);
    EXPECT_EQ(OptionForm, nullptr);
    EXPECT_EQ(LogForm, nullptr);
    EXPECT_TRUE(IniFile(IniPath()).ValueExists(QStringLiteral("MainWindow"), QStringLiteral("Width")));
    Peer = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Questions, ProgramEndTest, testing::ValuesIn(kAskingCases),
                         [](const testing::TestParamInfo<TAskingCase>& info) {
                             return std::string(info.param.name);
                         });

// A quit that does not come through the program's own close, as the session
// manager's at the end of the session, closes as the session's end does: no
// question whatever waits, logged out, the settings written; also while the
// window is hidden in the tray.
class ProgramQuitTest : public MainFormLanFixture, public testing::WithParamInterface<bool> {};

TEST_P(ProgramQuitTest, AQuitOfTheApplicationLogsOutWithoutQuestionsAndTheSettingsAreWritten)
{
    const bool bShown = GetParam();
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    if (bShown)
        form.show();
    MessageRecvQueue.Append({"本文", "000000000001", false, "花子", "PVHOST9", "Parvane2", "t"});
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, QStringLiteral("Peer")));
    ASSERT_TRUE(WaitUntil([&] { return form.PVN->LoginCount() == 2; }));
    peer.ForgetEvents();
    form.OnTerminate = TMainForm::LoopsEnd;
    const auto end = std::make_unique<TProgramEnd>(form);
    QTimer::singleShot(0, end.get(), [] { QCoreApplication::quit(); });
    QTimer stuck;
    stuck.setSingleShot(true);
    QObject::connect(&stuck, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    stuck.start(30000);
    EXPECT_EQ(QApplication::exec(), 0);
    stuck.stop();
    EXPECT_FALSE(form.PVN->LoginStates());
    EXPECT_TRUE(form.Closing());
    // The main window's close questions all end so.
    for (const QString& sAsked : BoxTexts())
        EXPECT_FALSE(sAsked.contains(QStringLiteral("終了してもよろしいですか？"))) << qPrintable(sAsked);
    const std::optional<QStringList> logout = peer.WaitEvent(QStringLiteral("OnLogout"));
    ASSERT_TRUE(logout.has_value());
    EXPECT_EQ(logout->value(1), form.PVN->MachineName());
    FForm.reset();
    EXPECT_TRUE(IniFile(FDir.filePath(QStringLiteral("Parvane2.INI")))
                    .ValueExists(QStringLiteral("MainWindow"), QStringLiteral("Width")));
}

INSTANTIATE_TEST_SUITE_P(Window, ProgramQuitTest, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Shown" : "HiddenInTheTray");
                         });

// The session manager's request to save keeps the settings and the log and ends
// nothing: the log-out may still be cancelled.
TEST_F(MainFormLanFixture, TheRequestToSaveSavesAndTheProgramGoesOn)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    int iTerminated = 0;
    form.OnTerminate = [&iTerminated] { ++iTerminated; };
    form.resize(432, 210);
    CustomizeLog = true;
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("保存前"));
    const QString sIni = FDir.filePath(QStringLiteral("Parvane2.INI"));
    ASSERT_FALSE(IniFile(sIni).ValueExists(QStringLiteral("MainWindow"), QStringLiteral("Width")));
    TProgramEnd end(form);
    end.CommitData();
    EXPECT_EQ(iTerminated, 0);
    EXPECT_TRUE(form.PVN->LoginStates());
    EXPECT_FALSE(form.Closing());
    EXPECT_EQ(IniFile(sIni).ReadInteger(QStringLiteral("MainWindow"), QStringLiteral("Width"), -1),
              form.frameGeometry().width());
    QFile log(FDir.filePath(QStringLiteral("Parvane2.LOG")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QList<TLogRecord> records = LogRecordsRead(log.readAll());
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].sText, QStringLiteral("保存前"));
}

// Another copy of the program is rewriting the log when the desktop asks to save:
// the record written just before the request is in the file when the save returns,
// however long the other copy holds the log.
TEST_F(MainFormLanFixture, TheRequestToSaveReturnsWithTheLastRecordInTheLog)
{
    auto [windows, calls] = TestSupport::RecordingWindowsMade();
    TMainForm& form = Start(std::move(windows));
    ASSERT_TRUE(OwnRowListed());
    CustomizeLog = true;
    // The other copy's hold on the log's folder, let go only once the save waits for the log.
    int iOtherCopy = ::open(QFile::encodeName(FDir.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(iOtherCopy, 0);
    ASSERT_EQ(::flock(iOtherCopy, LOCK_EX | LOCK_NB), 0);
    const auto letGo = [&iOtherCopy] {
        if (iOtherCopy >= 0)
            ::close(iOtherCopy);
        iOtherCopy = -1;
    };
    calls->BeforeCall = [&](const TestSupport::WindowCall& call) {
        if (call.sRoutine == QStringLiteral("LogWriteWait"))
            letGo();
    };
    LogWrite(LogKindMessageRecv, QStringLiteral("花子"), QStringLiteral("太郎"), QStringLiteral("保存直前"));
    TProgramEnd end(form);
    end.CommitData();
    QFile log(FDir.filePath(QStringLiteral("Parvane2.LOG")));
    const QList<TLogRecord> atReturn =
        log.open(QIODevice::ReadOnly) ? LogRecordsRead(log.readAll()) : QList<TLogRecord>();
    letGo();
    calls->BeforeCall = nullptr;
    LogWriteWait();
    ASSERT_EQ(atReturn.size(), 1);
    EXPECT_EQ(atReturn[0].sText, QStringLiteral("保存直前"));
    EXPECT_TRUE(BoxTexts().isEmpty());
}

} // namespace
