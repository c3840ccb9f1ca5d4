#pragma once

// For a test that cannot share its process with the tests before it (it needs a
// real X server, or a thread that an earlier test may already have made): the
// test runs again, alone, in a fresh copy of its test program, and the parent
// reports the copy's result. The copy runs the same test body:
//
//     if (!TestSupport::InOwnProcess()) {
//         EXPECT_TRUE(TestSupport::RunInOwnProcess());
//         return;
//     }
//     ... the test itself ...
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace TestSupport {

// Whether this process is the copy started for the current test.
bool InOwnProcess();

// Runs the current test in a fresh copy of the test program, with these variables
// added to the environment; succeeds when the copy ran the test and it passed.
testing::AssertionResult RunInOwnProcess(const QProcessEnvironment& extra = {}, int iTimeoutMs = 120000);

// The same, with the copy on an X server of its own (Xvfb) in place of offscreen.
testing::AssertionResult RunInOwnProcessOnAnXServer(const QProcessEnvironment& extra = {},
                                                    int iTimeoutMs = 120000);

// The same, on a desktop of its own (Desktop.h): a window manager and a panel.
testing::AssertionResult RunInOwnProcessOnADesktop(const QProcessEnvironment& extra = {},
                                                   int iTimeoutMs = 120000);

} // namespace TestSupport
