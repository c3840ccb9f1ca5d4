#include "SaveDialogEx.h"

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

TEST(SaveDialogEx, ReportsWhetherItIsShowingAndNamesTheFile)
{
    QTemporaryDir dir;
    TSaveDialogEx dialog;
    bool bResult = true;
    const Seen seen = ExecuteAndClose(
        dialog, [&] { return dialog.ExecuteEx(true); }, bResult);
    EXPECT_TRUE(seen.Open);
    EXPECT_TRUE(seen.HasHandle);
    EXPECT_FALSE(bResult);
    EXPECT_FALSE(dialog.DialogOpen());

    dialog.SetInitialDir(dir.path());
    dialog.SetDefaultExt("txt");
    dialog.SetFileName(QDir(dir.path()).filePath("received"));
    WhileShowing([&] { static_cast<QDialog&>(dialog).accept(); });
    EXPECT_TRUE(dialog.ExecuteEx(false));
    EXPECT_EQ(dialog.FileName(), QDir(dir.path()).filePath("received.txt"));
    EXPECT_FALSE(dialog.DialogOpen());
}

} // namespace
