// The recording windows refuse a routine name that none of their routines has,
// which would otherwise make a stand-in that lets the program's routine run.
#include "RecordingWindows.h"

#include <gtest/gtest.h>

namespace {

using TestSupport::RecordingWindowsMade;
using TestSupport::UnknownRoutines;

TEST(RecordingWindowsNames, OnlyNamesWithoutARoutineAreUnknown)
{
    EXPECT_EQ(UnknownRoutines({"NoticeAdd", "EventSoundPlay", "HelpShow"}), QStringList());
    EXPECT_EQ(UnknownRoutines({"NoticeAdd", "NotiecAdd", "eventSoundPlay"}),
              (QStringList{"NotiecAdd", "eventSoundPlay"}));
}

TEST(RecordingWindowsNames, ANamedStandInAnswersInPlaceOfTheProgram)
{
    // No receive window exists, so the program's own routine answers false.
    auto [standing, standingCalls] = RecordingWindowsMade({"RecvFormExists"});
    standingCalls->bRecvFormExists = true;
    EXPECT_TRUE(standing->RecvFormExists());
    auto [running, runningCalls] = RecordingWindowsMade();
    runningCalls->bRecvFormExists = true;
    EXPECT_FALSE(running->RecvFormExists());
    EXPECT_EQ(standingCalls->Count("RecvFormExists"), 1);
    EXPECT_EQ(runningCalls->Count("RecvFormExists"), 1);
}

TEST(RecordingWindowsNames, AMisspeltStandInStopsTheTest)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(RecordingWindowsMade({"NoticeAdd", "NotiecAdd"}), "no routine named NotiecAdd");
}

TEST(RecordingWindowsNames, AMisspeltNameInAQuestionStopsTheTest)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const TestSupport::WindowCalls calls;
    EXPECT_DEATH(calls.Count("Noticeadd"), "no routine named Noticeadd");
    EXPECT_DEATH(calls.Firsts("NoticeAd"), "no routine named NoticeAd");
}

} // namespace
