// File transfer over TCP: the stream format is told in FileTransferStream.h.
// The application knows a transfer by its TransferId; descriptors stay inside
// the engine, because the system reuses a closed one at once. Every routine
// that raises an event finds its record again by that number and stops when it
// has gone. Nothing here runs the event loop inside itself: a long send or read
// hands the loop back after a short turn and asks to go on, and an offer is
// answered later through FileRecvAccept or FileRecvCancel, so no transfer
// waits behind a question or behind another handler's loop. Every end of a transfer closes the socket
// and drops the record before it raises its event, so nothing ends silently and a handler that starts a new
// transfer at once cannot have it closed under it.
#include "AnsiCodePage.h"
#include "FileTransferStream.h"
#include "ParvaneNetwork.h"
#include "ProtocolRecords.h"
#include "TransferNumbers.h"

#include <QFile>
#include <QTimer>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/sockios.h>
#include <map>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace FileTransferStream;
using ProtocolRecords::kLineBreak;

// The notices an outgoing transfer socket asks for (FD_READ | FD_WRITE | FD_CONNECT | FD_CLOSE).
constexpr int kSendSocketEvents = 51;
// A protocol line goes out in one piece on a fresh connection; a peer that lets
// even that back up for this long is given up rather than waited for.
constexpr int kLineSendPatienceMs = 5000;

// A turn of the event loop polls every socket, which costs more than sending a
// piece; a notice works on for this long before it hands the loop back (and
// asks to go on), so the program stays responsive and fast transfers are not
// held up. It returns instead of running the loop inside itself: a handler that
// waits in a loop of its own then holds up no other transfer.
constexpr auto kTurnLength = std::chrono::microseconds(1000);
// File bytes read in one go and then handed to the socket piece by piece.
constexpr qint64 kReadAheadBytes = 256 * 1024;
// Bytes handed to one send when the pieces are smaller.
constexpr qint64 kSendBatchBytes = 64 * 1024;
// Bytes taken with one receive once the data flows.
constexpr qint64 kRecvBatchBytes = 64 * 1024;
// Reads of one notice before the other sockets get their turn.
constexpr int kReadsPerNotice = 64;

bool TurnOver(std::chrono::steady_clock::time_point began)
{
    return std::chrono::steady_clock::now() - began >= kTurnLength;
}

int SendErrorOf(int iWsaError)
{
    // A reset or a broken pipe is the peer going away; the rest is the connection failing.
    return iWsaError == TParvaneNetwork::WSAECONNRESET || iWsaError == TParvaneNetwork::WSAECONNABORTED
               ? TParvaneNetwork::FileSendErrorClosed
               : TParvaneNetwork::FileSendErrorConnection;
}

bool IsNextAddressError(int iWsaError)
{
    return iWsaError == TParvaneNetwork::WSAETIMEDOUT || iWsaError == TParvaneNetwork::WSAECONNREFUSED ||
           iWsaError == TParvaneNetwork::WSAEHOSTUNREACH;
}

// A regular file opened for reading, or -1. Non-blocking, so a named pipe cannot stall the open.
int OpenForSending(const QString& sFileName, qint64* pSize)
{
    const QByteArray path = QFile::encodeName(sFileName);
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return -1;
    }
    if (pSize)
        *pSize = info.st_size;
    return fd;
}

QString FirstLine(const QString& sList)
{
    const qsizetype end = sList.indexOf(kLineBreak);
    return end < 0 ? sList : sList.left(end);
}

qint64 SteadyNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The dotted address a connection came from; empty when the system cannot say.
QString PeerAddressOf(int iSocket)
{
    sockaddr_in from{};
    socklen_t length = sizeof from;
    if (getpeername(iSocket, reinterpret_cast<sockaddr*>(&from), &length) != 0)
        return QString();
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &from.sin_addr, text, sizeof text);
    return QString::fromLatin1(text);
}

// The list without its first line and that line's CR LF; empty when there is no further line.
QString WithoutFirstLine(const QString& sList)
{
    const qsizetype end = sList.indexOf(kLineBreak);
    return end < 0 ? QString() : sList.mid(end + kLineBreak.size());
}

} // namespace

int TParvaneNetwork::FileSend(const QString& sFileName, const QString& sComment, const QString& sSendHost,
                              const QString& sSendDiscrimination)
{
    if (FFTPSocketNo == -1 || !FLoginStates)
        return 0;
    qint64 size = 0;
    const int file = OpenForSending(sFileName, &size);
    if (file < 0)
        return 0;
    ::close(file);

    QString list = sSendHost;
    QString first = FirstLine(list);
    if (!IPAddressCheck(first)) {
        for (int i = 0; i < FLoginCount; ++i) {
            if (FLoginUser[static_cast<std::size_t>(i)].Machine == first) {
                list = IPListText(FLoginUser[static_cast<std::size_t>(i)].IPAddress).trimmed();
                first = FirstLine(list);
                break;
            }
        }
    }
    const TPVN_LoginUserInformation* peer = nullptr;
    for (int i = 0; i < FLoginCount; ++i) {
        const TPVN_LoginUserInformation& entry = FLoginUser[static_cast<std::size_t>(i)];
        if (entry.IPAddress.contains(first) && entry.Discrimination == sSendDiscrimination) {
            peer = &entry;
            break;
        }
    }
    if (!peer || peer->FTPPort <= 0 || peer->FTPPort > MaximumPortNo || peer->Handle.isEmpty())
        return 0;
    in_addr address{};
    if (inet_pton(AF_INET, first.toLatin1().constData(), &address) != 1)
        return 0;

    FileOffer offer;
    offer.sHandleName = FHandleName;
    offer.sMachineName = FMachineName;
    offer.sDiscrimination = FDiscrimination;
    offer.sFileName = sFileName.mid(std::max(sFileName.lastIndexOf('/'), sFileName.lastIndexOf('\\')) + 1);
    offer.iFileSize = size;
    offer.sComment = sComment;
    // A receiver refuses a longer header; better to fail here than to be refused.
    if (BuildOfferHeader(offer).size() > kMaxHeaderBytes)
        return 0;

    const int socketNo = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (socketNo < 0)
        return 0;
    if (!SocketSelect(socketNo, kSendSocketEvents) ||
        SocketConnect(socketNo, ntohl(address.s_addr), static_cast<quint16>(peer->FTPPort)) != 0) {
        SocketClose(socketNo);
        return 0;
    }
    const int transferId = TakeTransferNumber(PrNextTransferId);
    if (transferId == 0) {
        SocketClose(socketNo);
        return 0;
    }
    TPVN_FileSend* record = FileSendAdd();
    record->clsSocket = socketNo;
    record->TransferId = transferId;
    record->iStep = 0;
    record->sSendUser =
        peer->Handle + FieldSeparator + list + FieldSeparator + sSendDiscrimination + FieldSeparator;
    record->sSendFile = sFileName;
    record->iSendFileSize = size;
    record->sSendFileComment = sComment;
    record->iSendFileLocate = 0;
    return transferId;
}

bool TParvaneNetwork::FileSendCancel(int iSocketNo)
{
    TPVN_FileSend* record = FileSendFindId(iSocketNo);
    if (!record)
        return false;
    FileSendFail(record, FileSendErrorCancelled);
    return true;
}

bool TParvaneNetwork::FileRecvCancel(int iSocketNo)
{
    TPVN_FileRecv* record = FileRecvFindId(iSocketNo);
    if (!record)
        return false;
    // The partial file stays: the user chose to stop, not to lose what arrived.
    FileRecvFail(record, FileRecvErrorCancelled, false);
    return true;
}

TParvaneNetwork::TFileRecvAcceptResult
TParvaneNetwork::FileRecvAccept(int iSocketNo, const QString& sFileName, bool bReplace)
{
    TPVN_FileRecv* record = FileRecvFindId(iSocketNo);
    if (!record || record->iStep != 0 || !record->bOffering)
        return TFileRecvAcceptResult::Ended;
    return FileRecvCreate(record, sFileName, bReplace);
}

TPVN_FileSend* TParvaneNetwork::FileSendAdd()
{
    PrFTPSend.push_back(std::make_unique<TPVN_FileSend>());
    return PrFTPSend.back().get();
}

TPVN_FileRecv* TParvaneNetwork::FileRecvAdd()
{
    PrFTPRecv.push_back(std::make_unique<TPVN_FileRecv>());
    return PrFTPRecv.back().get();
}

TPVN_FileSend* TParvaneNetwork::FileSendFind(int iSocket) const
{
    for (const auto& record : PrFTPSend) {
        if (record->clsSocket == iSocket)
            return record.get();
    }
    return nullptr;
}

TPVN_FileRecv* TParvaneNetwork::FileRecvFind(int iSocket) const
{
    for (const auto& record : PrFTPRecv) {
        if (record->clsSocket == iSocket)
            return record.get();
    }
    return nullptr;
}

TPVN_FileSend* TParvaneNetwork::FileSendFindId(int iTransferId) const
{
    if (iTransferId == 0)
        return nullptr;
    for (const auto& record : PrFTPSend) {
        if (record->TransferId == iTransferId)
            return record.get();
    }
    return nullptr;
}

TPVN_FileRecv* TParvaneNetwork::FileRecvFindId(int iTransferId) const
{
    if (iTransferId == 0)
        return nullptr;
    for (const auto& record : PrFTPRecv) {
        if (record->TransferId == iTransferId)
            return record.get();
    }
    return nullptr;
}

void TParvaneNetwork::FileSendDelete(int iSocket)
{
    for (auto it = PrFTPSend.begin(); it != PrFTPSend.end(); ++it) {
        if ((*it)->clsSocket == iSocket) {
            PrFTPSend.erase(it);
            return;
        }
    }
}

void TParvaneNetwork::FileRecvDelete(int iSocket)
{
    for (auto it = PrFTPRecv.begin(); it != PrFTPRecv.end(); ++it) {
        if ((*it)->clsSocket == iSocket) {
            PrFTPRecv.erase(it);
            return;
        }
    }
}

// A released record takes its socket with it.
void TParvaneNetwork::FileSendClear()
{
    for (const auto& record : PrFTPSend)
        SocketClose(record->clsSocket);
    PrFTPSend.clear();
}

void TParvaneNetwork::FileRecvClear()
{
    for (const auto& record : PrFTPRecv)
        SocketClose(record->clsSocket);
    PrFTPRecv.clear();
}

void TParvaneNetwork::FileSocketClose(int iSocket)
{
    // Only a descriptor of a transfer is closed; anything else is not the engine's to close.
    if (!FileSendFind(iSocket) && !FileRecvFind(iSocket))
        return;
    SocketClose(iSocket);
    FileSendDelete(iSocket);
    FileRecvDelete(iSocket);
}

bool TParvaneNetwork::FileSocketSendText(int iSocket, const QString& sText)
{
    return FileSocketSendBytes(iSocket, AnsiCodePage::Encode(sText) + kLineEnd);
}

bool TParvaneNetwork::FileSocketSendBytes(int iSocket, const QByteArray& bytes)
{
    const qint64 piece = std::max(1, PrFTPMaxSendByte);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kLineSendPatienceMs);
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = SocketSend(iSocket, bytes.constData() + done, std::min(piece, bytes.size() - done));
        if (n >= 0) {
            done += n;
            continue;
        }
        if (PrLastError != WSAEWOULDBLOCK)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            PrLastError = WSAETIMEDOUT;
            return false;
        }
        pollfd p{iSocket, POLLOUT, 0};
        poll(&p, 1, static_cast<int>(left.count()));
    }
    return true;
}

void TParvaneNetwork::FileSendFail(TPVN_FileSend* record, int iError)
{
    const int id = record->TransferId;
    const QString user = record->sSendUser;
    const QString file = record->sSendFile;
    FileSocketClose(record->clsSocket);
    if (OnErrorFileSend)
        OnErrorFileSend(this, id, StringSplit(user, 0), StringSplit(user, 1), StringSplit(user, 2), file,
                        iError);
}

void TParvaneNetwork::FileRecvFail(TPVN_FileRecv* record, int iError, bool bDeleteFile)
{
    const int id = record->TransferId;
    const QString user = record->sSendUser;
    const QString file = record->sRecvFile;
    const bool created = record->iStep >= 1;
    // A kept partial file holds exactly what was reported, nothing of a batch after it.
    // Should the cut fail, the file is still what arrived; nothing more can be done about it.
    if (!bDeleteFile && record->File.IsOpen()) {
        const int cut = ftruncate(record->File.Get(), record->iRecvFileLocate);
        Q_UNUSED(cut);
    }
    record->File.Close();
    FileSocketClose(record->clsSocket);
    if (bDeleteFile && created && !file.isEmpty())
        QFile::remove(file);
    if (OnErrorFileRecv)
        OnErrorFileRecv(this, id, StringSplit(user, 0), StringSplit(user, 1), StringSplit(user, 2), file,
                        iError);
}

void TParvaneNetwork::FileSendSucceeded(TPVN_FileSend* record)
{
    const int id = record->TransferId;
    const QString user = record->sSendUser;
    const QString file = record->sSendFile;
    SocketSelect(record->clsSocket, 0);
    FileSocketClose(record->clsSocket);
    if (OnFileSendEnd)
        OnFileSendEnd(this, id, StringSplit(user, 0), StringSplit(user, 1), StringSplit(user, 2), file);
}

void TParvaneNetwork::FileRecvSucceeded(TPVN_FileRecv* record)
{
    const int id = record->TransferId;
    const QString user = record->sSendUser;
    const QString file = record->sRecvFile;
    FileSocketClose(record->clsSocket);
    if (OnFileRecvEnd)
        OnFileRecvEnd(this, id, StringSplit(user, 0), StringSplit(user, 1), StringSplit(user, 2), file);
}

void TParvaneNetwork::FileConnectNotify(int iSocket, int iError)
{
    TPVN_FileSend* record = FileSendFind(iSocket);
    if (!record)
        return;
    if (iError == 0) {
        FileOffer offer;
        offer.sHandleName = FHandleName;
        offer.sMachineName = FMachineName;
        offer.sDiscrimination = FDiscrimination;
        const QString& path = record->sSendFile;
        offer.sFileName = path.mid(std::max(path.lastIndexOf('/'), path.lastIndexOf('\\')) + 1);
        offer.iFileSize = record->iSendFileSize;
        offer.sComment = record->sSendFileComment;
        if (!FileSocketSendBytes(iSocket, BuildOfferHeader(offer)))
            FileSendFail(record, SendErrorOf(PrLastError));
        return;
    }
    if (IsNextAddressError(iError)) {
        FileSendFailover(record);
        return;
    }
    FileSendFail(record, FileSendErrorConnection);
}

void TParvaneNetwork::FileSendFailover(TPVN_FileSend* record)
{
    struct {
        int TransferId;
        QString sSendUser, sSendFile, sSendFileComment;
    } const copy{record->TransferId, record->sSendUser, record->sSendFile, record->sSendFileComment};
    const QString discrimination = StringSplit(copy.sSendUser, 2);
    QString remaining = WithoutFirstLine(StringSplit(copy.sSendUser, 1));
    FileSocketClose(record->clsSocket);
    // An address that cannot even be tried is passed over, so the user hears
    // of the transfer however many addresses fail.
    while (!remaining.isEmpty()) {
        const int next = FileSend(copy.sSendFile, copy.sSendFileComment, remaining, discrimination);
        if (next != 0) {
            if (OnFileSendSocketChange)
                OnFileSendSocketChange(this, copy.TransferId, next);
            return;
        }
        remaining = WithoutFirstLine(remaining);
    }
    if (OnErrorFileSend)
        OnErrorFileSend(this, copy.TransferId, StringSplit(copy.sSendUser, 0), StringSplit(copy.sSendUser, 1),
                        discrimination, copy.sSendFile, FileSendErrorNoAddress);
}

void TParvaneNetwork::FileWriteNotify(int iSocket, int iError)
{
    Q_UNUSED(iError);
    TPVN_FileSend* record = FileSendFind(iSocket);
    if (record && record->iStep == 1)
        FileSendData(iSocket);
}

bool TParvaneNetwork::FileSendData(int iSocket)
{
    TPVN_FileSend* record = FileSendFind(iSocket);
    if (!record)
        return false;
    if (record->bSending)
        return true;
    const int id = record->TransferId;
    if (!record->File.IsOpen()) {
        const int file = OpenForSending(record->sSendFile, nullptr);
        if (file < 0) {
            FileSendFail(record, FileSendErrorFile);
            return false;
        }
        record->File.Reset(file);
    }
    const qint64 piece = std::max(1, std::min(FFTPSendByte, PrFTPMaxSendByte));
    // Pieces go to the socket several at a time: a system call per small piece
    // costs more than the copy, and the stream carries no piece boundaries.
    const qint64 batch = std::max(piece, kSendBatchBytes / piece * piece);
    record->bSending = true;
    const auto began = std::chrono::steady_clock::now();
    for (;;) {
        const qint64 want = std::min(batch, record->iSendFileSize - record->iSendFileLocate);
        const qint64 offset = record->iSendFileLocate - record->iReadAheadAt;
        if (offset < 0 || offset + want > record->ReadAhead.size()) {
            const qint64 chunk =
                std::max(want, std::min(kReadAheadBytes, record->iSendFileSize - record->iSendFileLocate));
            record->ReadAhead.resize(chunk);
            const ssize_t got =
                pread(record->File.Get(), record->ReadAhead.data(), static_cast<size_t>(chunk),
                      static_cast<off_t>(record->iSendFileLocate));
            if (got <= 0) {
                // The file shrank or cannot be read any more: the announced size can never be met.
                FileSendFail(record, FileSendErrorFile);
                return false;
            }
            record->ReadAhead.resize(got);
            record->iReadAheadAt = record->iSendFileLocate;
        }
        const qint64 at = record->iSendFileLocate - record->iReadAheadAt;
        const qint64 length = std::min(want, record->ReadAhead.size() - at);
        const qint64 sent = SocketSend(record->clsSocket, record->ReadAhead.constData() + at, length);
        if (sent < 0) {
            if (PrLastError == WSAEWOULDBLOCK) {
                record->bSending = false;
                return true;
            }
            FileSendFail(record, SendErrorOf(PrLastError));
            return false;
        }
        // One progress event per piece of what the socket took; a piece it took only
        // in part is reported as far as it went, and the next one starts there.
        const qint64 reached = record->iSendFileLocate + sent;
        record->iProgressAt = SteadyNowMs();
        while (record->iSendFileLocate < reached) {
            record->iSendFileLocate = std::min(reached, record->iSendFileLocate + piece);
            if (OnFileSending) {
                OnFileSending(this, id, StringSplit(record->sSendUser, 0), StringSplit(record->sSendUser, 1),
                              StringSplit(record->sSendUser, 2), record->sSendFile, record->iSendFileLocate,
                              record->iSendFileSize);
                record = FileSendFindId(id);
                if (!record)
                    return true;
            }
        }
        if (record->iSendFileLocate >= record->iSendFileSize) {
            record->iStep = 2;
            record->bSending = false;
            record->File.Close();
            record->ReadAhead = QByteArray();
            if (record->bEndEarly)
                FileSendSucceeded(record);
            return true;
        }
        if (TurnOver(began)) {
            record->bSending = false;
            PostSocketNotify(record->clsSocket, FD_WRITE);
            return true;
        }
    }
}

void TParvaneNetwork::FileReadNotify(int iSocket, int iError)
{
    Q_UNUSED(iError);
    FileSocketRead(iSocket);
}

bool TParvaneNetwork::FileSocketRead(int iSocket)
{
    const TPVN_FileRecv* incoming = FileRecvFind(iSocket);
    const TPVN_FileSend* outgoing = incoming ? nullptr : FileSendFind(iSocket);
    if (!incoming && !outgoing)
        return false;
    const int id = incoming ? incoming->TransferId : outgoing->TransferId;
    const auto began = std::chrono::steady_clock::now();
    TPVN_FileRecv* recvRecord = incoming ? FileRecvFindId(id) : nullptr;
    TPVN_FileSend* sendRecord = outgoing ? FileSendFindId(id) : nullptr;

    // As on the sending side, several reads of FTPRecvByte are taken with one system
    // call once data flows; each of them is still written and reported on its own.
    const qint64 size = std::max(1, FFTPRecvByte);
    const qint64 batch =
        recvRecord && recvRecord->iStep == 1 ? std::max(size, kRecvBatchBytes / size * size) : size;
    // Its own buffer for each call, left unfilled: a handler may run the event loop
    // while this one is still being written out, and zeroing it cost more than the read.
    const auto storage = std::make_unique_for_overwrite<char[]>(static_cast<std::size_t>(batch));
    char* const data = storage.get();
    for (int reads = 0;; ++reads) {
        const qint64 n = SocketRecv(iSocket, data, batch);
        if (n < 0 && PrLastError == WSAEWOULDBLOCK)
            return true;
        if (n <= 0) {
            // A read error or an end found by the read itself counts as the close it is.
            if (recvRecord && n == 0 && recvRecord->iStep == 2)
                FileRecvSucceeded(recvRecord);
            else if (recvRecord)
                FileRecvFail(recvRecord, FileRecvErrorClosed, true);
            else
                FileSendFail(sendRecord, n == 0 ? FileSendErrorClosed : SendErrorOf(PrLastError));
            return false;
        }
        if (sendRecord) {
            FileSendReply(sendRecord, QByteArray(data, n));
            return true;
        }
        if (recvRecord->iStep == 0) {
            // A sender must wait for the answer; what it sends meanwhile is no second offer.
            if (!recvRecord->bOffering) {
                recvRecord->sRecvData.append(data, n);
                FileRecvOffer(recvRecord);
            }
            return true;
        }
        // Once the whole file is in, what else comes is not the file's.
        if (recvRecord->iStep != 1)
            return true;
        if (!FileRecvWrite(recvRecord, data, n, size, reads == 0))
            return true;
        recvRecord = FileRecvFindId(id);
        if (!recvRecord)
            return true;
        // Data that keeps coming is taken in several batches of one notice; the read
        // notice is on again, so what is left comes with the next one.
        if (n < batch || reads + 1 >= kReadsPerNotice || TurnOver(began) || recvRecord->iStep != 1)
            return true;
    }
}

void TParvaneNetwork::FileSendReply(TPVN_FileSend* record, const QByteArray& bytes)
{
    const int id = record->TransferId;
    const Reply reply = ScanReply(record->sRecvData, bytes);
    if (reply.bAccepted && record->iStep == 0) {
        if (OnFileSendStart) {
            OnFileSendStart(this, id, StringSplit(record->sSendUser, 0), StringSplit(record->sSendUser, 1),
                            StringSplit(record->sSendUser, 2), record->sSendFile);
            record = FileSendFindId(id);
            if (!record)
                return;
        }
        record->iStep = 1;
        record->iProgressAt = SteadyNowMs();
        FileStallWatch();
        PostSocketNotify(record->clsSocket, FD_WRITE);
    }
    if (!reply.bEnded)
        return;
    // Only the end of all the data is success; an early end line waits for the last piece.
    if (record->iStep == 2)
        FileSendSucceeded(record);
    else
        record->bEndEarly = true;
}

void TParvaneNetwork::FileRecvOffer(TPVN_FileRecv* record)
{
    FileOffer offer;
    const HeaderState state = ParseOfferHeader(record->sRecvData, offer);
    if (state == HeaderState::Incomplete)
        return;
    record->sRecvData.clear();
    const QString name = state == HeaderState::Complete ? SafeOfferedName(offer.sFileName) : QString();
    // Refused silently: a bad header, an unsafe name, nobody to ask, or logged out meanwhile.
    if (name.isEmpty() || !OnFileRecvStart || !FLoginStates) {
        FileSocketClose(record->clsSocket);
        return;
    }
    const int id = record->TransferId;
    for (;;) {
        const TFileOfferPlace place = FileOfferPlace(record->sPeerAddress);
        // Already as many offers waiting as may: refused, and the user is told.
        if (!place.bPlace) {
            FileSocketClose(record->clsSocket);
            if (OnErrorFileRecvOverflow)
                OnErrorFileRecvOverflow(this);
            return;
        }
        if (place.iGivesWay == 0)
            break;
        // Ended as a cancel ends it: its window closes with no word, since a box for
        // every offer that gives way would let a flood pile boxes up, and none of them
        // was the sender's doing. The handler may run the loop: the place is looked for again.
        FileRecvFail(FileRecvFindId(place.iGivesWay), FileRecvErrorCancelled, true);
        record = FileRecvFindId(id);
        if (!record)
            return;
    }
    record->sSendUser = offer.sHandleName + FieldSeparator + offer.sMachineName + FieldSeparator +
                        offer.sDiscrimination + FieldSeparator;
    record->iRecvFileSize = offer.iFileSize;
    record->bOffering = true;
    QString fileName = name;
    bool cancel = false;
    OnFileRecvStart(this, id, offer.sHandleName, offer.sMachineName, offer.sDiscrimination, fileName,
                    offer.iFileSize, offer.sComment, cancel);
    record = FileRecvFindId(id);
    // Gone, or answered inside the event already.
    if (!record || !record->bOffering)
        return;
    if (cancel) {
        FileSocketClose(record->clsSocket);
        return;
    }
    // The answer comes later; the offer waits without holding anything up.
    if (fileName.isEmpty())
        return;
    // An answer given at once is the user's word on the path: what is there is replaced.
    FileRecvCreate(record, fileName, true);
}

TParvaneNetwork::TFileOfferPlace TParvaneNetwork::FileOfferPlace(const QString& sPeerAddress) const
{
    std::map<QString, int> waiting;
    int all = 0;
    for (const auto& record : PrFTPRecv) {
        if (record->bOffering) {
            ++waiting[record->sPeerAddress];
            ++all;
        }
    }
    const auto held = [&](const QString& sAddress) {
        const auto found = waiting.find(sAddress);
        return found == waiting.end() ? 0 : found->second;
    };
    const int fromPeer = held(sPeerAddress);
    if (fromPeer >= FileOfferPerPeerMax)
        return {};
    if (all < FileOfferPendingMax)
        return {true, 0};
    int most = 0;
    for (const auto& [address, count] : waiting)
        most = std::max(most, count);
    if (fromPeer >= most)
        return {};
    // Records keep the order their connections came in: the first found is the oldest.
    for (const auto& record : PrFTPRecv) {
        if (record->bOffering && held(record->sPeerAddress) == most)
            return {true, record->TransferId};
    }
    return {};
}

TParvaneNetwork::TFileRecvAcceptResult
TParvaneNetwork::FileRecvCreate(TPVN_FileRecv* record, const QString& sFileName, bool bReplace)
{
    const QByteArray path = QFile::encodeName(sFileName);
    struct stat existing {};
    const bool there = lstat(path.constData(), &existing) == 0;
    if (there && !bReplace)
        return TFileRecvAcceptResult::Exists;
    // Another reception writing there would lose its file without a word.
    const bool taken = std::any_of(PrFTPRecv.begin(), PrFTPRecv.end(), [&](const auto& other) {
        return other.get() != record && other->iStep >= 1 && other->sRecvFile == sFileName;
    });
    record->bOffering = false;
    record->sRecvFile = sFileName;
    // A link or anything else at the chosen path is removed, never followed; what cannot
    // be removed stays as it was.
    if (there && (taken || ::unlink(path.constData()) != 0)) {
        FileRecvFail(record, FileRecvErrorFile, false);
        return TFileRecvAcceptResult::Ended;
    }
    const int file = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (file < 0 && errno == EEXIST && !bReplace) {
        // Made by someone else since the look: that is asked about too.
        record->bOffering = true;
        record->sRecvFile.clear();
        return TFileRecvAcceptResult::Exists;
    }
    if (file < 0) {
        FileRecvFail(record, FileRecvErrorFile, false);
        return TFileRecvAcceptResult::Ended;
    }
    record->File.Reset(file);
    record->iRecvFileLocate = 0;
    record->iStep = 1;
    record->iProgressAt = SteadyNowMs();
    FileStallWatch();
    if (!FileSocketSendText(record->clsSocket, QString::fromLatin1(kAcceptLine))) {
        FileRecvFail(record, FileRecvErrorClosed, true);
        return TFileRecvAcceptResult::Ended;
    }
    return TFileRecvAcceptResult::Accepted;
}

void TParvaneNetwork::FileStallWatch()
{
    if (!PrStallTimer.isActive())
        PrStallTimer.start(std::clamp(PrTransferStallMs / 4, 10, 5000));
}

void TParvaneNetwork::FileStallCheck()
{
    const qint64 now = SteadyNowMs();
    const auto stalled = [&](qint64 iProgressAt) { return now - iProgressAt >= PrTransferStallMs; };
    bool watching = false;
    std::vector<int> sending;
    std::vector<int> receiving;
    for (const auto& record : PrFTPSend) {
        if (record->iStep < 1)
            continue;
        watching = true;
        // Bytes the receiver takes from the socket are progress too: the last of a
        // file may sit there long after it was sent, while a slow receiver reads it.
        int queued = 0;
        if (ioctl(record->clsSocket, SIOCOUTQ, &queued) == 0 && queued != record->iQueuedBytes) {
            record->iQueuedBytes = queued;
            record->iProgressAt = now;
        }
        if (stalled(record->iProgressAt))
            sending.push_back(record->TransferId);
    }
    for (const auto& record : PrFTPRecv) {
        if (record->iStep < 1)
            continue;
        watching = true;
        if (stalled(record->iProgressAt))
            receiving.push_back(record->TransferId);
    }
    if (!watching)
        PrStallTimer.stop();
    // Each ends as the peer's close would end it; a handler may end others meanwhile.
    for (int id : sending) {
        if (TPVN_FileSend* record = FileSendFindId(id))
            FileSendFail(record, FileSendErrorClosed);
    }
    for (int id : receiving) {
        TPVN_FileRecv* record = FileRecvFindId(id);
        if (record && record->iStep == 2)
            FileRecvSucceeded(record);
        else if (record)
            FileRecvFail(record, FileRecvErrorClosed, true);
    }
}

bool TParvaneNetwork::FileRecvWrite(TPVN_FileRecv* record, const char* pData, qint64 iLength, qint64 iPiece,
                                    bool bCheckSize)
{
    const int id = record->TransferId;
    // Someone else changing the file is caught once per notice, not per read.
    struct stat info {};
    if (bCheckSize && (fstat(record->File.Get(), &info) != 0 || info.st_size != record->iRecvFileLocate)) {
        FileRecvFail(record, FileRecvErrorFile, true);
        return false;
    }
    // Bytes beyond the announced size are not the file's.
    const qint64 length = std::min(iLength, record->iRecvFileSize - record->iRecvFileLocate);
    // One write for the whole batch; each piece is then reported in turn. A cancel in
    // the middle cuts the file back to what was reported (FileRecvFail).
    for (qint64 done = 0; done < length;) {
        const ssize_t n = ::write(record->File.Get(), pData + done, static_cast<size_t>(length - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            FileRecvFail(record, FileRecvErrorFile, true);
            return false;
        }
        done += n;
    }
    const qint64 end = record->iRecvFileLocate + length;
    if (length > 0)
        record->iProgressAt = SteadyNowMs();
    while (record->iRecvFileLocate < end) {
        record->iRecvFileLocate = std::min(end, record->iRecvFileLocate + iPiece);
        if (OnFileRecving) {
            OnFileRecving(this, id, StringSplit(record->sSendUser, 0), StringSplit(record->sSendUser, 1),
                          StringSplit(record->sSendUser, 2), record->sRecvFile, record->iRecvFileLocate,
                          record->iRecvFileSize);
            record = FileRecvFindId(id);
            if (!record)
                return false;
        }
    }
    if (record->iRecvFileLocate < record->iRecvFileSize)
        return true;
    record->iStep = 2;
    if (!record->File.Close()) {
        FileRecvFail(record, FileRecvErrorFile, true);
        return false;
    }
    FileSocketSendText(record->clsSocket, QString::fromLatin1(kEndLine));
    return true;
}

void TParvaneNetwork::FileTransferCancelAll()
{
    std::vector<int> sending;
    std::vector<int> receiving;
    for (const auto& record : PrFTPSend)
        sending.push_back(record->TransferId);
    for (const auto& record : PrFTPRecv)
        receiving.push_back(record->TransferId);
    for (int id : sending)
        FileSendCancel(id);
    for (int id : receiving)
        FileRecvCancel(id);
}

bool TParvaneNetwork::FileRecvAccepted(int iSocket)
{
    // Offers that arrive while logged out are refused before they are read.
    if (!FLoginStates)
        return false;
    // Only connections still in their header count here; offers waiting for the user
    // have caps of their own, and an accepted transfer is never held against a new one.
    const auto inHeader = [](const TPVN_FileRecv& record) { return record.iStep == 0 && !record.bOffering; };
    const QString address = PeerAddressOf(iSocket);
    const auto pending = std::count_if(PrFTPRecv.begin(), PrFTPRecv.end(),
                                       [&](const auto& record) { return inHeader(*record); });
    const auto fromPeer = std::count_if(PrFTPRecv.begin(), PrFTPRecv.end(), [&](const auto& record) {
        return inHeader(*record) && record->sPeerAddress == address;
    });
    // The oldest idle connection, the peer's own when it holds its share, gives way to the new one.
    if (pending >= FileHeaderPendingMax || fromPeer >= FileHeaderPerPeerMax) {
        const bool own = fromPeer >= FileHeaderPerPeerMax;
        const auto oldest = std::find_if(PrFTPRecv.begin(), PrFTPRecv.end(), [&](const auto& record) {
            return inHeader(*record) && (!own || record->sPeerAddress == address);
        });
        if (oldest != PrFTPRecv.end())
            FileSocketClose((*oldest)->clsSocket);
    }
    const int transferId = TakeTransferNumber(PrNextTransferId);
    if (transferId == 0)
        return false;
    TPVN_FileRecv* record = FileRecvAdd();
    record->clsSocket = iSocket;
    record->TransferId = transferId;
    record->sPeerAddress = address;
    // Closed as a bad header would be: silently, with nothing to report.
    QTimer::singleShot(PrFileHeaderTimeoutMs, this, [this, transferId, inHeader] {
        TPVN_FileRecv* late = FileRecvFindId(transferId);
        if (late && inHeader(*late))
            FileSocketClose(late->clsSocket);
    });
    return true;
}

void TParvaneNetwork::FileCloseNotify(int iSocket, int iError)
{
    Q_UNUSED(iError);
    if (TPVN_FileSend* record = FileSendFind(iSocket)) {
        FileSendFail(record, FileSendErrorClosed);
        return;
    }
    TPVN_FileRecv* record = FileRecvFind(iSocket);
    if (!record)
        return;
    if (record->iStep == 2)
        FileRecvSucceeded(record);
    else
        FileRecvFail(record, FileRecvErrorClosed, true);
}
