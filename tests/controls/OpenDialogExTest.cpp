#include "OpenDialogEx.h"

#include "DialogRun.h"
#include "OwnProcess.h"
#include "QtPrinters.h"
#include "SaveDialogEx.h"
#include "WaitUntil.h"

#include <QComboBox>
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

// "*.*" stands for every file, as the windows mean it, a name without a dot too.
TEST(DialogFilterLines, PairsBecomeFilterLines)
{
    EXPECT_EQ(DialogFilterLines("Wave (*.wav)|*.wav|All files|*.*"),
              (QStringList{"Wave (*.wav) (*.wav)", "All files (*)"}));
    EXPECT_EQ(DialogFilterLines("Sounds|*.wav;*.mid"), (QStringList{"Sounds (*.wav *.mid)"}));
    EXPECT_EQ(DialogFilterLines("dangling"), QStringList());
}

// What an open dialog shows of a folder, read while it is open.
struct Shown {
    QString sFolder;
    QString sFilterShown;
    QStringList slNames;
    QStringList slSelected;
};

Shown ShownBy(TOpenDialogEx& dialog, int iWantedNames)
{
    Shown shown;
    WhileShowing([&] {
        auto* list = dialog.findChild<QListView*>(QStringLiteral("listView"));
        auto* model = dialog.findChild<QFileSystemModel*>();
        if (list != nullptr && model != nullptr) {
            TestSupport::WaitUntil([&] { return model->rowCount(list->rootIndex()) >= iWantedNames; }, 5000);
            for (int i = 0; i < list->model()->rowCount(list->rootIndex()); ++i)
                shown.slNames << list->model()->index(i, 0, list->rootIndex()).data().toString();
        }
        shown.sFolder = dialog.directory().absolutePath();
        if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
            shown.sFilterShown = types->currentText();
        shown.slSelected = dialog.selectedFiles();
        dialog.reject();
    });
    dialog.Execute();
    shown.slNames.sort();
    return shown;
}

TEST(OpenDialogEx, EveryFileShowsUnderItsCaptionAlone)
{
    QTemporaryDir dir;
    for (const char* name : {"README", "ring.wav", "notes.txt"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TOpenDialogEx dialog;
    dialog.SetFilter(QStringLiteral("すべてのファイル(*.*)|*.*"));
    dialog.SetInitialDir(dir.path());
    const Shown shown = ShownBy(dialog, 3);
    EXPECT_EQ(shown.slNames, (QStringList{"README", "notes.txt", "ring.wav"}));
    EXPECT_EQ(shown.sFilterShown, QStringLiteral("すべてのファイル(*.*)"));
}

// A path of a file (a dropped one) opens the dialog in its folder with the file chosen.
TEST(OpenDialogEx, AFilePathAsTheInitialFolderOpensItsFolder)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("ring.wav")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    TOpenDialogEx dialog;
    dialog.SetFilter(QStringLiteral("すべてのファイル(*.*)|*.*"));
    dialog.SetInitialDir(file.fileName());
    const Shown shown = ShownBy(dialog, 1);
    EXPECT_EQ(QFileInfo(shown.sFolder).canonicalFilePath(), QFileInfo(dir.path()).canonicalFilePath());
    EXPECT_EQ(shown.slNames, QStringList{"ring.wav"});
    ASSERT_EQ(shown.slSelected.size(), 1);
    EXPECT_EQ(QFileInfo(shown.slSelected[0]).canonicalFilePath(),
              QFileInfo(file.fileName()).canonicalFilePath());
}

// The dialog is kept and shown again; its completion list must go with it, or it
// stays over the owner as a strip that eats the next click or key.
TEST(OpenDialogEx, ATakenSuggestionLeavesNothingOnScreen)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcessOnADesktop());
        return;
    }
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("報告書.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    QWidget owner;
    auto* ownerEdit = new QLineEdit(&owner);
    owner.resize(400, 200);
    owner.show();
    owner.activateWindow();
    ASSERT_TRUE(TestSupport::WaitUntil([&] { return owner.isActiveWindow(); }));

    TOpenDialogEx openDialog(&owner);
    TSaveDialogEx saveDialog(&owner);
    struct Case {
        const char* Name;
        TOpenDialogEx& Dialog;
        QString Typed;
    } cases[] = {
        {"open, a suggestion", openDialog, QStringLiteral("報")},
        {"open again, the whole path", openDialog, file.fileName()},
        {"save, a suggestion", saveDialog, QStringLiteral("報")},
    };
    for (const Case& c : cases) {
        c.Dialog.SetInitialDir(dir.path());
        bool bListed = false;
        WhileShowing([&] { bListed = TakeSuggestion(c.Dialog, c.Typed); });
        EXPECT_TRUE(c.Dialog.Execute()) << c.Name;
        EXPECT_TRUE(bListed) << c.Name;
        EXPECT_EQ(QFileInfo(c.Dialog.FileName()).canonicalFilePath(),
                  QFileInfo(file.fileName()).canonicalFilePath())
            << c.Name;
        EXPECT_EQ(VisibleWindowsBut(&owner), QStringList()) << c.Name;
        ownerEdit->clear();
        TestSupport::WaitUntil([&] { return owner.isActiveWindow(); }, 2000);
        PressKey(Qt::Key_X, QStringLiteral("x"));
        EXPECT_EQ(ownerEdit->text(), QStringLiteral("x")) << c.Name << ": the next key is lost";
    }
}

} // namespace
