#pragma once

#include "LogFile.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QList>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The log viewer's table as text: its header row and a row per record, each of
// five cells as LogTableHtml shows them (chat fields unescaped, line breaks as
// "\n"). The whole text is what the HTML view of that table gives for a
// selection of everything: an empty line, then every cell of every row, the
// spacer cells between them included, each ended by "\n".
class TLogTableText {
public:
    static constexpr int kColumns = 5;

    explicit TLogTableText(const QList<TLogRecord>& records = {});

    // The header row is row 0.
    int RowCount() const { return static_cast<int>(FCellStart.size() / kColumns); }
    QStringView Cell(int iRow, int iColumn) const;
    // Where the cell's text begins in Text().
    qsizetype CellStart(int iRow, int iColumn) const { return FCellStart[iRow * kColumns + iColumn]; }
    const QString& Text() const { return FText; }

private:
    QString FText;
    std::vector<qsizetype> FCellStart;
    std::vector<qsizetype> FCellLength;
};

// Shows the log's table and lays out only the rows in sight, so a log of any
// length shows at once. Its scroll bar counts rows, the keys and the wheel move
// by pixels so that a row taller than the view can be read; text is selected with the mouse
// (from one place to another in reading order, as in a browser) or all at once,
// and copied as plain text.
class TLogTableView : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TLogTableView(QWidget* parent = nullptr);
    ~TLogTableView() override;

    void SetRecords(const QList<TLogRecord>& records);
    const TLogTableText& Table() const { return *FTable; }

    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }

    // The row at the top of the view, and how many of its pixels are above it.
    int TopRow() const;
    int TopOffset() const { return FTopOffset; }
    // To the top of a row.
    void SetTopRow(int iRow);
    // Down (or up, below 0) by pixels, across rows, never past the last row's bottom.
    void ScrollByPixels(int iPixels);

    void SelectAll();
    // Offsets into Table().Text(), the anchor first; the selection is the range between.
    void Select(qsizetype iAnchor, qsizetype iPosition);
    QString SelectedText() const;
    // Copies the selection to the clipboard.
    void Copy();

    // The text offset under a point of the viewport (the nearest one in a row's gaps).
    qsizetype OffsetAt(const QPoint& point);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    struct TRowLayout;

    const TRowLayout& RowLayout(int iRow);
    int TableWidth() const;
    // Where the top row begins in the viewport.
    int RowTop() const;
    int CellLeft(int iColumn) const;
    int CellWidth(int iColumn) const;
    void ScrollRangeSet();

    std::unique_ptr<TLogTableText> FTable;
    QHash<int, std::shared_ptr<TRowLayout>> FLayouts;
    int FLayoutWidth = -1;
    qsizetype FAnchor = 0;
    qsizetype FPosition = 0;
    bool FSelecting = false;
    int FTopOffset = 0;
    bool FOwnScroll = false;
    QPointer<QMenu> FPopupMenu;
};
