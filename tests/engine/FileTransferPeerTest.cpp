// File transfer between two engines: one in this process in host 1, the other
// a pvnpeer process in host 2, both logged in and listing each other.
#include "LanSuite.h"
#include "ParvaneNetwork.h"
#include "PeerProcess.h"
#include "WaitUntil.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using TestSupport::PeerProcess;

namespace {

using TestSupport::WaitUntil;

// A large file between two engines takes its time.
constexpr int kTransferWaitMs = 10000;

QByteArray RandomContent(qsizetype n)
{
    QByteArray bytes(n, Qt::Uninitialized);
    QRandomGenerator generator(static_cast<quint32>(n));
    for (qsizetype i = 0; i < n; ++i)
        bytes[i] = static_cast<char>(generator.bounded(256));
    return bytes;
}

bool Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class EngineAndPeer : public TestSupport::LanSuite<2> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(LanReady());
        ASSERT_TRUE(Here.isValid() && There.isValid());
        ASSERT_TRUE(EnterHost(0));
        Engine = std::make_unique<TParvaneNetwork>();
        Engine->SetDiscrimination("Parvane2");
        Engine->SetVersion(2200);
        Engine->OnFileSending = [this](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                                       const QString&, qint64 sent, qint64) {
            Progress.push_back(sent);
            if (OnProgress)
                OnProgress(sent);
        };
        Engine->OnFileRecving = [this](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                                       const QString&, qint64 got, qint64) { Progress.push_back(got); };
        Engine->OnFileSendEnd = [this](TParvaneNetwork*, int s, const QString&, const QString&,
                                       const QString&, const QString&) { Ends.push_back(s); };
        Engine->OnFileRecvEnd = Engine->OnFileSendEnd;
        Engine->OnErrorFileSend = [this](TParvaneNetwork*, int s, const QString&, const QString&,
                                         const QString&, const QString&, int e) {
            Errors.push_back({s, e});
        };
        Engine->OnErrorFileRecv = Engine->OnErrorFileSend;
        Engine->OnFileRecvStart = [this](TParvaneNetwork*, int, const QString& h, const QString&,
                                         const QString&, QString& name, qint64 size, const QString& comment,
                                         bool&) {
            OfferedBy = h;
            OfferedSize = size;
            OfferedComment = comment;
            name = QDir(Here.path()).filePath(name);
        };
        ASSERT_TRUE(Engine->ServiceStart());
        Engine->SetHandleName("太郎");

        ASSERT_TRUE(Peer.StartLoggedIn(*FLan, 1, "花子"));
        ASSERT_TRUE(Engine->Login());
        ASSERT_TRUE(WaitUntil([this] { return Engine->LoginCount() == 2; }, kTransferWaitMs));
        ASSERT_TRUE(WaitUntil([this] { return Peer.Get("LoginCount") == "2"; }, kTransferWaitMs));
        Peer.ForgetEvents();
    }

    void TearDown() override
    {
        Engine.reset();
        LeaveHost();
    }

    // The peer's next event of that name, the engine here running meanwhile.
    std::optional<QStringList> PeerEvent(const QString& name, int ms = 15000)
    {
        std::optional<QStringList> event;
        WaitUntil(
            [&] {
                event = Peer.WaitEvent(name, 0);
                return event.has_value();
            },
            ms);
        return event;
    }

    QTemporaryDir Here;
    QTemporaryDir There;
    std::unique_ptr<TParvaneNetwork> Engine;
    PeerProcess Peer;
    std::vector<qint64> Progress;
    std::vector<int> Ends;
    std::vector<std::pair<int, int>> Errors;
    std::function<void(qint64)> OnProgress;
    QString OfferedBy;
    QString OfferedComment;
    qint64 OfferedSize = 0;
};

class SentToPeer : public EngineAndPeer, public testing::WithParamInterface<qint64> {};

TEST_P(SentToPeer, ArrivesByteIdentical)
{
    const qint64 size = GetParam();
    const QByteArray content = RandomContent(size);
    const QString path = QDir(Here.path()).filePath("写真.jpg");
    ASSERT_TRUE(Write(path, content));
    ASSERT_EQ(Peer.Command({"recv", "accept", There.path()}), QStringList{"ok"});

    const int id = Engine->FileSend(path, "どうぞ", FLan->MachineName(1), "Parvane2");
    ASSERT_GT(id, 0);
    auto offer = PeerEvent("OnFileRecvStart");
    ASSERT_TRUE(offer);
    // Socket, handle, machine, identifier, name, size, comment, cancel.
    EXPECT_EQ(offer->mid(1),
              (QStringList{"太郎", "PVHOST1", "Parvane2", "写真.jpg", QString::number(size), "どうぞ", "0"}));
    auto end = PeerEvent("OnFileRecvEnd");
    ASSERT_TRUE(end);
    EXPECT_EQ(end->value(4), QDir(There.path()).filePath("写真.jpg"));
    ASSERT_TRUE(WaitUntil([this] { return !Ends.empty(); }, kTransferWaitMs));
    EXPECT_EQ(Ends, std::vector<int>{id});
    EXPECT_TRUE(Errors.empty());
    EXPECT_TRUE(Read(QDir(There.path()).filePath("写真.jpg")) == content);
    ASSERT_FALSE(Progress.empty());
    EXPECT_EQ(Progress.back(), size);
    if (size == 4097) {
        EXPECT_EQ(Progress, (std::vector<qint64>{4096, 4097}));
    }
}

INSTANTIATE_TEST_SUITE_P(EngineAndPeer, SentToPeer, testing::Values<qint64>(1, 4096, 4097, 5 * 1024 * 1024),
                         [](const testing::TestParamInfo<qint64>& info) {
                             return "Bytes" + std::to_string(info.param);
                         });

TEST_F(EngineAndPeer, ReceivedFromPeerByteIdentical)
{
    const QByteArray content = RandomContent(3 * 1024 * 1024 + 5);
    const QString path = QDir(There.path()).filePath("資料.pdf");
    ASSERT_TRUE(Write(path, content));
    const QString id = Peer.Call("FileSend", {path, "読んでね", FLan->Address(0), "Parvane2"});
    ASSERT_NE(id, "0");
    ASSERT_TRUE(PeerEvent("OnFileSendEnd"));
    ASSERT_TRUE(WaitUntil([this] { return !Ends.empty(); }, kTransferWaitMs));
    EXPECT_EQ(OfferedBy, "花子");
    EXPECT_EQ(OfferedSize, content.size());
    EXPECT_EQ(OfferedComment, "読んでね");
    EXPECT_TRUE(Read(QDir(Here.path()).filePath("資料.pdf")) == content);
    EXPECT_EQ(Progress.back(), content.size());
}

TEST_F(EngineAndPeer, EmptyFileIsRefusedSilentlyByTheReceiver)
{
    const QString path = QDir(Here.path()).filePath("empty.txt");
    ASSERT_TRUE(Write(path, QByteArray()));
    ASSERT_EQ(Peer.Command({"recv", "accept", There.path()}), QStringList{"ok"});
    const int id = Engine->FileSend(path, "", FLan->Address(1), "Parvane2");
    ASSERT_GT(id, 0);
    ASSERT_TRUE(WaitUntil([this] { return !Errors.empty(); }, kTransferWaitMs));
    EXPECT_EQ(Errors.front(), std::make_pair(id, 1));
    EXPECT_EQ(Peer.CountEvents("OnFileRecvStart"), 0);
    EXPECT_EQ(Peer.CountEvents("OnErrorFileRecv"), 0);
    EXPECT_TRUE(QDir(There.path()).isEmpty());
}

TEST_F(EngineAndPeer, RefusalReachesTheSenderAsErrorOne)
{
    const QString path = QDir(Here.path()).filePath("a.txt");
    ASSERT_TRUE(Write(path, "abc"));
    ASSERT_EQ(Peer.Command({"recv", "refuse"}), QStringList{"ok"});
    const int id = Engine->FileSend(path, "", FLan->Address(1), "Parvane2");
    ASSERT_TRUE(PeerEvent("OnFileRecvStart"));
    ASSERT_TRUE(WaitUntil([this] { return !Errors.empty(); }, kTransferWaitMs));
    EXPECT_EQ(Errors.front(), std::make_pair(id, 1));
    EXPECT_TRUE(QDir(There.path()).isEmpty());
}

TEST_F(EngineAndPeer, SenderCancelMidFileDeletesThePartialFileAtTheReceiver)
{
    const QString path = QDir(Here.path()).filePath("big.bin");
    ASSERT_TRUE(Write(path, RandomContent(32 * 1024 * 1024)));
    ASSERT_EQ(Peer.Command({"recv", "accept", There.path()}), QStringList{"ok"});
    const int id = Engine->FileSend(path, "", FLan->Address(1), "Parvane2");
    OnProgress = [&](qint64 sent) {
        if (sent >= 1024 * 1024 && Errors.empty()) {
            EXPECT_TRUE(Engine->FileSendCancel(id));
        }
    };
    auto error = PeerEvent("OnErrorFileRecv");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->value(5), "0");
    EXPECT_EQ(Errors.front(), std::make_pair(id, 2));
    EXPECT_FALSE(QFile::exists(QDir(There.path()).filePath("big.bin")));
}

TEST_F(EngineAndPeer, ReceiverLogoutEndsBothSides)
{
    const QString path = QDir(Here.path()).filePath("big.bin");
    ASSERT_TRUE(Write(path, RandomContent(32 * 1024 * 1024)));
    ASSERT_EQ(Peer.Command({"recv", "accept", There.path()}), QStringList{"ok"});
    // Reads this small keep the file far from its end when the peer logs out.
    ASSERT_TRUE(Peer.Set("FTPRecvByte", "16"));
    const int id = Engine->FileSend(path, "", FLan->Address(1), "Parvane2");
    ASSERT_TRUE(PeerEvent("OnFileRecving"));
    EXPECT_EQ(Peer.Call("Logout"), "1");
    auto error = PeerEvent("OnErrorFileRecv");
    ASSERT_TRUE(error);
    EXPECT_EQ(error->value(5), "1");
    ASSERT_TRUE(WaitUntil([this] { return !Errors.empty(); }, kTransferWaitMs));
    EXPECT_TRUE(Ends.empty());
    EXPECT_EQ(Errors.front(), std::make_pair(id, 1));
    // Cancelled or logged out: what arrived stays.
    EXPECT_TRUE(QFile::exists(QDir(There.path()).filePath("big.bin")));
}

} // namespace
