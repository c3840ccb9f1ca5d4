#pragma once

// The base of the tests that open the program's windows. Needs the application,
// so only the application's test program includes it.
#include "BoxFlags.h"
#include "CommandLine.h"
#include "IniFile.h"
#include "MainUnit.h"
#include "MessageBox.h"
#include "MessageRecvQueue.h"
#include "Settings.h"
#include "SubUnit.h"
#include "SystemClock.h"
#include "WindowKinds.h"

#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <vector>

namespace TestSupport {

// Every process-wide setting as a start without a settings file leaves it, with the
// program's folder at sFolder and the handle name that machine name gives; the
// window lists and the queue of unread messages as a process starts.
inline void ResetProcessSettings(const QString& sFolder, const QString& sMachineName = QString())
{
    ProgramDirectory = ProgramDirectoryOf(sFolder);
    WindowsUserName.clear();
    FileBaseName = ProgramDirectory + SettingsBaseName;
    // Never created: reading a missing file gives every key its default.
    const IniFile none(ProgramDirectory + QStringLiteral("NoSuchSettings.INI"));
    SettingsReadPorts(none);
    SettingsReadOption(none, sMachineName);
    SettingsReadBars(none);
    SettingsReadViewFlags(none);
    SettingsReadAbsence(none);
    NetworkBroadcast = SettingsReadBroadcastIP(none);
    CurrentAbsenceTitle.clear();
    PortOverrideMsg = -1;
    PortOverrideFile = -1;
    WindowListsClear();
    MessageRecvQueue.Clear();
}

// A test of a window: the program's folder is a temporary folder of the test, every
// process-wide setting starts at its default, and every message box is recorded in
// FBoxes and answered from FAnswers, else by DefaultAnswer. Base is testing::Test or
// another fixture (a LAN suite) that the window test also needs.
template <class Base = testing::Test> class WindowTestOn : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        if (this->HasFatalFailure())
            return;
        ASSERT_TRUE(FDir.isValid());
        ResetProcessSettings(FDir.path());
        TMainForm::ProgramDirectoryOverride = FDir.path();
        MessageBox::SetAnswerer([this](const MessageBox::Request& request) {
            FBoxes.push_back(request);
            BoxShown(request);
            if (FAnswers.empty())
                return DefaultAnswer(request);
            const int iAnswer = FAnswers.front();
            FAnswers.pop_front();
            return iAnswer;
        });
    }

    // Runs after the derived fixture's TearDown has closed its windows, which may
    // still write their settings into the folder.
    void TearDown() override
    {
        MessageBox::SetAnswerer({});
        SystemClock::SetNowSource({});
        SystemClock::SetRandomSource({});
        TMainForm::ProgramDirectoryOverride.clear();
        ResetProcessSettings(FDir.path());
        ProgramDirectory.clear();
        FileBaseName.clear();
        Base::TearDown();
    }

    // Each box as it is recorded, before it is answered: a test acts there while the box is open.
    virtual void BoxShown(const MessageBox::Request&) {}

    // Yes to a question, OK to anything else.
    virtual int DefaultAnswer(const MessageBox::Request& request) const
    {
        return request.iFlags & MessageBox::MB_YESNO ? MessageBox::IDYES : MessageBox::IDOK;
    }

    QStringList BoxTexts() const
    {
        QStringList texts;
        for (const MessageBox::Request& box : FBoxes)
            texts << box.sText;
        return texts;
    }

    QTemporaryDir FDir;
    std::vector<MessageBox::Request> FBoxes;
    std::deque<int> FAnswers;
};

using WindowTest = WindowTestOn<>;

} // namespace TestSupport
