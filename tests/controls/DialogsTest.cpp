#include "FolderDialog.h"
#include "OpenDialogEx.h"
#include "QtPrinters.h"
#include "SaveDialogEx.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs fn once the dialog that is about to be executed shows.
void WhileShowing(const std::function<void()>& fn) {
    QTimer::singleShot(0, fn);
}

struct Seen {
    bool Open = false;
    bool HasHandle = false;
    bool OnTop = false;
};

template <class Dialog>
Seen ExecuteAndClose(Dialog& dialog, const std::function<bool()>& execute, bool& bResult) {
    Seen seen;
    WhileShowing([&] {
        seen.Open = dialog.DialogOpen();
        seen.HasHandle = dialog.DialogHandle() == &dialog;
        seen.OnTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialog.reject();
    });
    bResult = execute();
    return seen;
}

TEST(OpenDialogEx, ReportsWhetherItIsShowing) {
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

TEST(OpenDialogEx, ConfirmedFileIsTheFileName) {
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

TEST(DialogFilterLines, PairsBecomeFilterLines) {
    EXPECT_EQ(DialogFilterLines("Wave (*.wav)|*.wav|All files|*.*"),
              (QStringList{"Wave (*.wav) (*.wav)", "All files (*.*)"}));
    EXPECT_EQ(DialogFilterLines("Sounds|*.wav;*.mid"), (QStringList{"Sounds (*.wav *.mid)"}));
    EXPECT_EQ(DialogFilterLines("dangling"), QStringList());
}

TEST(SaveDialogEx, ReportsWhetherItIsShowingAndNamesTheFile) {
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

class FolderDialogTest : public testing::Test {
protected:
    void SetUp() override {
        QDir(FDir.path()).mkpath("received/photos");
        FStart = QDir(FDir.path()).filePath("received");
        FOther = QDir(FDir.path()).filePath("received/photos");
    }
    QTemporaryDir FDir;
    QString FStart;
    QString FOther;
};

TEST_F(FolderDialogTest, OpensAtThePathAndTakesTheChosenFolder) {
    TFolderDialog dialog;
    dialog.SetInformation("受信フォルダを選択してください");
    dialog.SetPath(FStart);
    QString sOpenedAt;
    QString sStatusAtStart;
    QString sStatusAfter;
    bool bOnTop = false;
    WhileShowing([&] {
        sOpenedAt = dialog.Browser()->directory().absolutePath();
        sStatusAtStart = dialog.StatusText();
        bOnTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        // The user clicks the sub-folder in the list once it has been read.
        auto* list = dialog.Browser()->findChild<QListView*>("listView");
        auto* model = dialog.Browser()->findChild<QFileSystemModel*>();
        EXPECT_NE(list, nullptr);
        EXPECT_NE(model, nullptr);
        if (list != nullptr && model != nullptr) {
            QModelIndex index = model->index(FOther);
            for (int i = 0; i < 200 && !index.isValid(); ++i) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                index = model->index(FOther);
            }
            list->setCurrentIndex(index);
        }
        sStatusAfter = dialog.StatusText();
        static_cast<QDialog*>(dialog.Browser())->accept();
    });
    EXPECT_TRUE(dialog.ExecuteEx(true));
    EXPECT_TRUE(bOnTop);
    EXPECT_EQ(sOpenedAt, FStart);
    EXPECT_EQ(sStatusAtStart, QDir::toNativeSeparators(FStart));
    EXPECT_EQ(sStatusAfter, QDir::toNativeSeparators(FOther));
    EXPECT_EQ(dialog.Path(), FOther);
}

TEST_F(FolderDialogTest, CancelLeavesThePath) {
    TFolderDialog dialog;
    dialog.SetPath(FStart);
    bool bOnTop = true;
    WhileShowing([&] {
        bOnTop = dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        dialog.Browser()->setDirectory(FOther);
        dialog.Browser()->reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_FALSE(bOnTop);
    EXPECT_EQ(dialog.Path(), FStart);
}

TEST_F(FolderDialogTest, MissingPathLeavesTheStatusEmptyUntilAFolderIsEntered) {
    TFolderDialog dialog;
    dialog.SetPath(QDir(FDir.path()).filePath("gone"));
    QString sStatus = "unset";
    WhileShowing([&] {
        sStatus = dialog.StatusText();
        dialog.reject();
    });
    EXPECT_FALSE(dialog.Execute());
    EXPECT_EQ(sStatus, QString());
    EXPECT_EQ(dialog.Path(), QDir(FDir.path()).filePath("gone"));
}

} // namespace
