#include "LoginUserTable.h"

#include "CommonForm.h"
#include "DropListView.h"

#include <gtest/gtest.h>

namespace {

TLoginUserReport User(const char* sHandle, const char* sMachine, const char* sDiscrimination)
{
    TLoginUserReport flags;
    flags.HandleName = QString::fromUtf8(sHandle);
    flags.MachineName = QString::fromUtf8(sMachine);
    flags.Discrimination = QString::fromUtf8(sDiscrimination);
    return flags;
}

// A user is its machine name and identifier together: the same machine with
// another program is another user, and the handle name identifies nobody.
TEST(LoginUserTable, UsersAreKeyedByMachineAndIdentifierAndFoundByTheirRow)
{
    TLoginUserTable table;
    TListItem taro, other, again;
    table.Put(User("太郎", "PVHOST2", "Parvane2"), &taro);
    table.Put(User("太郎", "PVHOST2", "Other"), &other);
    ASSERT_EQ(table.Count(), 2);
    ASSERT_NE(table.Find("PVHOST2", "Parvane2"), nullptr);
    EXPECT_EQ(table.Find("PVHOST2", "Parvane2")->Row, &taro);
    EXPECT_EQ(table.Find("PVHOST2", "Other")->Row, &other);
    EXPECT_EQ(table.Find("太郎", "Parvane2"), nullptr);
    EXPECT_EQ(table.FindRow(&other)->Report.Discrimination, QStringLiteral("Other"));
    EXPECT_EQ(table.FindRow(&again), nullptr);
    EXPECT_EQ(table.FindRow(nullptr), nullptr);

    // New flags replace the old ones; a new row takes over from the old one.
    TLoginUserReport away = User("太郎さん", "PVHOST2", "Parvane2");
    away.Absence = true;
    table.Put(away, &again);
    EXPECT_EQ(table.Count(), 2);
    EXPECT_EQ(table.Find("PVHOST2", "Parvane2")->Report.HandleName, QStringLiteral("太郎さん"));
    EXPECT_TRUE(table.FindRow(&again)->Report.Absence);
    EXPECT_EQ(table.FindRow(&taro), nullptr);

    EXPECT_EQ(table.Remove("PVHOST2", "Parvane2"), &again);
    EXPECT_EQ(table.Remove("PVHOST2", "Parvane2"), nullptr);
    EXPECT_EQ(table.FindRow(&again), nullptr);
    EXPECT_EQ(table.Count(), 1);
    table.Clear();
    EXPECT_EQ(table.Find("PVHOST2", "Other"), nullptr);
    EXPECT_EQ(table.FindRow(&other), nullptr);
}

TEST(LoginUserTable, ARowShowsItsUsersFlags)
{
    TLoginUserReport flags = User("花子", "PVHOST3", "Parvane2");
    flags.Version = 2200;
    flags.Absence = true;
    flags.AbsenceTitle = QStringLiteral("電話中");
    flags.FTPPort = 52000;
    flags.IPAddress = QStringLiteral("198.18.0.3");
    TListItem row;
    LoginUserRowWrite(row, flags);
    EXPECT_EQ(row.Caption(), QStringLiteral("花子"));
    EXPECT_EQ(row.SubItems(), (QStringList{"電話中", "-------", "サポート", "メッセージ", "Parvane2",
                                           "PVHOST3", "198.18.0.3"}));
    EXPECT_EQ(row.ImageIndex(), LoginUserImageAway);
    EXPECT_EQ(LoginUserPeer(flags), (TPeer{"花子", "PVHOST3", "Parvane2"}));
}

// The row shows a long handle cut to the bound of a line; the user keeps the whole name.
TEST(LoginUserTable, ARowCutsALongHandleAndTheUserKeepsIt)
{
    const QString sLong = QStringLiteral("長").repeated(10000);
    TLoginUserReport flags = User("", "PVHOST3", "Parvane2");
    flags.HandleName = sLong;
    TListItem row;
    LoginUserRowWrite(row, flags);
    EXPECT_EQ(row.Caption(), PeerTextInLine(sLong));
    EXPECT_LE(row.Caption().size(), PeerTextLineMaxBytes);
    EXPECT_EQ(LoginUserPeer(flags).HandleName, sLong);
}

} // namespace
