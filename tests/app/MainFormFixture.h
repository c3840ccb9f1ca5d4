#pragma once

// A main window with settings of its own inside host 1 of a two-host test LAN,
// its message boxes answered and recorded, for the tests of the windows it opens.
#include "LanSuite.h"
#include "MainUnit.h"
#include "WaitUntil.h"
#include "WindowTest.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>

using TestSupport::WaitUntil;

class MainFormFixture : public TestSupport::WindowTestOn<TestSupport::LanSuite<2>> {
protected:
    void SetUp() override
    {
        WindowTestOn::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(EnterHost(0));
    }

    void TearDown() override
    {
        CloseWindows();
        FForm.reset();
        WindowTestOn::TearDown();
    }

    // The windows the test opened, before the main window goes.
    virtual void CloseWindows() {}

    void WriteIni(const QByteArray& text) const
    {
        QFile file(FDir.filePath(QStringLiteral("Parvane2.INI")));
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
