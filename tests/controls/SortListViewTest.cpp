#include "SortListView.h"

#include "QtPrinters.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>
#include <gtest/gtest.h>
#include <memory>

namespace {

QStringList Sorted(const TSortKeys& keys, QList<QStringList> rows)
{
    std::stable_sort(rows.begin(), rows.end(), [&](const QStringList& a, const QStringList& b) {
        return SortListViewCompare(keys, a, b) < 0;
    });
    QStringList slOrder;
    for (const QStringList& row : rows)
        slOrder.append(row.join('|'));
    return slOrder;
}

struct CompareCase {
    const char* Name;
    TSortKeys Keys;
    QList<QStringList> Rows;
    QStringList Expected;
};

const CompareCase CompareCases[] = {
    {"CaptionAscending", {0, true, -1, true}, {{"Sora"}, {"Aoi"}, {"Ren"}}, {"Aoi", "Ren", "Sora"}},
    {"CaptionDescending", {0, false, -1, true}, {{"Sora"}, {"Aoi"}, {"Ren"}}, {"Sora", "Ren", "Aoi"}},
    {"SubItemAscending", {1, true, -1, true}, {{"a", "3"}, {"b", "1"}, {"c", "2"}}, {"b|1", "c|2", "a|3"}},
    {"MissingSubItemFirstWhenAscending",
     {2, true, -1, true},
     {{"a", "x", "2"}, {"b", "y"}, {"c", "x", "1"}},
     {"b|y", "c|x|1", "a|x|2"}},
    {"MissingSubItemLastWhenDescending",
     {2, false, -1, true},
     {{"a", "x", "2"}, {"b", "y"}, {"c", "x", "1"}},
     {"a|x|2", "c|x|1", "b|y"}},
    {"EqualPrimaryOrderedBySecondary",
     {1, true, 0, true},
     {{"Sora", "オンライン"}, {"Aoi", "不在"}, {"Ren", "オンライン"}},
     {"Ren|オンライン", "Sora|オンライン", "Aoi|不在"}},
    {"SecondaryInItsOwnDirection",
     {1, true, 0, false},
     {{"Aoi", "x"}, {"Ren", "x"}, {"Sora", "w"}},
     {"Sora|w", "Ren|x", "Aoi|x"}},
    {"BothLackingTheColumnGoOnToTheSecondaryKey",
     {3, true, 0, true},
     {{"Sora", "x"}, {"Aoi"}, {"Ren", "y", "z", "1"}, {"Mio", "w"}},
     {"Aoi", "Mio|w", "Sora|x", "Ren|y|z|1"}},
    {"EqualOnBothKeysKeepTheirOrder",
     {1, true, -1, true},
     {{"c", "k"}, {"a", "k"}, {"b", "k"}},
     {"c|k", "a|k", "b|k"}},
    {"EqualOnBothKeysKeepTheirOrderWhenDescending",
     {1, false, 2, false},
     {{"c", "k", "1"}, {"a", "k", "1"}, {"b", "k", "1"}},
     {"c|k|1", "a|k|1", "b|k|1"}},
    {"CaseMatters", {0, true, -1, true}, {{"b"}, {"B"}, {"a"}, {"A"}}, {"a", "A", "b", "B"}},
};

TEST(SortListViewCompare, OrdersRowsByTwoKeys)
{
    for (const CompareCase& c : CompareCases)
        EXPECT_EQ(Sorted(c.Keys, c.Rows), c.Expected) << c.Name;
}

TEST(SortListViewCompare, IsAntisymmetricOverRowsWithMissingColumns)
{
    const QList<QStringList> rows = {{"a"},           {"b"},     {"a", "x"}, {"a", "x", "y"},
                                     {"b", "x", "y"}, {"b", ""}, {""}};
    for (int iIndex = 0; iIndex < 4; ++iIndex) {
        for (int iSecond = -1; iSecond < 4; ++iSecond) {
            for (bool bUpper : {true, false}) {
                const TSortKeys keys{iIndex, bUpper, iSecond, !bUpper};
                for (const QStringList& a : rows) {
                    for (const QStringList& b : rows)
                        EXPECT_EQ(SortListViewCompare(keys, a, b), -SortListViewCompare(keys, b, a))
                            << a.join('|').toStdString() << " vs " << b.join('|').toStdString() << " key "
                            << iIndex << "/" << iSecond;
                }
            }
        }
    }
}

TEST(SortSectionClick, SameSectionTurnsOtherSectionSortsAscending)
{
    struct Case {
        TSortKeys Before;
        int Section;
        int Index;
        bool Upper;
    } cases[] = {
        {{0, true, 0, true}, 0, 0, false},
        {{0, false, 0, true}, 0, 0, true},
        {{0, false, 0, true}, 3, 3, true},
        {{3, true, 0, true}, 1, 1, true},
    };
    for (const Case& c : cases) {
        TSortKeys keys = c.Before;
        SortSectionClick(c.Section, keys);
        EXPECT_EQ(keys.SortIndex, c.Index);
        EXPECT_EQ(keys.SortUpper, c.Upper);
        EXPECT_EQ(keys.SortSecondIndex, c.Before.SortSecondIndex) << "the secondary key stays";
        EXPECT_EQ(keys.SortSecondUpper, c.Before.SortSecondUpper);
    }
}

TEST(SortKeysUsable, NeedBothKeysAmongTheSections)
{
    EXPECT_TRUE(SortKeysUsable({0, true, 0, true}, 1));
    EXPECT_TRUE(SortKeysUsable({7, true, -1, true}, 8));
    EXPECT_FALSE(SortKeysUsable({8, true, 0, true}, 8));
    EXPECT_FALSE(SortKeysUsable({-1, true, 0, true}, 8));
    EXPECT_FALSE(SortKeysUsable({0, true, 8, true}, 8));
    EXPECT_FALSE(SortKeysUsable({0, true, 0, true}, 0));
}

TEST(SortShortenCaption, CutsWithDotsDownToOneCharacter)
{
    // Every character is 10 pixels wide; a caption must be narrower than the width.
    const auto width = [](const QString& s) { return int(s.size()) * 10; };
    struct Case {
        QString Caption;
        int Width;
        QString Expected;
    } cases[] = {
        {"コンピュータ名", 71, "コンピュータ名"},
        {"コンピュータ名", 70, "コンピ..."},
        {"コンピュータ名", 60, "コン..."},
        {"コンピュータ名", 45, "コ..."},
        {"コンピュータ名", 5, "コ..."},
        {"コンピュータ名", -3, "コ..."},
        {"AB", 21, "AB"},
        {"AB", 20, "A..."},
        {"A", 10, "A..."},
        {"", 1, ""},
        {"", 0, "..."},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SortShortenCaption(c.Caption, c.Width, width), c.Expected)
            << c.Caption.toStdString() << " at " << c.Width;
}

TEST(SortShortenCaption, KeepsSurrogatePairsWhole)
{
    const auto width = [](const QString& s) { return int(s.size()) * 10; };
    const QString sCaption = QString::fromUtf8("\xF0\xA0\x80\x8B\xF0\xA0\x80\x8B\xF0\xA0\x80\x8B");
    const QString s = SortShortenCaption(sCaption, 60, width);
    EXPECT_EQ(s, sCaption.left(2) + "...");
}

TEST(SortMarkLines, StaysBesideTheCaptionWithinTheTextRect)
{
    const QRect r(10, 2, 80, 18);
    const TSortMark up = SortMarkLines(r, 30, true);
    EXPECT_EQ(up.Shadow.front(), QPoint(49, 11 - 6 + 8));
    EXPECT_EQ(up.Shadow.back(), QPoint(53, 5)) << "the apex is up";
    const TSortMark down = SortMarkLines(r, 30, false);
    EXPECT_EQ(down.Shadow.back(), QPoint(53, 13)) << "the apex is down";
    // A caption wider than the rectangle puts the mark at its right edge.
    EXPECT_EQ(SortMarkLines(r, 500, true).Shadow.front().x(), 90);
}

TEST(SortSectionTextRect, LeavesRoomForTheMarkOnTheSortedSection)
{
    const QRect section(100, 0, 66, 22);
    EXPECT_EQ(SortSectionTextRect(section, false, false, 9), QRect(106, 2, 60, 20));
    EXPECT_EQ(SortSectionTextRect(section, true, false, 9), QRect(107, 3, 59, 19));
    EXPECT_EQ(SortSectionTextRect(section, false, true, 9), QRect(106, 2, 42, 20));
}

// A shown user list with the main window's columns.
class SortListViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        FList = std::make_unique<TSortListView>();
        FList->resize(640, 240);
        const std::pair<const char*, int> sections[] = {
            {"ハンドル名", 100}, {"ステータス", 66}, {"チャット", 55}, {"ファイル受信", 77}};
        for (const auto& [sText, iWidth] : sections)
            FList->AddSection(QString::fromUtf8(sText), iWidth);
        FList->SetSortSecondIndex(0);
        FList->show();
        QApplication::processEvents();
    }

    TListItem* Add(const QString& sCaption, const QStringList& slSubItems)
    {
        TListItem* item = FList->AddItem();
        item->SetCaption(sCaption);
        item->SetSubItems(slSubItems);
        return item;
    }
    QStringList Captions() const
    {
        QStringList sl;
        for (int i = 0; i < FList->ItemCount(); ++i)
            sl.append(FList->Item(i)->Caption());
        return sl;
    }
    void ClickSection(int iSection)
    {
        TSLVHeaderControl* header = FList->HeaderControl();
        const QPoint at(header->sectionViewportPosition(iSection) + header->sectionSize(iSection) / 2,
                        header->height() / 2);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
            QMouseEvent event(type, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                              type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                              Qt::NoModifier);
            QApplication::sendEvent(header->viewport(), &event);
        }
    }

    std::unique_ptr<TSortListView> FList;
};

TEST_F(SortListViewTest, SectionClicksSortAndTurnTheDirection)
{
    Add("Sora", {"オンライン", "-------"});
    Add("Aoi", {"不在", "ログイン"});
    Add("Ren", {"オンライン", "ログイン"});

    ClickSection(0);
    EXPECT_EQ(FList->SortIndex(), 0);
    EXPECT_FALSE(FList->SortUpper()) << "the caption column was already the sort column";
    EXPECT_EQ(Captions(), (QStringList{"Sora", "Ren", "Aoi"}));

    ClickSection(2);
    EXPECT_EQ(FList->SortIndex(), 2);
    EXPECT_TRUE(FList->SortUpper());
    EXPECT_EQ(Captions(), (QStringList{"Sora", "Aoi", "Ren"}));

    ClickSection(2);
    EXPECT_FALSE(FList->SortUpper());
    EXPECT_EQ(Captions(), (QStringList{"Aoi", "Ren", "Sora"}));
}

TEST_F(SortListViewTest, KeysOutsideTheSectionsLeaveTheOrder)
{
    Add("Sora", {});
    Add("Aoi", {});
    for (int iIndex : {4, 9, -1}) {
        FList->SetSortIndex(iIndex);
        FList->Sort();
        EXPECT_EQ(Captions(), (QStringList{"Sora", "Aoi"})) << iIndex;
    }
    FList->SetSortIndex(0);
    FList->SetSortSecondIndex(4);
    FList->Sort();
    EXPECT_EQ(Captions(), (QStringList{"Sora", "Aoi"}));
}

TEST_F(SortListViewTest, SortKeepsTheSelectionAndEqualRowsInOrder)
{
    FList->SetMultiSelect(true);
    FList->SetSortIndex(1);
    FList->SetSortSecondIndex(-1);
    Add("c", {"k"});
    TListItem* a = Add("a", {"k"});
    Add("b", {"j"});
    TListItem* d = Add("d", {"k"});
    a->setSelected(true);
    d->setSelected(true);
    FList->Sort();
    EXPECT_EQ(Captions(), (QStringList{"b", "c", "a", "d"}));
    EXPECT_EQ(FList->SelCount(), 2);
    EXPECT_TRUE(a->isSelected());
    EXPECT_TRUE(d->isSelected());
}

TEST_F(SortListViewTest, SortFromTheChangeHandlerDoesNotReenter)
{
    FList->SetMultiSelect(true);
    int iDepth = 0;
    int iDeepest = 0;
    int iCalls = 0;
    FList->OnChange = [&](QObject* sender, TListItem*, TItemChange) {
        EXPECT_EQ(sender, FList->ListView());
        ++iCalls;
        ++iDepth;
        iDeepest = std::max(iDeepest, iDepth);
        FList->Sort();
        --iDepth;
    };
    Add("Sora", {"x"});
    Add("Aoi", {"y"});
    TListItem* ren = Add("Ren", {"z"});
    FList->Item(0)->setSelected(true);
    ren->setSelected(true);
    ren->SetCaption("Mio");
    EXPECT_GT(iCalls, 0);
    EXPECT_EQ(iDeepest, 1);
    EXPECT_EQ(Captions(), (QStringList{"Aoi", "Mio", "Sora"}));
}

TEST_F(SortListViewTest, FontOfTheListLeavesTheHeaderFont)
{
    const QFont headerFont = FList->HeaderControl()->font();
    QFont big = FList->Font();
    big.setPointSize(headerFont.pointSize() + 6);
    FList->SetFont(big);
    EXPECT_EQ(FList->Font().pointSize(), big.pointSize());
    EXPECT_EQ(FList->HeaderControl()->font().pointSize(), headerFont.pointSize());
}

TEST_F(SortListViewTest, SectionsAreTheColumns)
{
    EXPECT_EQ(FList->SectionCount(), 4);
    EXPECT_EQ(FList->SectionWidth(1), 66);
    FList->SetSectionWidth(1, 90);
    EXPECT_EQ(FList->ListView()->columnWidth(1), 90);
    FList->AddSection("種別", 64);
    EXPECT_EQ(FList->ListView()->columnCount(), 5);
    EXPECT_EQ(FList->SectionText(4), QString("種別"));
}

} // namespace

namespace {

TEST_F(SortListViewTest, ScrollingSidewaysKeepsEachSectionAboveItsColumn)
{
    for (int i = 0; i < 4; ++i)
        FList->AddSection(QString("列%1").arg(i), 120);
    Add("Sora", {"x"});
    FList->resize(300, 200);
    QApplication::processEvents();
    TSLVListView* view = FList->ListView();
    int iReported = -1;
    view->OnScrollChange = [&](QObject*, int iPosition) { iReported = iPosition; };
    ASSERT_GT(view->horizontalScrollBar()->maximum(), 0);
    view->horizontalScrollBar()->setValue(150);
    QApplication::processEvents();
    EXPECT_EQ(iReported, 150);
    for (int iSection : {1, 3, 6}) {
        EXPECT_EQ(FList->HeaderControl()->sectionViewportPosition(iSection),
                  view->visualRect(view->model()->index(0, iSection)).left())
            << iSection;
    }
}

TEST_F(SortListViewTest, PressedSectionIsForgottenOnRelease)
{
    TSLVHeaderControl* header = FList->HeaderControl();
    EXPECT_EQ(header->PrPressing, -1);
    const QPoint at(header->sectionViewportPosition(1) + 20, header->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &press);
    EXPECT_EQ(header->PrPressing, 1);
    QMouseEvent release(QEvent::MouseButtonRelease, at, header->viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(header->viewport(), &release);
    EXPECT_EQ(header->PrPressing, -1);
    EXPECT_EQ(FList->SortIndex(), 1);
}

} // namespace

namespace {

TEST_F(SortListViewTest, RemovingTheSelectedRowReportsOnlyRowsStillListed)
{
    // Rows in an order the keys do not give, as when the keys were just changed.
    Add("Sora", {"x"});
    Add("Aoi", {"y"});
    TListItem* ren = Add("Ren", {"z"});
    ren->setSelected(true);
    FList->SetItemFocused(ren);
    QStringList slSeen;
    FList->OnChange = [&](QObject*, TListItem* item, TItemChange) {
        EXPECT_GE(FList->IndexOf(item), 0) << "a change for a row that is not listed";
        slSeen.append(item->Caption() + "|" + item->SubItems().value(0));
        FList->Sort();
    };
    // A peer logs out while its row is selected and focused; the row that takes the
    // focus is reported once the removal is over, and its sort then holds.
    FList->DeleteItem(ren);
    EXPECT_FALSE(slSeen.isEmpty());
    EXPECT_FALSE(slSeen.contains("Ren|z"));
    EXPECT_EQ(Captions(), (QStringList{"Aoi", "Sora"}));
    FList->ClearItems();
    EXPECT_EQ(FList->ItemCount(), 0);
}

} // namespace

namespace {

TEST_F(SortListViewTest, HotSectionFollowsTheMouseAndClearsOnLeaving)
{
    TSLVHeaderControl* header = FList->HeaderControl();
    EXPECT_EQ(header->PrHot, -1);
    for (int iSection : {2, 0}) {
        const QPoint at(header->sectionViewportPosition(iSection) + 10, header->height() / 2);
        QMouseEvent move(QEvent::MouseMove, at, header->viewport()->mapToGlobal(at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(header->viewport(), &move);
        EXPECT_EQ(header->PrHot, iSection);
    }
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(header->viewport(), &leave);
    EXPECT_EQ(header->PrHot, -1);
}

} // namespace
