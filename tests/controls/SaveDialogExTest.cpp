#include "SaveDialogEx.h"

#include "DialogRun.h"
#include "MessageBox.h"
#include "QtPrinters.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

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

// A box of the toolkit's own that opened inside the dialog, recorded; it and the dialog are then closed.
QString QtBoxWhile(QDialog& dialog, const std::function<void()>& fn)
{
    QString sShown;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            sShown = box->text();
            box->reject();
            QTimer::singleShot(0, &dialog, &QDialog::reject);
        }
    });
    watch.start(20);
    fn();
    return sShown;
}

// The window that owns the dialog asks its own question about an existing file;
// the toolkit's question would come on top of it in another language.
TEST(SaveDialogEx, AnExistingFileIsTakenWithoutAQuestionOfItsOwn)
{
    QTemporaryDir dir;
    const QString sFile = QDir(dir.path()).filePath(QStringLiteral("there.txt"));
    {
        QFile file(sFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    TSaveDialogEx dialog;
    dialog.SetFileName(sFile);
    bool bResult = false;
    const QString sShown = QtBoxWhile(dialog, [&] {
        WhileShowing([&] { static_cast<QDialog&>(dialog).accept(); });
        bResult = dialog.ExecuteEx(false);
    });
    EXPECT_TRUE(sShown.isEmpty()) << sShown.toStdString();
    EXPECT_TRUE(bResult);
    EXPECT_EQ(QFileInfo(dialog.FileName()).canonicalFilePath(), QFileInfo(sFile).canonicalFilePath());
}

// A read-only file is not taken: the dialog says so and stays open for another name.
TEST(SaveDialogEx, AReadOnlyFileIsNotTaken)
{
    QTemporaryDir dir;
    const QString sFile = QDir(dir.path()).filePath(QStringLiteral("kept.txt"));
    {
        QFile file(sFile);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(sFile).constData(), 0444), 0);
    std::vector<MessageBox::Request> boxes;
    MessageBox::SetAnswerer([&boxes](const MessageBox::Request& request) {
        boxes.push_back(request);
        return MessageBox::IDOK;
    });
    TSaveDialogEx dialog;
    dialog.SetFileName(sFile);
    bool bOpenAfterAccept = false;
    WhileShowing([&] {
        static_cast<QDialog&>(dialog).accept();
        bOpenAfterAccept = dialog.isVisible();
        dialog.reject();
    });
    bool bResult = true;
    const QString sShown = QtBoxWhile(dialog, [&] { bResult = dialog.ExecuteEx(false); });
    MessageBox::SetAnswerer({});
    EXPECT_TRUE(sShown.isEmpty()) << sShown.toStdString();
    EXPECT_TRUE(bOpenAfterAccept);
    EXPECT_FALSE(bResult);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].sText.contains(QStringLiteral("kept.txt"))) << boxes[0].sText.toStdString();
    EXPECT_EQ(boxes[0].iFlags & 0xF0, MessageBox::MB_ICONWARNING);
}

} // namespace
