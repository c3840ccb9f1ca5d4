#pragma once

#include "AnsiStringList.h"
#include "FileDescriptor.h"

#include <QBasicTimer>
#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class TParvaneNetwork;

// The record being dispatched and the address it came from.
struct TPVN_RecvInformation {
    QString RecvData; // a complete record after its length header, still starting with its packet id
    QString HostName; // the sender's IPv4 address in dotted form
};

// One fragment reassembly slot.
struct TPVN_RecvDataBack {
    std::unique_ptr<TAnsiStringList> RecvData; // item i = fragment i + 1, missing ones empty
    QString HostName;                          // sender address; empty = the slot is free
    qint64 RecvTime = 0;                       // monotonic milliseconds of the last fragment; 0 = none
    qint64 RecvStartTime = 0;                  // monotonic milliseconds of the first fragment to arrive
    int RecvCount = 0;                         // fragments received into this slot
};

// One remembered packet id, newest first in the history.
struct TPVN_RecvHistory {
    QString SendTime; // the 22-character packet id
    QString HostName;
};

// One sent message waiting for its receipt.
struct TPVN_SendHistory {
    QString Message;
    QString MessageID;
    QString HostName; // the destination as the caller gave it; empty = the slot is free
    QString Discrimination;
};

// One outgoing file transfer.
struct TPVN_FileSend {
    int clsSocket = -1; // the socket descriptor of the transfer
    int iStep = 0;      // 0 connecting or waiting for acceptance, 1 sending data, 2 all data sent
    QString sSendUser;  // handle name "&|" address list "&|" identifier "&|"
    QString sSendFile;
    qint64 iSendFileSize = 0;
    QString sSendFileComment;
    qint64 iSendFileLocate = 0;
    QByteArray sRecvData; // what the receiver has sent back so far
    // The number the application knows the transfer by: never 0 or -1 and never
    // reused, because the system hands out a closed descriptor again at once.
    int TransferId = 0;
    FileDescriptor File; // the file being read, kept open for the whole transfer
    qint64 iProgressAt =
        0; // steady milliseconds of the last byte sent or taken from the socket, once accepted
    int iQueuedBytes = -1;  // what the socket still held at the last stall check
    bool bSending = false;  // inside FileSendData, which yields between pieces
    bool bEndEarly = false; // the end line came before the last piece had gone
    QByteArray ReadAhead;   // file bytes from iReadAheadAt on, read in one go for many pieces
    qint64 iReadAheadAt = 0;
};

// One incoming file transfer.
struct TPVN_FileRecv {
    int clsSocket = -1;
    int iStep = 0;     // 0 waiting for the header, 1 receiving data, 2 all data received
    QString sSendUser; // handle name "&|" machine name "&|" identifier "&|"
    QString sRecvFile; // empty until accepted
    qint64 iRecvFileSize = 0;
    qint64 iRecvFileLocate = 0;
    QByteArray sRecvData; // header bytes received so far
    int TransferId = 0;
    FileDescriptor File;    // the file being written, from acceptance to the last byte
    bool bOffering = false; // put to the application, not answered yet
    QString sPeerAddress;   // where the connection came from, for the caps per peer
    qint64 iProgressAt = 0; // steady milliseconds of the last byte written, once accepted
};

// One peer of the table.
struct TPVN_LoginUserInformation {
    QString Handle;
    QString Machine;
    QStringList IPAddress; // the first one is the peer's main address
    QString Discrimination;
    int Version = 0;
    bool Absence = false;
    QString AbsenceTitle;
    bool Menu = false;
    bool Chat = false;
    int FTPPort = 0;
    // The address the last presence record that wrote the entry came from: the
    // entry counts against that address's share of the table.
    QString Sender;
};

// A message this copy sent, whose read notice may still come.
struct TPVN_SentMessage {
    QString MessageID;
    QString Host; // the destination as the caller gave it: a machine name or an address
    bool bByAddress = false;
    QString Discrimination;
};

// Event types. Every one gets the engine first.
using TPVNLoginEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& HandleName, const QString& MachineName,
                       const QString& IPAddress, const QString& Discrimination, int Version, bool Absence,
                       const QString& AbsenceTitle, bool Menu, bool Chat, int iFTPPort)>;
using TPVNLogoutEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& HandleName, const QString& MachineName,
                       const QString& IPAddress, const QString& Discrimination)>;
using TPVNInfoChangeEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& MachineName, const QString& HandleName,
                       const QString& IPAddress, const QString& Discrimination, int Version, bool Absence,
                       const QString& AbsenceTitle, bool Menu, bool Chat, int iFTPPort)>;
using TPVNMessageEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& Message, const QString& MessageID, bool Letter,
                       const QString& HandleName, const QString& MachineName, const QString& Discrimination,
                       const QString& RecvTime)>;
using TPVNMessageOkEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& MessageID, const QString& HandleName,
                       const QString& MachineName, const QString& Discrimination)>;
using TPVNMessageOpenEvent = TPVNMessageOkEvent;
using TPVNAbsenceMessageEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& AbsenceMessage, const QString& HandleName,
                       const QString& MachineName, const QString& Discrimination, const QString& RecvTime)>;
using TPVNMenuRequestEvent = std::function<void(TParvaneNetwork* Sender, const QString& HandleName,
                                                const QString& MachineName, const QString& Discrimination)>;
using TPVNMenuNothingEvent = TPVNMenuRequestEvent;
using TPVNInputSelectEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& Message, const QString& SelectList,
                       const QString& SelectReturn, const QString& SelectDiscrimination,
                       const QString& HandleName, const QString& MachineName, const QString& Discrimination)>;
using TPVNInputLineEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& Message, const QString& MessageLine,
                       const QString& LineDiscrimination, const QString& HandleName,
                       const QString& MachineName, const QString& Discrimination, bool Password)>;
using TPVNInputTextEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& Message, const QString& TextDiscrimination,
                       const QString& HandleName, const QString& MachineName, const QString& Discrimination)>;
using TPVNInputReturnEvent = std::function<void(TParvaneNetwork* Sender, const QString& InputDiscrimination,
                                                const QString& InputReturn, const QString& HandleName,
                                                const QString& MachineName, const QString& Discrimination)>;
using TPVNInputMessageEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& Message, const QString& HandleName,
                       const QString& MachineName, const QString& Discrimination, const QString& RecvTime)>;
using TPVNChatMessageEvent = std::function<void(
    TParvaneNetwork* Sender, const QString& Message, const QString& MessageID, const QString& HandleName,
    const QString& MachineName, const QString& Discrimination, const QString& RecvTime)>;
using TPVNFileSendSocketChange =
    std::function<void(TParvaneNetwork* Sender, int BeforeSocketNo, int AfterSocketNo)>;
using TPVNFileSendStartEvent =
    std::function<void(TParvaneNetwork* Sender, int SocketNo, const QString& HandleName,
                       const QString& MachineName, const QString& Discrimination, const QString& FileName)>;
using TPVNFileSendingEvent = std::function<void(
    TParvaneNetwork* Sender, int SocketNo, const QString& HandleName, const QString& MachineName,
    const QString& Discrimination, const QString& FileName, qint64 iSendSize, qint64 iFileSize)>;
using TPVNFileSendEndEvent = TPVNFileSendStartEvent;
// The application answers an offer at once, with the full path in FileName or
// with Cancel, or later with FileRecvAccept or FileRecvCancel: it then empties
// FileName and leaves Cancel. Nothing waits inside the event meanwhile.
using TPVNFileRecvStartEvent = std::function<void(
    TParvaneNetwork* Sender, int SocketNo, const QString& HandleName, const QString& MachineName,
    const QString& Discrimination, QString& FileName, qint64 FileByte, const QString& Comment, bool& Cancel)>;
using TPVNFileRecvingEvent = std::function<void(
    TParvaneNetwork* Sender, int SocketNo, const QString& HandleName, const QString& MachineName,
    const QString& Discrimination, const QString& FileName, qint64 iRecvSize, qint64 iFileSize)>;
using TPVNIPAddressChange = std::function<void(TParvaneNetwork* Sender)>;
using TPVNFileRecvEndEvent = TPVNFileSendStartEvent;
using TPVNErrorSendEvent =
    std::function<void(TParvaneNetwork* Sender, const QString& Message, const QString& MessageID,
                       const QString& MachineName, const QString& Discrimination)>;
using TPVNErrorRecvOverflow = std::function<void(TParvaneNetwork* Sender)>;
using TPVNErrorFileSendEvent = std::function<void(
    TParvaneNetwork* Sender, int SocketNo, const QString& HandleName, const QString& MachineName,
    const QString& Discrimination, const QString& FileName, int Error)>;
using TPVNErrorFileRecvEvent = TPVNErrorFileSendEvent;

// The protocol engine: speaks the peer protocol over UDP and TCP, keeps the
// table of peers and reports everything through its events. Everything runs on
// the thread that made it; socket readiness and timers arrive through its event loop.
class TParvaneNetwork : public QObject {
    Q_OBJECT

public:
    explicit TParvaneNetwork(QObject* parent = nullptr);
    ~TParvaneNetwork() override;

    // The separator of the fields of every record and of the application's joined lists.
    static inline const QString FieldSeparator = QStringLiteral("&|");
    // The sequences that cut a record or a joined list where they stand, so no text a
    // user sends or stores may hold one: the field separator, "&:" and the escaped line break.
    static inline const QStringList ForbiddenSequences = {FieldSeparator, QStringLiteral("&:"),
                                                          QStringLiteral("\\|")};
    // The first of ForbiddenSequences that sText holds; empty when it holds none.
    static QString ForbiddenSequenceIn(const QString& sText);

    // Network notifications, as a socket reports them.
    static constexpr int FD_READ = 1;
    static constexpr int FD_WRITE = 2;
    static constexpr int FD_ACCEPT = 8;
    static constexpr int FD_CONNECT = 16;
    static constexpr int FD_CLOSE = 32;

    // The error codes the notifications and socket wrappers report, as peers and callers know them.
    static constexpr int WSAEWOULDBLOCK = 10035;
    static constexpr int WSAEMSGSIZE = 10040;
    static constexpr int WSAEADDRINUSE = 10048;
    static constexpr int WSAENETDOWN = 10050;
    static constexpr int WSAENETUNREACH = 10051;
    static constexpr int WSAECONNABORTED = 10053;
    static constexpr int WSAECONNRESET = 10054;
    static constexpr int WSAENOTCONN = 10057;
    static constexpr int WSAETIMEDOUT = 10060;
    static constexpr int WSAECONNREFUSED = 10061;
    static constexpr int WSAEHOSTUNREACH = 10065;
    static constexpr int WSAEOTHER = 10004; // any error without a closer equivalent

    // The codes of OnErrorFileSend.
    static constexpr int FileSendErrorNoAddress = 0;  // no listed address accepted the connection
    static constexpr int FileSendErrorClosed = 1;     // the peer closed the connection
    static constexpr int FileSendErrorCancelled = 2;  // cancelled, or ended by the log-out
    static constexpr int FileSendErrorFile = 3;       // the file could not be opened or read
    static constexpr int FileSendErrorConnection = 4; // any other failure of the connection
    // The codes of OnErrorFileRecv.
    static constexpr int FileRecvErrorClosed = 0;    // closed before complete; the partial file is deleted
    static constexpr int FileRecvErrorCancelled = 1; // cancelled, or ended by the log-out
    static constexpr int FileRecvErrorFile = 2; // the file could not be written or its size did not match

    // The away message and title a copy answers with when it has no away message to
    // give; the asking copy tells its user so instead of showing it.
    static inline const QString NoAbsenceMessage = QStringLiteral("Nothing");

    // The ports a copy uses unless it is told others: messages (UDP) and files (TCP).
    static constexpr int DefaultPortNo = 51000;
    static constexpr int DefaultFTPPortNo = 52000;
    // The largest port number a UDP or TCP address can hold.
    static constexpr int MaximumPortNo = 65535;

    // Timer of the reassembly purge; delivery time-outs use the slot numbers 1..255.
    static constexpr int RecvPurgeTimerID = 255;
    static constexpr int RecvPurgeIntervalMs = 5000;
    static constexpr int SendTimeoutMs = 30000;
    static constexpr int SendHistoryCount = 255;
    static constexpr int LoginUserCapacity = 256;
    // Entries one source address may hold. A machine runs one copy per message port
    // as a rule; the few more cover a second copy on another file port, another
    // program that speaks the protocol, and the entry a copy left behind under its
    // old machine name. When an address holds its share, its oldest entry gives
    // way to its newest, so a peer that comes back under a new name still gets in,
    // and filling the table takes as many addresses as it has entries over this.
    static constexpr int LoginUserPerAddressMax = 4;
    // Sent messages whose read notice is still taken. A receiver keeps at most 256
    // unread messages, so this holds a message to every peer of a full table many
    // times over; the oldest is forgotten first, and a notice that comes for it
    // is no longer shown.
    static constexpr int SentMessageMemoryCount = 4096;
    // Records of several datagrams being collected at once; when all are taken, the
    // oldest unfinished one gives way, whoever sent it.
    static constexpr int RecvDataBackCount = 20;
    // One sender collects at most this many records at once (its own oldest gives
    // way to its newest), so one that never finishes its records cannot take the
    // slots everyone else needs.
    static constexpr int RecvSlotsPerSenderMax = 4;
    static constexpr int RecvHistoryCount = 11;
    // A sender sends a record's pieces back to back: a record that has had no piece
    // for this long never finishes, and its slot is let go.
    static constexpr int RecvRecordLifetimeMs = 5000;
    // Only the wire reorders those pieces, by far less than this: a first piece does
    // not join later pieces that came longer before it, which are another record's.
    static constexpr int RecvPieceLeadMs = 1000;
    // A peer that opens connections to the file port and never finishes their
    // headers would hold a descriptor each: so many may be in their header at
    // once (when all are held, the oldest gives way to the new one), each for at
    // most this long; a sender writes its header as soon as it has connected.
    static constexpr int FileHeaderPendingMax = 32;
    static constexpr int FileHeaderTimeoutMs = 5000;
    // One peer address may hold this many of those (its own oldest gives way), so
    // it cannot push everyone else's out.
    static constexpr int FileHeaderPerPeerMax = 8;
    // Offers put to the user and not answered yet each hold a connection and a
    // window: so many may wait from one peer address and from all together, well
    // above a colleague's pile of reports for a user in a meeting. When every place is
    // taken, an offer from an address that holds fewer than another makes that other's
    // oldest offer give way, ended as a cancel would end it, so two
    // flooding addresses cannot lock a colleague out. An offer from an address at its
    // share, or holding as many as any other, is refused as the user's refusal would
    // be, and OnErrorFileRecvOverflow says so.
    static constexpr int FileOfferPerPeerMax = 16;
    static constexpr int FileOfferPendingMax = 32;
    // An accepted transfer that moves no byte for this long is over: it ends as the
    // peer's close would end it, and its socket and file are let go.
    static constexpr int FileTransferStallMs = 60000;
    // A failed accept (out of descriptors) leaves the connection waiting and the socket
    // readable; the listening socket rests this long instead of spinning on it.
    static constexpr int FileAcceptRetryMs = 500;
    // The engine answers away and menu requests by itself, each with a broadcast, so
    // a peer could make it broadcast as fast as it asks. Answers are counted over a
    // window this long: long enough that an asker's share is a few answers, not a rate
    // that a few dozen askers together could turn into the whole of the cap.
    static constexpr int RequestAnswerWindowMs = 10000;
    // So many are answered in a window, all askers together (a sender address proves
    // nothing): twenty a second on average, so what the engine broadcasts stays bounded.
    static constexpr int RequestAnswersPerWindowMax = 200;
    // One asking address gets at most this many in a window: a user asks a copy a few
    // times a minute, and sixty-odd flooders are needed to take the window's answers.
    static constexpr int RequestAnswersPerAddressMax = 3;

    // Properties.
    quint32 Handle() const { return FHandle; }
    QString Discrimination() const { return FDiscrimination; }
    void SetDiscrimination(const QString& v) { FDiscrimination = v; }
    int Version() const { return FVersion; }
    void SetVersion(int v) { FVersion = v; }
    int SocketNo() const { return FSocketNo; }
    int FTPSocketNo() const { return FFTPSocketNo; }
    int PortNo() const { return FPortNo; }
    void SetPortNo(int v) { FPortNo = v; }
    int FTPPortNo() const { return FFTPPortNo; }
    void SetFTPPortNo(int v) { FFTPPortNo = v; }
    int FTPSendByte() const { return FFTPSendByte; }
    void SetFTPSendByte(int v) { FFTPSendByte = v; }
    int FTPRecvByte() const { return FFTPRecvByte; }
    void SetFTPRecvByte(int v) { FFTPRecvByte = v; }
    QString BroadcastIP() const { return FBroadcastIP; }
    void SetBroadcastIP(const QString& v) { FBroadcastIP = v; }
    bool Security() const { return FSecurity; }
    void SetSecurity(bool v) { FSecurity = v; }
    QString MachineName() const { return FMachineName; }
    QString HandleName() const { return FHandleName; }
    void SetHandleName(const QString& v) { FHandleName = v; }
    bool Absence() const { return FAbsence; }
    void SetAbsence(bool v) { FAbsence = v; }
    QString AbsenceTitle() const { return FAbsenceTitle; }
    void SetAbsenceTitle(const QString& v) { FAbsenceTitle = v; }
    QString AbsenceMessage() const { return FAbsenceMessage; }
    void SetAbsenceMessage(const QString& v) { FAbsenceMessage = v; }
    bool Menu() const { return FMenu; }
    void SetMenu(bool v) { FMenu = v; }
    bool Chat() const { return FChat; }
    bool LoginStates() const { return FLoginStates; }
    int LoginCount() const { return FLoginCount; }
    // The local IPv4 addresses; read it, never keep a reference across engine calls.
    const QStringList& IPAddress() const { return FIPAddress; }

    // Service lifecycle.
    bool ServiceStart();
    void ServiceEnd();

    // Presence and chat.
    bool Login();
    bool Logout();
    bool InformationUpdate();
    bool InformationReflesh();
    bool ChatLogin();
    bool ChatLogout();
    QString ChatSend(const QString& sSendMessage);

    // Messages, receipts and requests.
    QString MessageSend(const QString& sSendMessage, const QString& sSendHost,
                        const QString& sSendDiscrimination, bool bSendLetter);
    bool MessageOpen(const QString& sMessageID, const QString& sSendHost, const QString& sDiscrimination);
    bool AbsenceRequest(const QString& sSendHost, const QString& sDiscrimination);
    bool MenuRequest(const QString& sSendHost, const QString& sDiscrimination);
    bool InputSelect(const QString& sMessage, const QString& sList, const QString& sReturn,
                     const QString& sDiscrimination, const QString& sSendHost,
                     const QString& sSendDiscrimination);
    bool InputLine(const QString& sMessage, const QString& sMessageLine, const QString& sDiscrimination,
                   const QString& sSendHost, const QString& sSendDiscrimination, bool bPassword);
    bool InputText(const QString& sMessage, const QString& sDiscrimination, const QString& sSendHost,
                   const QString& sSendDiscrimination);
    bool InputReturn(const QString& sDiscrimination, const QString& sReturn, const QString& sSendHost,
                     const QString& sSendDiscrimination);
    bool InputMessage(const QString& sMessage, const QString& sSendHost, const QString& sSendDiscrimination);

    // File transfer; the number returned and carried by the file events identifies the transfer.
    int FileSend(const QString& sFileName, const QString& sComment, const QString& sSendHost,
                 const QString& sSendDiscrimination);
    bool FileSendCancel(int iSocketNo);
    // Also the refusal of an offer that waits for its answer.
    bool FileRecvCancel(int iSocketNo);
    // What FileRecvAccept did with an offer.
    enum class TFileRecvAcceptResult {
        Accepted, // the file is made and the sender told to start
        Exists,   // something is at the path and was not to be replaced: the offer still waits
        Ended,    // no offer of that number waits, or the acceptance failed and its error was raised
    };
    // Accepts an offer that waits for its answer: the file is made new at sFileName.
    // Only with bReplace is what is there removed first, so a file that came since
    // the user was asked is asked about again.
    TFileRecvAcceptResult FileRecvAccept(int iSocketNo, const QString& sFileName, bool bReplace);

    // Peer table: a copy of entry Index; an empty entry outside 0..LoginCount-1.
    TPVN_LoginUserInformation GetLoginUser(int Index) const;

    // Text utilities shared by the engine and the application; none depends on the engine's state.
    static QString StringSplit(const QString& sMessage, std::uint8_t bLocation);
    static QString StringSplitCustom(const QString& sKugiri, const QString& sMessage, std::uint8_t bLocation);
    static void StringReplacement(const QString& sBeforeString, const QString& sAfterString,
                                  QString& sTargetString);
    static QString StringToPassword(const QString& sData);
    static QString PasswordToString(const QString& sPassword);
    // The same scrambling on bytes, as datagrams use it; empty for a malformed form.
    static QByteArray BytesToPassword(const QByteArray& bytes);
    static QByteArray PasswordToBytes(const QByteArray& password);
    static QString DomainToIPAddress(const QString& sDomain);
    static bool IPAddressCheck(QString& sIPAddress);

    // Events, raised only when bound.
    TPVNLoginEvent OnLogin;
    TPVNLogoutEvent OnLogout;
    TPVNInfoChangeEvent OnInfoChange;
    TPVNMessageEvent OnMessage;
    TPVNMessageOkEvent OnMessageOk;
    TPVNMessageOpenEvent OnMessageOpen;
    TPVNAbsenceMessageEvent OnAbsenceMessage;
    TPVNMenuRequestEvent OnMenuRequest;
    TPVNMenuNothingEvent OnMenuNothing;
    TPVNInputSelectEvent OnInputSelect;
    TPVNInputLineEvent OnInputLine;
    TPVNInputTextEvent OnInputText;
    TPVNInputReturnEvent OnInputReturn;
    TPVNInputMessageEvent OnInputMessage;
    TPVNChatMessageEvent OnChatMessage;
    TPVNFileSendSocketChange OnFileSendSocketChange;
    TPVNFileSendStartEvent OnFileSendStart;
    TPVNFileSendingEvent OnFileSending;
    TPVNFileSendEndEvent OnFileSendEnd;
    TPVNFileRecvStartEvent OnFileRecvStart;
    TPVNFileRecvingEvent OnFileRecving;
    TPVNIPAddressChange OnIPAddressChange;
    TPVNFileRecvEndEvent OnFileRecvEnd;
    TPVNErrorSendEvent OnErrorSend;
    // Every reassembly slot was taken, and the oldest unfinished record gave way to a new one.
    TPVNErrorRecvOverflow OnErrorRecvOverflow;
    // An offered file was refused because as many offers as may were already waiting for the user.
    TPVNErrorRecvOverflow OnErrorFileRecvOverflow;
    TPVNErrorFileSendEvent OnErrorFileSend;
    TPVNErrorFileRecvEvent OnErrorFileRecv;

protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    // The tests' and fuzz targets' one way in (tests/support/ParvaneNetworkSeam.h).
    friend class TParvaneNetworkSeam;

    // --- Service, timers and the local addresses (ParvaneNetwork.cpp)
    void RecvDataBackReset();
    void LoginUserClear();
    void LocalAddressCompare();

    // --- Socket notifications (ParvaneNetworkSocket.cpp)
    // Asks for the notifications iEvents (FD_* bits) of a socket, as the hidden window
    // would get them; 0 stops every notification. False when they cannot be set up.
    bool SocketSelect(int iSocket, int iEvents);
    // Starts a non-blocking connect. 0 when connected or in progress (FD_CONNECT follows,
    // after PrConnectTimeoutMs at the latest with WSAETIMEDOUT), else the error code.
    int SocketConnect(int iSocket, quint32 iAddress, quint16 iPort);
    // accept, recv and send that switch the socket's notification on again; on failure
    // they return -1 and leave the code in PrLastError (WSAEWOULDBLOCK for EAGAIN).
    int SocketAccept(int iListenSocket);
    qint64 SocketRecv(int iSocket, char* pBuffer, qint64 iLength);
    qint64 SocketSend(int iSocket, const char* pData, qint64 iLength);
    // Stops the notifications, forgets queued notices of the socket and closes it.
    void SocketClose(int iSocket);
    // Queues a notice as if the socket had reported it (PostMessage to the hidden window).
    void PostSocketNotify(int iSocket, int iEvent, int iError = 0);
    // The routing of one notice, in the order of the hidden window.
    void SocketNotify(int iSocket, int iEvent, int iError);
    // Switches the read notice of a socket on again after a read that bypassed SocketRecv.
    void SocketReadAgain(int iSocket);
    void SocketReadReady(int iSocket, quint64 iSerial);
    void SocketWriteReady(int iSocket, quint64 iSerial);
    void SocketConnectTimeout(int iSocket, quint64 iSerial);
    void AcceptConnection();
    static int ErrnoToWSA(int iErrno);

    // --- Datagram transport (ParvaneNetworkDatagram.cpp)
    // Stamps a packet id on Text and sends it to the broadcast address and the extra
    // addresses (empty Target) or to Target alone; the result is that of the first send.
    bool SendPacket(const QString& Text, const QString& Target);
    bool SendDatagram(const QString& Body, const QString& Target);
    void ReceiveDatagram();
    void ReceiveFragment(const QString& sSender, const QByteArray& datagram);
    // The slot a piece from sSender at iIndex joins, or starts its record in (the
    // sender's oldest when it holds its share); -1 when every slot is taken.
    int RecvSlotFor(const QString& sSender, int iIndex, qint64 iNow);
    // The piece equals the one at iIndex of sSender's latest record, open or just finished:
    // the network delivered the datagram twice.
    bool RecvPieceRepeated(const QString& sSender, int iIndex, const QByteArray& piece, qint64 iNow) const;
    void RecvFinishedKeep(const QString& sSender, const TAnsiStringList& pieces, qint64 iNow);
    // The slot whose last piece is oldest, of sSender or of anyone (empty); -1 when all are free.
    int RecvSlotOldest(const QString& sSender) const;
    void RecvDataBackPurge();
    void RecvDataBackExpire(qint64 iNow);
    static void RecvDataBackEmpty(TPVN_RecvDataBack& slot);

    // --- Dispatch of a received record (ParvaneNetworkDispatch.cpp)
    void DispatchPacket();
    // A record whose sender fields name this copy (its machine name and identifier)
    // but that came from sSender, none of this copy's addresses, is a peer speaking
    // in this copy's name.
    bool ClaimsThisCopyFalsely(const QString& sMachine, const QString& sDiscrimination,
                               const QString& sSender) const;

    // --- Presence and chat (ParvaneNetworkPresence.cpp)
    // A record is addressed to this copy when sIPAddress is one of the own addresses
    // and sDiscrimination is the own identifier.
    bool IsAddressedHere(const QString& sIPAddress, const QString& sDiscrimination) const;
    // The first own address, and the whole list each followed by CR LF.
    QString MainAddress() const;
    QString AddressListText() const;
    QString ProfileFields(bool bDiscriminationFirst) const;
    QString ReceiveTime() const;
    bool SendLoginOk(const QString& sIPAddress, const QString& sDiscrimination);
    void RecvLogin(const QString& sData);
    void RecvLoginOk(const QString& sData);
    void RecvInfoChange(const QString& sData);
    void RecvLogout(const QString& sData);
    void RecvChatMessage(const QString& sData);

    // --- Peer table (ParvaneNetworkPresence.cpp)
    // Sender is the address the presence record came from.
    void LoginUserSet(const QString& Machine, const QString& Discrimination, const QString& IPList,
                      const QString& Handle, int Version, bool Absence, const QString& AbsenceTitle,
                      bool Menu, bool Chat, int FTPPort, const QString& Sender);
    void LoginUserDelete(const QString& Machine, const QString& Discrimination);
    // The index of the entry of that key; -1 when it is not listed.
    int LoginUserIndex(const QString& Machine, const QString& Discrimination) const;
    // A change or log-out of a listed peer counts only from one of the addresses
    // it announced, or the one its last presence record came from.
    bool IsFromListedPeer(const QString& Machine, const QString& Discrimination,
                          const QString& sSender) const;
    // Makes room for a new entry from sSender when that address holds its share:
    // its oldest entry other than this copy's own is removed with OnLogout. False
    // when the handler of that event logged this copy out, so nothing is added.
    bool LoginUserMakeRoom(const QString& sSender);
    QString MachineNameToIPAddress(const QString& sMachineName) const;
    static QString IPListText(const QStringList& list);

    // --- Messages, receipts and requests (ParvaneNetworkMessage.cpp)
    // Each Recv* gets the record text without its packet id and checks its own address.
    QString DestinationAddress(const QString& sSendHost) const;
    bool SendMessageOk(const QString& sMessageID, const QString& sIPAddress, const QString& sDiscrimination);
    bool SendAbsenceMessage(const QString& sAbsenceMessage, const QString& sAbsenceTitle,
                            const QString& sIPAddress, const QString& sDiscrimination);
    bool SendMenuNothing(const QString& sIPAddress, const QString& sDiscrimination);
    // False once RequestAnswersPerWindowMax answers went out in the current window,
    // or RequestAnswersPerAddressMax to the sender of the record being dispatched.
    bool RequestAnswerAllowed();
    void RecvOpenCheck(const QString& sData);
    // True once for a message this copy sent to that machine (or address) and
    // identifier, which is then forgotten: a repeat of its read notice is not shown.
    bool SentMessageOpened(const QString& sMessageID, const QString& sMachine,
                           const QString& sDiscrimination);
    void RecvHuzaiCheck(const QString& sData);
    void RecvHuzaiMessage(const QString& sData);
    void RecvMenuCheck(const QString& sData);
    void RecvMenuNothing(const QString& sData);
    void RecvMessage(const QString& sData);
    void RecvMessageOk(const QString& sData);
    void RecvInputSelect(const QString& sData);
    void RecvInputLine(const QString& sData);
    void RecvInputText(const QString& sData);
    void RecvInputReturn(const QString& sData);
    void RecvInputMessage(const QString& sData);
    // Empties every send slot (service start); the timers stop with them.
    void SendHistoryClear();
    // The delivery time-out of slot iSlot, after its timer has been stopped.
    void SendHistoryTimeout(int iSlot);
    // The timer of send slot iSlot (1..255), distinct from the purge timer.
    void SendTimeoutStart(int iSlot);
    void SendTimeoutStop(int iSlot);
    // Resolves the destination and broadcasts sKeyword, the destination and sFields;
    // false without sending when logged out or the destination has no address.
    bool SendAddressed(const QString& sKeyword, const QString& sSendHost, const QString& sSendDiscrimination,
                       const QString& sFields);
    bool SendHistoryInUse(int iSlot) const;
    // Empties slot iSlot and stops its timer, so no stale time-out can follow.
    void SendHistoryFree(int iSlot);

    // --- File transfer (ParvaneNetworkFile.cpp)
    TPVN_FileSend* FileSendAdd();
    TPVN_FileRecv* FileRecvAdd();
    TPVN_FileSend* FileSendFind(int iSocket) const;
    TPVN_FileRecv* FileRecvFind(int iSocket) const;
    void FileSendDelete(int iSocket);
    void FileRecvDelete(int iSocket);
    void FileSendClear();
    void FileRecvClear();
    void FileSocketClose(int iSocket);
    bool FileSocketSendText(int iSocket, const QString& sText);
    bool FileSendData(int iSocket);
    bool FileSocketRead(int iSocket);
    // Every transfer ends as by its cancel (log-out).
    void FileTransferCancelAll();
    // A connection accepted on the listening socket whose notifications are set up:
    // the new incoming record. False when it cannot be tracked (the caller closes it).
    bool FileRecvAccepted(int iSocket);
    // The notices of a socket that is neither the UDP nor the listening socket.
    void FileConnectNotify(int iSocket, int iError);
    void FileWriteNotify(int iSocket, int iError);
    void FileReadNotify(int iSocket, int iError);
    void FileCloseNotify(int iSocket, int iError);
    // Transfers by the number the application knows them by.
    TPVN_FileSend* FileSendFindId(int iTransferId) const;
    TPVN_FileRecv* FileRecvFindId(int iTransferId) const;
    bool FileSocketSendBytes(int iSocket, const QByteArray& bytes);
    // Each closes the transfer's socket and drops its record before raising the event,
    // so a handler that starts a new transfer cannot lose it to a late close.
    void FileSendFail(TPVN_FileSend* record, int iError);
    void FileRecvFail(TPVN_FileRecv* record, int iError, bool bDeleteFile);
    void FileSendSucceeded(TPVN_FileSend* record);
    void FileRecvSucceeded(TPVN_FileRecv* record);
    void FileSendFailover(TPVN_FileSend* record);
    void FileRecvOffer(TPVN_FileRecv* record);
    // Where a new offer from sPeerAddress may wait: a free place, the place of the
    // waiting offer that gives way to it (its transfer number), or none.
    struct TFileOfferPlace {
        bool bPlace = false;
        int iGivesWay = 0;
    };
    TFileOfferPlace FileOfferPlace(const QString& sPeerAddress) const;
    TFileRecvAcceptResult FileRecvCreate(TPVN_FileRecv* record, const QString& sFileName, bool bReplace);
    // Ends the accepted transfers that have not moved for PrTransferStallMs.
    void FileStallCheck();
    void FileStallWatch();
    void AcceptPause();
    // False when the transfer ended here.
    bool FileRecvWrite(TPVN_FileRecv* record, const char* pData, qint64 iLength, qint64 iPiece,
                       bool bCheckSize);
    void FileSendReply(TPVN_FileSend* record, const QByteArray& bytes);

    // Fields.
    TPVN_RecvInformation PVS_RecvInformation;
    std::array<TPVN_RecvDataBack, RecvDataBackCount> PVS_RecvDataBack;
    // A sender's record that came out whole, kept for RecvPieceLeadMs after its last
    // piece: a repeat of one of its pieces must not start a record that the sender's
    // next one would join. One per sender; when all are taken, the oldest makes room.
    struct TRecvFinished {
        QString HostName;
        qint64 RecvTime = 0;
        QList<QByteArray> Pieces;
    };
    std::array<TRecvFinished, RecvDataBackCount> PrRecvFinished;
    std::array<TPVN_RecvHistory, RecvHistoryCount> PVS_RecvHistory;
    std::array<TPVN_SendHistory, SendHistoryCount + 1> PVS_SendHistory; // slots 1..255; 0 unused
    std::deque<TPVN_SentMessage> PrSentMessages; // oldest first, SentMessageMemoryCount at most
    int PrMaxSendByte = 0;
    int PrFTPMaxSendByte = 0;
    std::vector<std::unique_ptr<TPVN_FileSend>> PrFTPSend;
    std::vector<std::unique_ptr<TPVN_FileRecv>> PrFTPRecv;
    QString FDiscrimination;
    int FVersion = 0;
    quint32 FHandle = 0;
    int FSocketNo = -1;
    int FFTPSocketNo = -1;
    int FPortNo = 0;
    int FFTPPortNo = 0;
    int FFTPSendByte = 0;
    int FFTPRecvByte = 0;
    QString FBroadcastIP;
    bool FSecurity = false;
    QStringList FIPAddress;
    QString FMachineName;
    QString FHandleName;
    bool FLoginStates = false;
    bool FAbsence = false;
    QString FAbsenceTitle;
    QString FAbsenceMessage;
    bool FMenu = false;
    bool FChat = false;
    int FLoginCount = 0;
    std::array<TPVN_LoginUserInformation, LoginUserCapacity> FLoginUser;

    // The stand-in for the hidden window: one watch per socket that asked for notices.
    struct SocketWatch {
        int iEvents = 0;
        quint64 iSerial = 0; // tells a reused descriptor from the one a notice was meant for
        bool bDatagram = false;
        bool bConnecting = false;
        bool bCloseReported = false;
        std::unique_ptr<QSocketNotifier> pRead;
        std::unique_ptr<QSocketNotifier> pWrite;
        std::unique_ptr<QTimer> pConnectTimer;
    };
    std::map<int, SocketWatch> PrSocketWatch;
    // Notices posted and not yet come up.
    int PrNoticesQueued = 0;
    quint64 PrNextSerial = 1;
    int PrLastError = 0;
    int PrNextTransferId = 1;
    int PrConnectTimeoutMs = 21000;
    int PrFileHeaderTimeoutMs = FileHeaderTimeoutMs;
    int PrTransferStallMs = FileTransferStallMs;
    int PrAcceptRetryMs = FileAcceptRetryMs;
    int PrAcceptFailures = 0;    // accepts that failed for want of a descriptor or memory
    qint64 PrAnswerWindowAt = 0; // monotonic milliseconds when the current window of answers began
    int PrAnswersThisWindow = 0;
    // This window's answers per asking address. Only answered addresses are held, so
    // never more than RequestAnswersPerWindowMax; all are forgotten when the window ends.
    std::map<QString, int> PrAnswersByAddress;
    QTimer PrStallTimer;
    QBasicTimer PrRecvPurgeTimer;
    std::array<QBasicTimer, SendHistoryCount + 1> PrSendTimeoutTimer;
    // Monotonic milliseconds for the reassembly purge, so midnight and clock changes do not matter.
    std::function<qint64()> PrMonotonicClock;
    // How long a would-block datagram send waits for room before it fails.
    int PrSendWaitMs = 200;
    // Lets a test make the notifications of a socket fail to set up.
    std::function<bool(int iSocket, int iEvents)> PrSelectHook;
    // Let the fuzzers stand in for the sockets: each finished datagram with its
    // destination instead of sendto, and the reads and sends of transfer sockets.
    std::function<bool(const QByteArray& datagram, quint32 iAddress)> PrDatagramSendHook;
    std::function<qint64(int iSocket, char* pBuffer, qint64 iLength)> PrStreamRecvHook;
    std::function<qint64(int iSocket, const char* pData, qint64 iLength)> PrStreamSendHook;
    // Lets a test of the notification layer take the notices of transfer sockets.
    std::function<void(int iSocket, int iEvent, int iError)> PrNoticeHook;
    // The timer intervals, shortened by tests.
    int PrRecvPurgeIntervalMs = RecvPurgeIntervalMs;
    int PrSendTimeoutMs = SendTimeoutMs;

    static QString GetLocalMachineName();
    static void GetLocalIPAddress(QStringList& slAddress);
};
