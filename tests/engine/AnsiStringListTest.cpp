#include "AnsiStringList.h"

#include <gtest/gtest.h>

namespace {

TEST(AnsiStringList, KeepsBytesInOrderAndJoinsThemWithoutSeparators)
{
    TAnsiStringList list;
    EXPECT_EQ(list.Add(QByteArray("ab")), 0);
    EXPECT_EQ(list.Add(QByteArray()), 1);
    EXPECT_EQ(list.Add(QByteArray("\x82\xa0\0z", 4)), 2);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.GetText(), QByteArray("ab\x82\xa0\0z", 6));

    list.Put(1, QByteArray("-"));
    list.Delete(0);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Get(0), QByteArray("-"));
    EXPECT_EQ(list.GetText(), QByteArray("-\x82\xa0\0z", 5));

    // Out of range reads nothing and changes nothing.
    EXPECT_TRUE(list.Get(5).isEmpty());
    list.Put(5, QByteArray("x"));
    list.Delete(-1);
    EXPECT_EQ(list.Count(), 2);

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.GetText().isEmpty());
}

} // namespace
