// The sizes and dates of the file and folder dialogs in Japanese, whatever the session's language.
#include "FolderDialog.h"
#include "OpenDialogEx.h"
#include "SaveDialogEx.h"
#include "WaitUntil.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemModel>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QStyleOptionViewItem>
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

// Each column of the details view shows what its rows hold, whole: the size and
// the kind are not cut to "…" once their texts have arrived, after the listing.
TEST(FileDialogColumns, EachColumnShowsItsTextsWhole)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"ten.txt", "library.so", "写真.png", "empty"}) {
        QFile file(dir.filePath(QString::fromUtf8(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        if (QByteArray(name) != "empty")
            file.write("0123456789");
    }
    TOpenDialogEx open;
    TSaveDialogEx save;
    const struct {
        const char* sDialog;
        QFileDialog* dialog;
    } cases[] = {{"open", &open}, {"save", &save}};
    for (const auto& c : cases) {
        c.dialog->setDirectory(dir.path());
        c.dialog->setViewMode(QFileDialog::Detail);
        c.dialog->resize(520, 380);
        c.dialog->show();
        auto* view = c.dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        ASSERT_NE(view, nullptr);
        const auto cut = [view] {
            QStringList slCut;
            const QAbstractItemModel* model = view->model();
            const QModelIndex folder = view->rootIndex();
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.font = view->font();
            option.features = QStyleOptionViewItem::HasDisplay;
            for (int iRow = 0; iRow < model->rowCount(folder); ++iRow)
                for (int iColumn = 1; iColumn < view->header()->count(); ++iColumn) {
                    const QModelIndex index = model->index(iRow, iColumn, folder);
                    if (!view->header()->isSectionHidden(iColumn) &&
                        view->itemDelegate()->sizeHint(option, index).width() >
                            view->header()->sectionSize(iColumn))
                        slCut << index.data().toString();
                }
            return slCut;
        };
        // Every row with its kind, the last text the listing fills in.
        ASSERT_TRUE(TestSupport::WaitUntil(
            [&] {
                for (const char* name : {"ten.txt", "library.so", "写真.png", "empty"})
                    if (Cell(c.dialog, QString::fromUtf8(name), 2).isEmpty())
                        return false;
                return true;
            },
            15000))
            << c.sDialog;
        TestSupport::WaitUntil([&] { return cut().isEmpty(); }, 2000);
        EXPECT_EQ(cut(), QStringList()) << c.sDialog;
        c.dialog->hide();
    }
}
