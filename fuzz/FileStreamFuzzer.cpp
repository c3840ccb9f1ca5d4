// Fuzzes the file-transfer stream as a peer drives it: on the receiving side the
// offer header, the data and the close; on the sending side the receiver's
// answers. The transfer socket is a descriptor of /dev/null that the engine owns
// and closes; its reads and sends go through the engine's stream hooks to this
// target. The input format is told in FileStreamFuzzer.h.
#include "FileStreamFuzzer.h"

#include "FuzzAccess.h"
#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace FileStreamFuzz;
using Access = TParvaneNetworkFuzzAccess;

namespace {

// A send that would block this often in a row finds room, as the engine's wait would.
constexpr int kBlockedSendsUntilRoom = 3;
constexpr qint64 kRoomAfterWait = 4096;
constexpr int kReadCapUnit = 61;
const QByteArray kAcceptLine = QByteArrayLiteral("PVNFILESTART:OK\r\n");
const QByteArray kEndLine = QByteArrayLiteral("PVNFILEEND:\r\n");
const QByteArray kHeaderEnd = QByteArrayLiteral("&|\\|\r\n");

struct Peer {
    QByteArray Pending;     // sent by the peer, not read yet
    QByteArray Delivered;   // everything the engine has read
    QByteArray Written;     // everything the engine has sent
    QByteArray AfterAccept; // what the receiving engine read after it had accepted
    bool Accepted = false;
    bool EndOnEmpty = false;
    bool FailNextSend = false;
    bool SendFailed = false;
    qint64 Budget = -1; // bytes a send may still take; -1 without limit
    int Blocked = 0;
    int ReadCap = 0;
    // The sending side hears nothing from its socket until the connect has been reported.
    bool Connected = true;
};

struct Outcome {
    // What the next start or progress handler does to the transfer: -1 nothing.
    int React = -1;
    int Offers = 0;
    int Ends = 0;
    int Errors = 0;
    int LastError = -1;
    qint64 LastProgress = 0;
    QString Path;
    qint64 OfferedSize = 0;
};

QString gFolder;
Outcome* gOutcome = nullptr;

void PrepareFolder()
{
    if (!gFolder.isEmpty())
        return;
    const char* shm = "/dev/shm";
    QByteArray pattern = QByteArray(access(shm, W_OK) == 0 ? shm : "/tmp") + "/pvfuzz-XXXXXX";
    if (!mkdtemp(pattern.data()))
        Fuzz::Fail("cannot make the download folder");
    gFolder = QString::fromLocal8Bit(pattern);
    // The folder goes with the process.
    std::atexit([] { QDir(gFolder).removeRecursively(); });
}

QString InFolder(const char* name)
{
    return gFolder + QLatin1Char('/') + QLatin1String(name);
}

void CleanFolder()
{
    QFile::remove(InFolder("received"));
    QFile::remove(InFolder("sent"));
    QDir().rmdir(InFolder("folder"));
}

qint64 Recv(Peer& peer, char* buffer, qint64 length)
{
    if (peer.Pending.isEmpty()) {
        if (peer.EndOnEmpty)
            return 0;
        errno = EAGAIN;
        return -1;
    }
    qint64 n = std::min<qint64>(length, peer.Pending.size());
    if (peer.ReadCap > 0)
        n = std::min<qint64>(n, peer.ReadCap * kReadCapUnit);
    memcpy(buffer, peer.Pending.constData(), static_cast<size_t>(n));
    const QByteArray got = peer.Pending.left(n);
    peer.Pending.remove(0, n);
    peer.Delivered += got;
    if (peer.Accepted)
        peer.AfterAccept += got;
    return n;
}

qint64 Send(Peer& peer, const char* data, qint64 length)
{
    if (peer.FailNextSend) {
        peer.FailNextSend = false;
        peer.SendFailed = true;
        errno = EPIPE;
        return -1;
    }
    if (peer.Budget == 0) {
        if (++peer.Blocked < kBlockedSendsUntilRoom) {
            errno = EAGAIN;
            return -1;
        }
        peer.Budget = kRoomAfterWait;
    }
    peer.Blocked = 0;
    const qint64 n = peer.Budget < 0 ? length : std::min(length, peer.Budget);
    if (peer.Budget > 0)
        peer.Budget -= n;
    peer.Written.append(data, n);
    if (peer.Written.contains(kAcceptLine))
        peer.Accepted = true;
    return n;
}

QByteArray FileContent(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool IsRegularFile(const QString& path)
{
    struct stat info {};
    return lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

struct Stage {
    TParvaneNetwork* Engine;
    Peer* ThePeer;
    Fuzz::Reader* In;
    int Fd;
    int Id;
};
Stage* gStage = nullptr;

void RunOne(Fuzz::Reader& in, TParvaneNetwork& e, Peer& peer, int fd, int id, bool sending)
{
    const int c = in.Byte();
    const int op = c >> kOpShift;
    const int arg = c & kArgMask;
    if (op <= 3) {
        peer.Pending += in.Bytes(static_cast<std::size_t>(in.Word()));
        peer.ReadCap = arg;
        if (peer.Connected)
            Access::ReadReady(e, fd);
    } else if (op == kOpRead) {
        peer.ReadCap = arg;
        if (peer.Connected)
            Access::ReadReady(e, fd);
    } else if (op == kOpClose) {
        if (!peer.Connected) {
            // A peer that never answered the connect: it fails, as a refusal would.
            peer.Connected = true;
            Access::Connected(e, fd, TParvaneNetwork::WSAECONNREFUSED);
        } else if (arg % 2 == 0) {
            Access::Closed(e, fd);
        } else {
            peer.EndOnEmpty = true;
            Access::ReadReady(e, fd);
        }
    } else if (op == kOpLocal) {
        const int parameter = arg >> 3;
        switch ((arg & 7) % kLocalCount) {
        case kCancel:
            if (sending)
                e.FileSendCancel(id);
            else
                e.FileRecvCancel(id);
            break;
        case kLogout:
            e.Logout();
            break;
        case kNextSendFails:
            peer.FailNextSend = true;
            break;
        case kBlockSends:
            peer.Budget = parameter * 1000;
            break;
        case kReactInEvent:
            gOutcome->React = parameter & 1;
            break;
        case kConnected: {
            static const int kResults[] = {0, TParvaneNetwork::WSAECONNREFUSED, TParvaneNetwork::WSAETIMEDOUT,
                                           TParvaneNetwork::WSAENETDOWN};
            if (sending && !peer.Connected) {
                peer.Connected = true;
                Access::Connected(e, fd, kResults[parameter & 3]);
            }
            break;
        }
        default:
            break;
        }
    } else {
        if (peer.Budget >= 0)
            peer.Budget += (arg + 1) * 512;
        if (peer.Connected)
            Access::WriteReady(e, fd);
    }
}

// The user cancels or logs out while the engine is inside its own event.
void ReactInEvent(TParvaneNetwork& e, Outcome& out, int id, bool sending)
{
    const int react = out.React;
    out.React = -1;
    if (react == 0)
        sending ? e.FileSendCancel(id) : e.FileRecvCancel(id);
    else if (react == 1)
        e.Logout();
}

void BindReceiving(TParvaneNetwork& e, Outcome& out, Answer answer)
{
    e.OnFileRecvStart = [&out, answer](TParvaneNetwork* s, int id, const QString& hdl, const QString& mch,
                                       const QString& dis, QString& name, qint64 size, const QString& comment,
                                       bool& cancel) {
        ++out.Offers;
        out.OfferedSize = size;
        Fuzz::Check(size > 0, "an offer of no bytes reached the application");
        Fuzz::Check(!name.isEmpty() && !name.contains(QLatin1Char('/')) &&
                        !name.contains(QLatin1Char('\\')) && name != QLatin1String(".") &&
                        name != QLatin1String(".."),
                    "an offered name that is no plain file name reached the application");
        for (const QString* field : {&hdl, &mch, &dis, &comment})
            Fuzz::Check(!field->contains(QLatin1String("&|")), "a header field kept a separator");
        switch (answer) {
        case kRefuse:
            cancel = true;
            return;
        case kAcceptIntoMissingFolder:
            name = InFolder("missing/received");
            break;
        case kAcceptOverExisting: {
            name = InFolder("received");
            QFile old(name);
            if (old.open(QIODevice::WriteOnly))
                old.write("an older file of another size");
            break;
        }
        case kAcceptOntoFolder:
            name = InFolder("folder");
            QDir().mkdir(name);
            break;
        case kLogoutWhileAsked:
            name = InFolder("received");
            s->Logout();
            break;
        case kCancelWhileAsked:
            name = InFolder("received");
            s->FileRecvCancel(id);
            break;
        case kAcceptAfterNestedRead:
            name = InFolder("received");
            if (gStage && !gStage->In->AtEnd())
                RunOne(*gStage->In, *gStage->Engine, *gStage->ThePeer, gStage->Fd, gStage->Id, false);
            break;
        default:
            name = InFolder("received");
            break;
        }
        out.Path = name;
    };
    e.OnFileRecving = [&out](TParvaneNetwork* s, int id, const QString&, const QString&, const QString&,
                             const QString&, qint64 got, qint64 size) {
        Fuzz::Check(out.Ends + out.Errors == 0, "progress after the end");
        Fuzz::Check(got > out.LastProgress && got <= size && size == out.OfferedSize,
                    "progress that does not move forward within the offered size");
        out.LastProgress = got;
        ReactInEvent(*s, out, id, false);
    };
    e.OnFileRecvEnd = [&out](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                             const QString&) { ++out.Ends; };
    e.OnErrorFileRecv = [&out](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                               const QString&, int error) {
        ++out.Errors;
        out.LastError = error;
    };
}

void BindSending(TParvaneNetwork& e, Outcome& out, qint64 size)
{
    e.OnFileSendStart = [&out](TParvaneNetwork* s, int id, const QString&, const QString&, const QString&,
                               const QString&) {
        ++out.Offers;
        ReactInEvent(*s, out, id, true);
    };
    e.OnFileSending = [&out, size](TParvaneNetwork* s, int id, const QString&, const QString&, const QString&,
                                   const QString&, qint64 sent, qint64 total) {
        Fuzz::Check(out.Ends + out.Errors == 0, "progress after the end");
        Fuzz::Check(sent > out.LastProgress && sent <= total && total == size,
                    "progress that does not move forward within the file size");
        out.LastProgress = sent;
        ReactInEvent(*s, out, id, true);
    };
    e.OnFileSendEnd = [&out](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                             const QString&) { ++out.Ends; };
    e.OnErrorFileSend = [&out](TParvaneNetwork*, int, const QString&, const QString&, const QString&,
                               const QString&, int error) {
        ++out.Errors;
        out.LastError = error;
    };
    e.OnFileSendSocketChange = [](TParvaneNetwork*, int, int) {
        Fuzz::Fail("a transfer moved to a new socket, which this target has not got");
    };
}

void CheckReceived(const Peer& peer, const Outcome& out, Answer answer)
{
    Fuzz::Check(out.Ends + out.Errors <= 1, "a transfer ended twice");
    if (out.Offers > 0 && answer != kRefuse)
        Fuzz::Check(out.Ends + out.Errors == 1, "an accepted offer ended without a word");
    // The offer is taken whole, its line end included, before the answer goes out: no
    // byte of the header line may be read as the file's. Judged where the header is
    // plain ASCII, so its end mark cannot be the second byte of a double-byte character.
    const qsizetype mark = peer.Delivered.indexOf("\\|");
    if (out.Offers > 0 && peer.Accepted && mark >= 0) {
        qsizetype headerEnd = mark + 2;
        if (peer.Delivered.mid(headerEnd, 2) == "\r\n")
            headerEnd += 2;
        const qsizetype readBeforeAccept = peer.Delivered.size() - peer.AfterAccept.size();
        bool ascii = true;
        for (qsizetype i = 0; i < headerEnd; ++i)
            ascii = ascii && static_cast<unsigned char>(peer.Delivered[i]) < 0x80;
        if (ascii)
            Fuzz::Check(readBeforeAccept >= headerEnd, "part of the offer line was taken as the file's data");
    }
    if (out.Ends == 1) {
        // The end line is sent once, and the file is whole whether or not it got through.
        Fuzz::Check(peer.Written.endsWith(kEndLine) || peer.SendFailed,
                    "a finished file was not confirmed with the end line");
        const QByteArray content = FileContent(out.Path);
        Fuzz::Check(content.size() == out.OfferedSize, "a finished file is not of the offered size");
        Fuzz::Check(content == peer.AfterAccept.left(out.OfferedSize),
                    "a finished file differs from the bytes that were sent");
    }
    if (out.Errors == 1 && out.LastError != 1 && !out.Path.isEmpty() && answer != kAcceptOntoFolder)
        Fuzz::Check(!IsRegularFile(out.Path), "a failed transfer left its partial file");
    if (answer == kAcceptOntoFolder && out.Offers > 0)
        Fuzz::Check(QFileInfo(out.Path).isDir(), "a folder at the chosen path was not left as it was");
}

void CheckSent(const Peer& peer, const Outcome& out, const QByteArray& file)
{
    Fuzz::Check(out.Ends + out.Errors == 1, "an outgoing transfer did not end exactly once");
    const qsizetype header = peer.Written.indexOf(kHeaderEnd);
    const QByteArray data = header < 0 ? QByteArray() : peer.Written.mid(header + kHeaderEnd.size());
    const QByteArray offerStart = QByteArrayLiteral("PVNFILESTART:&|");
    Fuzz::Check(peer.Written.startsWith(offerStart) || offerStart.startsWith(peer.Written),
                "something other than the offer went out first");
    Fuzz::Check(file.startsWith(data), "the bytes sent differ from the file");
    if (!data.isEmpty())
        Fuzz::Check(peer.Delivered.contains(kAcceptLine), "data went out before the receiver accepted");
    if (out.Ends == 1) {
        Fuzz::Check(data == file, "a transfer reported done before the whole file went out");
        Fuzz::Check(peer.Delivered.contains(kEndLine), "a transfer reported done without the end line");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::Initialise();
    PrepareFolder();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::ResetSources();
    CleanFolder();
    const int freeBefore = Fuzz::LowestFreeDescriptor();
    Fuzz::Reader in(data, size);
    const int scene = in.Byte();
    const bool sending = (scene & kSceneSending) != 0;
    const auto answer = static_cast<Answer>((scene >> 1) & 7);
    Peer peer;
    Outcome out;
    gOutcome = &out;
    QByteArray file;
    {
        TParvaneNetwork engine;
        engine.SetDiscrimination(QStringLiteral("Parvane2"));
        engine.SetHandleName(QStringLiteral("fuzz"));
        Access::StartWithoutSockets(engine, QStringLiteral("PVHOST1"), {QStringLiteral("198.18.0.1")},
                                    [](const QByteArray&, quint32) { return true; });
        Access::SetStreamHooks(
            engine, [&peer](int, char* buffer, qint64 length) { return Recv(peer, buffer, length); },
            [&peer](int, const char* bytes, qint64 length) { return Send(peer, bytes, length); });
        engine.Login();

        const int fd = ::open("/dev/null", O_RDWR | O_CLOEXEC);
        int id = 0;
        if (sending) {
            const qint64 fileSize = in.Word() % kMaxSendFile + 1;
            file.resize(fileSize);
            for (qint64 i = 0; i < fileSize; ++i)
                file[i] = static_cast<char>((i * 131 + (i >> 8)) & 0xFF);
            QFile writer(InFolder("sent"));
            if (!writer.open(QIODevice::WriteOnly) || writer.write(file) != file.size())
                Fuzz::Fail("cannot write the file to send");
            writer.close();
            BindSending(engine, out, fileSize);
            peer.Connected = false;
            id = Access::AdoptOutgoing(
                engine, fd, QStringLiteral("相手"), QStringLiteral("198.18.0.3\r\n198.18.0.4\r\n"),
                QStringLiteral("Parvane2"), InFolder("sent"), fileSize, QStringLiteral("資料です"));
        } else {
            BindReceiving(engine, out, answer);
            if (!Access::AcceptIncoming(engine, fd))
                Fuzz::Fail("a connection was refused while logged in");
        }
        Stage here{&engine, &peer, &in, fd, id};
        gStage = &here;
        while (!in.AtEnd())
            RunOne(in, engine, peer, fd, id, sending);
        // Whatever is still open, the peer now goes away.
        if (Access::Transfers(engine) != 0) {
            if (peer.Connected)
                Access::Closed(engine, fd);
            else
                Access::Connected(engine, fd, TParvaneNetwork::WSAECONNREFUSED);
        }
        gStage = nullptr;
        gOutcome = nullptr;
        Fuzz::Check(Access::Transfers(engine) == 0, "a transfer outlived its connection");
    }
    if (sending)
        CheckSent(peer, out, file);
    else
        CheckReceived(peer, out, answer);
    Fuzz::Check(Fuzz::LowestFreeDescriptor() == freeBefore, "a descriptor leaked");
    return 0;
}
