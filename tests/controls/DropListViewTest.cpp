#include "DropListView.h"

#include "QtPrinters.h"

#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A folder with one of each kind of path a drag can carry.
class DropPaths {
public:
    DropPaths()
    {
        QFile file(Path("report.txt"));
        file.open(QIODevice::WriteOnly);
        file.write("x");
        file.close();
        QFile other(Path("other.txt"));
        other.open(QIODevice::WriteOnly);
        other.close();
        QDir(FDir.path()).mkdir("folder");
        QFile::link(Path("report.txt"), Path("link-to-file"));
        QFile::link(Path("folder"), Path("link-to-folder"));
        QFile::link(Path("gone.txt"), Path("broken-link"));
    }
    QString Path(const QString& sName) const { return FDir.filePath(sName); }

private:
    QTemporaryDir FDir;
};

struct DragCase {
    const char* Name;
    QStringList Names; // relative to the folder, or absolute addresses when they hold "://"
    bool Accepted;
};

QList<QUrl> UrlsOf(const DropPaths& paths, const QStringList& slNames)
{
    QList<QUrl> urls;
    for (const QString& s : slNames)
        urls.append(s.contains("://") ? QUrl(s) : QUrl::fromLocalFile(paths.Path(s)));
    return urls;
}

const DragCase DragCases[] = {
    {"OneFile", {"report.txt"}, true},
    {"EmptyFile", {"other.txt"}, true},
    {"LinkToFile", {"link-to-file"}, true},
    {"TwoFiles", {"report.txt", "other.txt"}, false},
    {"FileTwice", {"report.txt", "report.txt"}, false},
    {"Folder", {"folder"}, false},
    {"LinkToFolder", {"link-to-folder"}, false},
    {"BrokenLink", {"broken-link"}, false},
    {"MissingPath", {"gone.txt"}, false},
    {"WebAddress", {"http://198.18.0.1/report.txt"}, false},
    {"Nothing", {}, false},
};

TEST(DropListRules, AcceptsExactlyOneExistingRegularFile)
{
    const DropPaths paths;
    for (const DragCase& c : DragCases) {
        const QString sFile = DropListDragFile(DropListNamesFromUrls(UrlsOf(paths, c.Names)));
        EXPECT_EQ(DropListFileAcceptable(sFile), c.Accepted) << c.Name;
    }
}

TEST(DropListRules, SeveralNamesCarryNoPath)
{
    EXPECT_EQ(DropListDragFile({"/a", "/b"}), QString());
    EXPECT_EQ(DropListDragFile({"/a"}), QString("/a"));
    EXPECT_EQ(DropListDragFile({}), QString());
}

// A shown list of three rows and a drag source that the test moves about.
class DropListViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        FView = std::make_unique<TDropListView>();
        FView->setColumnCount(2);
        FView->resize(300, 200);
        for (const char* s : {"Aoi", "Ren", "Sora"}) {
            TListItem* item = FView->AddItem();
            item->SetCaption(QString::fromLatin1(s));
            item->SetSubItems({"サポート"});
        }
        FView->show();
        QApplication::processEvents();
        FView->OnFileDropOver = [this](QObject* sender, TListItem* item, bool& bCancel) {
            EXPECT_EQ(sender, FView.get());
            FAsked.append(item);
            if (item->Caption() == FRefuse)
                bCancel = true;
        };
        FView->OnFileDrop = [this](QObject* sender, TListItem* item, const QString& sFile) {
            EXPECT_EQ(sender, FView.get());
            FDropped.append({item->Caption(), sFile});
        };
    }

    QPoint RowPoint(int iRow) const { return FView->visualItemRect(FView->Item(iRow)).center(); }
    QPoint BelowRows() const { return QPoint(10, FView->viewport()->height() - 3); }

    void Enter(const QList<QUrl>& urls, QPoint at)
    {
        FData.setUrls(urls);
        QDragEnterEvent event(at, Qt::CopyAction | Qt::MoveAction, &FData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(FView->viewport(), &event);
    }
    // Returns whether the position takes the drop, and the action offered.
    std::pair<bool, Qt::DropAction> Move(QPoint at)
    {
        QDragMoveEvent event(at, Qt::CopyAction | Qt::MoveAction, &FData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(FView->viewport(), &event);
        return {event.isAccepted(), event.dropAction()};
    }
    void Leave()
    {
        QDragLeaveEvent event;
        QApplication::sendEvent(FView->viewport(), &event);
    }
    void Drop(QPoint at)
    {
        QDropEvent event(at, Qt::CopyAction | Qt::MoveAction, &FData, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(FView->viewport(), &event);
    }

    DropPaths FPaths;
    std::unique_ptr<TDropListView> FView;
    QMimeData FData;
    QString FRefuse;
    QList<TListItem*> FAsked;
    QList<std::pair<QString, QString>> FDropped;
};

TEST_F(DropListViewTest, AcceptedRowIsHighlightedAndTheDropOffersACopy)
{
    const QString sFile = FPaths.Path("report.txt");
    Enter({QUrl::fromLocalFile(sFile)}, RowPoint(1));
    const auto [bAccepted, action] = Move(RowPoint(1));
    EXPECT_TRUE(bAccepted);
    EXPECT_EQ(action, Qt::CopyAction);
    EXPECT_EQ(FView->DropTarget(), FView->Item(1));
    EXPECT_TRUE(FView->IsDropHighlighted(FView->Item(1)));

    Drop(RowPoint(1));
    ASSERT_EQ(FDropped.size(), 1);
    EXPECT_EQ(FDropped[0].first, QString("Ren"));
    EXPECT_EQ(FDropped[0].second, sFile);
    EXPECT_EQ(FView->DropTarget(), nullptr);
}

TEST_F(DropListViewTest, RefusedDragsHighlightNothingAndFireNothing)
{
    for (const DragCase& c : DragCases) {
        if (c.Accepted)
            continue;
        FView->Item(0)->setSelected(true);
        Enter(UrlsOf(FPaths, c.Names), RowPoint(0));
        for (int iRow = 0; iRow < 3; ++iRow) {
            const auto [bAccepted, action] = Move(RowPoint(iRow));
            EXPECT_FALSE(bAccepted) << c.Name;
            EXPECT_EQ(FView->DropTarget(), nullptr) << c.Name;
        }
        EXPECT_EQ(FView->SelCount(), 0) << c.Name << ": a drag clears the selection";
        Drop(RowPoint(2));
    }
    EXPECT_TRUE(FAsked.isEmpty());
    EXPECT_TRUE(FDropped.isEmpty());
}

TEST_F(DropListViewTest, HandlerRefusalMovesTheHighlightOff)
{
    FRefuse = "Aoi";
    Enter({QUrl::fromLocalFile(FPaths.Path("report.txt"))}, RowPoint(1));
    EXPECT_TRUE(Move(RowPoint(1)).first);
    EXPECT_TRUE(FView->IsDropHighlighted(FView->Item(1)));

    const auto [bAccepted, action] = Move(RowPoint(0));
    EXPECT_FALSE(bAccepted);
    EXPECT_EQ(FView->DropTarget(), nullptr);
    EXPECT_FALSE(FView->IsDropHighlighted(FView->Item(1)));
    EXPECT_EQ(FAsked.size(), 2);

    Drop(RowPoint(0));
    EXPECT_TRUE(FDropped.isEmpty());
}

TEST_F(DropListViewTest, OwnerIsAskedOnEveryMoveOverTheSameRow)
{
    Enter({QUrl::fromLocalFile(FPaths.Path("report.txt"))}, RowPoint(2));
    Move(RowPoint(2));
    Move(RowPoint(2) + QPoint(5, 0));
    EXPECT_EQ(FAsked.size(), 2);
}

TEST_F(DropListViewTest, LeavingOrDroppingBelowTheRowsEndsWithoutHighlight)
{
    Enter({QUrl::fromLocalFile(FPaths.Path("report.txt"))}, RowPoint(0));
    Move(RowPoint(0));
    Leave();
    EXPECT_EQ(FView->DropTarget(), nullptr);

    Enter({QUrl::fromLocalFile(FPaths.Path("report.txt"))}, RowPoint(0));
    Move(RowPoint(0));
    EXPECT_FALSE(Move(BelowRows()).first);
    EXPECT_EQ(FView->DropTarget(), nullptr);
    Drop(BelowRows());
    EXPECT_TRUE(FDropped.isEmpty());
}

TEST_F(DropListViewTest, RowRemovedDuringTheDragLeavesNoTarget)
{
    Enter({QUrl::fromLocalFile(FPaths.Path("report.txt"))}, RowPoint(1));
    Move(RowPoint(1));
    ASSERT_EQ(FView->DropTarget(), FView->Item(1));
    // The peer logs out while the file is still being dragged.
    FView->DeleteItem(FView->Item(1));
    EXPECT_EQ(FView->DropTarget(), nullptr);
    Drop(RowPoint(1));
    EXPECT_TRUE(FDropped.isEmpty());
}

TEST_F(DropListViewTest, DropHandlerMayRemoveTheRow)
{
    FView->OnFileDrop = [this](QObject*, TListItem* item, const QString&) { FView->DeleteItem(item); };
    Enter({QUrl::fromLocalFile(FPaths.Path("report.txt"))}, RowPoint(0));
    Move(RowPoint(0));
    Drop(RowPoint(0));
    EXPECT_EQ(FView->ItemCount(), 2);
    EXPECT_EQ(FView->DropTarget(), nullptr);
}

TEST_F(DropListViewTest, GetNextItemWalksSelectedRows)
{
    FView->SetMultiSelect(true);
    FView->Item(0)->setSelected(true);
    FView->Item(2)->setSelected(true);
    TListItem* first = FView->GetNextItem(nullptr, TSearchDirection::sdAll, isSelected);
    ASSERT_EQ(first, FView->Item(0));
    TListItem* second = FView->GetNextItem(first, TSearchDirection::sdAll, isSelected);
    ASSERT_EQ(second, FView->Item(2));
    EXPECT_EQ(FView->GetNextItem(second, TSearchDirection::sdAll, isSelected), nullptr);
    EXPECT_EQ(FView->GetNextItem(second, TSearchDirection::sdAbove, isSelected), FView->Item(0));
    EXPECT_EQ(FView->SelCount(), 2);
    EXPECT_EQ(FView->Selected(), FView->Item(0));
}

TEST_F(DropListViewTest, RowChangesAreReported)
{
    QList<std::pair<QString, TItemChange>> changes;
    FView->OnChange = [&](QObject*, TListItem* item, TItemChange change) {
        changes.append({item->Caption(), change});
    };
    FView->Item(1)->SetSubItem(0, "-------");
    FView->Item(2)->SetImageIndex(3);
    FView->SetSelected(FView->Item(0));
    // As the list's own caption editor writes it.
    FView->Item(2)->setData(0, Qt::EditRole, QString("Mio"));
    ASSERT_GE(changes.size(), 4);
    EXPECT_EQ(changes[0], std::make_pair(QString("Ren"), TItemChange::ctText));
    EXPECT_EQ(changes[1], std::make_pair(QString("Sora"), TItemChange::ctImage));
    EXPECT_EQ(changes[2], std::make_pair(QString("Aoi"), TItemChange::ctState));
    EXPECT_EQ(changes.back(), std::make_pair(QString("Mio"), TItemChange::ctText));
}

TEST(ListItem, SubItemCountIsKeptApartFromTheColumns)
{
    TListItem item;
    item.SetSubItem(2, "x");
    EXPECT_EQ(item.SubItems(), (QStringList{"", "", "x"}));
    item.SetSubItems({"a"});
    EXPECT_EQ(item.SubItems().size(), 1);
    EXPECT_EQ(item.text(3), QString()) << "a dropped sub-item leaves no text behind";
}

} // namespace
