#include "FolderDialog.h"

#include "DialogRun.h"
#include "OwnProcess.h"
#include "QtPrinters.h"
#include "WaitUntil.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FolderDialogTest : public testing::Test {
protected:
    void SetUp() override
    {
        QDir(FDir.path()).mkpath("received/photos");
        FStart = QDir(FDir.path()).filePath("received");
        FOther = QDir(FDir.path()).filePath("received/photos");
    }
    QTemporaryDir FDir;
    QString FStart;
    QString FOther;
};

TEST_F(FolderDialogTest, OpensAtThePathAndTakesTheChosenFolder)
{
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
            QModelIndex index;
            TestSupport::WaitUntil([&] { return (index = model->index(FOther)).isValid(); }, 2000);
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

TEST_F(FolderDialogTest, CancelLeavesThePath)
{
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

TEST_F(FolderDialogTest, MissingPathLeavesTheStatusEmptyUntilAFolderIsEntered)
{
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

// The chooser is kept and shown again; its completion list must go with it, or it
// stays over the owner as a strip that eats the next click or key.
TEST(FolderDialog, ATakenSuggestionLeavesNothingOnScreen)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcessOnADesktop());
        return;
    }
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTemporaryDir dir;
    const QString sFolder = dir.filePath(QStringLiteral("報告書"));
    ASSERT_TRUE(QDir().mkpath(sFolder));
    QWidget owner;
    auto* ownerEdit = new QLineEdit(&owner);
    owner.resize(400, 200);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return owner.isActiveWindow(); }));

    TFolderDialog dialog(&owner);
    for (const char* sName : {"the first time", "the dialog again"}) {
        dialog.SetPath(dir.path());
        bool bListed = false;
        WhileShowing([&] { bListed = TakeSuggestion(dialog, QStringLiteral("報")); });
        EXPECT_TRUE(dialog.Execute()) << sName;
        EXPECT_TRUE(bListed) << sName;
        EXPECT_EQ(QFileInfo(dialog.Path()).canonicalFilePath(), QFileInfo(sFolder).canonicalFilePath())
            << sName;
        EXPECT_EQ(VisibleWindowsBut(&owner), QStringList()) << sName;
        ownerEdit->clear();
        TestSupport::WaitUntil([&] { return owner.isActiveWindow(); }, 2000);
        PressKey(Qt::Key_X, QStringLiteral("x"));
        EXPECT_EQ(ownerEdit->text(), QStringLiteral("x")) << sName << ": the next key is lost";
    }
}

} // namespace
