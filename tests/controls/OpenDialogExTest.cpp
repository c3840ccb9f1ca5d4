#include "OpenDialogEx.h"

#include "DialogRun.h"
#include "QtPrinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(OpenDialogEx, ReportsWhetherItIsShowing)
{
    TOpenDialogEx dialog;
    int iShown = 0;
    int iClosed = 0;
    dialog.OnShow = [&](QObject* sender) {
        EXPECT_EQ(sender, &dialog);
        ++iShown;
    };
    dialog.OnClose = [&](QObject*) { ++iClosed; };
    EXPECT_FALSE(dialog.DialogOpen());

    struct Case {
        const char* Name;
        std::function<bool()> Execute;
        bool TopMost;
    } cases[] = {
        {"ExecuteEx(true)", [&] { return dialog.ExecuteEx(true); }, true},
        {"Execute after a top-most ExecuteEx", [&] { return dialog.Execute(); }, true},
        {"ExecuteEx(false)", [&] { return dialog.ExecuteEx(false); }, false},
        {"Execute after a plain ExecuteEx", [&] { return dialog.Execute(); }, false},
    };
    for (const Case& c : cases) {
        bool bResult = true;
        const Seen seen = ExecuteAndClose(dialog, c.Execute, bResult);
        EXPECT_TRUE(seen.Open) << c.Name;
        EXPECT_EQ(seen.HasHandle, c.TopMost) << c.Name;
        EXPECT_EQ(seen.OnTop, c.TopMost) << c.Name;
        EXPECT_FALSE(bResult) << c.Name << ": cancelled";
        EXPECT_FALSE(dialog.DialogOpen()) << c.Name;
        EXPECT_EQ(dialog.DialogHandle(), nullptr) << c.Name;
    }
    EXPECT_EQ(iShown, 4);
    EXPECT_EQ(iClosed, 4);
}

TEST(OpenDialogEx, ConfirmedFileIsTheFileName)
{
    QTemporaryDir dir;
    QFile file(dir.filePath("ring.wav"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TOpenDialogEx dialog;
    dialog.SetFilter("Wave (*.wav)|*.wav|All|*.*");
    dialog.SetInitialDir(dir.path());
    bool bOpenWhileShowing = false;
    WhileShowing([&] {
        bOpenWhileShowing = dialog.DialogOpen();
        dialog.selectFile(file.fileName());
        static_cast<QDialog&>(dialog).accept();
    });
    EXPECT_TRUE(dialog.ExecuteEx(true));
    EXPECT_TRUE(bOpenWhileShowing);
    EXPECT_EQ(QFileInfo(dialog.FileName()).canonicalFilePath(),
              QFileInfo(file.fileName()).canonicalFilePath());
    EXPECT_FALSE(dialog.DialogOpen());
    EXPECT_EQ(dialog.DialogHandle(), nullptr);
}

TEST(DialogFilterLines, PairsBecomeFilterLines)
{
    EXPECT_EQ(DialogFilterLines("Wave (*.wav)|*.wav|All files|*.*"),
              (QStringList{"Wave (*.wav) (*.wav)", "All files (*.*)"}));
    EXPECT_EQ(DialogFilterLines("Sounds|*.wav;*.mid"), (QStringList{"Sounds (*.wav *.mid)"}));
    EXPECT_EQ(DialogFilterLines("dangling"), QStringList());
}

} // namespace
