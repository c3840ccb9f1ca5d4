#include "LogTableView.h"

#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>
#include <QTextTable>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

void Key(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = {})
{
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(widget, &press);
}

void Mouse(QWidget* widget, QEvent::Type type, const QPoint& point)
{
    const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(point), widget->mapToGlobal(QPointF(point)),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void Drag(QWidget* widget, const QPoint& from, const QPoint& to)
{
    Mouse(widget, QEvent::MouseButtonPress, from);
    Mouse(widget, QEvent::MouseMove, to);
    Mouse(widget, QEvent::MouseButtonRelease, to);
}

// The fields a log brings: white space of every kind where HTML folds it,
// markup, escapes in chat records, empty fields and empty lines.
QList<TLogRecord> TrickyRecords()
{
    return {
        {QStringLiteral("メッセージ受信"), QStringLiteral("2011年08月29日 07時05分09秒"),
         QStringLiteral("花子"), QStringLiteral("太郎"),
         QStringLiteral("一行目\r\n\r\n三行目\r\n  字下げ  \r\n末尾の空白 ")},
        {QStringLiteral("チャット送信"), QStringLiteral("d"), QStringLiteral("&lt;名前&gt;"),
         QStringLiteral("(チャット全体)"), QStringLiteral("a &lt;b&gt; &amp;lt; &amp;amp;")},
        {QStringLiteral("メッセージ送信"), QString(), QString(), QString(), QString()},
        {QStringLiteral("メッセージ受信"), QStringLiteral("d"), QStringLiteral(" 前 後 "),
         QStringLiteral("x\ty"), QStringLiteral("<b>太字</b> &amp; \t 空白\r孤立CR \r\n \r\n終")},
        {QStringLiteral("チャット受信"), QStringLiteral(""), QStringLiteral("a   b"), QStringLiteral("c"),
         QStringLiteral("&lt;br&gt;\r\n&amp;nbsp;")},
    };
}

QList<TLogRecord> LargeLog(int iRecords)
{
    QList<TLogRecord> records;
    for (int i = 0; i < iRecords; ++i) {
        records.append(
            {i % 2 ? QStringLiteral("メッセージ受信") : QStringLiteral("チャット受信"),
             QStringLiteral("2011年08月29日 07時05分%1秒").arg(i % 60, 2, 10, QLatin1Char('0')),
             QStringLiteral("花子%1").arg(i % 7), QStringLiteral("太郎"),
             QStringLiteral("%1件目の連絡です。\r\n明日の会議は10時から &amp; 第二会議室で。").arg(i)});
    }
    return records;
}

// The table as the HTML view of LogTableHtml has it.
struct HtmlView {
    explicit HtmlView(const QList<TLogRecord>& records) { browser.setHtml(LogTableHtml(records)); }
    QTextTable* Table() const
    {
        QTextCursor cursor(browser.document());
        cursor.movePosition(QTextCursor::NextBlock);
        return cursor.currentTable();
    }
    QString CellText(int iRow, int iColumn) const
    {
        const QTextTableCell cell = Table()->cellAt(iRow, iColumn * 2);
        QTextCursor cursor = cell.firstCursorPosition();
        cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
        return cursor.selection().toPlainText();
    }
    QTextBrowser browser;
};

void ExpectSameAsHtml(const QList<TLogRecord>& records)
{
    const TLogTableText table(records);
    const HtmlView html(records);
    ASSERT_NE(html.Table(), nullptr);
    ASSERT_EQ(html.Table()->rows(), table.RowCount());
    ASSERT_EQ(html.Table()->columns(), TLogTableText::kColumns * 2 - 1);
    for (int row = 0; row < table.RowCount(); ++row) {
        for (int column = 0; column < TLogTableText::kColumns; ++column)
            ASSERT_EQ(table.Cell(row, column).toString(), html.CellText(row, column)) << row << " " << column;
    }
    EXPECT_EQ(table.Text(), html.browser.document()->toPlainText());
}

TEST(LogTableText, RowsAndCellsAreWhatTheHtmlTableShows)
{
    ExpectSameAsHtml({});
    ExpectSameAsHtml(TrickyRecords());
    ExpectSameAsHtml(LargeLog(2000));
}

// Only the white space of HTML folds, as in a browser; Qt's own HTML import
// would fold an ideographic space too.
TEST(LogTableText, AnIdeographicSpaceStaysAsTyped)
{
    const TLogTableText table({{QStringLiteral("メッセージ受信"), QString(), QString(), QString(),
                                QStringLiteral("　字下げ　全角\u00a0")}});
    EXPECT_EQ(table.Cell(1, 4).toString(), QStringLiteral("　字下げ　全角\u00a0"));
}

class LogTableViewTest : public testing::Test {
protected:
    void SetUp() override
    {
        FView.resize(687, 360);
        FView.show();
    }
    QPoint CellPoint(int iRow, int iColumn, int dx, int dy)
    {
        // The first cell's left edge and the row's top, found through the view's own hit test.
        for (int y = 0; y < FView.viewport()->height(); ++y) {
            for (int x = 0; x < FView.viewport()->width(); x += 2) {
                if (FView.OffsetAt(QPoint(x, y)) == FView.Table().CellStart(iRow, iColumn))
                    return QPoint(x + dx, y + dy);
            }
        }
        ADD_FAILURE() << "no cell " << iRow << " " << iColumn;
        return QPoint();
    }

    TLogTableView FView;
};

TEST_F(LogTableViewTest, SelectAllCopiesWhatTheHtmlViewCopies)
{
    const QList<TLogRecord> records = LargeLog(3000) + TrickyRecords();
    FView.SetRecords(records);
    FView.SelectAll();
    FView.Copy();
    const QString copied = QApplication::clipboard()->text();

    HtmlView html(records);
    html.browser.selectAll();
    html.browser.copy();
    EXPECT_EQ(copied, QApplication::clipboard()->text());

    // By the keyboard too.
    QApplication::clipboard()->clear();
    FView.Select(0, 0);
    Key(&FView, Qt::Key_A, Qt::ControlModifier);
    Key(&FView, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), copied);
}

TEST_F(LogTableViewTest, DraggingSelectsFromOnePlaceToAnotherInReadingOrder)
{
    FView.SetRecords(TrickyRecords());
    // Within one cell: its characters from the first.
    const QPoint start = CellPoint(1, 3, 0, 2);
    Drag(FView.viewport(), start, start + QPoint(90, 0));
    EXPECT_EQ(FView.SelectedText(), QStringLiteral("太郎"));

    // From one row's sender to the next row's sender: everything between, as copied.
    const QPoint from = CellPoint(1, 2, 0, 2);
    const QPoint to = CellPoint(2, 2, 0, 2);
    Drag(FView.viewport(), from, to);
    const TLogTableText& table = FView.Table();
    EXPECT_EQ(FView.SelectedText(),
              table.Text().mid(table.CellStart(1, 2), table.CellStart(2, 2) - table.CellStart(1, 2)));
    EXPECT_TRUE(FView.SelectedText().startsWith(QStringLiteral("花子\n\n太郎\n\n一行目\n\n三行目")));
    FView.Copy();
    EXPECT_EQ(QApplication::clipboard()->text(), FView.SelectedText());
}

// The newest record is tinted, then every other one; the heading is not.
TEST_F(LogTableViewTest, TheNewestRecordAndEveryOtherOneAreTinted)
{
    FView.SetRecords(LargeLog(5));
    const QImage image = FView.viewport()->grab().toImage();
    const QColor tint(0xee, 0xee, 0xff);
    for (int row = 0; row <= 5; ++row) {
        // The row's top padding, above its text.
        const int y = CellPoint(row, 0, 0, 1).y();
        int iTinted = 0;
        for (int x = 0; x < image.width(); ++x)
            iTinted += QColor(image.pixel(x, y)) == tint ? 1 : 0;
        EXPECT_EQ(iTinted > image.width() / 2, row % 2 == 1) << "row " << row << ": " << iTinted;
    }
}

TEST_F(LogTableViewTest, ALargeLogScrollsToItsLastRowByTheKeyboard)
{
    FView.SetRecords(LargeLog(30000));
    EXPECT_EQ(FView.TopRow(), 0);
    FView.setFocus();
    Key(&FView, Qt::Key_End);
    const int last = FView.TopRow();
    EXPECT_GT(last, 29900);
    EXPECT_LT(last, FView.Table().RowCount());
    // The last row is in sight: the point under the view's bottom rows lies in it.
    const qsizetype bottom = FView.OffsetAt(QPoint(20, FView.viewport()->height() - 1));
    EXPECT_GE(bottom, FView.Table().CellStart(last, 0));
    Key(&FView, Qt::Key_PageUp);
    EXPECT_LT(FView.TopRow(), last);
    Key(&FView, Qt::Key_Home);
    EXPECT_EQ(FView.TopRow(), 0);
    EXPECT_FALSE(FView.grab().isNull());
}

// A message of many lines makes a row taller than the view; the keys move by
// pixels through it, in the middle of the log and as its last row. Whatever the
// font's line height, no line passes without having been in sight whole.
TEST_F(LogTableViewTest, ARowTallerThanTheViewCanBeReadToItsEnd)
{
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("行%1").arg(i, 3, 10, QLatin1Char('0'));
    const TLogRecord tall{QStringLiteral("メッセージ受信"), QStringLiteral("d"), QStringLiteral("花子"),
                          QStringLiteral("太郎"), lines.join(QStringLiteral("\r\n"))};
    const TLogRecord small{QStringLiteral("メッセージ受信"), QStringLiteral("d"), QStringLiteral("a"),
                           QStringLiteral("b"), QStringLiteral("短い")};
    const auto lineUnder = [this](const QPoint& point, int iRow) {
        const qsizetype offset = FView.OffsetAt(point) - FView.Table().CellStart(iRow, 4);
        return FView.Table().Cell(iRow, 4).left(offset).count(u'\n');
    };
    // The lines of the tall row (row 2) in sight whole: those between the lines that
    // the view's edges may cut; above the row -1, below it the line after its last.
    const auto lineAtEdge = [this](int y) {
        const qsizetype offset = FView.OffsetAt(QPoint(500, y)) - FView.Table().CellStart(2, 4);
        const QStringView cell = FView.Table().Cell(2, 4);
        if (offset < 0)
            return -1;
        if (offset > cell.size())
            return int(cell.count(u'\n')) + 1;
        return int(cell.left(offset).count(u'\n'));
    };

    FView.SetRecords({small, tall, small});
    int iSeenTo = -1;
    for (int press = 0; press < 1000 && FView.TopRow() <= 2; ++press) {
        const int iFirstWhole = lineAtEdge(0) + 1;
        const int iLastWhole = lineAtEdge(FView.viewport()->height() - 1) - 1;
        ASSERT_LE(iFirstWhole, iSeenTo + 1)
            << "lines " << iSeenTo + 1 << " to " << iFirstWhole - 1 << " were never in sight";
        iSeenTo = std::max(iSeenTo, iLastWhole);
        Key(&FView, Qt::Key_Down);
    }
    EXPECT_GE(iSeenTo, 199);
    EXPECT_EQ(FView.TopRow(), 3);

    FView.SetRecords({small, tall});
    Key(&FView, Qt::Key_End);
    EXPECT_EQ(FView.TopRow(), 2);
    EXPECT_GT(FView.TopOffset(), 0);
    EXPECT_EQ(lineUnder(QPoint(500, FView.viewport()->height() - 4), 2), 199);
    // Up again to the top of the table.
    Key(&FView, Qt::Key_Home);
    EXPECT_EQ(FView.TopRow(), 0);
    EXPECT_EQ(FView.TopOffset(), 0);
}

} // namespace
