#include "SystemClock.h"

#include <QRandomGenerator>

namespace SystemClock {
namespace {

std::function<QDateTime()>& NowSource()
{
    static std::function<QDateTime()> source;
    return source;
}

std::function<int(int)>& RandomSource()
{
    static std::function<int(int)> source;
    return source;
}

} // namespace

QDateTime Now()
{
    if (NowSource())
        return NowSource()();
    return QDateTime::currentDateTime();
}

int Random(int iBelow)
{
    if (iBelow < 1)
        return 0;
    if (RandomSource())
        return RandomSource()(iBelow);
    return static_cast<int>(QRandomGenerator::global()->bounded(static_cast<quint32>(iBelow)));
}

void SetNowSource(std::function<QDateTime()> source)
{
    NowSource() = std::move(source);
}

void SetRandomSource(std::function<int(int)> source)
{
    RandomSource() = std::move(source);
}

} // namespace SystemClock
