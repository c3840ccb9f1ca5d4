#include "TimeText.h"

namespace TimeText {

QString AmPmMark(const QTime& time)
{
    return time.hour() < 12 ? QStringLiteral("午前") : QStringLiteral("午後");
}

int Hour12(const QTime& time)
{
    int hour = time.hour() % 12;
    return hour == 0 ? 12 : hour;
}

QString ReceiveTimeText(const QDateTime& when)
{
    const QDate date = when.date();
    const QTime time = when.time();
    return QStringLiteral("%1年%2月%3日 %4 %5時%6分%7秒")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(AmPmMark(time))
        .arg(Hour12(time))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

QString LogTimeText(const QDateTime& when)
{
    return when.toString(QStringLiteral("yyyy'年'MM'月'dd'日' HH'時'mm'分'ss'秒'"));
}

} // namespace TimeText
