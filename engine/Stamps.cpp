#include "Stamps.h"

#include "SystemClock.h"

namespace Stamps {
namespace {

QString Padded(int value, int width)
{
    return QString::number(value).rightJustified(width, QLatin1Char(' '));
}

} // namespace

QString PacketId(const QDateTime& when, int iRandom)
{
    const QDate d = when.date();
    const QTime t = when.time();
    return Padded(d.year(), 4) + Padded(d.month(), 2) + Padded(d.day(), 2) + Padded(t.hour(), 2) +
           Padded(t.minute(), 2) + Padded(t.second(), 2) + Padded(t.msec(), 3) + Padded(iRandom, 5);
}

QString MessageId(const QDateTime& when, int iRandom)
{
    const QTime t = when.time();
    return Padded(t.minute(), 2) + Padded(t.second(), 2) + Padded(t.msec(), 3) + Padded(iRandom, 5);
}

QString NewPacketId()
{
    return PacketId(SystemClock::Now(), SystemClock::Random(kStampRandomRange));
}

QString NewMessageId()
{
    return MessageId(SystemClock::Now(), SystemClock::Random(kStampRandomRange));
}

} // namespace Stamps
