#pragma once

// A main window with settings of its own and its message boxes answered and
// recorded, for the tests of the windows it opens. MainFormFixture runs its engine
// on a LAN of one (EngineLoopback.h): no root, no socket, every internet socket
// of its thread refused. MainFormLanFixture runs it in host 1 of a two-host test
// LAN, for the tests that start peers, change addresses or take ports.
#include "EngineLoopback.h"
#include "LanSuite.h"
#include "MainUnit.h"
#include "ProgramWindowUnits.h"
#include "SocketGuard.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>
#include <type_traits>

using TestSupport::WaitUntil;

// On the LAN, the window is in host 1 of LanHosts.
template <bool OnLan, int LanHosts = 2>
class MainFormFixtureOf : public TestSupport::WindowTestOn<
                              std::conditional_t<OnLan, TestSupport::LanSuite<LanHosts>, testing::Test>> {
    using Base =
        TestSupport::WindowTestOn<std::conditional_t<OnLan, TestSupport::LanSuite<LanHosts>, testing::Test>>;

protected:
    void SetUp() override
    {
        Base::SetUp();
        if (this->HasFatalFailure())
            return;
        if constexpr (OnLan) {
            ASSERT_TRUE(this->EnterHost(0));
        } else {
            TMainForm::ServiceStarter = [](TParvaneNetwork& e) { return TParvaneNetworkLoopback::Start(e); };
            SocketGuard::SetRefused(true);
        }
    }

    void TearDown() override
    {
        CloseWindows();
        // The windows that exist at most once go before the main window whose
        // services they were handed, as the program's close lets them go: the next
        // test's main window makes its own.
        if (FForm)
            TProgramWindowUnits().SingleWindowsRelease();
        FForm.reset();
        if constexpr (!OnLan) {
            EXPECT_FALSE(SocketGuard::Tried()) << "a test off the LAN asked for an internet socket";
            SocketGuard::SetRefused(false);
            TMainForm::ServiceStarter = nullptr;
        }
        Base::TearDown();
    }

    // The windows the test opened, before the main window goes.
    virtual void CloseWindows() {}

    void WriteIni(const QByteArray& text) const
    {
        QFile file(this->FDir.filePath(QStringLiteral("Parvane2.INI")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    TMainForm& Start(std::unique_ptr<TProgramWindows> windows = nullptr)
    {
        FForm = std::make_unique<TMainForm>(std::move(windows));
        FForm->OnTerminate = [] {};
        return *FForm;
    }

    bool OwnRowListed()
    {
        return WaitUntil(
            [this] { return FForm->LoginUserFind(FForm->PVN->MachineName(), "Parvane2") != nullptr; });
    }

    std::unique_ptr<TMainForm> FForm;
};

using MainFormFixture = MainFormFixtureOf<false>;
using MainFormLanFixture = MainFormFixtureOf<true>;
