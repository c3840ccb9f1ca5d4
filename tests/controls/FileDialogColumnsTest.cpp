// The sizes and dates of the file and folder dialogs in Japanese, whatever the session's language.
#include "FolderDialog.h"
#include "OpenDialogEx.h"
#include "SaveDialogEx.h"
#include "WaitUntil.h"

#include <QAbstractItemModel>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

// The text of the details view's cell in the row of sName and column iColumn; empty until listed.
QString Cell(QFileDialog* dialog, const QString& sName, int iColumn)
{
    const auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
    if (view == nullptr || view->model() == nullptr)
        return {};
    const QAbstractItemModel* model = view->model();
    const QModelIndex folder = view->rootIndex();
    for (int i = 0; i < model->rowCount(folder); ++i)
        if (model->index(i, 0, folder).data().toString() == sName)
            return model->index(i, iColumn, folder).data().toString();
    return {};
}

TEST(FileDialogColumns, SizesAndDatesAreWrittenTheJapaneseWay)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("ten.txt")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("0123456789");
    file.close();
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    const QString sDate = japanese.toString(QFileInfo(file.fileName()).lastModified(), QLocale::ShortFormat);

    TOpenDialogEx open;
    TSaveDialogEx save;
    TFolderDialog folder;
    folder.Browser()->setOption(QFileDialog::ShowDirsOnly, false);
    const struct {
        const char* sDialog;
        QFileDialog* dialog;
    } cases[] = {{"open", &open}, {"save", &save}, {"folder", folder.Browser()}};
    for (const auto& c : cases) {
        c.dialog->setDirectory(dir.path());
        c.dialog->setViewMode(QFileDialog::Detail);
        ASSERT_TRUE(TestSupport::WaitUntil([&] { return !Cell(c.dialog, "ten.txt", 1).isEmpty(); }, 15000))
            << c.sDialog;
        EXPECT_EQ(Cell(c.dialog, "ten.txt", 1), QStringLiteral("10 バイト")) << c.sDialog;
        EXPECT_EQ(Cell(c.dialog, "ten.txt", 3), sDate) << c.sDialog;
    }
}

} // namespace
