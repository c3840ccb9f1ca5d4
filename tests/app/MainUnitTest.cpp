// The main window against settings files of its own, inside host 1 of a test LAN.
#include "MainUnit.h"

#include "../platform/FileSaves.h"
#include "../platform/SmallDisk.h"
#include "AbsenceUnit.h"
#include "AnsiCodePage.h"
#include "BrowserEngine.h"
#include "ChatText.h"
#include "ChatUnit.h"
#include "CommandLine.h"
#include "DropArrowButton.h"
#include "IEViewer.h"
#include "IniFile.h"
#include "LanSuite.h"
#include "LogFile.h"
#include "LogUnit.h"
#include "MainFormFixture.h"
#include "MainMenus.h"
#include "MessageBox.h"
#include "MessageProbe.h"
#include "NoticeUnit.h"
#include "OptionUnit.h"
#include "PeerProcess.h"
#include "RealBoxes.h"
#include "RecordSender.h"
#include "RecordingWindows.h"
#include "RecvUnit.h"
#include "SendUnit.h"
#include "SettingsStore.h"
#include "TaskIcon.h"
#include "WaitUntil.h"
#include "WindowMessage.h"
#include "WindowTest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QTreeWidget>
#include <arpa/inet.h>
#include <array>
#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool WaitFor(const std::function<bool()>& condition, int iTimeoutMs = 5000)
{
    return TestSupport::WaitUntil(condition, iTimeoutMs);
}

QByteArray FileBytes(const QString& sPath)
{
    QFile file(sPath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <bool OnLan> class MainFormTestOn : public MainFormFixtureOf<OnLan> {
protected:
    void CloseWindows() override
    {
        RecvFormRelease();
        delete NoticeForm;
    }

    QString IniPath(const QString& sName = QStringLiteral("Parvane2.INI")) const
    {
        return this->FDir.filePath(sName);
    }

    void WriteIni(const QByteArray& text, const QString& sName = QStringLiteral("Parvane2.INI")) const
    {
        QFile file(IniPath(sName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
};

// Most tests need no peer: their engine runs on a LAN of one, without root.
using MainFormTest = MainFormTestOn<false>;
// The tests that start peers, change routes or take ports run on the test LAN.
using MainFormLanTest = MainFormTestOn<true>;

TEST_F(MainFormTest, WithoutSettingsFileEverythingTakesItsDefault)
{
    TMainForm& form = Start();
    ASSERT_FALSE(form.StartFailed());
    EXPECT_FALSE(form.StartHidden());
    EXPECT_EQ(form.PVN->PortNo(), 51000);
    EXPECT_EQ(form.PVN->FTPPortNo(), 52000);
    EXPECT_EQ(form.PVN->HandleName(), QStringLiteral("PVHOST1"));
    EXPECT_TRUE(form.PVN->LoginStates());
    EXPECT_TRUE(form.miMessageOnline->isChecked());
    EXPECT_FALSE(TaskIconData.bAdded);
    EXPECT_EQ(form.lvLoginUser->SectionCount(), 8);
    EXPECT_EQ(form.lvLoginUser->SectionText(1), QStringLiteral("ステータス"));
    // The three default away kinds are offered, after the release item and a separator.
    QStringList slKinds;
    for (QAction* a : form.pmAbsence->actions())
        if (!a->isSeparator())
            slKinds << a->text();
    EXPECT_EQ(slKinds, (QStringList{"不在解除", "離席中", "外出中", "電話中"}));
    ASSERT_TRUE(OwnRowListed());
    EXPECT_TRUE(form.sbAbsence->isEnabled());
    EXPECT_TRUE(FBoxes.empty());

    FForm.reset();
    // Only the window's own section is written; the default away kinds stay in memory.
    IniFile ini(IniPath());
    EXPECT_TRUE(ini.ValueExists("MainWindow", "Width"));
    EXPECT_TRUE(ini.ValueExists("MainWindow", "Columns7"));
    EXPECT_EQ(ini.ReadInteger("MainWindow", "AlphaBlend", -1), 255);
    EXPECT_FALSE(ini.ValueExists("Option", "Absence-Title0"));
}

TEST_F(MainFormTest, StoredWindowValuesComeBackAndAreWrittenAgain)
{
    WriteIni("[MainWindow]\r\nLeft=11\r\nTop=12\r\nWidth=500\r\nHeight=300\r\nColumns0=140\r\nSortIndex=6\r\n"
             "SortUpper=0\r\nAlphaBlend=100\r\n[Option]\r\nHandleName=tester\r\nCustomizeStartLogin=0\r\n"
             "Absence-Title0=\r\n");
    TMainForm& form = Start();
    ASSERT_FALSE(form.StartFailed());
    EXPECT_EQ(form.width(), 500);
    EXPECT_EQ(form.height(), 300);
    EXPECT_EQ(form.lvLoginUser->SectionWidth(0), 140);
    EXPECT_EQ(form.lvLoginUser->SortIndex(), 6);
    EXPECT_FALSE(form.lvLoginUser->SortUpper());
    EXPECT_EQ(form.tbAlphaBlend->value(), 100);
    EXPECT_EQ(form.PVN->HandleName(), QStringLiteral("tester"));
    EXPECT_FALSE(form.PVN->LoginStates());
    // An empty first title means no away kinds at all.
    ASSERT_EQ(form.pmAbsence->actions().size(), 1);
    EXPECT_EQ(form.pmAbsence->actions()[0]->text(), QStringLiteral("（不在設定なし）"));
    EXPECT_FALSE(form.pmAbsence->actions()[0]->isEnabled());
    form.lvLoginUser->SetSectionWidth(0, 120);
    FForm.reset();
    IniFile ini(IniPath());
    EXPECT_EQ(ini.ReadInteger("MainWindow", "Columns0", -1), 120);
    EXPECT_EQ(ini.ReadInteger("MainWindow", "SortIndex", -1), 6);
    EXPECT_FALSE(ini.ReadBool("MainWindow", "SortUpper", true));
    EXPECT_EQ(ini.ReadInteger("MainWindow", "AlphaBlend", -1), 100);
}

TEST_F(MainFormTest, MultiUserModeReadsAndWritesTheUsersOwnFile)
{
    WriteIni("[AllUsers]\r\nMultiUser=1\r\n");
    TMainForm& form = Start();
    ASSERT_FALSE(form.StartFailed());
    EXPECT_FALSE(WindowsUserName.isEmpty());
    const QString sUserFile = QStringLiteral("Parvane2 -") + WindowsUserName + QStringLiteral("-.INI");
    EXPECT_EQ(FileBaseName + ".INI", IniPath(sUserFile));
    FForm.reset();
    EXPECT_TRUE(IniFile(IniPath(sUserFile)).ValueExists("MainWindow", "Width"));
    EXPECT_FALSE(IniFile(IniPath()).ValueExists("MainWindow", "Width"));
}

TEST_F(MainFormTest, CommandLinePortsReplaceTheStoredOnes)
{
    WriteIni("[Option]\r\nNetworkPort=1\r\nNetworkPortNo=53000\r\nNetworkFTPPortNo=54000\r\n");
    PortOverrideMsg = 51001;
    PortOverrideFile = 0;
    TMainForm& form = Start();
    EXPECT_EQ(form.PVN->PortNo(), 51001);
    EXPECT_EQ(form.PVN->FTPPortNo(), 0);
    EXPECT_FALSE(NetworkPort);
    FForm.reset();
    PortOverrideMsg = PortOverrideFile = -1;
    TMainForm& again = Start();
    EXPECT_EQ(again.PVN->PortNo(), 53000);
    EXPECT_EQ(again.PVN->FTPPortNo(), 54000);
}

TEST_F(MainFormLanTest, FailedServiceStartWritesNothingAndStopsNothing)
{
    // Something else listens on the file port, so the service cannot open it.
    const int iHolder = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(iHolder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(52000);
    ASSERT_EQ(bind(iHolder, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(iHolder, 1), 0);
    const QByteArray stored = "[MainWindow]\r\nLeft=3\r\nTop=4\r\nWidth=321\r\nHeight=123\r\n";
    WriteIni(stored);

    TMainForm& form = Start();
    EXPECT_TRUE(form.StartFailed());
    EXPECT_TRUE(form.StartHidden());
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].sText, QStringLiteral("ソケットサービスを開始できませんでした。\r"
                                              "TCP/IPサービスが正常に動作しているか確認してください。"));
    EXPECT_EQ(FBoxes[0].iFlags & 0xF0, MessageBox::MB_ICONWARNING);
    EXPECT_FALSE(form.PVN->LoginStates());
    FForm.reset();
    close(iHolder);
    EXPECT_EQ(FileBytes(IniPath()), stored);
    EXPECT_EQ(FBoxes.size(), 1u);
}

// Which questions the close asks for each state, and that each No keeps the program running.
struct CloseCase {
    const char* sName;
    bool bUnread;
    bool bFileSending;
    bool bChat;
    bool bCustomizeEnd;
    std::vector<int> answers;
    QStringList slAsked;
    bool bCloses;
};

const QString kUnread = QStringLiteral("閲覧していないメッセージがあります。終了してもよろしいですか？");
const QString kFile = QStringLiteral("現在、ファイル転送中です。終了してもよろしいですか？");
const QString kChat = QStringLiteral("現在、チャットへログイン中です。終了してもよろしいですか？");
const QString kEnd = QStringLiteral("終了してもよろしいですか？");
constexpr int Y = MessageBox::IDYES;
constexpr int N = MessageBox::IDNO;

class CloseQuestions : public MainFormTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(CloseQuestions, AskedInOrder)
{
    const CloseCase& c = GetParam();
    WriteIni(QByteArray("[Option]\r\nCustomizeEnd=") + (c.bCustomizeEnd ? "1" : "0") + "\r\n");
    TMainForm& form = Start();
    ASSERT_FALSE(form.StartFailed());
    ASSERT_TRUE(OwnRowListed());
    if (c.bUnread)
        MessageRecvQueue.Append({"text", "000000000001", false, "h", "PVHOST2", "Parvane2", "t"});
    // Two file windows: only the second is sending, which must still be noticed.
    FileSendWindowList = {QStringLiteral("900001&|0&|")};
    if (c.bFileSending)
        FileSendWindowList << QStringLiteral("900002&|17&|");
    if (c.bChat) {
        ASSERT_TRUE(form.PVN->ChatLogin());
    }
    FAnswers.assign(c.answers.begin(), c.answers.end());
    FBoxes.clear();
    EXPECT_EQ(form.FormClose(), c.bCloses);
    EXPECT_EQ(BoxTexts(), c.slAsked);
    // The unread and chat questions default to No, the other two to Yes.
    for (const MessageBox::Request& box : FBoxes)
        EXPECT_EQ(box.iFlags,
                  box.sText == kUnread || box.sText == kChat
                      ? MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION | MessageBox::MB_DEFBUTTON2
                      : MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION)
            << box.sText.toStdString();
    EXPECT_EQ(form.PVN->LoginStates(), !c.bCloses);
}

const CloseCase kCloseCases[] = {
    {"PlainQuestionYes", false, false, false, true, {Y}, {kEnd}, true},
    {"PlainQuestionNo", false, false, false, true, {N}, {kEnd}, false},
    {"NoQuestionWithoutCustomizeEnd", false, false, false, false, {}, {}, true},
    {"UnreadNo", true, false, false, true, {N}, {kUnread}, false},
    {"UnreadYesSkipsThePlainQuestion", true, false, false, true, {Y}, {kUnread}, true},
    {"FileThenPlain", false, true, false, true, {Y, Y}, {kFile, kEnd}, true},
    {"FileNo", false, true, false, true, {N}, {kFile}, false},
    {"FileYesPlainNo", false, true, false, true, {Y, N}, {kFile, kEnd}, false},
    {"UnreadAndChat", true, false, true, true, {Y, Y}, {kUnread, kChat}, true},
    {"ChatNo", false, false, true, false, {N}, {kChat}, false},
    {"AllThreeLastNo", true, true, true, true, {Y, Y, N}, {kUnread, kFile, kChat}, false},
};

INSTANTIATE_TEST_SUITE_P(MainForm, CloseQuestions, testing::ValuesIn(kCloseCases),
                         [](const testing::TestParamInfo<CloseCase>& info) { return info.param.sName; });

// The question flags: unread and chat default to No, the others to Yes.
TEST_F(MainFormTest, UnreadAndChatQuestionsDefaultToNo)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    MessageRecvQueue.Append({"text", "000000000001", false, "h", "PVHOST2", "Parvane2", "t"});
    ASSERT_TRUE(form.PVN->ChatLogin());
    FAnswers = {N};
    EXPECT_FALSE(form.FormClose());
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].iFlags & TestSupport::BoxShapeMask,
              MessageBox::MB_YESNO | MessageBox::MB_ICONQUESTION | MessageBox::MB_DEFBUTTON2);
}

// The end of the session closes as a close does once it is decided: no question
// however much is waiting, logged out, the windows let go, the loops ended.
TEST_F(MainFormTest, TheSessionsEndAsksNothingLogsOutAndEndsTheLoops)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    int iTerminated = 0;
    form.OnTerminate = [&iTerminated] { ++iTerminated; };
    MessageRecvQueue.Append({"text", "000000000001", false, "h", "PVHOST2", "Parvane2", "t"});
    FileSendWindowList = {QStringLiteral("900002&|17&|")};
    ASSERT_TRUE(form.PVN->ChatLogin());
    form.SessionEnd();
    EXPECT_TRUE(FBoxes.empty());
    EXPECT_FALSE(form.PVN->LoginStates());
    EXPECT_TRUE(form.Closing());
    EXPECT_EQ(iTerminated, 1);
}

using TestSupport::RecordingWindowsMade;
using TestSupport::WindowCalls;

// The messages' road as the recording windows saw it: the receive window is the
// real one; the log's routines, the notices and the effects of events are
// recorded in place of their windows.
struct TQueueLog {
    std::shared_ptr<WindowCalls> calls;
    // The number waiting at each arrival the receive window heard of.
    std::shared_ptr<QList<int>> waiting = std::make_shared<QList<int>>();
    // What the receive window showed: the text, and whether sealed.
    std::shared_ptr<std::vector<std::pair<QString, bool>>> shown =
        std::make_shared<std::vector<std::pair<QString, bool>>>();

    // The captions the receive window was given as messages arrived.
    QStringList Captions() const
    {
        QStringList slCaptions;
        for (const int iWaiting : *waiting)
            slCaptions << RecvWindowCaptionText(iWaiting);
        return slCaptions;
    }
    // Hears the arrivals as the receive window does.
    void Hear(TMainForm& form)
    {
        QObject::connect(&form.EngineEvents, &TEngineEvents::MessageArrived,
                         [list = waiting](int iWaiting) { list->append(iWaiting); });
    }
    QStringList Notices() const { return calls->Firsts("NoticeAdd"); }
    // The sounds and animations of the events, in order: "sound 2", "animation 1".
    QStringList Effects() const
    {
        QStringList slEffects;
        for (const TestSupport::WindowCall& call : calls->calls)
            if (call.sRoutine == "EventSoundPlay")
                slEffects << QStringLiteral("sound ") + call.args.value(0);
            else if (call.sRoutine == "MouseAnimationStart")
                slEffects << QStringLiteral("animation ") + call.args.value(0);
        return slEffects;
    }
    const std::vector<std::pair<QString, bool>>& Shown() const { return *shown; }
};

// bWindowExists: the main window is told a receive window is open before the real one is made.
std::unique_ptr<TProgramWindows> QueueWindows(TQueueLog& log, bool bWindowExists = false)
{
    QSet<QString> standIns{"LogWrite", "LogFormShow", "NoticeAdd", "EventSoundPlay", "MouseAnimationStart"};
    if (bWindowExists)
        standIns << "RecvFormExists";
    auto [windows, calls] = RecordingWindowsMade(standIns);
    calls->bRecvFormExists = true;
    log.calls = calls;
    auto bWaiting = std::make_shared<bool>(false);
    calls->BeforeCall = [bWaiting](const TestSupport::WindowCall& call) {
        if (call.sRoutine == "RecvFormShow")
            *bWaiting = !MessageRecvQueue.Empty();
    };
    calls->OnCalled = [bWaiting, shown = log.shown](const TestSupport::WindowCall& call) {
        if (call.sRoutine == "RecvFormShow" && *bWaiting && RecvForm != nullptr)
            shown->emplace_back(RecvForm->MessageText(), RecvForm->View() != TRecvView::Open);
    };
    return std::move(windows);
}

void Arrive(TMainForm& form, int i, bool bLetter = false)
{
    form.PVNMessage(form.PVN.get(), QStringLiteral("m%1").arg(i),
                    QStringLiteral("%1").arg(i, 12, 10, QChar(u'0')), bLetter, QStringLiteral("花子"),
                    QStringLiteral("PVHOST2"), QStringLiteral("Parvane2"), QStringLiteral("time"));
}

TEST_F(MainFormTest, TwoHundredFiftySeventhMessageDropsTheOldestOnce)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log, true));
    log.Hear(form);
    for (int i = 1; i <= 257; ++i)
        Arrive(form, i);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral("最大受信待機数をオーバーしました。")));
    EXPECT_EQ(MessageRecvQueue.Count(), 256);
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("m2"));
    EXPECT_EQ(MessageRecvQueue.Slot(255).sMessage, QStringLiteral("m257"));
    EXPECT_EQ(log.Captions().first(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 1>"));
    EXPECT_EQ(log.Captions().last(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 256>"));
    EXPECT_EQ(log.Notices().size(), 257);
    EXPECT_EQ(log.Notices().last(), QStringLiteral("「花子」からメッセージが届きました。"));
    EXPECT_EQ(log.calls->Count("LogWrite"), 257);
    EXPECT_TRUE(form.miMessageRecv->isEnabled());
    EXPECT_TRUE(form.tmTaskAnimation.isActive());

    form.miMessageRecvClick();
    ASSERT_EQ(log.Shown().size(), 1u);
    EXPECT_EQ(log.Shown()[0].first, QStringLiteral("m2"));
    EXPECT_FALSE(log.Shown()[0].second);
    EXPECT_EQ(MessageRecvQueue.Count(), 255);
    ASSERT_NE(RecvForm, nullptr);
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 255>"));
}

// The overflow box shows while the oldest message is still there; it lets a further
// message in, which takes its slot before the message that raised the box, and
// neither is lost.
TEST_F(MainFormTest, MessageArrivingDuringTheOverflowBoxIsKept)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log));
    for (int i = 1; i <= 256; ++i)
        Arrive(form, i);
    bool bNested = false;
    QStringList slHeadsAtTheBoxes;
    MessageBox::SetAnswerer([&](const MessageBox::Request&) {
        slHeadsAtTheBoxes << MessageRecvQueue.Head().sMessage;
        if (!bNested) {
            bNested = true;
            Arrive(form, 258);
        }
        return MessageBox::IDOK;
    });
    Arrive(form, 257);
    EXPECT_EQ(slHeadsAtTheBoxes, (QStringList{"m1", "m1"}));
    EXPECT_EQ(MessageRecvQueue.Count(), 256);
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("m3"));
    EXPECT_EQ(MessageRecvQueue.Slot(254).sMessage, QStringLiteral("m258"));
    EXPECT_EQ(MessageRecvQueue.Slot(255).sMessage, QStringLiteral("m257"));
}

// Arrivals go on while the overflow warning is open, as the engine's events run
// inside any loop: one warning shows however many messages drop, every arrival is
// handled while it is open, and once it is closed the next overflow shows it again.
TEST_F(MainFormTest, AFloodPastTheFullQueueKeepsOneWarningOpenAndGoesOnReceiving)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log));
    for (int i = 1; i <= 256; ++i)
        Arrive(form, i);
    MessageBox::SetAnswerer({});
    int iArrived = 256;
    qsizetype iMostOpen = 0;
    QStringList slOpenAtTheEnd;
    EXPECT_TRUE(TestSupport::RunLoopUntil([&] {
        if (iArrived < 320)
            Arrive(form, ++iArrived);
        iMostOpen = qMax(iMostOpen, TestSupport::OpenBoxes().size());
        if (iArrived < 320)
            return false;
        if (slOpenAtTheEnd.isEmpty())
            slOpenAtTheEnd = TestSupport::OpenBoxTexts();
        return true;
    }));
    EXPECT_EQ(iMostOpen, 1);
    ASSERT_EQ(slOpenAtTheEnd.size(), 1);
    EXPECT_TRUE(slOpenAtTheEnd[0].startsWith(QStringLiteral("最大受信待機数をオーバーしました。")));
    EXPECT_EQ(log.Notices().size(), 320);
    EXPECT_EQ(MessageRecvQueue.Count(), 256);
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("m65"));
    EXPECT_EQ(MessageRecvQueue.Slot(255).sMessage, QStringLiteral("m320"));

    qsizetype iOpenAgain = 0;
    EXPECT_TRUE(TestSupport::RunLoopUntil([&] {
        if (iArrived == 320)
            Arrive(form, ++iArrived);
        iOpenAgain = TestSupport::OpenBoxes().size();
        return iOpenAgain > 0;
    }));
    EXPECT_EQ(iOpenAgain, 1);
}

TEST_F(MainFormTest, AnArrivingMessagePlaysItsSoundThenThePointerAnimationOfTheSetting)
{
    const struct {
        const char* sSetting;
        QStringList slEffects;
    } cases[] = {
        {"AnimationMouse=0", {"sound 2"}},
        {"AnimationMouse=2", {"sound 2", "animation 2"}},
        {"AnimationMouse=3", {"sound 2", "animation 3"}},
        {"", {"sound 2", "animation 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sSetting);
        WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n" + QByteArray(c.sSetting) + "\r\n");
        TQueueLog log;
        TMainForm& form = Start(QueueWindows(log));
        Arrive(form, 1);
        EXPECT_EQ(log.Effects(), c.slEffects);
        FForm.reset();
        MessageRecvQueue.Clear();
    }
}

// Messages that keep arriving do not hold the animation at its first frame.
TEST_F(MainFormTest, ArrivalsDuringTheTrayAnimationLetItRunOn)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeTaskTray=1\r\nAnimationTaskTrayIcon=2\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log, true));
    Arrive(form, 1);
    ASSERT_TRUE(form.tmTaskAnimation.isActive());
    // Closer together than the animation's interval.
    for (int i = 2; i <= 200 && form.tmTaskAnimationTag == 0; ++i) {
        WaitFor([] { return false; }, TMainForm::TaskAnimationIntervalMs / 5);
        Arrive(form, i);
    }
    EXPECT_GT(form.tmTaskAnimationTag, 0);
}

// The state panel opens the away menu on the release of any mouse button, while
// logged in; its arrow shows only then.
TEST_F(MainFormTest, TheStatePanelOpensTheAwayMenuWithAnyButtonWhileLoggedIn)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.resize(800, 300);
    form.show();
    auto arrowDrawn = [&form] {
        // The panel takes its new text's width once the layout has run.
        QCoreApplication::processEvents();
        const QImage image = form.sbPanelState->grab().toImage();
        const QPoint at = form.sbPanelState->ArrowOrigin() + QPoint(2, 0);
        EXPECT_TRUE(image.rect().contains(at));
        return image.pixelColor(at) == form.sbPanelState->palette().color(QPalette::ButtonText);
    };
    EXPECT_TRUE(arrowDrawn());
    for (const Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        const QPointF at(5, 5);
        QMouseEvent press(QEvent::MouseButtonPress, at, form.sbPanelState->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(form.sbPanelState, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, form.sbPanelState->mapToGlobal(at), button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(form.sbPanelState, &release);
        EXPECT_TRUE(form.pmAbsence->isVisible()) << button;
        EXPECT_FALSE(form.pmRight->isVisible()) << button;
        form.pmAbsence->close();
    }
    form.miMessageOnlineClick();
    ASSERT_FALSE(form.PVN->LoginStates());
    EXPECT_FALSE(arrowDrawn());
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5),
                        form.sbPanelState->mapToGlobal(QPoint(5, 5)), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(form.sbPanelState, &release);
    EXPECT_FALSE(form.pmAbsence->isVisible());
}

TEST_F(MainFormTest, ShowingEveryMessageStopsTheAnimationAndStillsTheIcon)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeTaskTray=1\r\nAnimationTaskTrayIcon=2\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log, true));
    EXPECT_TRUE(TaskIconData.bAdded);
    EXPECT_EQ(TaskIconData.iIconIndex, 17);
    Arrive(form, 1);
    Arrive(form, 2, true);
    form.tmTaskAnimationTimer();
    form.tmTaskAnimationTimer();
    EXPECT_EQ(TaskIconData.iIconIndex, 18);

    form.miMessageRecvClick();
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
    EXPECT_TRUE(form.tmTaskAnimation.isActive());
    // A letter is shown sealed and stays until it is opened.
    ASSERT_NE(RecvForm, nullptr);
    RecvForm->btNextClick();
    form.miMessageRecvClick();
    ASSERT_EQ(log.Shown().size(), 2u);
    EXPECT_TRUE(log.Shown()[1].second);
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
    RecvForm->btLetterOpenClick();
    EXPECT_TRUE(MessageRecvQueue.Empty());
    EXPECT_FALSE(form.tmTaskAnimation.isActive());
    EXPECT_EQ(form.tmTaskAnimationTag, 0);
    EXPECT_EQ(TaskIconData.iIconIndex, 17);
    EXPECT_FALSE(form.miMessageRecv->isEnabled());
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2"));

    // Nothing waits: showing does nothing.
    form.miMessageRecvClick();
    EXPECT_EQ(log.Shown().size(), 2u);
}

TEST_F(MainFormTest, TrayClickOpensTheNextMessageUnlessAModalBoxIsOpen)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log));
    Arrive(form, 1);
    Arrive(form, 2);
    {
        QDialog modal;
        modal.setWindowModality(Qt::ApplicationModal);
        modal.show();
        ASSERT_TRUE(WaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
        form.WMTaskTray(TMainForm::TTrayMouse::LeftDown);
        form.WMHotKey(TMainForm::HotKeyRecv);
        EXPECT_TRUE(log.Shown().empty());
    }
    form.WMHotKey(TMainForm::HotKeyRecv);
    form.WMTaskTray(TMainForm::TTrayMouse::LeftDown);
    ASSERT_EQ(log.Shown().size(), 2u);
    EXPECT_EQ(log.Shown()[1].first, QStringLiteral("m2"));
    EXPECT_FALSE(form.miMessageRecv->isEnabled());
}

// The file receive window replaced by a record of the offers it was opened for.
std::unique_ptr<TProgramWindows> OfferWindowsInto(std::shared_ptr<WindowCalls>& offers)
{
    auto [windows, calls] = RecordingWindowsMade({"FileRecvFormShow"});
    offers = calls;
    return std::move(windows);
}

// The offer's window answers it through the engine; the event itself waits for nothing.
TEST_F(MainFormTest, AnOfferOpensItsWindowAndTheEventReturnsAtOnce)
{
    std::shared_ptr<WindowCalls> offers;
    TMainForm& form = Start(OfferWindowsInto(offers));
    QString sFileName = QStringLiteral("a.txt");
    bool bCancel = false;
    form.PVNFileRecvStart(form.PVN.get(), 7, "花子", "PVHOST2", "Parvane2", sFileName, 10, "", bCancel);
    EXPECT_FALSE(bCancel);
    EXPECT_TRUE(sFileName.isEmpty());
    EXPECT_EQ(offers->Firsts("FileRecvFormShow"), QStringList{QStringLiteral("a.txt")});
}

TEST_F(MainFormTest, AnOfferWhileTheProgramClosesIsRefused)
{
    WriteIni("[Option]\r\nCustomizeEnd=0\r\n");
    std::shared_ptr<WindowCalls> offers;
    TMainForm& form = Start(OfferWindowsInto(offers));
    bool bTerminated = false;
    form.OnTerminate = [&] { bTerminated = true; };
    form.close();
    ASSERT_TRUE(bTerminated);
    QString sFileName = QStringLiteral("a.txt");
    bool bCancel = false;
    form.PVNFileRecvStart(form.PVN.get(), 7, "花子", "PVHOST2", "Parvane2", sFileName, 10, "", bCancel);
    EXPECT_TRUE(bCancel);
    EXPECT_EQ(offers->Count("FileRecvFormShow"), 0);
}

TEST_F(MainFormTest, OfferRefusedBySettingsOnlyWhileAway)
{
    WriteIni("[Option]\r\nSecurityFileRecvCancel=1\r\nSecurityFileRecvCancelAbsence=1\r\n");
    std::shared_ptr<WindowCalls> offers;
    TMainForm& form = Start(OfferWindowsInto(offers));
    QString sFileName = QStringLiteral("a.txt");
    bool bCancel = false;
    form.PVNFileRecvStart(form.PVN.get(), 7, "花子", "PVHOST2", "Parvane2", sFileName, 10, "", bCancel);
    EXPECT_FALSE(bCancel);
    form.PVN->SetAbsence(true);
    sFileName = QStringLiteral("b.txt");
    form.PVNFileRecvStart(form.PVN.get(), 8, "花子", "PVHOST2", "Parvane2", sFileName, 10, "", bCancel);
    EXPECT_TRUE(bCancel);
    EXPECT_EQ(offers->Firsts("FileRecvFormShow"), QStringList{QStringLiteral("a.txt")});
}

// Offers refused because too many wait are this copy's doing, and the user is told so
// in the program's own word for a refusal made without asking.
TEST_F(MainFormTest, AnOfferRefusedForTheCapIsToldAsTheReceiversOwnLimit)
{
    TMainForm& form = Start();
    ASSERT_TRUE(form.PVN->OnErrorFileRecvOverflow);
    form.PVN->OnErrorFileRecvOverflow(form.PVN.get());
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_TRUE(FBoxes[0].sText.startsWith(QStringLiteral(
        "受信を待っているファイルが多すぎるため、新しく届いたファイルの受信を自動的に拒否しました。\r")))
        << FBoxes[0].sText.toStdString();
    EXPECT_FALSE(FBoxes[0].sText.contains(QStringLiteral("送信")));
}

TEST_F(MainFormTest, FileEventsReachTheFirstWindowOfTheirSocket)
{
    struct TProbe : QObject {
        std::vector<std::tuple<unsigned, WPARAM, LPARAM>> got;
        bool event(QEvent* e) override
        {
            if (e->type() != WindowMessage::Event::EventType())
                return QObject::event(e);
            auto* m = static_cast<WindowMessage::Event*>(e);
            got.emplace_back(m->Msg, m->wParam, m->lParam);
            return true;
        }
    } first, second, sender;
    TMainForm& form = Start();
    const HWND h1 = WindowMessage::HandleOf(&first);
    const HWND h2 = WindowMessage::HandleOf(&second);
    const HWND h3 = WindowMessage::HandleOf(&sender);
    FileRecvWindowList = {FileWindowListEntry(h1, 5), FileWindowListEntry(h2, 5)};
    FileSendWindowList = {FileWindowListEntry(h3, 9)};
    form.PVN->OnFileRecving(form.PVN.get(), 5, "", "", "", "", 1, 3);
    form.PVN->OnFileRecving(form.PVN.get(), 5, "", "", "", "", 5, 0);
    form.PVN->OnErrorFileRecv(form.PVN.get(), 5, "", "", "", "", 2);
    form.PVN->OnFileRecvEnd(form.PVN.get(), 6, "", "", "", "");
    form.PVN->OnFileSendSocketChange(form.PVN.get(), 9, 12);
    form.PVN->OnFileSending(form.PVN.get(), 12, "", "", "", "", 999, 1000);
    using M = std::tuple<unsigned, WPARAM, LPARAM>;
    EXPECT_EQ(first.got,
              (std::vector<M>{{WM_FILERECVING, 0, 33}, {WM_FILERECVING, 0, 100}, {WM_ERRORFILERECV, 0, 2}}));
    EXPECT_TRUE(second.got.empty());
    EXPECT_EQ(sender.got, (std::vector<M>{{WM_FILESENDSOCKETCHANGE, 12, 0}, {WM_FILESENDING, 0, 99}}));
    EXPECT_EQ(WindowListSocket(FileSendWindowList[0]), 12);
}

using TMessageProbe = TestSupport::MessageProbe;

// Every registered window hears the close, not only the first of its list.
TEST_F(MainFormTest, ClosingTellsEveryRegisteredWindow)
{
    WriteIni("[Option]\r\nCustomizeEnd=0\r\n");
    TMainForm& form = Start();
    std::array<TMessageProbe, 8> probes;
    std::array<HWND, 8> h{};
    for (size_t i = 0; i < probes.size(); ++i)
        h[i] = WindowMessage::HandleOf(&probes[i]);
    SendWindowList = {WindowListEntry(h[0]), WindowListEntry(h[1])};
    AbsenceWindowList = {WindowListEntry(h[2]), WindowListEntry(h[3])};
    FileSendWindowList = {FileWindowListEntry(h[4], 0), FileWindowListEntry(h[5], 0)};
    FileRecvWindowList = {FileWindowListEntry(h[6], 3), FileWindowListEntry(h[7], 4)};
    ASSERT_TRUE(form.FormClose());
    using M = std::tuple<unsigned, WPARAM, LPARAM>;
    for (int i : {0, 1, 2, 3})
        EXPECT_EQ(probes[i].got, (std::vector<M>{{WM_CLOSE, 0, 0}})) << i;
    for (int i : {4, 5})
        EXPECT_EQ(probes[i].got, (std::vector<M>{{WM_ERRORFILESEND, 0, 2}})) << i;
    for (int i : {6, 7})
        EXPECT_EQ(probes[i].got, (std::vector<M>{{WM_ERRORFILERECV, 0, 1}})) << i;
}

TEST_F(MainFormTest, MessageWithoutSenderMachineIsNotQueued)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    form.PVNMessage(form.PVN.get(), "text", "000000000001", false, "h", "", "Parvane2", "t");
    EXPECT_TRUE(MessageRecvQueue.Empty());
    EXPECT_FALSE(form.miMessageRecv->isEnabled());
}

// The program's own wiring: an arriving message goes to the log, the log command
// opens the viewer, and closing the main window frees it.
TEST_F(MainFormTest, ArrivingMessagesAreLoggedAndTheViewerGoesWithTheMainWindow)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nHandleName=Taro\r\n");
    TMainForm& form = Start();
    Arrive(form, 1);
    LogWriteWait();
    const QList<TLogRecord> records = LogRecordsRead(FileBytes(FDir.filePath("Parvane2.LOG")));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].sKind, QStringLiteral("メッセージ受信"));
    EXPECT_EQ(records[0].sFrom, QStringLiteral("花子"));
    EXPECT_EQ(records[0].sTo, QStringLiteral("Taro"));
    EXPECT_EQ(records[0].sText, QStringLiteral("m1"));

    form.miToolLogClick();
    ASSERT_NE(LogForm, nullptr);
    EXPECT_EQ(LogForm->RecordCount(), 1);
    MessageRecvQueue.Clear();
    FAnswers = {MessageBox::IDYES};
    EXPECT_TRUE(form.FormClose());
    EXPECT_EQ(LogForm, nullptr);
    EXPECT_TRUE(IniFile(IniPath()).ValueExists("LogWindow", "Width"));
}

TEST_F(MainFormTest, WithTheLogOffNothingIsWritten)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeLog=0\r\n");
    TMainForm& form = Start();
    Arrive(form, 1);
    LogWriteWait();
    EXPECT_FALSE(QFile::exists(FDir.filePath("Parvane2.LOG")));
    EXPECT_EQ(MessageRecvQueue.Count(), 1);
}

// A peer in host 2 of the LAN logs in, goes away and logs out; its row follows.
TEST_F(MainFormLanTest, PeerRowAppearsChangesAndDisappears)
{
    // The notices and the sounds of the events are recorded in place of showing and playing them.
    auto [windows, calls] = RecordingWindowsMade({"NoticeAdd", "EventSoundPlay"});
    TMainForm& form = Start(std::move(windows));
    ASSERT_TRUE(OwnRowListed());
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, QStringLiteral("花子")));
    ASSERT_TRUE(WaitFor([&] { return form.LoginUserFind("PVHOST2", "Parvane2") != nullptr; }));
    TListItem* row = form.LoginUserFind("PVHOST2", "Parvane2");
    EXPECT_EQ(row->Caption(), QStringLiteral("花子"));
    EXPECT_EQ(row->SubItems(), (QStringList{"オンライン", "-------", "サポート", "メッセージ", "Parvane2",
                                            "PVHOST2", FLan->Address(1)}));
    EXPECT_EQ(row->ImageIndex(), 8);
    EXPECT_EQ(calls->Firsts("NoticeAdd"), QStringList{QStringLiteral("「花子」がログインしました。")});
    EXPECT_EQ(form.lvLoginUser->ItemCount(), 2);
    // The user menus of the tray and the hot keys follow the engine's table, the own copy included.
    QStringList slMenu;
    for (QAction* a : form.pmHotKeySend->actions())
        slMenu << a->text();
    slMenu.sort();
    EXPECT_EQ(slMenu, (QStringList{"PVHOST1<PVHOST1>", "花子<PVHOST2>"}));
    EXPECT_EQ(form.pmHotKeyFileSend->actions().size(), 2);

    ASSERT_TRUE(peer.Set("AbsenceTitle", "電話中"));
    ASSERT_TRUE(peer.Set("Absence", "1"));
    ASSERT_EQ(peer.Call("InformationUpdate"), "1");
    ASSERT_TRUE(
        WaitFor([&] { return form.LoginUserFind("PVHOST2", "Parvane2")->SubItems().value(0) == "電話中"; }));
    EXPECT_EQ(form.LoginUserFind("PVHOST2", "Parvane2")->ImageIndex(), 9);
    EXPECT_EQ(calls->Firsts("NoticeAdd").last(), QStringLiteral("「花子」が不在状態(電話中)になりました。"));

    ASSERT_EQ(peer.Call("Logout"), "1");
    ASSERT_TRUE(WaitFor([&] { return form.LoginUserFind("PVHOST2", "Parvane2") == nullptr; }));
    EXPECT_EQ(calls->Firsts("NoticeAdd").last(), QStringLiteral("「花子」がログアウトしました。"));
    EXPECT_EQ(calls->Firsts("EventSoundPlay").front(), "0");
    EXPECT_EQ(calls->Firsts("EventSoundPlay").back(), "1");
    EXPECT_EQ(form.lvLoginUser->ItemCount(), 1);
}

// Counts the items put into a menu, whoever puts them there.
class ActionsAddedCount : public QObject {
public:
    explicit ActionsAddedCount(QMenu* menu) { menu->installEventFilter(this); }
    int iAdded = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::ActionAdded)
            ++iAdded;
        return false;
    }
};

QStringList MenuTexts(const QMenu* menu)
{
    QStringList slTexts;
    for (const QAction* a : menu->actions())
        slTexts << a->text();
    return slTexts;
}

// Peers that answer in one burst are taken in one turn of the event loop: the list is
// sorted, the user menus of the tray and the hot keys are made and the counts are
// written once for all of them, and all of it as each row alone would leave it.
TEST_F(MainFormTest, AnswersOfOneTurnAreSortedAndPutInTheMenusOnce)
{
    WriteIni("[Option]\r\nHandleName=A\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    ASSERT_TRUE(WaitFor([&] { return MenuTexts(form.pmHotKeySend) == QStringList{"A<PVHOST1>"}; }));
    ActionsAddedCount added(form.pmHotKeySend);
    int iSorts = 0;
    QTreeWidget* rows = form.lvLoginUser->findChild<QTreeWidget*>();
    ASSERT_NE(rows, nullptr);
    QObject::connect(rows->model(), &QAbstractItemModel::layoutChanged, &form, [&] { ++iSorts; });

    // In reverse order, so the list has to be sorted; every fourth peer is away.
    constexpr int kPeers = 20;
    for (int i = kPeers; i >= 1; --i) {
        const QString ip = QStringLiteral("198.18.4.%1").arg(i);
        const QString sAway = i % 4 == 0 ? QStringLiteral("1&|0&|0&|52000&|%1\r\n&|会議中")
                                         : QStringLiteral("0&|0&|0&|52000&|%1\r\n&|");
        TParvaneNetworkLoopback::Arrive(*form.PVN, ip,
                                        QStringLiteral("PVMESSAGE:LOGIN&|SIM%1&|%2&|Parvane2&|B%1&|2200&|")
                                                .arg(i, 2, 10, QChar(u'0'))
                                                .arg(ip) +
                                            sAway.arg(ip));
    }
    ASSERT_TRUE(WaitFor([&] { return form.pmHotKeySend->actions().size() == kPeers + 1; }));

    EXPECT_EQ(added.iAdded, kPeers + 1);
    EXPECT_EQ(iSorts, 1);
    QStringList slRows{"A"}, slMenu{"A<PVHOST1>"};
    for (int i = 1; i <= kPeers; ++i) {
        slRows << QStringLiteral("B%1").arg(i, 2, 10, QChar(u'0'));
        slMenu << QStringLiteral("B%1<SIM%1>").arg(i, 2, 10, QChar(u'0'));
    }
    QStringList slListed;
    for (int i = 0; i < form.lvLoginUser->ItemCount(); ++i)
        slListed << form.lvLoginUser->Item(i)->Caption();
    EXPECT_EQ(slListed, slRows);
    QStringList slHotKey = MenuTexts(form.pmHotKeySend);
    slHotKey.sort();
    EXPECT_EQ(slHotKey, slMenu);
    EXPECT_EQ(form.miTaskSend->actions().size(), kPeers + 1);
    EXPECT_EQ(form.pmHotKeyFileSend->actions().size(), kPeers + 1);
    EXPECT_EQ(form.sbPanelPresent->text(), QStringLiteral("在席: 16"));
    EXPECT_EQ(form.sbPanelAway->text(), QStringLiteral("不在: 5"));
}

TEST_F(MainFormTest, LoggingOutEmptiesTheListAndTurnsTheOwnCommandsOff)
{
    WriteIni("[Option]\r\nCustomizeTaskTray=1\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    EXPECT_EQ(TaskIconData.iIconIndex, 1);
    form.miMessageOnlineClick();
    EXPECT_FALSE(form.PVN->LoginStates());
    EXPECT_FALSE(form.miMessageOnline->isChecked());
    EXPECT_EQ(form.lvLoginUser->ItemCount(), 0);
    EXPECT_FALSE(form.sbAbsence->isEnabled());
    EXPECT_EQ(TaskIconData.iIconIndex, 17);
    ASSERT_EQ(form.pmHotKeySend->actions().size(), 1);
    EXPECT_EQ(form.pmHotKeySend->actions()[0]->text(), QStringLiteral("（なし）"));
}

// Every change of the user's state shows on the tray the same way: coloured while
// logged in and present, grey while away or logged out; the animation keeps its frames.
TEST_F(MainFormTest, TheTrayShowsTheStateAfterEveryChangeOfIt)
{
    WriteIni("[Option]\r\nCustomizeTaskTray=1\r\nAnimationTaskTrayIcon=2\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    const struct {
        const char* sStep;
        std::function<void()> step;
        int iIcon;
    } steps[] = {
        {"away", [&] { form.miOptionAbsenceClick(0); }, 17},
        {"back", [&] { form.miOptionAbsenceClick(-1); }, 1},
        {"logged out", [&] { form.miMessageOnlineClick(); }, 17},
        {"logged in", [&] { form.miMessageOnlineClick(); }, 1},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.sStep);
        s.step();
        EXPECT_TRUE(TaskIconData.bAdded);
        EXPECT_EQ(TaskIconData.iIconIndex, s.iIcon);
    }
    // While the message animation runs, a change of state leaves its frame alone.
    form.tmTaskAnimation.start();
    TaskIconSet(true, TaskIconTip, 5);
    form.miOptionAbsenceClick(0);
    EXPECT_EQ(TaskIconData.iIconIndex, 5);
    form.tmTaskAnimation.stop();
}

// Runs ip inside the host the test thread is in.
QString Ip(const QStringList& slArguments)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), slArguments);
    ip.waitForFinished(5000);
    return QString::fromLocal8Bit(ip.readAllStandardOutput()).trimmed();
}

TEST_F(MainFormLanTest, FailedReloginAfterAddressChangeLeavesTheWindowLoggedOut)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    // Without a route the announcements cannot be sent, so the new log-in fails.
    const QString sRoute = Ip({"route", "show", "default"});
    ASSERT_FALSE(sRoute.isEmpty());
    Ip({"route", "del", "default"});
    form.PVNIPAddressChange(form.PVN.get());
    Ip(QStringList{"route", "add"} + sRoute.split(u' ', Qt::SkipEmptyParts));
    ASSERT_EQ(Ip({"route", "show", "default"}), sRoute);
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].sText, QStringLiteral("ParvaneNetworkのログインに失敗しました。\r"
                                              "TCP/IPサービスが正常に動作しているか確認してください。"));
    EXPECT_FALSE(form.PVN->LoginStates());
    EXPECT_FALSE(form.miMessageOnline->isChecked());
    EXPECT_EQ(form.lvLoginUser->ItemCount(), 0);
    EXPECT_FALSE(form.sbAbsence->isEnabled());
    // The log-in command works again from there.
    form.miMessageOnlineClick();
    EXPECT_TRUE(form.PVN->LoginStates());
    EXPECT_TRUE(OwnRowListed());
}

TEST_F(MainFormTest, MenuFlagPeersAreListedOnlyByAnInformationChange)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    auto [windows, calls] = RecordingWindowsMade({"NoticeAdd"});
    TMainForm& form = Start(std::move(windows));
    form.PVNLogin(form.PVN.get(), "制御", "PVHOST9", "198.18.0.9", "Other", 1, false, "", true, false, 0);
    EXPECT_EQ(form.LoginUserFind("PVHOST9", "Other"), nullptr);
    form.PVNInfoChange(form.PVN.get(), "PVHOST9", "制御", "198.18.0.9", "Other", 1, false, "", true, false,
                       0);
    TListItem* row = form.LoginUserFind("PVHOST9", "Other");
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->SubItems().value(3), QStringLiteral("通信制御"));
    EXPECT_EQ(row->SubItems().value(2), QStringLiteral("-------"));
    EXPECT_EQ(row->ImageIndex(), 0);
    EXPECT_EQ(calls->Firsts("NoticeAdd"), QStringList{QStringLiteral("「制御」がログインしました。")});
}

TEST_F(MainFormTest, AFileDropsOnlyOnARowThatTakesFilesAndOpensTheSendWindowForIt)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    // The file send window replaced by a record of what it was opened with.
    auto [windows, calls] = RecordingWindowsMade({"FileSendFormShow"});
    TMainForm& form = Start(std::move(windows));
    form.PVNLogin(form.PVN.get(), "花子", "PVHOST2", "198.18.0.2", "Parvane2", 1, false, "", false, false,
                  52000);
    form.PVNLogin(form.PVN.get(), "次郎", "PVHOST3", "198.18.0.3", "Parvane2", 1, false, "", false, false, 0);
    TListItem* taking = form.LoginUserFind("PVHOST2", "Parvane2");
    TListItem* refusing = form.LoginUserFind("PVHOST3", "Parvane2");
    ASSERT_NE(taking, nullptr);
    ASSERT_NE(refusing, nullptr);
    ASSERT_EQ(taking->SubItems().value(2), QStringLiteral("サポート"));
    // Neither the selection nor the log-in matters.
    form.PVN->Logout();
    bool bCancel = true;
    form.lvLoginUser->OnFileDropOver(form.lvLoginUser, taking, bCancel);
    EXPECT_FALSE(bCancel);
    form.lvLoginUser->OnFileDropOver(form.lvLoginUser, refusing, bCancel);
    EXPECT_TRUE(bCancel);
    bCancel = false;
    form.lvLoginUser->OnFileDropOver(form.lvLoginUser, nullptr, bCancel);
    EXPECT_TRUE(bCancel);
    form.lvLoginUser->OnFileDrop(form.lvLoginUser, refusing, "/tmp/a.txt");
    EXPECT_EQ(calls->Count("FileSendFormShow"), 0);
    form.lvLoginUser->OnFileDrop(form.lvLoginUser, taking, "/tmp/a.txt");
    EXPECT_EQ(calls->Of("FileSendFormShow"),
              (std::vector<QStringList>{{"/tmp/a.txt", "花子", "PVHOST2", "Parvane2"}}));
}

TEST_F(MainFormTest, HotKeysRunTheirCommands)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeTaskTray=1\r\nCustomizeTaskBar=1\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log));
    form.show();
    form.WMSysCommand(TMainForm::SC_MINIMIZE);
    EXPECT_FALSE(form.isVisible());
    form.WMHotKey(TMainForm::HotKeyShow);
    EXPECT_TRUE(form.isVisible());
    form.WMHotKey(TMainForm::HotKeyLog);
    EXPECT_EQ(log.calls->Count("LogFormShow"), 1);
    Arrive(form, 1);
    form.WMHotKey(TMainForm::HotKeyRecv);
    EXPECT_EQ(log.Shown().size(), 1u);
    form.WMHotKey(0x8069);
    EXPECT_EQ(log.calls->Count("LogFormShow"), 1);
    QDialog modal;
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    ASSERT_TRUE(WaitFor([] { return QApplication::activeModalWidget() != nullptr; }));
    form.WMHotKey(TMainForm::HotKeyLog);
    form.WMHotKey(TMainForm::HotKeySend);
    EXPECT_EQ(log.calls->Count("LogFormShow"), 1);
    EXPECT_FALSE(form.pmHotKeySend->isVisible());
}

TEST_F(MainFormTest, AwayAnswerOpensItsWindowOrTellsThereIsNone)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    form.AbsenceRequest("PVHOST2", "Parvane2");
    form.PVNAbsenceMessage(form.PVN.get(), "Nothing", "花子", "PVHOST2", "Parvane2", "time");
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("花子 の不在メッセージはありません。")});
    EXPECT_TRUE(AbsenceWindowList.isEmpty());
    form.AbsenceRequest("PVHOST2", "Parvane2");
    form.PVNAbsenceMessage(form.PVN.get(), "会議中", "花子", "PVHOST2", "Parvane2", "time");
    ASSERT_EQ(AbsenceWindowList.size(), 1);
    auto* window =
        qobject_cast<TAbsenceForm*>(WindowMessage::WindowOf(WindowListHandle(AbsenceWindowList[0])));
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->PrMachine, QStringLiteral("PVHOST2"));
    EXPECT_EQ(window->PrDiscrimination, QStringLiteral("Parvane2"));
    // The main window's close tells it to go.
    EXPECT_TRUE(form.FormClose());
    EXPECT_TRUE(WaitFor([] { return AbsenceWindowList.isEmpty(); }));
}

// Only an answer to a request of this program shows: answers nobody asked for open
// neither windows nor boxes, and each answer asked for opens a window of its own.
TEST_F(MainFormTest, AwayAnswersShowOnlyWhenAskedForEachInAWindowOfItsOwn)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    for (int i = 0; i < 200; ++i) {
        form.PVNAbsenceMessage(form.PVN.get(), "Nothing", "花子", "PVHOST2", "Parvane2", "time");
        form.PVNAbsenceMessage(form.PVN.get(), QStringLiteral("会議中 %1").arg(i), "花子", "PVHOST2",
                               "Parvane2", "time");
    }
    EXPECT_TRUE(FBoxes.empty());
    EXPECT_TRUE(AbsenceWindowList.isEmpty());

    // Asked twice before the answers came: both answers show, each in its window.
    form.AbsenceRequest("PVHOST2", "Parvane2");
    form.AbsenceRequest("PVHOST2", "Parvane2");
    form.PVNAbsenceMessage(form.PVN.get(), "会議中", "花子", "PVHOST2", "Parvane2", "time");
    form.PVNAbsenceMessage(form.PVN.get(), "外出中", "花子", "PVHOST2", "Parvane2", "time");
    // Both requests are answered: a third answer is unasked.
    form.PVNAbsenceMessage(form.PVN.get(), "帰宅", "花子", "PVHOST2", "Parvane2", "time");
    ASSERT_EQ(AbsenceWindowList.size(), 2);
    QStringList slShown;
    for (const QString& sEntry : AbsenceWindowList) {
        auto* window = qobject_cast<TAbsenceForm*>(WindowMessage::WindowOf(WindowListHandle(sEntry)));
        ASSERT_NE(window, nullptr);
        slShown << window->mmAbsenceMessage->toPlainText();
    }
    EXPECT_EQ(slShown, (QStringList{"会議中", "外出中"}));

    form.AbsenceRequest("PVHOST2", "Parvane2");
    form.PVNAbsenceMessage(form.PVN.get(), "外出中", "花子", "PVHOST2", "Parvane2", "time");
    EXPECT_EQ(AbsenceWindowList.size(), 3);
    EXPECT_TRUE(FBoxes.empty());
    EXPECT_TRUE(form.FormClose());
    EXPECT_TRUE(WaitFor([] { return AbsenceWindowList.isEmpty(); }));
}

// The chat's member menu and a double-click on an away member ask as the user
// list does: their answers are the program's own, and show.
TEST_F(MainFormTest, AwayMembersOfTheChatAreAskedAndTheirAnswersShow)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.miToolChatClick();
    ASSERT_TRUE(WaitFor([&] { return form.PVN->Chat() && ChatForm != nullptr; }));
    ChatUserLogin("花子", "PVHOST2", "Parvane2", true);
    QTreeWidgetItem* node = ChatForm->UserFind("PVHOST2", "Parvane2");
    ASSERT_NE(node, nullptr);
    ChatForm->tvUser->setCurrentItem(node);
    ChatForm->pmUserListPopup();
    ASSERT_TRUE(ChatForm->pmUserListAbsence->isEnabled());
    ChatForm->pmUserListAbsence->trigger();
    form.PVNAbsenceMessage(form.PVN.get(), "会議中", "花子", "PVHOST2", "Parvane2", "time");
    ASSERT_EQ(AbsenceWindowList.size(), 1);
    EXPECT_TRUE(FBoxes.empty());

    QCoreApplication::processEvents();
    QWidget* viewport = ChatForm->tvUser->viewport();
    const QPointF at(ChatForm->tvUser->visualItemRect(node).center());
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent click(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &click);
    }
    form.PVNAbsenceMessage(form.PVN.get(), "Nothing", "花子", "PVHOST2", "Parvane2", "time");
    EXPECT_EQ(BoxTexts(), QStringList{QStringLiteral("花子 の不在メッセージはありません。")});
    EXPECT_EQ(AbsenceWindowList.size(), 1);

    FAnswers = {MessageBox::IDYES};
    EXPECT_TRUE(form.FormClose());
    EXPECT_TRUE(WaitFor([] { return AbsenceWindowList.isEmpty(); }));
}

// A handle name that looks like markup is shown as the text it is, in the answer
// that the peer has no away message, asked for through the user list.
TEST_F(MainFormLanTest, AMarkupHandleNameInTheNoAwayMessageBoxIsShownAsText)
{
    const QString sImage = FDir.filePath(QStringLiteral("big.png"));
    QImage(400, 400, QImage::Format_RGB32).save(sImage);
    const QString sHandle = QStringLiteral("<img src=\"%1\">").arg(sImage);
    TMainForm& form = Start();
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, sHandle));
    ASSERT_TRUE(WaitFor([&] { return form.LoginUserFind("PVHOST2", "Parvane2") != nullptr; }));
    form.LoginUserFind("PVHOST2", "Parvane2")->setSelected(true);
    MessageBox::SetAnswerer({});
    QString sText;
    Qt::TextFormat format = Qt::AutoText;
    int iHeight = 0;
    bool bAsked = false;
    EXPECT_TRUE(TestSupport::RunLoopUntil([&] {
        if (!bAsked) {
            bAsked = true;
            form.miToolAbsenceClick();
        }
        const QList<QMessageBox*> boxes = TestSupport::OpenBoxes();
        if (boxes.isEmpty())
            return false;
        auto* label = boxes[0]->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        sText = boxes[0]->text();
        format = label != nullptr ? label->textFormat() : Qt::AutoText;
        iHeight = label != nullptr ? label->sizeHint().height() : 0;
        return true;
    }));
    EXPECT_EQ(sText, sHandle + QStringLiteral(" の不在メッセージはありません。"));
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_GT(iHeight, 0);
    EXPECT_LT(iHeight, 100);
}

TEST_F(MainFormTest, MinimisingWithoutBothTraySettingsKeepsTheWindow)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeTaskTray=1\r\n");
    TMainForm& form = Start();
    form.show();
    form.WMSysCommand(TMainForm::SC_MINIMIZE);
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(form.isMinimized());
    form.WMSysCommand(TMainForm::SC_RESTORE);
    EXPECT_FALSE(form.isMinimized());
}

TEST_F(MainFormTest, StartHiddenOnlyWithBothTraySettings)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeStartFormHide=1\r\nCustomizeTaskTray=1\r\n"
             "CustomizeTaskBar=1\r\n");
    EXPECT_TRUE(Start().StartHidden());
    FForm.reset();
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeStartFormHide=1\r\nCustomizeTaskTray=1\r\n");
    EXPECT_FALSE(Start().StartHidden());
}

// The window's section is saved in one save at its end; when the disk is full by
// then, the old file stays whole and the user is told once.
TEST_F(MainFormTest, SettingsSaveOnAFullDiskTellsTheUserOnceAndKeepsTheOldFile)
{
    SmallDisk disk;
    ASSERT_TRUE(disk.IsReady()) << disk.Error().toStdString();
    TMainForm::ProgramDirectoryOverride = disk.Path();
    const QString path = disk.FilePath(QStringLiteral("Parvane2.INI"));
    const QByteArray before = "[Option]\r\nCustomizeStartLogin=0\r\n";
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(before), before.size());
    }
    Start();
    ASSERT_FALSE(FForm->StartFailed());
    FileSaves saves(disk.Path(), QStringLiteral("Parvane2.INI"));
    ASSERT_TRUE(saves.IsReady());
    FForm.reset();
    EXPECT_EQ(saves.Count(), 1);
    EXPECT_TRUE(FBoxes.empty());

    const QByteArray saved = FileBytes(path);
    ASSERT_TRUE(saved.contains("SortUpper="));
    Start();
    ASSERT_FALSE(FForm->StartFailed());
    ASSERT_TRUE(disk.Fill());
    FForm->resize(321, 234);
    FForm.reset();
    EXPECT_EQ(BoxTexts(), QStringList{SettingsSaveErrorText});
    EXPECT_EQ(FileBytes(path), saved);
}

} // namespace

namespace {

TEST_F(MainFormLanTest, OptionsApplyReachesTheEngineAndCloseBeforeTheMainWindow)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    QAction* miOptionOption = form.pmTaskMenu->actions().value(0);
    ASSERT_NE(miOptionOption, nullptr);
    EXPECT_EQ(miOptionOption->text(), QStringLiteral("オプション(&O)"));
    EXPECT_TRUE(miOptionOption->isEnabled());
    form.miOptionAbsenceClick(0);
    ASSERT_TRUE(form.PVN->Absence());

    miOptionOption->trigger();
    ASSERT_NE(OptionForm, nullptr);
    TOptionForm& options = *OptionForm;
    EXPECT_EQ(options.edMachineName->text(), form.PVN->MachineName());
    EXPECT_EQ(options.mmIPAddress->toPlainText(), FLan->Address(0));
    options.edHandleName->setText(QStringLiteral("花子"));
    options.lbNetworkList->addItem(QStringLiteral("198.18.0.250"));
    // The kind in use goes: the away state goes with it.
    options.cbAbsence->setCurrentIndex(0);
    options.btAbsenceDeleteClick();
    FBoxes.clear();
    options.btUpdateClick();
    EXPECT_EQ(
        BoxTexts(),
        (QStringList{
            QStringLiteral("直接メッセージを送るアドレスが変更されたため、自動的にParvaneNetworkへ再ログイン"
                           "されます。\rチャットにログインしていた場合は、再度、チャットへログインし直して"
                           "ください。"),
            QStringLiteral("現在選択中の不在の種類が変更、または削除された為、不在設定が自動的に解除"
                           "されました。")}));
    EXPECT_EQ(form.PVN->BroadcastIP(), QStringLiteral("198.18.0.250"));
    EXPECT_EQ(form.PVN->HandleName(), QStringLiteral("花子"));
    EXPECT_TRUE(form.PVN->LoginStates());
    EXPECT_TRUE(form.miMessageOnline->isChecked());
    EXPECT_FALSE(form.PVN->Absence());
    ASSERT_TRUE(WaitFor([&] {
        const TListItem* row = form.LoginUserFind(form.PVN->MachineName(), "Parvane2");
        return row && row->Caption() == QStringLiteral("花子");
    }));

    // Opening again only brings it forward; the main window's close releases it first.
    form.Windows->OptionFormShow(form.OptionOwner());
    EXPECT_EQ(OptionForm, &options);
    FAnswers = {MessageBox::IDYES};
    EXPECT_TRUE(form.FormClose());
    EXPECT_EQ(OptionForm, nullptr);
    AbsenceMessage = {};
    HandleName.clear();
}

// The apply tells what it did in its own order: the settings that could not be
// saved, then the ports that wait for a restart, and last the away state it ended.
TEST_F(MainFormTest, TheOptionsApplyTellsTheSaveThePortsAndTheAwayEndInThatOrder)
{
    WriteIni("[AllUsers]\r\nMultiUser=1\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.miOptionAbsenceClick(0);
    ASSERT_TRUE(form.PVN->Absence());
    // The shared file takes the mode; the user's own file, read-only, refuses the options.
    const QString sUserFile = FileBaseName + QStringLiteral(".INI");
    ASSERT_NE(sUserFile, IniPath());
    {
        QFile file(sUserFile);
        ASSERT_TRUE(file.open(QIODevice::Append));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(sUserFile).constData(), 0444), 0);

    form.Windows->OptionFormShow(form.OptionOwner());
    ASSERT_NE(OptionForm, nullptr);
    TOptionForm& options = *OptionForm;
    options.cbAbsence->setCurrentIndex(0);
    options.btAbsenceDeleteClick();
    options.cbNetworkPort->setChecked(!NetworkPort);
    FBoxes.clear();
    options.btUpdateClick();
    EXPECT_EQ(BoxTexts(),
              (QStringList{SettingsSaveErrorText,
                           QStringLiteral("ポート番号の設定は、Parvane 2を再起動後に有効になります。"),
                           QStringLiteral("現在選択中の不在の種類が変更、または削除された為、不在設定が"
                                          "自動的に解除されました。")}));
    EXPECT_FALSE(form.PVN->Absence());
    ASSERT_EQ(::chmod(QFile::encodeName(sUserFile).constData(), 0644), 0);
    OptionFormRelease();
    AbsenceMessage = {};
}

// The main window follows the settings store, whoever writes through it: what an
// apply changed takes effect when it is published, and an away state whose kind
// went ends only at the apply's end.
TEST_F(MainFormTest, TheMainWindowFollowsSettingsChangedThroughTheStore)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.miOptionAbsenceClick(0);
    ASSERT_TRUE(form.PVN->Absence());
    ASSERT_FALSE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    TSettingsStore& store = SettingsStore();
    store.Set(CustomizeShowTopMost, true);
    store.Set(HandleName, QStringLiteral("花子"));
    TAbsenceMessage kinds{};
    kinds[0] = {QStringLiteral("会議中"), QStringLiteral("会議に出ています。")};
    store.Set(AbsenceMessage, kinds);
    store.Publish();
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.PVN->HandleName(), QStringLiteral("花子"));
    EXPECT_TRUE(form.PVN->Absence());
    EXPECT_TRUE(FBoxes.empty());
    store.End();
    EXPECT_FALSE(form.PVN->Absence());
    EXPECT_EQ(BoxTexts(),
              QStringList{QStringLiteral("現在選択中の不在の種類が変更、または削除された為、不在設定が"
                                         "自動的に解除されました。")});
    AbsenceMessage = {};
}

// A log viewer that waits for its password opens when the applied options lift
// the lock, and stays locked while they keep it.
TEST_F(MainFormTest, TheOptionsApplyOpensALockedLogViewerOnlyWhenTheLockGoes)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nSecurityLog=1\r\n");
    TMainForm& form = Start();
    SecurityLogPassword = QStringLiteral("鍵");
    form.Windows->LogFormShow();
    ASSERT_NE(LogForm, nullptr);
    ASSERT_TRUE(LogForm->pnPasswordBack->isVisibleTo(LogForm));
    form.Windows->OptionFormShow(form.OptionOwner());
    ASSERT_NE(OptionForm, nullptr);
    OptionForm->btUpdateClick();
    EXPECT_TRUE(LogForm->pnPasswordBack->isVisibleTo(LogForm));
    OptionForm->cbSecurityLog->setChecked(false);
    OptionForm->btUpdateClick();
    EXPECT_FALSE(LogForm->pnPasswordBack->isVisibleTo(LogForm));
    EXPECT_TRUE(FBoxes.empty());
    OptionFormRelease();
    LogFormRelease();
}

// The engine scrambles as the settings say: from the start, and again after
// each apply of the options, which shows the flag and writes it.
TEST_F(MainFormTest, TheEngineScramblesAsTheSettingsSayFromTheStartAndAfterEachApply)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeSecurityData=1\r\n");
    TMainForm& form = Start();
    EXPECT_TRUE(form.PVN->Security());
    form.Windows->OptionFormShow(form.OptionOwner());
    ASSERT_NE(OptionForm, nullptr);
    EXPECT_TRUE(OptionForm->cbCustomizeSecurityData->isChecked());
    OptionForm->cbCustomizeSecurityData->setChecked(false);
    OptionForm->btUpdateClick();
    EXPECT_FALSE(form.PVN->Security());
    EXPECT_EQ(
        IniFile(SettingsFileName()).ReadString(SectionOption, QStringLiteral("CustomizeSecurityData"), {}),
        QStringLiteral("0"));
    OptionForm->cbCustomizeSecurityData->setChecked(true);
    OptionForm->btUpdateClick();
    EXPECT_TRUE(form.PVN->Security());
    EXPECT_TRUE(FBoxes.empty());
    OptionFormRelease();
}

// The program's windows, with the web windows' routines recorded in place of their
// windows; the web chat counts as open once it was shown.
std::unique_ptr<TProgramWindows> WebWindowsInto(std::shared_ptr<WindowCalls>& recorded)
{
    auto [windows, calls] = RecordingWindowsMade(
        {"UpdateFormShow", "UpdateFormStartCheck", "GlobalChatFormShow", "GlobalChatFormClose",
         "GlobalChatFormExists", "RequestFormShow", "DonationFormShow", "VersionFormShow"});
    calls->OnCalled = [chat = calls.get()](const TestSupport::WindowCall& call) {
        if (call.sRoutine == "GlobalChatFormShow")
            chat->bGlobalChatFormExists = true;
    };
    recorded = calls;
    return std::move(windows);
}

QAction* MenuCommand(QMenuBar* bar, const QString& sMenu, const QString& sItem)
{
    for (QAction* menu : bar->actions())
        if (menu->text() == sMenu && menu->menu() != nullptr)
            for (QAction* item : menu->menu()->actions())
                if (item->text() == sItem)
                    return item;
    return nullptr;
}

TEST_F(MainFormTest, VersionCheckAtStartOnlyWhenNotYetCheckedToday)
{
    const struct {
        QByteArray ini;
        int iChecks;
    } cases[] = {
        {"[Option]\r\nCustomizeStartLogin=0\r\n", 1},
        {"[Option]\r\nCustomizeStartLogin=0\r\n[UpdateWindow]\r\nLastCheck=2011/08/29\r\n", 1},
        {"[Option]\r\nCustomizeStartLogin=0\r\n[UpdateWindow]\r\nLastCheck=" +
             LastCheckText(QDate::currentDate()).toLatin1() + "\r\n",
         0},
        {"[Option]\r\nCustomizeStartLogin=0\r\nCustomizeStartVersionCheck=0\r\n", 0},
    };
    for (const auto& c : cases) {
        std::shared_ptr<WindowCalls> calls;
        WriteIni(c.ini);
        Start(WebWindowsInto(calls));
        EXPECT_EQ(calls->Count("UpdateFormStartCheck"), c.iChecks) << c.ini.constData();
        FForm.reset();
    }
}

TEST_F(MainFormTest, HelpAndWebChatCommandsReachTheirWindows)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeStartVersionCheck=0\r\n");
    std::shared_ptr<WindowCalls> calls;
    TMainForm& form = Start(WebWindowsInto(calls));
    const QString sHelp = QStringLiteral("ヘルプ(&H)");
    const std::pair<const char*, const char*> commands[] = {{"アップデートの確認(&U)", "UpdateFormShow"},
                                                            {"寄付について", "DonationFormShow"},
                                                            {"要望を送信する", "RequestFormShow"},
                                                            {"バージョン情報(&A)", "VersionFormShow"}};
    for (const auto& [sItem, sCall] : commands) {
        QAction* a = MenuCommand(form.menuBar(), sHelp, QString::fromUtf8(sItem));
        ASSERT_NE(a, nullptr) << sItem;
        EXPECT_TRUE(a->isEnabled()) << sItem;
        a->trigger();
        EXPECT_EQ(calls->Count(QString::fromUtf8(sCall)), 1) << sItem;
    }
    // The web-chat command opens the window, and closes it while it is open.
    ASSERT_TRUE(form.miToolGlobalChat->isEnabled());
    form.miToolGlobalChat->trigger();
    EXPECT_EQ(calls->Count("GlobalChatFormShow"), 1);
    form.miToolGlobalChat->trigger();
    EXPECT_EQ(calls->Count("GlobalChatFormClose"), 1);
    EXPECT_EQ(calls->Count("GlobalChatFormShow"), 1);
    calls->bGlobalChatFormExists = false;
}

TEST_F(MainFormTest, IdleProgramLoadsNoBrowserEngine)
{
    // The check at start is due, but with no server it sends nothing and makes no window.
    qunsetenv("PARVANE_WEB_BASE");
    WriteIni("[Option]\r\nCustomizeStartLogin=1\r\n");
    TMainForm& form = Start();
    form.show();
    ASSERT_TRUE(OwnRowListed());
    EXPECT_FALSE(BrowserEngineLoaded());
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("WebEngine"));
}

QStringList MenuCaptions(const QMenu* menu)
{
    QStringList sl;
    for (QAction* a : menu->actions())
        sl << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return sl;
}

TEST_F(MainFormTest, EachBarToggleFlipsItsBarAsShownAndWritesItsKey)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\nCustomizeMenuBarHide=1\r\nCustomizeToolBarHide=1\r\n"
             "CustomizeStatusBarHide=1\r\n");
    TMainForm& form = Start();
    const struct {
        const char* sKey;
        QWidget* bar;
        void (TMainForm::*toggle)();
        QAction* check;
    } bars[] = {
        {"CustomizeMenuBarHide", form.menuBar(), &TMainForm::miRightMenubarClick, form.miRightMenubar},
        {"CustomizeToolBarHide", form.tbMenu, &TMainForm::miRightToolbarClick, form.miToolbar},
        {"CustomizeStatusBarHide", form.statusBar(), &TMainForm::miRightStatusbarClick, form.miShowStatusbar},
    };
    for (const auto& b : bars) {
        // Hidden by the file, the bar can be shown again, even once the file says otherwise.
        ASSERT_TRUE(b.bar->isHidden()) << b.sKey;
        IniFile(IniPath()).WriteBool("Option", b.sKey, false);
        (form.*b.toggle)();
        EXPECT_FALSE(b.bar->isHidden()) << b.sKey;
        EXPECT_FALSE(IniFile(IniPath()).ReadBool("Option", b.sKey, true)) << b.sKey;
        form.miShowClick();
        EXPECT_TRUE(b.check->isChecked()) << b.sKey;
        (form.*b.toggle)();
        EXPECT_TRUE(b.bar->isHidden()) << b.sKey;
        EXPECT_TRUE(IniFile(IniPath()).ReadBool("Option", b.sKey, false)) << b.sKey;
        form.miShowClick();
        EXPECT_FALSE(b.check->isChecked()) << b.sKey;
    }
    EXPECT_TRUE(FBoxes.empty());
    // A file that cannot be written: the bar still flips and the user is told.
    ASSERT_EQ(chmod(qPrintable(IniPath()), 0444), 0);
    form.miRightToolbarClick();
    EXPECT_FALSE(form.tbMenu->isHidden());
    ASSERT_EQ(FBoxes.size(), 1u);
    EXPECT_EQ(FBoxes[0].sText, SettingsSaveErrorText);
    chmod(qPrintable(IniPath()), 0644);
}

TEST_F(MainFormTest, PopupMenusHoldTheirItemsAndTheToolBarHasItsOwn)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    EXPECT_EQ(MenuCaptions(form.pmRight),
              (QStringList{"メッセージ送信(&S)", "ファイル送信(&F)", "-", "不在メッセージ取得(&A)", "-",
                           "メニューバー(&E)", "ツールバー(&T)", "ステータスバー(&B)"}));
    EXPECT_EQ(MenuCaptions(form.pmToolbar),
              (QStringList{"メニューバー(&E)", "ツールバー(&T)", "ステータスバー(&B)"}));
    EXPECT_EQ(MenuCaptions(form.miShow),
              (QStringList{"ログビューア(&L)", "-", "メニューバー(&E)", "ツールバー(&T)",
                           "ステータスバー(&B)", "-", "すべて選択(&U)", "選択の切り替え(&I)", "-",
                           "最新の情報に更新(&R)", "-", "オプション(&O)"}));
    // No menu of Qt's own naming the tool bar; the tool bar, the status bar and the slider open ours.
    EXPECT_EQ(form.createPopupMenu(), nullptr);
    EXPECT_EQ(form.tbMenu->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(form.statusBar()->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_EQ(form.tbAlphaBlend->contextMenuPolicy(), Qt::CustomContextMenu);
    EXPECT_TRUE(form.miHelpTopic->isEnabled());
}

TEST_F(MainFormTest, TrayMenuAppliesItsHideSettingsAsItOpens)
{
    WriteIni(
        "[Option]\r\nCustomizeStartLogin=0\r\nCustomizeTaskHideChat=1\r\nCustomizeTaskHideAbsence=1\r\n");
    TMainForm& form = Start();
    emit form.pmTaskMenu->aboutToShow();
    EXPECT_FALSE(form.pmTaskMenu->miTaskChat->isVisible());
    EXPECT_FALSE(form.pmTaskMenu->miTaskAbsence->menuAction()->isVisible());
    EXPECT_FALSE(form.pmTaskMenu->miTaskLine3->isVisible());
    EXPECT_TRUE(form.pmTaskMenu->miTaskLine4->isVisible());
    EXPECT_TRUE(form.pmTaskMenu->miTaskLog->isVisible());
    // The menu bar's own items are not the tray's.
    EXPECT_TRUE(form.miToolChat->isVisible());
    CustomizeTaskHideChat = false;
    emit form.pmTaskMenu->aboutToShow();
    EXPECT_TRUE(form.pmTaskMenu->miTaskChat->isVisible());
}

TEST_F(MainFormTest, ChatCommandsFollowTheOwnRowTheTrayItemStartsOn)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    EXPECT_TRUE(form.miTaskChat->isEnabled());
    EXPECT_FALSE(form.miToolChat->isEnabled());
    form.miMessageOnlineClick();
    ASSERT_TRUE(OwnRowListed());
    EXPECT_TRUE(form.miToolChat->isEnabled());
    form.miMessageOnlineClick();
    EXPECT_FALSE(form.miToolChat->isEnabled());
    EXPECT_FALSE(form.miTaskChat->isEnabled());
}

QString ViewText()
{
    return ChatForm ? ChatForm->wbLog->Core()->toPlainText() : QString();
}

// The chat with a peer in host 2: entering, own and other lines, their log
// records and sound, the peer's leaving, and leaving by the chat command.
TEST_F(MainFormLanTest, ChatCommandEntersTalksAndLeaves)
{
    WriteIni("[Option]\r\nHandleName=Taro\r\n");
    // The notices and the sounds of the events are recorded in place of showing and playing them.
    auto [windows, calls] = RecordingWindowsMade({"NoticeAdd", "EventSoundPlay"});
    TMainForm& form = Start(std::move(windows));
    ASSERT_TRUE(OwnRowListed());
    TestSupport::PeerProcess peer;
    ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, QStringLiteral("花子")));
    ASSERT_EQ(peer.Call("ChatLogin"), "1");
    ASSERT_TRUE(WaitFor([&] { return form.LoginUserFind("PVHOST2", "Parvane2") != nullptr; }));

    form.miToolChatClick();
    ASSERT_NE(ChatForm, nullptr);
    EXPECT_TRUE(form.miToolChat->isChecked());
    EXPECT_TRUE(form.miTaskChat->isChecked());
    ASSERT_TRUE(WaitFor([] { return ViewText().contains(QStringLiteral("チャットへログインしました。")); }));
    EXPECT_TRUE(form.PVN->Chat());
    ASSERT_TRUE(WaitFor([] { return ChatForm->tvUser->topLevelItemCount() == 2; }));

    ChatForm->mmSendMessage->setText("1 < 2 & http://h/?q=1");
    ChatForm->btSendClick();
    EXPECT_TRUE(ChatForm->mmSendMessage->text().isEmpty());
    ASSERT_TRUE(WaitFor([] { return ViewText().contains(QStringLiteral("1 < 2 & http://h/?q=1")); }));
    EXPECT_TRUE(ChatForm->wbLog->HTML().contains(QStringLiteral("<span class=\"MyName\">Taro</span>")));
    EXPECT_FALSE(calls->Firsts("EventSoundPlay").contains("7"));

    ASSERT_NE(peer.Call("ChatSend", {"やあ"}), "");
    ASSERT_TRUE(WaitFor([] { return ViewText().contains(QStringLiteral("やあ")); }));
    EXPECT_TRUE(ChatForm->wbLog->HTML().contains(QStringLiteral("<span class=\"OtherName\">花子</span>")));
    EXPECT_EQ(calls->Firsts("EventSoundPlay").count("7"), 1);

    LogWriteWait();
    const QList<TLogRecord> records = LogRecordsRead(FileBytes(FDir.filePath("Parvane2.LOG")));
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records[1].sKind, QStringLiteral("チャット送信"));
    EXPECT_EQ(records[1].sFrom, QStringLiteral("Taro"));
    EXPECT_EQ(records[1].sTo, QStringLiteral("(チャット全体)"));
    EXPECT_EQ(records[1].sText, QStringLiteral("1 &lt; 2 &amp; http://h/?q=1"));
    EXPECT_EQ(records[0].sKind, QStringLiteral("チャット受信"));
    EXPECT_EQ(records[0].sFrom, QStringLiteral("花子"));

    ASSERT_EQ(peer.Call("ChatLogout"), "1");
    ASSERT_TRUE(WaitFor(
        [] { return ViewText().contains(QStringLiteral("花子がチャットからログアウトしました。")); }));
    EXPECT_EQ(ChatForm->tvUser->topLevelItemCount(), 1);

    // The command again: asked, and Yes leaves.
    FAnswers = {MessageBox::IDYES};
    form.miToolChatClick();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ChatForm, nullptr);
    EXPECT_FALSE(form.PVN->Chat());
    EXPECT_FALSE(form.miToolChat->isChecked());
    EXPECT_EQ(FBoxes.back().sText, QStringLiteral("チャットからログアウトしますか？"));
}

// The user Taro in the chat with 花子 of host 2, who marks with her lines that all
// sent before them has been read; a forger beside her speaks in Taro's name.
class ForgedNameLanTest : public MainFormLanTest {
protected:
    void InTheChatWith(TestSupport::PeerProcess& peer)
    {
        WriteIni("[Option]\r\nHandleName=Taro\r\n");
        TMainForm& form = Start();
        ASSERT_TRUE(OwnRowListed());
        ASSERT_TRUE(peer.StartLoggedIn(*FLan, 1, QStringLiteral("花子")));
        ASSERT_EQ(peer.Call("ChatLogin"), "1");
        form.miToolChatClick();
        ASSERT_NE(ChatForm, nullptr);
        ASSERT_TRUE(WaitFor([] { return ChatForm->tvUser->topLevelItemCount() == 2; }));
    }
};

// A chat line in the user's own name from another address is not the user's:
// it is not shown as the user's line, and the log holds no line sent.
TEST_F(ForgedNameLanTest, AChatLineInTheUsersNameFromAnotherAddressIsNeitherShownNorLoggedAsSent)
{
    TestSupport::PeerProcess peer;
    ASSERT_NO_FATAL_FAILURE(InTheChatWith(peer));
    TMainForm& form = *FForm;

    TestSupport::RecordSender forger(*FLan, 1, QStringLiteral("198.18.0.9"));
    for (const QString& sSource : {QStringLiteral("198.18.0.9"), FLan->Address(1)})
        ASSERT_TRUE(forger.Send(QStringLiteral("PVMESSAGE:CHAT_MESSAGE&|Taro&|%1&|198.18.0.1&|Parvane2&|"
                                               "FORGED000001&|偽の発言")
                                    .arg(form.PVN->MachineName()),
                                sSource));
    // The colleague's line, sent after the forged ones, has arrived once it shows.
    ASSERT_NE(peer.Call("ChatSend", {"本物"}), "");
    ASSERT_TRUE(WaitFor([] { return ViewText().contains(QStringLiteral("本物")); }));
    EXPECT_FALSE(ChatForm->wbLog->HTML().contains(
        ChatLineHtml(QStringLiteral("偽の発言"), QStringLiteral("Taro"), true, CustomizeChatLocate)));
    EXPECT_FALSE(ViewText().contains(QStringLiteral("偽の発言")));
    LogWriteWait();
    for (const TLogRecord& record : LogRecordsRead(FileBytes(FDir.filePath("Parvane2.LOG")))) {
        EXPECT_NE(record.sKind, QStringLiteral("チャット送信"));
        EXPECT_FALSE(record.sText.contains(QStringLiteral("偽の発言")));
    }
}

// A thousand log-ins in the user's own name from another address leave the own
// row as this copy reported it: its name, its state, its address.
TEST_F(ForgedNameLanTest, AThousandLogInsInTheUsersNameLeaveTheOwnRowAlone)
{
    TestSupport::PeerProcess peer;
    ASSERT_NO_FATAL_FAILURE(InTheChatWith(peer));
    TMainForm& form = *FForm;
    const QString sOwn = form.PVN->MachineName();
    ASSERT_TRUE(
        WaitFor([&] { return form.LoginUserFind(sOwn, "Parvane2")->SubItems().value(1) == RowChatLogin; }));
    const QStringList slOwnCells = form.LoginUserFind(sOwn, "Parvane2")->SubItems();

    TestSupport::RecordSender forger(*FLan, 1, QStringLiteral("198.18.0.9"));
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(
            forger.Send(QStringLiteral("PVMESSAGE:LOGIN&|%1&|198.18.0.9&|Parvane2&|偽者%2&|2200&|1&|0&|1&|"
                                       "52000&|198.18.0.9\r\n&|会議中")
                            .arg(sOwn)
                            .arg(i)));
        // Every so often the colleague's line shows that all before it was read.
        if (i % 50 == 49) {
            const QString sMark = QStringLiteral("印%1").arg(i);
            ASSERT_NE(peer.Call("ChatSend", {sMark}), "");
            ASSERT_TRUE(WaitFor([&] { return ViewText().contains(sMark); }));
        }
    }
    const TListItem* own = form.LoginUserFind(sOwn, "Parvane2");
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own->Caption(), QStringLiteral("Taro"));
    EXPECT_EQ(own->SubItems(), slOwnCells);
    EXPECT_EQ(form.LoginUserHandle(sOwn, "Parvane2"), QStringLiteral("Taro"));
    EXPECT_EQ(form.lvLoginUser->ItemCount(), 2);
    EXPECT_FALSE(ViewText().contains(QStringLiteral("偽者")));
}

// After Yes to the length question the input holds the cut text, which is what
// goes out: a refusal then shows the text it judged, and the line that comes back
// and its record are the cut one.
TEST_F(MainFormTest, TheChatInputBecomesItsCutAndTheCutIsSent)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.miToolChatClick();
    ASSERT_TRUE(WaitFor([&] { return form.PVN->Chat() && ChatForm->tvUser->topLevelItemCount() == 1; }));
    // Double-byte characters, as the input takes 255 characters but the wire 255 bytes.
    const QString sRefusedCut = QString(125, u'あ') + QStringLiteral("&|あ");
    ChatForm->mmSendMessage->setText(sRefusedCut + QString(50, u'あ'));
    FAnswers = {MessageBox::IDYES};
    ChatForm->btSendClick();
    EXPECT_EQ(FBoxes.back().sText, QStringLiteral("メッセージ内に「&|」を含めることはできません。"));
    EXPECT_EQ(ChatForm->mmSendMessage->text(), sRefusedCut);

    const QString sSentCut = QString(127, u'い');
    ChatForm->mmSendMessage->setText(sSentCut + QStringLiteral(" tail"));
    FAnswers = {MessageBox::IDYES};
    ChatForm->btSendClick();
    EXPECT_TRUE(ChatForm->mmSendMessage->text().isEmpty());
    ASSERT_TRUE(WaitFor([&] { return ViewText().contains(sSentCut); }));
    EXPECT_FALSE(ViewText().contains(QStringLiteral("tail")));
    LogWriteWait();
    const QList<TLogRecord> records = LogRecordsRead(FileBytes(FDir.filePath("Parvane2.LOG")));
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].sText, sSentCut);
}

TEST_F(MainFormTest, LoggingOutFromTheChatAsksAndReleasesTheChatWindow)
{
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.miToolChatClick();
    ASSERT_TRUE(WaitFor([&] { return form.PVN->Chat() && ChatForm->tvUser->topLevelItemCount() == 1; }));
    FAnswers = {MessageBox::IDNO};
    form.miMessageOnlineClick();
    EXPECT_TRUE(form.PVN->LoginStates());
    EXPECT_NE(ChatForm, nullptr);
    FAnswers = {MessageBox::IDYES};
    form.miMessageOnlineClick();
    EXPECT_EQ(ChatForm, nullptr);
    EXPECT_FALSE(form.PVN->LoginStates());
    EXPECT_FALSE(form.miToolChat->isChecked());
    EXPECT_TRUE(IniFile(IniPath()).ValueExists("ChatWindow", "Splitter"));
}

TEST_F(MainFormTest, BothHelpItemsOpenTheHelpPage)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    auto [windows, calls] = RecordingWindowsMade({"HelpShow"});
    TMainForm& form = Start(std::move(windows));
    form.miHelpTopic->trigger();
    form.pmTaskMenu->miTaskHelp->trigger();
    EXPECT_EQ(calls->Count("HelpShow"), 2);
}

TEST(DropArrow, ThreeLinesNarrowingDownward)
{
    const QVector<QLine> lines = DropArrowLines(25, 10);
    EXPECT_EQ(lines, (QVector<QLine>{QLine(25, 10, 29, 10), QLine(26, 11, 28, 11), QLine(27, 12, 27, 12)}));
}

// The chat window the program's windows made hears the engine's chat events
// through the main window's signals: a line said, a member that logs in and
// one that leaves, each in the order the engine raised them.
TEST_F(MainFormTest, TheOpenChatWindowHearsTheEnginesChatEvents)
{
    WriteIni("[Option]\r\nHandleName=Taro\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.miToolChatClick();
    ASSERT_TRUE(WaitFor([&] { return form.PVN->Chat() && ChatForm != nullptr; }));
    ASSERT_TRUE(WaitFor([] { return ChatForm->tvUser->topLevelItemCount() == 1; }));

    form.PVNLogin(form.PVN.get(), QStringLiteral("花子"), QStringLiteral("PVHOST2"),
                  QStringLiteral("198.18.0.2"), QStringLiteral("Parvane2"), 2200, false, QString(), false,
                  true, 0);
    EXPECT_EQ(ChatForm->tvUser->topLevelItemCount(), 2);
    EXPECT_NE(ChatForm->UserFind(QStringLiteral("PVHOST2"), QStringLiteral("Parvane2")), nullptr);
    form.PVNChatMessage(form.PVN.get(), QStringLiteral("三時に集合です"), QStringLiteral("1"),
                        QStringLiteral("花子"), QStringLiteral("PVHOST2"), QStringLiteral("Parvane2"),
                        QStringLiteral("t"));
    ASSERT_TRUE(WaitFor([] { return ViewText().contains(QStringLiteral("三時に集合です")); }));
    form.PVNLogout(form.PVN.get(), QStringLiteral("花子"), QStringLiteral("PVHOST2"),
                   QStringLiteral("198.18.0.2"), QStringLiteral("Parvane2"));
    EXPECT_EQ(ChatForm->UserFind(QStringLiteral("PVHOST2"), QStringLiteral("Parvane2")), nullptr);
    const QString sView = ViewText();
    const qsizetype iLogin = sView.indexOf(QStringLiteral("花子がチャットへログインしました。"));
    const qsizetype iLine = sView.indexOf(QStringLiteral("三時に集合です"));
    const qsizetype iLogout = sView.indexOf(QStringLiteral("花子がチャットからログアウトしました。"));
    EXPECT_GE(iLogin, 0);
    EXPECT_GT(iLine, iLogin);
    EXPECT_GT(iLogout, iLine);
}

// The open receive window hears of each arrival through the main window's signal.
TEST_F(MainFormTest, TheOpenReceiveWindowHearsOfAnArrival)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TQueueLog log;
    TMainForm& form = Start(QueueWindows(log));
    Arrive(form, 1);
    Arrive(form, 2);
    form.miMessageRecvClick();
    ASSERT_NE(RecvForm, nullptr);
    ASSERT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 1>"));
    Arrive(form, 3);
    EXPECT_EQ(RecvForm->windowTitle(), QStringLiteral("受信メッセージ - Parvane 2 <未読メッセージ 2>"));
    EXPECT_TRUE(RecvForm->btNext->isEnabled());
}

// A send window that the program's windows made sends through the main window's
// engine: the message to the own machine comes back to this main window's queue.
TEST_F(MainFormTest, ASendWindowTheProgramMadeSendsThroughTheMainWindowsEngine)
{
    WriteIni("[Option]\r\nHandleName=Taro\r\n");
    TMainForm& form = Start();
    ASSERT_TRUE(OwnRowListed());
    form.Windows->SendFormShow(QString(), true, form.PVN->MachineName(), QStringLiteral("Parvane2"));
    ASSERT_FALSE(SendWindowList.isEmpty());
    auto* send = qobject_cast<TSendForm*>(WindowMessage::WindowOf(WindowListHandle(SendWindowList.last())));
    ASSERT_NE(send, nullptr);
    EXPECT_EQ(send->laTitle->text(), QStringLiteral("メッセージ送信 (送信先:Taro)"));
    send->mmSendMessage->setPlainText(QStringLiteral("自分へのメモ"));
    send->btSend->click();
    ASSERT_TRUE(WaitFor([] { return !MessageRecvQueue.Empty(); }));
    EXPECT_EQ(MessageRecvQueue.Head().sMessage, QStringLiteral("自分へのメモ"));
    EXPECT_EQ(MessageRecvQueue.Head().sSendHandle, QStringLiteral("Taro"));
}

// What the windows were handed is emptied as the main window goes, so a window
// that outlives it finds nothing rather than what is gone.
TEST_F(MainFormTest, TheServicesAreEmptiedAsTheMainWindowGoes)
{
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    const TWindowServicesRef services = Start().Services();
    EXPECT_EQ(services->Engine, FForm->PVN.get());
    EXPECT_EQ(services->Users, &FForm->LoginUsers());
    EXPECT_EQ(services->Events, &FForm->EngineEvents);
    FForm.reset();
    EXPECT_EQ(services->Engine, nullptr);
    EXPECT_EQ(services->Users, nullptr);
    EXPECT_EQ(services->Windows, nullptr);
    EXPECT_EQ(services->Main, nullptr);
    EXPECT_EQ(services->Events, nullptr);
    EXPECT_EQ(services->MainWindow, nullptr);
}

} // namespace
