// The settings store: what an apply sets reaches its followers, named with the
// value it had, and only what took another value is named.
#include "SettingsStore.h"

#include "Settings.h"

#include <QObject>
#include <gtest/gtest.h>
#include <vector>

namespace {

// Every setting the cases write, put back as it was.
class SettingsStoreTest : public testing::Test {
protected:
    void TearDown() override
    {
        CustomizeShowTopMost = FShowTopMost;
        CustomizeLog = FLog;
        NoticePosition = FNoticePosition;
        HandleName = FHandleName;
        AbsenceMessage = FAbsence;
    }

    const bool FShowTopMost = CustomizeShowTopMost;
    const bool FLog = CustomizeLog;
    const int FNoticePosition = NoticePosition;
    const QString FHandleName = HandleName;
    const TAbsenceMessage FAbsence = AbsenceMessage;
};

// Keeps what the followers were told, in order.
struct TFollower {
    std::vector<TSettingsChange> applied;
    QStringList told;
    QObject context;

    TFollower()
    {
        TSettingsStore& store = SettingsStore();
        QObject::connect(&store, &TSettingsStore::Applied, &context, [this](const TSettingsChange& change) {
            applied.push_back(change);
            told << QStringLiteral("Applied");
        });
        QObject::connect(&store, &TSettingsStore::ApplyEnded, &context,
                         [this] { told << QStringLiteral("Ended"); });
    }
};

TEST_F(SettingsStoreTest, AChangedSettingReachesTheFollowerWithItsValueBefore)
{
    CustomizeShowTopMost = false;
    HandleName = QStringLiteral("太郎");
    NoticePosition = 6;
    TFollower follower;
    TSettingsStore& store = SettingsStore();
    store.Set(CustomizeShowTopMost, true);
    store.Set(HandleName, QStringLiteral("花子"));
    // Unchanged, and changed then set back: neither is named.
    store.Set(CustomizeLog, bool(CustomizeLog));
    store.Set(NoticePosition, 2);
    store.Set(NoticePosition, 6);
    EXPECT_TRUE(follower.applied.empty());
    store.Publish();

    ASSERT_EQ(follower.applied.size(), 1u);
    const TSettingsChange& change = follower.applied[0];
    EXPECT_TRUE(change.Has(CustomizeShowTopMost));
    EXPECT_FALSE(change.Before(CustomizeShowTopMost));
    EXPECT_TRUE(CustomizeShowTopMost);
    EXPECT_TRUE(change.Has(HandleName));
    EXPECT_EQ(change.Before(HandleName), QStringLiteral("太郎"));
    EXPECT_EQ(HandleName, QStringLiteral("花子"));
    EXPECT_FALSE(change.Has(CustomizeLog));
    EXPECT_FALSE(change.Has(NoticePosition));
    EXPECT_EQ(change.Before(NoticePosition), 6);
    EXPECT_EQ(NoticePosition, 6);
}

TEST_F(SettingsStoreTest, EachApplyIsToldOnceWithOnlyItsOwnChangesAndThenItsEnd)
{
    TFollower follower;
    TSettingsStore& store = SettingsStore();
    TAbsenceMessage kinds = AbsenceMessage;
    kinds[0].sTitle = AbsenceMessage[0].sTitle + QStringLiteral("改");
    store.Set(AbsenceMessage, kinds);
    const TSettingsChange first = store.Publish();
    store.End();
    // Nothing set: still told, since the followers refresh from the settings.
    const TSettingsChange second = store.Publish();
    store.End();

    EXPECT_EQ(follower.told, (QStringList{QStringLiteral("Applied"), QStringLiteral("Ended"),
                                          QStringLiteral("Applied"), QStringLiteral("Ended")}));
    ASSERT_EQ(follower.applied.size(), 2u);
    EXPECT_TRUE(first.Has(AbsenceMessage));
    EXPECT_TRUE(follower.applied[0].Has(AbsenceMessage));
    EXPECT_EQ(follower.applied[0].Before(AbsenceMessage)[0].sTitle, FAbsence[0].sTitle);
    EXPECT_TRUE(second.IsEmpty());
    EXPECT_TRUE(follower.applied[1].IsEmpty());
}

} // namespace
