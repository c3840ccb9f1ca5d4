#pragma once

// The input of the file-stream fuzzer, shared with the seed writer.
// Byte 0 sets the scene: bit 0 set, the sending side reading what the receiver
// answers; clear, the receiving side reading an offer and its data. Bits 1-3 are
// the receiving application's Answer. The sending side then reads two bytes: the
// size of its file is that value modulo kMaxSendFile, plus 1.
// Then commands until the input ends; each starts with one byte c, op = c >> 5,
// arg = c & 31:
//   0-3  the peer sends: two bytes of length (big-endian) and the bytes; then a read
//        notice. arg 0 lets a read take all it asks for, otherwise at most arg x 61 bytes
//   4    a read notice alone, with the same arg
//   5    the peer closes: arg even, the close notice; odd, the next read finds the end
//   6    the local side: arg & 7 is a Local value, arg >> 3 its parameter
//   7    room to send again: the send budget grows by (arg + 1) x 512 bytes and a
//        write notice follows
#include <QByteArray>
#include <cstdint>

namespace FileStreamFuzz {

constexpr int kOpShift = 5;
constexpr int kArgMask = 31;
constexpr int kOpPeerSends = 0;
constexpr int kOpRead = 4;
constexpr int kOpClose = 5;
constexpr int kOpLocal = 6;
constexpr int kOpRoom = 7;
constexpr int kMaxSendFile = 16384;

constexpr std::uint8_t kSceneSending = 1;

enum Answer : std::uint8_t {
    kAcceptOffered, // save under the offered name's place in the download folder
    kRefuse,
    kAcceptIntoMissingFolder,
    kAcceptOverExisting,
    kAcceptOntoFolder,
    kLogoutWhileAsked,
    kCancelWhileAsked,
    kAcceptAfterNestedRead, // the next command runs inside the question, as in its nested loop
};

enum Local : std::uint8_t {
    kCancel,
    kLogout,
    kNextSendFails,
    kBlockSends,   // budget := parameter x 1000 bytes
    kConnected,    // the connect result: parameter 0 success, 1 refused, 2 timed out, 3 other
    kReactInEvent, // the next start or progress event cancels (parameter even) or logs out (odd)
    kLocalCount
};

inline QByteArray Scene(bool sending, Answer answer)
{
    return QByteArray(1, static_cast<char>((sending ? kSceneSending : 0) | (answer << 1)));
}

inline QByteArray PeerSends(const QByteArray& bytes, int readCap = 0)
{
    QByteArray out;
    out.append(static_cast<char>((kOpPeerSends << kOpShift) | (readCap & kArgMask)));
    out.append(static_cast<char>((bytes.size() >> 8) & 0xFF));
    out.append(static_cast<char>(bytes.size() & 0xFF));
    out.append(bytes);
    return out;
}

inline QByteArray Command(int op, int arg)
{
    return QByteArray(1, static_cast<char>((op << kOpShift) | (arg & kArgMask)));
}

inline QByteArray LocalCommand(Local what, int parameter)
{
    return Command(kOpLocal, what | (parameter << 3));
}

} // namespace FileStreamFuzz
