#pragma once

// The options window without a main window, against a settings folder of its
// own: every option at its default before and after each test.
#include "IniFile.h"
#include "OptionUnit.h"
#include "Settings.h"
#include "WindowTest.h"

class OptionFormFixture : public TestSupport::WindowTest {
protected:
    void SetUp() override
    {
        WindowTestOn::SetUp();
        if (HasFatalFailure())
            return;
        FileBaseName = FileBaseNameFor(false, QString());
        ResetSettings();
    }

    void TearDown() override
    {
        OptionFormRelease();
        ResetSettings();
        WindowTestOn::TearDown();
    }

    static void ResetSettings()
    {
        const IniFile none(QStringLiteral("/nonexistent/none.INI"));
        SettingsReadPorts(none);
        SettingsReadOption(none, QStringLiteral("PC1"));
        SettingsReadAbsence(none);
        CurrentAbsenceTitle.clear();
    }

    TOptionForm& Open()
    {
        OptionFormShow();
        return *OptionForm;
    }

    QString Path(const QString& sName) const { return FDir.filePath(sName); }
};
