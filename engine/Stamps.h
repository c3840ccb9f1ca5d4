#pragma once

#include <QDateTime>
#include <QString>

// The time stamps that make records unique on the wire.
namespace Stamps {

// Random numbers in packet ids and message identifiers stay below this.
constexpr int kStampRandomRange = 100000;

// "%4d%2d%2d%2d%2d%2d%3d%5d" of the local date and time and iRandom: 22 characters.
QString PacketId(const QDateTime& when, int iRandom);
// "%2d%2d%3d%5d" of the local minute, second, millisecond and iRandom: 12 characters.
QString MessageId(const QDateTime& when, int iRandom);

// The same, from the system clock and random source.
QString NewPacketId();
QString NewMessageId();

} // namespace Stamps
