#include "MessageRecvQueue.h"

#include <gtest/gtest.h>

namespace {

TMessageRecvSub Message(int i)
{
    TMessageRecvSub sub;
    sub.sMessage = QStringLiteral("text %1").arg(i);
    sub.sMessageID = QStringLiteral("%1").arg(i, 12, 10, QChar(u'0'));
    sub.bLetter = i % 2 == 1;
    sub.sSendHandle = QStringLiteral("user");
    sub.sSendMachine = QStringLiteral("PVHOST2");
    sub.sSendDiscrimination = QStringLiteral("Parvane2");
    sub.sRecvTime = QStringLiteral("time %1").arg(i);
    return sub;
}

TEST(MessageRecvQueue, OldestFirstWithoutGaps)
{
    TMessageRecvQueue queue;
    EXPECT_TRUE(queue.Empty());
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(queue.Append(Message(i)));
    EXPECT_EQ(queue.Count(), 3);
    EXPECT_EQ(queue.Head().sMessage, QStringLiteral("text 0"));
    queue.RemoveHead();
    EXPECT_EQ(queue.Count(), 2);
    EXPECT_EQ(queue.Slot(0).sMessage, QStringLiteral("text 1"));
    EXPECT_EQ(queue.Slot(1).sMessage, QStringLiteral("text 2"));
    EXPECT_TRUE(queue.Slot(2).sSendMachine.isEmpty());
    queue.RemoveHead();
    queue.RemoveHead();
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Count(), 0);
}

// The 257th arrival drops the first and lands in the last slot; nothing else moves out of order.
TEST(MessageRecvQueue, OverflowDropsTheOldestAndKeepsTheNewest)
{
    TMessageRecvQueue queue;
    for (int i = 0; i < TMessageRecvQueue::Capacity; ++i)
        ASSERT_FALSE(queue.Append(Message(i)));
    EXPECT_EQ(queue.Count(), 256);
    EXPECT_TRUE(queue.Append(Message(256)));
    EXPECT_EQ(queue.Count(), 256);
    for (int i = 0; i < TMessageRecvQueue::Capacity; ++i)
        EXPECT_EQ(queue.Slot(i).sMessage, QStringLiteral("text %1").arg(i + 1)) << i;
    EXPECT_TRUE(queue.Slot(255).bLetter == false);
    EXPECT_EQ(queue.Slot(255).sRecvTime, QStringLiteral("time 256"));
    queue.RemoveHead();
    EXPECT_EQ(queue.Count(), 255);
    EXPECT_TRUE(queue.Slot(255).sSendMachine.isEmpty());
    EXPECT_FALSE(queue.Slot(255).bLetter);
}

// A message is found by its sender and identifier, wherever the queue has moved it.
TEST(MessageRecvQueue, RemoveTakesOutTheSendersMessageByItsIdentifierOnly)
{
    TMessageRecvQueue queue;
    for (int i = 0; i < 4; ++i)
        queue.Append(Message(i));
    const TMessageRecvSub second = Message(2);
    EXPECT_FALSE(queue.Remove(second.sMessageID, QStringLiteral("PVHOST9"), second.sSendDiscrimination));
    EXPECT_FALSE(queue.Remove(second.sMessageID, second.sSendMachine, QStringLiteral("Other")));
    EXPECT_EQ(queue.Count(), 4);
    EXPECT_TRUE(queue.Remove(second.sMessageID, second.sSendMachine, second.sSendDiscrimination));
    ASSERT_EQ(queue.Count(), 3);
    EXPECT_EQ(queue.Slot(0).sMessage, QStringLiteral("text 0"));
    EXPECT_EQ(queue.Slot(1).sMessage, QStringLiteral("text 1"));
    EXPECT_EQ(queue.Slot(2).sMessage, QStringLiteral("text 3"));
    EXPECT_FALSE(queue.Remove(second.sMessageID, second.sSendMachine, second.sSendDiscrimination));
}

TEST(MessageRecvQueue, ClearEmptiesEverySlot)
{
    TMessageRecvQueue queue;
    for (int i = 0; i < 5; ++i)
        queue.Append(Message(i));
    queue.Clear();
    EXPECT_TRUE(queue.Empty());
    EXPECT_FALSE(queue.Append(Message(9)));
    EXPECT_EQ(queue.Count(), 1);
}

} // namespace
