// Two engines on two hosts, each in a pvnpeer process of its own.
#include "LanSuite.h"
#include "PeerProcess.h"

#include <gtest/gtest.h>

using TestSupport::PeerProcess;

namespace {

const QString kOk = QStringLiteral("1");

class TwoCopies : public TestSupport::LanSuite<2> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LanReady());
        ASSERT_TRUE(A.StartCopy(*FLan, 0, QStringLiteral("太郎")));
        ASSERT_TRUE(B.StartCopy(*FLan, 1, QStringLiteral("花子")));
    }

    // Both logged in and listing each other.
    void BothLoggedIn()
    {
        ASSERT_EQ(A.Call("Login"), kOk);
        ASSERT_TRUE(A.WaitEvent("OnLogin"));
        ASSERT_EQ(B.Call("Login"), kOk);
        ASSERT_TRUE(A.WaitEvent("OnLogin"));
        ASSERT_TRUE(B.WaitEvent("OnLogin"));
        ASSERT_TRUE(B.WaitEvent("OnLogin"));
        A.ForgetEvents();
        B.ForgetEvents();
        ASSERT_EQ(A.Get("LoginCount"), "2");
        ASSERT_EQ(B.Get("LoginCount"), "2");
    }

    static QStringList Login(const QString& handle, const QString& machine, const QString& address,
                             const QString& absence = "0", const QString& title = QString(),
                             const QString& chat = "0")
    {
        return {handle, machine, address, "Parvane2", "2200", absence, title, "0", chat, "52000"};
    }

    PeerProcess A;
    PeerProcess B;
};

TEST_F(TwoCopies, LoggingInListsTheOtherAndItselfOnce)
{
    ASSERT_EQ(A.Call("Login"), kOk);
    EXPECT_EQ(A.WaitEvent("OnLogin"), Login("太郎", "PVHOST1", "198.18.0.1"));
    EXPECT_EQ(A.Call("Login"), "0") << "a second Login sends nothing";

    ASSERT_EQ(B.Call("Login"), kOk);
    EXPECT_EQ(A.WaitEvent("OnLogin"), Login("花子", "PVHOST2", "198.18.0.2"));
    // B lists itself from its own LOGIN and A from A's answer; its answer to itself is ignored.
    auto first = B.WaitEvent("OnLogin");
    auto second = B.WaitEvent("OnLogin");
    ASSERT_TRUE(first && second);
    QList<QStringList> seen{*first, *second};
    EXPECT_TRUE(seen.contains(Login("花子", "PVHOST2", "198.18.0.2")));
    EXPECT_TRUE(seen.contains(Login("太郎", "PVHOST1", "198.18.0.1")));
    EXPECT_EQ(B.CountEvents("OnLogin"), 0);
    EXPECT_EQ(A.CountEvents("OnLogin"), 0);

    EXPECT_EQ(B.Get("LoginCount"), "2");
    // Which of the two entries comes first depends on which datagram arrived first.
    QStringList user = B.Command({"user", "1"});
    if (user.value(1) != "太郎")
        user = B.Command({"user", "0"});
    EXPECT_EQ(user.mid(1), (QStringList{"太郎", "PVHOST1", "198.18.0.1\r\n", "Parvane2", "2200", "0", "", "0",
                                        "0", "52000"}));
    EXPECT_EQ(B.Command({"user", "2"}), (QStringList{"user", "", "", "", "", "0", "0", "", "0", "0", "0"}));
    EXPECT_EQ(B.Command({"user", "-1"}), (QStringList{"user", "", "", "", "", "0", "0", "", "0", "0", "0"}));
}

TEST_F(TwoCopies, InformationUpdateReportsTheChangedProfile)
{
    BothLoggedIn();
    ASSERT_TRUE(B.Set("Absence", "1"));
    ASSERT_TRUE(B.Set("AbsenceTitle", "会議中"));
    ASSERT_EQ(B.Call("InformationUpdate"), kOk);
    const QStringList expected{"PVHOST2", "花子",   "198.18.0.2", "Parvane2", "2200",
                               "1",       "会議中", "0",          "0",        "52000"};
    EXPECT_EQ(A.WaitEvent("OnInfoChange"), expected);
    EXPECT_EQ(B.WaitEvent("OnInfoChange"), expected) << "the own entry follows the own record";

    // The same profile again changes nothing.
    ASSERT_EQ(B.Call("InformationUpdate"), kOk);
    EXPECT_EQ(A.CountEvents("OnInfoChange"), 0);
}

TEST_F(TwoCopies, ChatLinesReachMembersOnly)
{
    BothLoggedIn();
    EXPECT_EQ(A.Get("Chat"), "0");
    ASSERT_EQ(A.Call("ChatLogin"), kOk);
    EXPECT_EQ(A.Get("Chat"), kOk);
    auto change = B.WaitEvent("OnInfoChange");
    ASSERT_TRUE(change);
    EXPECT_EQ(change->value(8), kOk) << "membership travels as the chat field of the profile";

    const QString id = B.Call("ChatSend", {"こんにちは\r\n皆さん"});
    ASSERT_EQ(id.size(), 12);
    auto line = A.WaitEvent("OnChatMessage");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->mid(0, 5), (QStringList{"こんにちは\r\n皆さん", id, "花子", "PVHOST2", "Parvane2"}));
    EXPECT_TRUE(line->value(5).contains("年"));
    EXPECT_EQ(B.CountEvents("OnChatMessage"), 0) << "B is not in the chat room";

    const QString own = A.Call("ChatSend", {"自分"});
    auto back = A.WaitEvent("OnChatMessage");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->value(1), own);

    ASSERT_EQ(A.Call("ChatLogout"), kOk);
    B.Call("ChatSend", {"聞こえない"});
    EXPECT_EQ(A.CountEvents("OnChatMessage"), 0);
}

TEST_F(TwoCopies, LogoutReportsTheWholeAddressList)
{
    BothLoggedIn();
    ASSERT_EQ(B.Call("Logout"), kOk);
    EXPECT_EQ(A.WaitEvent("OnLogout"), (QStringList{"花子", "PVHOST2", "198.18.0.2\r\n", "Parvane2"}));
    EXPECT_EQ(A.Get("LoginCount"), kOk);
    EXPECT_EQ(B.Get("LoginCount"), "0");
    EXPECT_EQ(B.Get("LoginStates"), "0");
    EXPECT_EQ(B.Call("Logout"), "0");
    EXPECT_EQ(B.CountEvents("OnLogout"), 0) << "the own table empties without events";
}

TEST_F(TwoCopies, ReflectionRefillsTheTableWithoutLogouts)
{
    BothLoggedIn();
    ASSERT_EQ(A.Call("InformationReflesh"), kOk);
    EXPECT_TRUE(A.WaitEvent("OnLogin"));
    EXPECT_TRUE(A.WaitEvent("OnLogin"));
    EXPECT_EQ(A.CountEvents("OnLogout"), 0);
    EXPECT_EQ(A.Get("LoginCount"), "2");
    // B already lists A identically, so A's LOGIN raises nothing there.
    EXPECT_EQ(B.CountEvents("OnLogin"), 0);
    EXPECT_EQ(B.CountEvents("OnInfoChange"), 0);
}

TEST_F(TwoCopies, ToolAnswersEveryCommandWithOneLine)
{
    EXPECT_EQ(A.Command({"get", "IPAddress"}), (QStringList{"value", "198.18.0.1\r\n"}));
    EXPECT_EQ(A.Command({"get", "MachineName"}), (QStringList{"value", "PVHOST1"}));
    EXPECT_EQ(A.Command({"get", "FTPSendByte"}), (QStringList{"value", "4096"}));
    EXPECT_EQ(A.Command({"set", "LoginCount", "3"}).value(0), "error");
    EXPECT_EQ(A.Command({"set", "NoSuch", "3"}).value(0), "error");
    EXPECT_EQ(A.Command({"call", "Login", "extra"}).value(0), "error");
    EXPECT_EQ(A.Command({"call", "NoSuch"}).value(0), "error");
    EXPECT_EQ(A.Command({"frobnicate"}).value(0), "error");
    EXPECT_EQ(A.Command({"recv", "accept", "/tmp"}), QStringList{"ok"});
    EXPECT_EQ(A.Command({"recv", "refuse"}), QStringList{"ok"});
    EXPECT_EQ(A.Command({"call", "ChatSend", "x"}), (QStringList{"result", ""})) << "logged out: empty text";
    EXPECT_EQ(A.Command({"set", "HandleName", "tab\there\\"}), QStringList{"ok"});
    EXPECT_EQ(A.Command({"get", "HandleName"}), (QStringList{"value", "tab\there\\"}));
    EXPECT_EQ(A.Command({"quit"}), QStringList{"ok"});
    ASSERT_TRUE(A.WaitEnded(3000));
    EXPECT_EQ(A.Process().exitCode(), 0);

    // The end of input ends the service too: a logged-in copy says goodbye on its way out.
    PeerProcess C;
    ASSERT_TRUE(C.Start(*FLan, 0));
    ASSERT_TRUE(C.Set("Discrimination", "Parvane2"));
    ASSERT_EQ(C.Call("ServiceStart"), kOk);
    ASSERT_EQ(C.Call("Login"), kOk);
    ASSERT_TRUE(B.Call("Login") == kOk);
    // B lists itself and C's answer before C goes.
    ASSERT_TRUE(B.WaitEvent("OnLogin"));
    ASSERT_TRUE(B.WaitEvent("OnLogin"));
    C.Process().closeWriteChannel();
    ASSERT_TRUE(C.WaitEnded(3000));
    EXPECT_EQ(C.Process().exitCode(), 0);
    auto gone = B.WaitEvent("OnLogout");
    ASSERT_TRUE(gone);
    EXPECT_EQ(gone->value(1), "PVHOST1");
}

} // namespace
