#pragma once

// A main window with settings of its own inside host 1 of a two-host test LAN,
// its message boxes answered and recorded, for the tests of the windows it opens.
#include "CommandLine.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "TestLan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>

template <class F> bool WaitUntil(F&& condition, int iTimeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > iTimeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class MainFormFixture : public testing::Test {
protected:
    static void SetUpTestSuite() { FLan = new TestLan(2); }
    static void TearDownTestSuite()
    {
        delete FLan;
        FLan = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(FLan->IsReady()) << qPrintable(FLan->Error());
        ASSERT_TRUE(FDir.isValid());
        FLan->Enter(0);
        FEntered = true;
        TMainForm::ProgramDirectoryOverride = FDir.path();
        PortOverrideMsg = -1;
        PortOverrideFile = -1;
        MessageBox::SetAnswerer([this](const MessageBox::Request& request) {
            FBoxes.push_back(request);
            if (FAnswers.empty())
                return request.iFlags & MessageBox::MB_YESNO ? MessageBox::IDYES : MessageBox::IDOK;
            const int iAnswer = FAnswers.front();
            FAnswers.pop_front();
            return iAnswer;
        });
    }

    void TearDown() override
    {
        CloseWindows();
        FForm.reset();
        MessageBox::SetAnswerer({});
        TMainForm::ProgramDirectoryOverride.clear();
        MessageRecvQueue.Clear();
        if (FEntered)
            FLan->Leave();
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

    QStringList BoxTexts() const
    {
        QStringList texts;
        for (const MessageBox::Request& box : FBoxes)
            texts << box.sText;
        return texts;
    }

    static inline TestLan* FLan = nullptr;
    bool FEntered = false;
    QTemporaryDir FDir;
    std::unique_ptr<TMainForm> FForm;
    std::vector<MessageBox::Request> FBoxes;
    std::deque<int> FAnswers;
};
