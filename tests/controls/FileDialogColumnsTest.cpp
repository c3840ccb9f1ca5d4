// The sizes and dates of the file and folder dialogs in Japanese, whatever the session's language.
#include "FolderDialog.h"
#include "OpenDialogEx.h"
#include "OwnProcess.h"
#include "SaveDialogEx.h"
#include "WaitUntil.h"

#include <QAbstractItemDelegate>
#include <QAbstractItemModel>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QListView>
#include <QLocale>
#include <QProcessEnvironment>
#include <QSettings>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>
#include <functional>
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

// The widths Qt keeps in the user's settings from the last file dialog of any
// program, here narrower than any text: a name column and three slim ones, and a
// slim column of places.
void NarrowWidthsStore()
{
    QStandardItemModel columns(0, 4);
    QTreeView view;
    view.setModel(&columns);
    view.header()->resizeSection(0, 120);
    for (int iColumn = 1; iColumn < 4; ++iColumn)
        view.header()->resizeSection(iColumn, 24);
    QSettings settings(QSettings::UserScope, QStringLiteral("QtProject"));
    settings.beginGroup(QStringLiteral("FileDialog"));
    settings.setValue(QStringLiteral("treeViewHeader"), view.header()->saveState());
    settings.setValue(QStringLiteral("sidebarWidth"), 24);
    settings.setValue(QStringLiteral("viewMode"), QStringLiteral("Detail"));
    settings.setValue(QStringLiteral("shortcuts"),
                      QStringList{QStringLiteral("file:"), QUrl::fromLocalFile(QDir::homePath()).toString()});
}

// The texts of one view that its column cuts: wider than the column as the view's
// own delegate would draw them.
QStringList CutTexts(const QAbstractItemView* view, const QModelIndex& parent, int iFirstColumn, int iColumns,
                     const std::function<int(int)>& columnWidth)
{
    QStringList slCut;
    const QAbstractItemModel* model = view->model();
    for (int iRow = 0; iRow < model->rowCount(parent); ++iRow)
        for (int iColumn = iFirstColumn; iColumn < iColumns; ++iColumn) {
            const QModelIndex index = model->index(iRow, iColumn, parent);
            QStyleOptionViewItem option;
            option.initFrom(view);
            option.font = view->font();
            option.features = QStyleOptionViewItem::HasDisplay;
            if (index.data(Qt::DecorationRole).isValid()) {
                option.features |= QStyleOptionViewItem::HasDecoration;
                option.decorationSize = view->iconSize().isValid() ? view->iconSize() : QSize(16, 16);
            }
            if (view->itemDelegate()->sizeHint(option, index).width() > columnWidth(iColumn))
                slCut << index.data().toString();
        }
    return slCut;
}

// Each column of the details view and each place beside it shows its text whole
// (no "15…イト", "空の…ント", "コン…"), however narrow the stored widths: the
// size, kind and date once their texts have arrived, after the listing.
TEST(FileDialogColumns, EachColumnAndPlaceShowsItsTextsWholeOverNarrowStoredWidths)
{
    if (!TestSupport::InOwnProcess()) {
        // Qt's settings of a user of the test's own, so the machine's user keeps theirs.
        QTemporaryDir config;
        ASSERT_TRUE(config.isValid());
        QProcessEnvironment environment;
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        EXPECT_TRUE(TestSupport::RunInOwnProcess(environment));
        return;
    }
    NarrowWidthsStore();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const char* const names[] = {"ten.txt", "library.so", "写真.png", "empty"};
    for (const char* name : names) {
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
        auto* places = c.dialog->findChild<QListView*>(QStringLiteral("sidebar"));
        ASSERT_NE(view, nullptr);
        ASSERT_NE(places, nullptr);
        const auto columnsCut = [view] {
            return CutTexts(view, view->rootIndex(), 1, view->header()->count(),
                            [view](int iColumn) { return view->header()->sectionSize(iColumn); });
        };
        const auto placesCut = [places] {
            return CutTexts(places, QModelIndex(), 0, 1,
                            [places](int) { return places->viewport()->width(); });
        };
        // Every row with its kind, the last text the listing fills in.
        ASSERT_TRUE(TestSupport::WaitUntil(
            [&] {
                for (const char* name : names)
                    if (Cell(c.dialog, QString::fromUtf8(name), 2).isEmpty())
                        return false;
                return true;
            },
            15000))
            << c.sDialog;
        ASSERT_TRUE(TestSupport::WaitUntil([&] { return places->model()->rowCount() > 0; })) << c.sDialog;
        TestSupport::WaitUntil([&] { return columnsCut().isEmpty() && placesCut().isEmpty(); }, 2000);
        EXPECT_EQ(columnsCut(), QStringList()) << c.sDialog;
        EXPECT_EQ(placesCut(), QStringList()) << c.sDialog;
        c.dialog->hide();
    }
}

} // namespace
