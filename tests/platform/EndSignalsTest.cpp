#include "EndSignals.h"

#include "WaitUntil.h"

#include <csignal>
#include <gtest/gtest.h>
#include <vector>

namespace {

class EndSignalsTest : public testing::TestWithParam<int> {};

// The signal does not end the process: it reaches the callback on the event loop,
// not inside the handler.
TEST_P(EndSignalsTest, ReachesTheEventLoopInsteadOfEndingTheProcess)
{
    std::vector<int> told;
    EndSignals ends([&told](int iSignal) { told.push_back(iSignal); });
    ASSERT_TRUE(ends.Installed());
    ASSERT_EQ(::raise(GetParam()), 0);
    EXPECT_TRUE(told.empty());
    ASSERT_TRUE(TestSupport::WaitUntil([&told] { return !told.empty(); }));
    EXPECT_EQ(told, std::vector<int>{GetParam()});
}

TEST_P(EndSignalsTest, ItsEndGivesTheSignalItsDefaultActionBack)
{
    {
        const EndSignals ends([](int) {});
        ASSERT_TRUE(ends.Installed());
    }
    struct sigaction action = {};
    ASSERT_EQ(::sigaction(GetParam(), nullptr, &action), 0);
    EXPECT_EQ(action.sa_handler, SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(EndSignals, EndSignalsTest, testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                             return std::string(sigabbrev_np(info.param));
                         });

} // namespace
