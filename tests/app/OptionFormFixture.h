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
        TestSupport::ResetProcessSettings(FDir.path(), QStringLiteral("PC1"));
        FileBaseName = FileBaseNameFor(false, QString());
    }

    void TearDown() override
    {
        OptionFormRelease();
        WindowTestOn::TearDown();
    }

    TOptionForm& Open()
    {
        OptionFormShow();
        return *OptionForm;
    }

    QString Path(const QString& sName) const { return FDir.filePath(sName); }
};
