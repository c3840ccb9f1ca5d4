// Writes the seed corpus of the fuzz targets with the engine's own writers: a
// peer engine whose datagrams are caught on their way to the socket makes every
// record of the protocol, plain and scrambled, in one piece and in fragments;
// the stream writer makes the file-offer headers; the log writer makes log files.
//   fuzz_seeds <folder>   writes <folder>/datagram/*, <folder>/filestream/* and <folder>/logread/*
#include "AnsiCodePage.h"
#include "DatagramFuzzer.h"
#include "FileStreamFuzzer.h"
#include "FileTransferStream.h"
#include "FuzzAccess.h"
#include "FuzzSupport.h"
#include "LogFile.h"
#include "LogReadFuzzer.h"
#include "SystemClock.h"

#include <QDir>
#include <QFile>
#include <cstdio>
#include <vector>

using Access = TParvaneNetworkFuzzAccess;

namespace {

QString gOut;
int gWritten = 0;

void Write(const char* target, const QString& name, const QByteArray& bytes)
{
    const QString folder = gOut + QLatin1Char('/') + QLatin1String(target);
    QDir().mkpath(folder);
    QFile file(folder + QLatin1Char('/') + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file.fileName()));
        std::exit(1);
    }
    ++gWritten;
}

// The peer at 198.18.0.3 (sender 2 of the datagram fuzzer), whose every datagram is kept.
class PeerEngine {
public:
    explicit PeerEngine(bool scrambled)
    {
        FEngine.SetDiscrimination(DatagramFuzz::kDiscrimination);
        FEngine.SetVersion(2200);
        FEngine.SetHandleName(QStringLiteral("相手の名前"));
        FEngine.SetSecurity(scrambled);
        Access::StartWithoutSockets(FEngine, DatagramFuzz::kPeerMachine, {DatagramFuzz::SenderAddress(2)},
                                    [this](const QByteArray& datagram, quint32) {
                                        FDatagrams.push_back(datagram);
                                        return true;
                                    });
        FEngine.Login();
        FDatagrams.clear();
    }
    TParvaneNetwork& Engine() { return FEngine; }
    // The datagrams sent since the last call.
    std::vector<QByteArray> Take()
    {
        std::vector<QByteArray> out;
        out.swap(FDatagrams);
        return out;
    }

private:
    std::vector<QByteArray> FDatagrams;
    TParvaneNetwork FEngine;
};

QByteArray AsCommands(const std::vector<QByteArray>& datagrams, int sender = 2)
{
    QByteArray out;
    for (const QByteArray& d : datagrams)
        out += DatagramFuzz::DatagramCommand(sender, d);
    return out;
}

struct Record {
    const char* Name;
    QByteArray Prefix; // what the copy under test does first
    std::function<void(TParvaneNetwork&)> Make;
};

void WriteDatagramSeeds()
{
    using namespace DatagramFuzz;
    const QString here = SenderAddress(0);
    const QString dis = kDiscrimination;
    const QString longText = QStringLiteral("長いメッセージ\r\n").repeated(120) + QStringLiteral("\\|終わり");
    const std::vector<Record> records = {
        {"login", {}, [](TParvaneNetwork& e) { e.Login(); }},
        {"login_ok", {}, [&](TParvaneNetwork&) {}},
        {"info_change",
         {},
         [](TParvaneNetwork& e) {
             e.SetAbsence(true);
             e.SetAbsenceTitle(QStringLiteral("外出中"));
             e.InformationUpdate();
         }},
        {"logout", {}, [](TParvaneNetwork& e) { e.Logout(); }},
        {"chat_message", Command(kOpUser, kChatLogin),
         [](TParvaneNetwork& e) {
             e.ChatLogin();
             e.ChatSend(QStringLiteral("チャットの行 <b>&amp;</b>"));
         }},
        {"message",
         {},
         [&](TParvaneNetwork& e) { e.MessageSend(QStringLiteral("こんにちは\r\n元気?"), here, dis, false); }},
        {"letter",
         {},
         [&](TParvaneNetwork& e) { e.MessageSend(QStringLiteral("封書です"), here, dis, true); }},
        {"long_message", {}, [&](TParvaneNetwork& e) { e.MessageSend(longText, here, dis, false); }},
        {"message_ok",
         {},
         [&](TParvaneNetwork& e) { Access::SendMessageOk(e, QStringLiteral(" 5 9123 4567"), here, dis); }},
        {"open_check",
         {},
         [&](TParvaneNetwork& e) { e.MessageOpen(QStringLiteral(" 5 9123 4567"), here, dis); }},
        {"huzai_check", Command(kOpUser, kToggleAbsence),
         [&](TParvaneNetwork& e) { e.AbsenceRequest(here, dis); }},
        {"huzai_message",
         {},
         [&](TParvaneNetwork& e) {
             Access::SendAbsenceMessage(e, QStringLiteral("席を外しています"), QStringLiteral("会議"), here,
                                        dis);
         }},
        {"menu_check", {}, [&](TParvaneNetwork& e) { e.MenuRequest(here, dis); }},
        {"menu_check_menu_on", Command(kOpUser, kToggleMenu),
         [&](TParvaneNetwork& e) { e.MenuRequest(here, dis); }},
        {"menu_nothing", {}, [&](TParvaneNetwork& e) { Access::SendMenuNothing(e, here, dis); }},
        {"input_select",
         {},
         [&](TParvaneNetwork& e) {
             e.InputSelect(QStringLiteral("選んでください"), QStringLiteral("はい\r\nいいえ"),
                           QStringLiteral("1"), QStringLiteral("SEL1"), here, dis);
         }},
        {"input_line",
         {},
         [&](TParvaneNetwork& e) {
             e.InputLine(QStringLiteral("合言葉"), QStringLiteral("初期値"), QStringLiteral("LINE1"), here,
                         dis, true);
         }},
        {"input_text",
         {},
         [&](TParvaneNetwork& e) {
             e.InputText(QStringLiteral("文章を入力"), QStringLiteral("TEXT1"), here, dis);
         }},
        {"input_return",
         {},
         [&](TParvaneNetwork& e) {
             e.InputReturn(QStringLiteral("SEL1"), QStringLiteral("はい"), here, dis);
         }},
        {"input_message",
         {},
         [&](TParvaneNetwork& e) { e.InputMessage(QStringLiteral("お知らせ"), here, dis); }},
    };

    for (bool scrambled : {false, true}) {
        const QString suffix = scrambled ? QStringLiteral("-scrambled") : QStringLiteral("-plain");
        for (const Record& record : records) {
            PeerEngine peer(scrambled);
            // Most records need the copy under test to know the peer first.
            peer.Engine().Login();
            const std::vector<QByteArray> login = peer.Take();
            if (QByteArray(record.Name) == "login_ok")
                Access::SendLoginOk(peer.Engine(), here, dis);
            else
                record.Make(peer.Engine());
            const std::vector<QByteArray> datagrams = peer.Take();
            const QString name = QLatin1String(record.Name) + suffix;
            const QByteArray head = AsCommands(login) + record.Prefix;

            Write("datagram", name, head + AsCommands(datagrams) + Command(kOpLoopBack, 0));
            // Fragments last to first, and twice: the repeat must be dropped.
            std::vector<QByteArray> reversed(datagrams.rbegin(), datagrams.rend());
            Write("datagram", name + QStringLiteral("-reversed-repeated"),
                  head + AsCommands(reversed) + AsCommands(datagrams));
            // The same record from a second sender, fragments interleaved.
            QByteArray interleaved = head;
            for (const QByteArray& d : datagrams)
                interleaved += DatagramCommand(2, d) + DatagramCommand(5, d);
            Write("datagram", name + QStringLiteral("-interleaved"), interleaved);
            // The record arrives inside the handler of the log-in, as through a nested loop.
            QByteArray nested;
            for (const QByteArray& d : datagrams)
                nested += DatagramCommand(2, d, true);
            Write("datagram", name + QStringLiteral("-nested"), nested + AsCommands(login));
            // Handlers that log out, refresh or answer while the record is handled.
            for (int reaction : {kReactLogout, kReactRefresh, kReactMessageBack, kReactReadTable})
                Write("datagram", name + QStringLiteral("-reaction%1").arg(reaction),
                      Command(kOpUser, reaction) + head + AsCommands(datagrams));
        }
    }

    // A record left incomplete by 21 senders: the slots run out, then the purge frees them.
    {
        PeerEngine peer(false);
        peer.Engine().MessageSend(longText, here, dis, false);
        const std::vector<QByteArray> datagrams = peer.Take();
        QByteArray overflow;
        for (int sender = 2; sender < 24; ++sender)
            overflow += DatagramCommand(sender, datagrams.front());
        overflow += Command(kOpTime, 12) + AsCommands(datagrams);
        Write("datagram", QStringLiteral("slots-overflow-and-purge"), overflow);
    }
}

QByteArray Offer(const QString& name, qint64 size, const QString& comment)
{
    FileTransferStream::FileOffer offer;
    offer.sHandleName = QStringLiteral("送り主");
    offer.sMachineName = QStringLiteral("PVHOST3");
    offer.sDiscrimination = DatagramFuzz::kDiscrimination;
    offer.sFileName = name;
    offer.iFileSize = size;
    offer.sComment = comment;
    return FileTransferStream::BuildOfferHeader(offer);
}

QByteArray Data(qsizetype size)
{
    QByteArray data(size, 0);
    for (qsizetype i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 7 + 3) & 0xFF);
    return data;
}

void WriteFileStreamSeeds()
{
    using namespace FileStreamFuzz;
    const QByteArray header = Offer(QStringLiteral("報告書.txt"), 5000, QStringLiteral("表の資料です"));
    const QByteArray data = Data(5000);
    const QByteArray close = Command(kOpClose, 0);
    const QByteArray pieces = PeerSends(data.left(4096)) + PeerSends(data.mid(4096));

    const struct {
        const char* Name;
        Answer TheAnswer;
    } answers[] = {
        {"accept", kAcceptOffered},
        {"refuse", kRefuse},
        {"missing-folder", kAcceptIntoMissingFolder},
        {"over-existing", kAcceptOverExisting},
        {"onto-folder", kAcceptOntoFolder},
        {"logout-while-asked", kLogoutWhileAsked},
        {"cancel-while-asked", kCancelWhileAsked},
        {"nested-read", kAcceptAfterNestedRead},
    };
    for (const auto& a : answers)
        Write("filestream", QStringLiteral("receive-") + QLatin1String(a.Name),
              Scene(false, a.TheAnswer) + PeerSends(header) + pieces + close);

    Write("filestream", QStringLiteral("receive-header-in-small-reads"),
          Scene(false, kAcceptOffered) + PeerSends(header, 1) + Command(kOpRead, 1) + Command(kOpRead, 0) +
              pieces + close);
    Write("filestream", QStringLiteral("receive-header-and-data-in-one-read"),
          Scene(false, kAcceptOffered) + PeerSends(header + data) + pieces + close);
    Write("filestream", QStringLiteral("receive-more-than-offered"),
          Scene(false, kAcceptOffered) + PeerSends(header) + pieces + PeerSends(Data(300)) + close);
    Write("filestream", QStringLiteral("receive-cut-short"),
          Scene(false, kAcceptOffered) + PeerSends(header) + PeerSends(data.left(2500)) + close);
    Write("filestream", QStringLiteral("receive-end-by-read"),
          Scene(false, kAcceptOffered) + PeerSends(header) + pieces + Command(kOpClose, 1));
    Write("filestream", QStringLiteral("receive-cancel-midway"),
          Scene(false, kAcceptOffered) + PeerSends(header) + PeerSends(data.left(1000)) +
              LocalCommand(kCancel, 0) + close);
    for (int parameter : {0, 1})
        Write("filestream", QStringLiteral("receive-react-in-progress-%1").arg(parameter),
              Scene(false, kAcceptOffered) + PeerSends(header) + LocalCommand(kReactInEvent, parameter) +
                  pieces + close);
    Write("filestream", QStringLiteral("receive-accept-line-fails"),
          Scene(false, kAcceptOffered) + LocalCommand(kNextSendFails, 0) + PeerSends(header) + pieces +
              close);
    Write("filestream", QStringLiteral("receive-one-byte-file"),
          Scene(false, kAcceptOffered) + PeerSends(Offer(QStringLiteral("a"), 1, QString())) +
              PeerSends("x") + close);
    Write("filestream", QStringLiteral("receive-unsafe-name"),
          Scene(false, kAcceptOffered) + PeerSends(Offer(QStringLiteral("..\\..\\evil"), 10, QString())) +
              PeerSends(Data(10)) + close);
    Write("filestream", QStringLiteral("receive-size-zero"),
          Scene(false, kAcceptOffered) + PeerSends(Offer(QStringLiteral("empty"), 0, QString())) + close);

    const auto sendScene = [](int size) {
        return Scene(true, kAcceptOffered) + QByteArray(1, char((size - 1) >> 8)) +
               QByteArray(1, char(size - 1));
    };
    const QByteArray accept = PeerSends(FileTransferStream::kAcceptLine + FileTransferStream::kLineEnd);
    const QByteArray end = PeerSends(FileTransferStream::kEndLine + FileTransferStream::kLineEnd);
    Write("filestream", QStringLiteral("send-whole"),
          sendScene(5000) + LocalCommand(kConnected, 0) + accept + Command(kOpRoom, 0) + end + close);
    Write("filestream", QStringLiteral("send-blocked-pieces"),
          sendScene(9000) + LocalCommand(kConnected, 0) + LocalCommand(kBlockSends, 1) + accept +
              Command(kOpRoom, 3) + Command(kOpRoom, 7) + Command(kOpRoom, 31) + end + close);
    Write("filestream", QStringLiteral("send-end-line-early"),
          sendScene(4097) + LocalCommand(kConnected, 0) + LocalCommand(kBlockSends, 0) + accept + end +
              Command(kOpRoom, 31) + close);
    for (int parameter : {0, 1}) {
        Write("filestream", QStringLiteral("send-react-in-start-%1").arg(parameter),
              sendScene(5000) + LocalCommand(kConnected, 0) + LocalCommand(kReactInEvent, parameter) +
                  accept + Command(kOpRoom, 0) + end + close);
        Write("filestream", QStringLiteral("send-react-in-progress-%1").arg(parameter),
              sendScene(9000) + LocalCommand(kConnected, 0) + accept +
                  LocalCommand(kReactInEvent, parameter) + Command(kOpRoom, 0) + end + close);
    }
    Write("filestream", QStringLiteral("send-refused"), sendScene(10) + close);
    Write("filestream", QStringLiteral("send-connect-refused"), sendScene(10) + LocalCommand(kConnected, 1));
    Write("filestream", QStringLiteral("send-connect-error"), sendScene(10) + LocalCommand(kConnected, 3));
    Write("filestream", QStringLiteral("send-cancel"),
          sendScene(3000) + LocalCommand(kConnected, 0) + accept + LocalCommand(kCancel, 0));
    Write("filestream", QStringLiteral("send-split-replies"),
          sendScene(100) + LocalCommand(kConnected, 0) + PeerSends("PVNFILESTA") + PeerSends("RT:OK\r") +
              PeerSends("\nPVNFILEEND:\r\n") + close);
}

// A new record's fields in the ANSI code page, then a log file.
QByteArray LogInput(int kind, const QString& from, const QString& to, const QString& text,
                    const QByteArray& file)
{
    return QByteArray(1, static_cast<char>(kind)) + LogReadFuzz::Field(AnsiCodePage::Encode(from)) +
           LogReadFuzz::Field(AnsiCodePage::Encode(to)) + LogReadFuzz::Field(AnsiCodePage::Encode(text)) +
           file;
}

void WriteLogReadSeeds()
{
    const QDateTime when = SystemClock::Now();
    const QString me = QStringLiteral("太郎");
    const QString you = QStringLiteral("花子");
    const QString all = QStringLiteral("(チャット全体)");
    QByteArray log;
    log += LogRecordBytes(LogKindMessageSend, me, you + QStringLiteral(", 次郎"),
                          QStringLiteral("こんにちは"), when);
    log +=
        LogRecordBytes(LogKindMessageRecv, you, me, QStringLiteral("\r\n\r\n一行目\r\n\r\n三行目\r\n"), when);
    log += LogRecordBytes(LogKindChatSend, me, all,
                          QStringLiteral("a &lt;b&gt; &amp; c http://example.invalid/"), when);
    log += LogRecordBytes(LogKindChatRecv, you, all, QString(), when);
    log += LogRecordBytes(7, QString(), QString(), QStringLiteral("<b>markup</b>"), when);
    const QString dashes(80, u'-');

    Write("logread", QStringLiteral("empty"), LogInput(0, me, you, QStringLiteral("hi"), QByteArray()));
    Write("logread", QStringLiteral("log"), LogInput(1, you, me, QStringLiteral("line\nline"), log));
    QByteArray lfOnly = log;
    lfOnly.replace("\r\n", "\n");
    Write("logread", QStringLiteral("log-lf"), LogInput(2, me, all, QStringLiteral("x"), lfOnly));
    QByteArray crOnly = log;
    crOnly.replace("\r\n", "\r");
    Write("logread", QStringLiteral("log-cr"), LogInput(3, you, all, QStringLiteral("y\rz"), crOnly));
    Write("logread", QStringLiteral("log-cut"), LogInput(0, me, you, QString(), log.left(log.size() / 2)));
    Write("logread", QStringLiteral("log-no-last-line-end"),
          LogInput(1, you, me, QStringLiteral("a"), log.chopped(2)));
    Write("logread", QStringLiteral("log-dash-text"),
          LogInput(
              0, me, you, QStringLiteral("above\r\n") + dashes + QStringLiteral("\r\nbelow"),
              LogRecordBytes(1, you, me, QStringLiteral("x\r\n") + dashes + QStringLiteral("\r\ny"), when) +
                  log));
    Write("logread", QStringLiteral("log-names-with-breaks"),
          LogInput(1, QStringLiteral("a\r\nb"), QStringLiteral("c\nd"), QStringLiteral("t"), log));
    Write("logread", QStringLiteral("log-short-lines"),
          LogInput(0, me, you, QStringLiteral("t"),
                   QByteArray("\x81\r\n\r\n\x81\xe1\r\n\x81\r\n\r\n\r\nx\r\n")));
    Write("logread", QStringLiteral("log-bad-bytes"),
          LogInput(1, you, me, QStringLiteral("t"), QByteArray("\xff\x80\xfd\x81\r\n\x82") + log));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    Fuzz::Initialise();
    // Another day than the fuzzers' own clock, so no seed repeats a packet id of the copy under test.
    const QDateTime when(QDate(2012, 3, 4), QTime(15, 16, 17, 180));
    SystemClock::SetNowSource([when] { return when; });
    gOut = QString::fromLocal8Bit(argv[1]);
    WriteDatagramSeeds();
    WriteFileStreamSeeds();
    WriteLogReadSeeds();
    std::printf("%d seeds written to %s\n", gWritten, argv[1]);
    return 0;
}
