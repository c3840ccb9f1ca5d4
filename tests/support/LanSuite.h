#pragma once

#include "TestLan.h"

#include <gtest/gtest.h>

namespace TestSupport {

// A test LAN of HostCount hosts for a whole suite: made before its first test,
// removed after its last. A test may move into one host; TearDown leaves it.
template <int HostCount> class LanSuite : public testing::Test {
protected:
    static void SetUpTestSuite() { FLan = new TestLan(HostCount); }
    static void TearDownTestSuite()
    {
        delete FLan;
        FLan = nullptr;
    }

    // The LAN could be made; it cannot without root or the ip command.
    static testing::AssertionResult LanReady()
    {
        if (FLan && FLan->IsReady())
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << (FLan ? qPrintable(FLan->Error()) : "no LAN");
    }
    // The LAN is ready and this thread is in host i until LeaveHost or TearDown.
    testing::AssertionResult EnterHost(int i)
    {
        testing::AssertionResult ready = LanReady();
        if (!ready)
            return ready;
        FLan->Enter(i);
        FEntered = true;
        return testing::AssertionSuccess();
    }
    void LeaveHost()
    {
        if (FEntered)
            FLan->Leave();
        FEntered = false;
    }
    void TearDown() override { LeaveHost(); }

    static inline TestLan* FLan = nullptr;

private:
    bool FEntered = false;
};

} // namespace TestSupport
