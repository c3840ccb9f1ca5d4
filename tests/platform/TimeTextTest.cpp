#include "TimeText.h"

#include <gtest/gtest.h>

namespace {

struct TimeCase {
    QTime time;
    const char* expected;
};

void PrintTo(const TimeCase& c, std::ostream* os)
{
    *os << c.time.toString("HH:mm:ss").toStdString();
}

class ReceiveTime : public testing::TestWithParam<TimeCase> {};

TEST_P(ReceiveTime, ReadsAsTheJapaneseLocale)
{
    const QDateTime when(QDate(2011, 8, 29), GetParam().time);
    EXPECT_EQ(TimeText::ReceiveTimeText(when), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Hours, ReceiveTime,
                         testing::Values(TimeCase{QTime(0, 5, 9), "2011年08月29日 午前 12時05分09秒"},
                                         TimeCase{QTime(9, 0, 0), "2011年08月29日 午前 9時00分00秒"},
                                         TimeCase{QTime(11, 59, 59), "2011年08月29日 午前 11時59分59秒"},
                                         TimeCase{QTime(12, 0, 0), "2011年08月29日 午後 12時00分00秒"},
                                         TimeCase{QTime(13, 7, 30), "2011年08月29日 午後 1時07分30秒"},
                                         TimeCase{QTime(23, 59, 1), "2011年08月29日 午後 11時59分01秒"}),
                         [](const testing::TestParamInfo<TimeCase>& info) {
                             return "At" + info.param.time.toString("HHmmss").toStdString();
                         });

TEST(LogTime, IsTheTwentyFourHourClockWithLeadingZeros)
{
    const struct {
        QDateTime when;
        const char* expected;
    } cases[] = {{QDateTime(QDate(2011, 8, 29), QTime(7, 5, 9)), "2011年08月29日 07時05分09秒"},
                 {QDateTime(QDate(2011, 8, 29), QTime(0, 0, 0)), "2011年08月29日 00時00分00秒"},
                 {QDateTime(QDate(999, 12, 1), QTime(23, 59, 59)), "0999年12月01日 23時59分59秒"}};
    for (const auto& c : cases)
        EXPECT_EQ(TimeText::LogTimeText(c.when), QString::fromUtf8(c.expected));
}

} // namespace
