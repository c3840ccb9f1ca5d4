#pragma once

#include <QDateTime>
#include <QString>

// The Japanese locale's date and time texts.
namespace TimeText {

// "午前" before noon, "午後" from noon on.
QString AmPmMark(const QTime& time);
// The hour on the 12-hour clock without a leading zero: 0 and 12 read 12.
int Hour12(const QTime& time);
// "2011年08月29日 午前 12時05分09秒": the receive time the engine reports.
QString ReceiveTimeText(const QDateTime& when);
// "2011年08月29日 07時05分09秒": the 24-hour stamp of a log record.
QString LogTimeText(const QDateTime& when);

} // namespace TimeText
