#include "LogTableView.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <algorithm>

namespace {

const QString kChatSendWord = QStringLiteral("チャット送信");
const QString kChatRecvWord = QStringLiteral("チャット受信");
const QString kCaptions[TLogTableText::kColumns] = {QStringLiteral("種別"), QStringLiteral("日付"),
                                                    QStringLiteral("送信者"), QStringLiteral("受信者"),
                                                    QStringLiteral("メッセージ")};

// The table's geometry and colours, as LogTableHtml gives them: fixed columns
// and a last one that takes the rest, a spacer between two, padding in each cell.
constexpr int kWidths[TLogTableText::kColumns] = {80, 185, 100, 100, 0};
constexpr int kSpacer = 5;
constexpr int kPadding = 2;
// The body's margin of 3 pixels and the 4 of the HTML view's own document.
constexpr int kMargin = 7;
constexpr int kFontPixels = 12;
// The last column never gets narrower than this; the view scrolls sideways instead.
constexpr int kRestMinimum = 60;
constexpr int kHeaderRule = 3;
const QColor kHeaderColors[TLogTableText::kColumns] = {QColor(0x88, 0x44, 0x44), QColor(0x44, 0x44, 0x88),
                                                       QColor(0x44, 0x88, 0x44), QColor(0x44, 0x88, 0x44),
                                                       QColor(0x88, 0x44, 0x88)};
const QColor kCellColors[TLogTableText::kColumns] = {QColor(0x99, 0x55, 0x55), QColor(0x55, 0x55, 0x99),
                                                     QColor(0x55, 0x99, 0x55), QColor(0x55, 0x99, 0x55),
                                                     QColor(0x99, 0x55, 0x99)};
const QColor kTint(0xee, 0xee, 0xff);
// Rows laid out and kept; a screen needs a few dozen.
constexpr int kLayoutsKept = 400;
// Pixels for an arrow key and for one notch of the wheel, as a browser moves.
constexpr int kArrowPixels = 40;
constexpr int kWheelPixels = 54;

bool IsHtmlSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\f';
}

// A field as the HTML table shows it: every run of white space one blank, and
// none at the start of a line; the text's own line breaks (CR LF, each a "<br>"
// in the table) as "\n".
QString ShownAsHtml(QStringView sField, bool bBreaks)
{
    QString out;
    out.reserve(sField.size());
    for (qsizetype i = 0; i < sField.size(); ++i) {
        const QChar c = sField[i];
        if (bBreaks && c == u'\r' && i + 1 < sField.size() && sField[i + 1] == u'\n') {
            out += u'\n';
            ++i;
        } else if (!IsHtmlSpace(c)) {
            out += c;
        } else if (!out.isEmpty() && !out.endsWith(u'\n') && !out.endsWith(u' ')) {
            out += u' ';
        }
    }
    return out;
}

QFont TableFont(bool bBold)
{
    QFont font;
    font.setFamilies({QStringLiteral("Meiryo UI"), QStringLiteral("メイリオ"), QStringLiteral("MS UI Gothic"),
                      QStringLiteral("ＭＳ Ｐゴシック")});
    font.setPixelSize(kFontPixels);
    font.setBold(bBold);
    return font;
}

} // namespace

TLogTableText::TLogTableText(const QList<TLogRecord>& records)
{
    const qsizetype cells = (records.size() + 1) * kColumns;
    FCellStart.reserve(cells);
    FCellLength.reserve(cells);
    FText.reserve(records.size() * 160 + 64);
    // The empty line before the table.
    FText += u'\n';
    const auto add = [this](const QString& sCell, bool bLast) {
        FCellStart.push_back(FText.size());
        FCellLength.push_back(sCell.size());
        FText += sCell;
        FText += u'\n';
        // The spacer cell after it, which holds nothing.
        if (!bLast)
            FText += u'\n';
    };
    for (int i = 0; i < kColumns; ++i)
        add(kCaptions[i], i + 1 == kColumns);
    for (const TLogRecord& record : records) {
        const bool chat = record.sKind == kChatSendWord || record.sKind == kChatRecvWord;
        const QString* fields[kColumns] = {&record.sKind, &record.sDate, &record.sFrom, &record.sTo,
                                           &record.sText};
        for (int i = 0; i < kColumns; ++i)
            add(ShownAsHtml(chat ? LogChatUnescaped(*fields[i]) : *fields[i], i + 1 == kColumns),
                i + 1 == kColumns);
    }
}

QStringView TLogTableText::Cell(int iRow, int iColumn) const
{
    const int cell = iRow * kColumns + iColumn;
    return QStringView(FText).mid(FCellStart[cell], FCellLength[cell]);
}

struct TLogTableView::TRowLayout {
    std::unique_ptr<QTextLayout> cells[TLogTableText::kColumns];
    int iHeight = 0;
};

TLogTableView::TLogTableView(QWidget* parent) : QAbstractScrollArea(parent), FTable(new TLogTableText)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    verticalScrollBar()->setSingleStep(1);
    // A move of the scroll bar itself goes to the top of a row.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        if (!FOwnScroll)
            FTopOffset = 0;
    });
    ScrollRangeSet();
}

TLogTableView::~TLogTableView() = default;

void TLogTableView::SetRecords(const QList<TLogRecord>& records)
{
    FTable = std::make_unique<TLogTableText>(records);
    FLayouts.clear();
    FAnchor = FPosition = 0;
    SetTopRow(0);
    ScrollRangeSet();
    viewport()->update();
}

int TLogTableView::TopRow() const
{
    return verticalScrollBar()->value();
}

void TLogTableView::SetTopRow(int iRow)
{
    FTopOffset = 0;
    verticalScrollBar()->setValue(iRow);
    viewport()->update();
}

int TLogTableView::RowTop() const
{
    return (TopRow() == 0 ? kMargin : 0) - FTopOffset;
}

void TLogTableView::ScrollByPixels(int iPixels)
{
    int row = TopRow();
    int offset = FTopOffset + iPixels;
    while (offset < 0 && row > 0)
        offset += RowLayout(--row).iHeight;
    while (row < verticalScrollBar()->maximum() && offset >= RowLayout(row).iHeight)
        offset -= RowLayout(row++).iHeight;
    // At the end only a last row taller than the view still moves, until its bottom shows.
    const int maximum = row == verticalScrollBar()->maximum()
                            ? std::max(0, RowLayout(row).iHeight - viewport()->height() + kMargin)
                            : RowLayout(row).iHeight - 1;
    offset = std::clamp(offset, 0, maximum);
    FOwnScroll = true;
    verticalScrollBar()->setValue(row);
    FOwnScroll = false;
    FTopOffset = offset;
    viewport()->update();
}

void TLogTableView::SelectAll()
{
    Select(0, FTable->Text().size());
}

void TLogTableView::Select(qsizetype iAnchor, qsizetype iPosition)
{
    const qsizetype size = FTable->Text().size();
    FAnchor = std::clamp<qsizetype>(iAnchor, 0, size);
    FPosition = std::clamp<qsizetype>(iPosition, 0, size);
    viewport()->update();
}

QString TLogTableView::SelectedText() const
{
    const qsizetype from = std::min(FAnchor, FPosition);
    return FTable->Text().mid(from, std::max(FAnchor, FPosition) - from);
}

void TLogTableView::Copy()
{
    if (FAnchor != FPosition)
        QApplication::clipboard()->setText(SelectedText());
}

int TLogTableView::TableWidth() const
{
    int fixed = 0;
    for (int width : kWidths)
        fixed += width;
    fixed += kSpacer * (TLogTableText::kColumns - 1);
    return std::max(viewport()->width() - 2 * kMargin, fixed + kRestMinimum);
}

int TLogTableView::CellLeft(int iColumn) const
{
    int left = kMargin;
    for (int i = 0; i < iColumn; ++i)
        left += CellWidth(i) + kSpacer;
    return left;
}

int TLogTableView::CellWidth(int iColumn) const
{
    if (kWidths[iColumn] > 0)
        return kWidths[iColumn];
    int used = kSpacer * (TLogTableText::kColumns - 1);
    for (int width : kWidths)
        used += width;
    return TableWidth() - used;
}

const TLogTableView::TRowLayout& TLogTableView::RowLayout(int iRow)
{
    const int width = TableWidth();
    if (width != FLayoutWidth) {
        FLayouts.clear();
        FLayoutWidth = width;
    }
    if (const auto found = FLayouts.constFind(iRow); found != FLayouts.constEnd())
        return **found;
    if (FLayouts.size() >= kLayoutsKept)
        FLayouts.clear();
    auto row = std::make_shared<TRowLayout>();
    const QFont font = TableFont(iRow == 0);
    int height = 0;
    for (int i = 0; i < TLogTableText::kColumns; ++i) {
        // A line break of the text is a line separator to the layout, one character as "\n" is.
        QString text = FTable->Cell(iRow, i).toString();
        text.replace(u'\n', QChar::LineSeparator);
        auto layout = std::make_unique<QTextLayout>(text, font);
        QTextOption option;
        option.setWrapMode(iRow == 0 ? QTextOption::NoWrap : QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout->setTextOption(option);
        const qreal lineWidth = CellWidth(i) - 2 * kPadding;
        qreal y = 0;
        layout->beginLayout();
        for (QTextLine line = layout->createLine(); line.isValid(); line = layout->createLine()) {
            line.setLineWidth(lineWidth);
            line.setPosition(QPointF(0, y));
            y += line.height();
        }
        layout->endLayout();
        height = std::max(height, qCeil(y));
        row->cells[i] = std::move(layout);
    }
    row->iHeight = height + 2 * kPadding + (iRow == 0 ? kHeaderRule : 0);
    return **FLayouts.insert(iRow, std::move(row));
}

void TLogTableView::ScrollRangeSet()
{
    // The last row may rise to the top only as far as the rows below fill the view.
    const int rows = FTable->RowCount();
    int last = rows - 1;
    int filled = RowLayout(last).iHeight;
    while (last > 0 && filled + RowLayout(last - 1).iHeight <= viewport()->height() - kMargin) {
        --last;
        filled += RowLayout(last).iHeight;
    }
    verticalScrollBar()->setRange(0, std::max(0, last));
    verticalScrollBar()->setPageStep(std::max(1, rows - last));
    horizontalScrollBar()->setRange(0, std::max(0, TableWidth() + 2 * kMargin - viewport()->width()));
    horizontalScrollBar()->setPageStep(viewport()->width());
}

void TLogTableView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    painter.translate(-horizontalScrollBar()->value(), 0);
    const qsizetype selFrom = std::min(FAnchor, FPosition);
    const qsizetype selTo = std::max(FAnchor, FPosition);
    const QPalette& colours = palette();
    int y = RowTop();
    for (int row = TopRow(); row < FTable->RowCount() && y < viewport()->height(); ++row) {
        const TRowLayout& layout = RowLayout(row);
        // The newest record is tinted, then every other one.
        if (row > 0 && row % 2 == 1)
            painter.fillRect(QRect(kMargin, y, TableWidth(), layout.iHeight), kTint);
        for (int i = 0; i < TLogTableText::kColumns; ++i) {
            const QRect cell(CellLeft(i), y, CellWidth(i), layout.iHeight);
            const qsizetype start = FTable->CellStart(row, i);
            const qsizetype length = FTable->Cell(row, i).size();
            QList<QTextLayout::FormatRange> selections;
            const qsizetype from = std::max(selFrom, start);
            const qsizetype to = std::min(selTo, start + length + 1);
            if (from < to) {
                // A cell selected whole is highlighted whole, as the HTML view does.
                if (selFrom <= start && selTo > start + length)
                    painter.fillRect(cell, colours.highlight());
                QTextLayout::FormatRange range;
                range.start = static_cast<int>(from - start);
                range.length = static_cast<int>(std::min(to, start + length) - from);
                range.format.setBackground(colours.highlight());
                range.format.setForeground(colours.highlightedText());
                selections.append(range);
            }
            painter.setPen(row == 0 ? kHeaderColors[i] : kCellColors[i]);
            layout.cells[i]->draw(&painter, QPointF(cell.left() + kPadding, y + kPadding), selections);
            if (row == 0) {
                // A double rule of three pixels under each caption.
                const int bottom = y + layout.iHeight - 1;
                painter.fillRect(QRect(cell.left(), bottom - 2, cell.width(), 1), kHeaderColors[i]);
                painter.fillRect(QRect(cell.left(), bottom, cell.width(), 1), kHeaderColors[i]);
            }
        }
        y += layout.iHeight;
    }
}

bool TLogTableView::viewportEvent(QEvent* event)
{
    // The viewport changes size also when a scroll bar comes or goes.
    if (event->type() == QEvent::Resize)
        ScrollRangeSet();
    return QAbstractScrollArea::viewportEvent(event);
}

qsizetype TLogTableView::OffsetAt(const QPoint& point)
{
    const int x = point.x() + horizontalScrollBar()->value();
    int y = RowTop();
    int row = TopRow();
    if (point.y() < y)
        return FTable->CellStart(row, 0);
    for (; row < FTable->RowCount(); ++row) {
        const int height = RowLayout(row).iHeight;
        if (point.y() < y + height)
            break;
        y += height;
    }
    if (row >= FTable->RowCount())
        return FTable->Text().size();
    const TRowLayout& layout = RowLayout(row);
    int column = 0;
    while (column + 1 < TLogTableText::kColumns && x >= CellLeft(column + 1))
        ++column;
    const qsizetype start = FTable->CellStart(row, column);
    if (x < CellLeft(column))
        return start;
    if (x >= CellLeft(column) + CellWidth(column))
        return start + FTable->Cell(row, column).size();
    const QTextLayout& cell = *layout.cells[column];
    const QPointF inCell(x - CellLeft(column) - kPadding, point.y() - y - kPadding);
    for (int i = 0; i < cell.lineCount(); ++i) {
        const QTextLine line = cell.lineAt(i);
        if (inCell.y() < line.y() + line.height() || i + 1 == cell.lineCount())
            return start + line.xToCursor(inCell.x());
    }
    return start;
}

void TLogTableView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const qsizetype offset = OffsetAt(event->position().toPoint());
    Select(event->modifiers() & Qt::ShiftModifier ? FAnchor : offset, offset);
    FSelecting = true;
}

void TLogTableView::mouseMoveEvent(QMouseEvent* event)
{
    if (!FSelecting)
        return;
    QPoint point = event->position().toPoint();
    // Dragging past the edge moves the rows under the pointer.
    if (point.y() < 0)
        ScrollByPixels(-kArrowPixels);
    else if (point.y() >= viewport()->height())
        ScrollByPixels(kArrowPixels);
    point.setY(std::clamp(point.y(), 0, viewport()->height() - 1));
    Select(FAnchor, OffsetAt(point));
}

void TLogTableView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        FSelecting = false;
}

void TLogTableView::wheelEvent(QWheelEvent* event)
{
    ScrollByPixels(-event->angleDelta().y() * kWheelPixels / 120);
    event->accept();
}

void TLogTableView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::SelectAll)) {
        SelectAll();
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        Copy();
        return;
    }
    switch (event->key()) {
    case Qt::Key_Up:
        ScrollByPixels(-kArrowPixels);
        return;
    case Qt::Key_Down:
        ScrollByPixels(kArrowPixels);
        return;
    case Qt::Key_PageUp:
        ScrollByPixels(-std::max(kArrowPixels, viewport()->height() - kArrowPixels));
        return;
    case Qt::Key_PageDown:
        ScrollByPixels(std::max(kArrowPixels, viewport()->height() - kArrowPixels));
        return;
    case Qt::Key_Home:
        SetTopRow(0);
        return;
    case Qt::Key_End:
        SetTopRow(verticalScrollBar()->maximum());
        ScrollByPixels(0x3FFFFFFF);
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TLogTableView::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (FPopupMenu)
        FPopupMenu->popup(event->globalPos());
}

void TLogTableView::scrollContentsBy(int, int)
{
    viewport()->update();
}
