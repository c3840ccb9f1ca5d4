#include "Stamps.h"

#include <gtest/gtest.h>

namespace {

TEST(Stamps, PacketIdIsBlankPaddedAnd22Long)
{
    const QDateTime when(QDate(2011, 8, 9), QTime(7, 5, 3, 42));
    EXPECT_EQ(Stamps::PacketId(when, 123), "2011 8 9 7 5 3 42  123");
    EXPECT_EQ(Stamps::PacketId(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59, 999)), 99999),
              "20261231235959999"
              "99999");
    EXPECT_EQ(Stamps::NewPacketId().size(), 22);
}

TEST(Stamps, MessageIdIsMinuteSecondMillisecondAndRandom)
{
    const QDateTime when(QDate(2011, 8, 9), QTime(7, 5, 3, 42));
    EXPECT_EQ(Stamps::MessageId(when, 7), " 5 3 42    7");
    EXPECT_EQ(Stamps::MessageId(QDateTime(QDate(2011, 8, 9), QTime(0, 59, 0, 0)), 0), "59 0  0    0");
    EXPECT_EQ(Stamps::NewMessageId().size(), 12);
}

} // namespace
