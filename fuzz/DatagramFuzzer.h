#pragma once

// The input of the datagram fuzzer, shared with the seed writer. A sequence of
// commands until the input ends; each starts with one byte c, op = c >> 5,
// arg = c & 31:
//   0-3  a datagram from sender arg: two bytes of length (big-endian, taken
//        modulo 513, as recvfrom gives at most 512 bytes) and the datagram itself
//   4    time passes: the clock moves on (arg + 1) x 5 s and the purge runs
//   5    the local user: arg is one of the UserOp values
//   6    a datagram from sender arg, framed as in 0-3, that arrives inside the next
//        event handler, as through a nested event loop
//   7    every datagram this copy has sent since the last 7 comes back to it from
//        its own address, as each copy hears its own broadcasts
// Sender arg has the address 198.18.0.(arg + 1); the copy under test owns the
// first two of them.
#include <QByteArray>
#include <QString>
#include <cstdint>

namespace DatagramFuzz {

constexpr int kOpShift = 5;
constexpr int kArgMask = 31;
constexpr int kOpDatagram = 0;
constexpr int kOpTime = 4;
constexpr int kOpUser = 5;
constexpr int kOpNested = 6;
constexpr int kOpLoopBack = 7;
constexpr int kMaxDatagram = 512;

enum UserOp : std::uint8_t {
    kLogin,
    kLogout,
    kChatLogin,
    kChatLogout,
    kRefresh,
    kInformationUpdate,
    kToggleAbsence,
    kToggleSecurity,
    kToggleMenu,
    kMessageToAddress,
    kMessageToMachine,
    kChatSend,
    // From here on: what every event handler does after reading its parameters.
    kReactNothing,
    kReactLogout,
    kReactRefresh,
    kReactChatLogout,
    kReactMessageBack,
    kReactAbsenceRequest,
    kReactReadTable,
    kUserOpCount
};

inline const QString kMachine = QStringLiteral("PVHOST1");
inline const QString kDiscrimination = QStringLiteral("Parvane2");
inline const QString kPeerMachine = QStringLiteral("PVHOST3");

inline QString SenderAddress(int arg)
{
    return QStringLiteral("198.18.0.%1").arg((arg & kArgMask) + 1);
}

inline QByteArray DatagramCommand(int sender, const QByteArray& datagram, bool nested = false)
{
    QByteArray out;
    out.append(static_cast<char>(((nested ? kOpNested : kOpDatagram) << kOpShift) | (sender & kArgMask)));
    out.append(static_cast<char>((datagram.size() >> 8) & 0xFF));
    out.append(static_cast<char>(datagram.size() & 0xFF));
    out.append(datagram);
    return out;
}

inline QByteArray Command(int op, int arg)
{
    return QByteArray(1, static_cast<char>((op << kOpShift) | (arg & kArgMask)));
}

} // namespace DatagramFuzz
