// A full office answers the program's refresh at once while a colleague writes to
// it: every answer is listed, every message is receipted and queued, and the
// kernel of the program's host drops nothing for a full receive buffer.
#include "AnsweringPeers.h"
#include "MainFormFixture.h"
#include "MessageRecvQueue.h"
#include "NoticeUnit.h"
#include "PeerProcess.h"
#include "RecordingWindows.h"
#include "RecvUnit.h"
#include "WaitUntil.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The program in host 1, the office in host 2, the colleague in host 3.
class LoginBurstLanTest : public MainFormFixtureOf<true, 3> {
protected:
    void CloseWindows() override
    {
        RecvFormRelease();
        delete NoticeForm;
    }
};

// A LAN as full as the user list can show: every copy answers the log-in.
constexpr int kOffice = 255;
constexpr int kMessages = 5;
// Between two of the colleague's messages: they arrive among the answers.
constexpr int kMessageGapMs = 10;
// Generous: a loaded machine takes its time, but a datagram the kernel dropped never comes.
constexpr int kSettleMs = 60000;

TEST_F(LoginBurstLanTest, ColleagueIsReceiptedWhileAFullOfficeAnswersTheRefresh)
{
    WriteIni("[Option]\r\nHandleName=Taro\r\n");
    // Sounds stand in; the notices of the log-ins are shown as a user sees them.
    [[maybe_unused]] auto [windows, calls] = TestSupport::RecordingWindowsMade({"EventSoundPlay"});
    TMainForm& form = Start(std::move(windows));
    ASSERT_TRUE(OwnRowListed());
    TestSupport::PeerProcess colleague;
    ASSERT_TRUE(colleague.StartLoggedIn(*FLan, 2, QStringLiteral("花子")));
    ASSERT_TRUE(WaitUntil([&] { return form.LoginUserFind("PVHOST3", "Parvane2") != nullptr; }, kSettleMs));
    TestSupport::AnsweringPeers office(*FLan, 1, kOffice, FLan->Address(0));
    ASSERT_TRUE(office.Start());
    const qint64 iDroppedBefore = FLan->UdpReceiveBufferErrors(0);
    ASSERT_GE(iDroppedBefore, 0);

    form.miOptionRefreshClick();
    QStringList slSent;
    for (int i = 0; i < kMessages; ++i) {
        const QString sText = QStringLiteral("用件%1").arg(i);
        // Not waited for: the program's event loop keeps turning while the colleague writes.
        colleague.CallLater("MessageSend", {sText, "PVHOST1", "Parvane2", "0"});
        slSent << sText;
        TestSupport::PumpFor(kMessageGapMs);
    }

    EXPECT_TRUE(WaitUntil([&] { return colleague.EventsSoFar("OnMessageOk") == kMessages; }, kSettleMs))
        << colleague.EventsSoFar("OnMessageOk") << " of " << kMessages << " messages receipted";
    // The own row, the colleague's and the office's, as many as the user table holds.
    const int iListed = std::min(kOffice + 2, TParvaneNetwork::LoginUserCapacity);
    EXPECT_TRUE(WaitUntil([&] { return form.lvLoginUser->ItemCount() == iListed; }, kSettleMs))
        << form.lvLoginUser->ItemCount() << " rows listed";
    EXPECT_GE(office.Answered(), 1);
    QStringList slQueued;
    for (int i = 0; i < MessageRecvQueue.Count(); ++i)
        slQueued << MessageRecvQueue.Slot(i).sMessage;
    EXPECT_EQ(slQueued, slSent);
    EXPECT_EQ(FLan->UdpReceiveBufferErrors(0), iDroppedBefore);
}

} // namespace
