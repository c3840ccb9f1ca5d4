#include "SortListView.h"

#include <QCollator>
#include <QCursor>
#include <QFontInfo>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const QString Ellipsis = QStringLiteral("...");

QStringList RowOf(const TListItem& item)
{
    QStringList slRow{item.Caption()};
    slRow.append(item.SubItems());
    return slRow;
}

// Compares one key column; a row lacks column k when it has k or fewer cells.
int CompareColumn(int k, const QStringList& slRow1, const QStringList& slRow2)
{
    const bool bHas1 = k < slRow1.size();
    const bool bHas2 = k < slRow2.size();
    if (!bHas1 && !bHas2)
        return 0;
    if (!bHas1)
        return -1;
    if (!bHas2)
        return 1;
    return SortListTextCompare(slRow1[k], slRow2[k]);
}

// Removes the last character, keeping a surrogate pair whole.
QString ChopCharacter(const QString& s)
{
    if (s.isEmpty())
        return s;
    const qsizetype n = s.size() >= 2 && s.back().isLowSurrogate() ? 2 : 1;
    return s.left(s.size() - n);
}

QString FirstCharacter(const QString& s)
{
    if (s.isEmpty())
        return s;
    return s.left(s.size() >= 2 && s.front().isHighSurrogate() ? 2 : 1);
}

} // namespace

int SortListTextCompare(const QString& s1, const QString& s2)
{
    static const QCollator collator = [] {
        QCollator c{QLocale(QLocale::Japanese, QLocale::Japan)};
        c.setCaseSensitivity(Qt::CaseSensitive);
        return c;
    }();
    const int r = collator.compare(s1, s2);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int SortListViewCompare(const TSortKeys& keys, const QStringList& slRow1, const QStringList& slRow2)
{
    int r = CompareColumn(keys.SortIndex, slRow1, slRow2);
    if (r != 0)
        return keys.SortUpper ? r : -r;
    if (keys.SortSecondIndex < 0)
        return 0;
    r = CompareColumn(keys.SortSecondIndex, slRow1, slRow2);
    return keys.SortSecondUpper ? r : -r;
}

bool SortKeysUsable(const TSortKeys& keys, int iSectionCount)
{
    return keys.SortIndex >= 0 && keys.SortIndex <= iSectionCount - 1 &&
           keys.SortSecondIndex <= iSectionCount - 1;
}

void SortSectionClick(int iSection, TSortKeys& keys)
{
    if (iSection == keys.SortIndex) {
        keys.SortUpper = !keys.SortUpper;
        return;
    }
    keys.SortIndex = iSection;
    keys.SortUpper = true;
}

QString SortShortenCaption(const QString& sCaption, int iWidth,
                           const std::function<int(const QString&)>& textWidth)
{
    QString s = sCaption;
    bool bCut = false;
    while (textWidth(s) >= iWidth) {
        if (!bCut) {
            s = ChopCharacter(s) + Ellipsis;
            bCut = true;
        } else {
            s = ChopCharacter(s.chopped(Ellipsis.size())) + Ellipsis;
        }
        if (s == Ellipsis)
            return FirstCharacter(sCaption) + Ellipsis;
    }
    return s;
}

int SortHeaderHeight(int iFontPixelHeight)
{
    return std::abs(iFontPixelHeight) * 3 / 2 + 4;
}

QRect SortSectionTextRect(const QRect& section, bool bPressed, bool bSortColumn, int iFontPointSize)
{
    const int iShift = bPressed ? 1 : 0;
    // Right and bottom kept exclusive, as the drawing rules count them.
    int iLeft = section.left() + 6 + iShift;
    int iTop = section.top() + 2 + iShift;
    int iRight = section.left() + section.width();
    const int iBottom = section.top() + section.height();
    if (bSortColumn)
        iRight -= 2 * iFontPointSize;
    return QRect(QPoint(iLeft, iTop), QSize(iRight - iLeft, iBottom - iTop));
}

TSortMark SortMarkLines(const QRect& textRect, int iTextWidth, bool bUpper)
{
    const int iLeft = textRect.left();
    const int iRight = textRect.left() + textRect.width();
    const int iTop = textRect.top();
    const int iBottom = textRect.top() + textRect.height();
    const int x = std::min(iLeft + iTextWidth + 9, iRight);
    const int y = (iBottom - iTop) / 2 + iTop - 6;
    if (bUpper)
        return {{QPoint(x, y + 8), QPoint(x + 4, y)},
                {QPoint(x + 4, y), QPoint(x + 8, y + 8), QPoint(x - 1, y + 8)}};
    return {{QPoint(x + 8, y), QPoint(x, y), QPoint(x + 4, y + 8)},
            {QPoint(x + 4, y + 8), QPoint(x + 9, y - 1)}};
}

TSLVHeaderControl::TSLVHeaderControl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent)
{
    setMouseTracking(true);
    setSectionsClickable(true);
    setSectionsMovable(false);
    setStretchLastSection(false);
    setSortIndicatorShown(false);
    setHighlightSections(false);
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setSectionResizeMode(QHeaderView::Interactive);
    setMinimumSectionSize(0);
}

QSize TSLVHeaderControl::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setHeight(SortHeaderHeight(QFontInfo(font()).pixelSize()));
    return size;
}

void TSLVHeaderControl::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    if (OnDrawSection) {
        OnDrawSection(painter, logicalIndex, rect, logicalIndex == PrPressing);
        return;
    }
    QHeaderView::paintSection(painter, rect, logicalIndex);
}

void TSLVHeaderControl::paintEvent(QPaintEvent* event)
{
    QHeaderView::paintEvent(event);
    if (OnPaint)
        OnPaint(this);
}

void TSLVHeaderControl::RedrawSection(int iSection)
{
    if (iSection < 0 || iSection >= count())
        return;
    viewport()->update(QRect(sectionViewportPosition(iSection), 0, sectionSize(iSection), height()));
}

void TSLVHeaderControl::mouseMoveEvent(QMouseEvent* event)
{
    QHeaderView::mouseMoveEvent(event);
    const int iSection = logicalIndexAt(event->position().toPoint());
    if (iSection != PrHot) {
        RedrawSection(PrHot);
        RedrawSection(iSection);
        PrHot = iSection;
    }
}

void TSLVHeaderControl::mousePressEvent(QMouseEvent* event)
{
    QHeaderView::mousePressEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const int iSection = logicalIndexAt(event->position().toPoint());
    // A press on a divider starts a resize and presses no section.
    if (iSection >= 0 && cursor().shape() != Qt::SplitHCursor)
        PrPressing = iSection;
    RedrawSection(PrPressing);
}

void TSLVHeaderControl::mouseReleaseEvent(QMouseEvent* event)
{
    const int iPressed = PrPressing;
    PrPressing = -1;
    RedrawSection(iPressed);
    QHeaderView::mouseReleaseEvent(event);
}

void TSLVHeaderControl::leaveEvent(QEvent* event)
{
    QHeaderView::leaveEvent(event);
    RedrawSection(PrHot);
    PrHot = -1;
}

bool TSLVHeaderControl::viewportEvent(QEvent* event)
{
    // The sections lie on the viewport, so the mouse leaves them there.
    if (event->type() == QEvent::Leave) {
        RedrawSection(PrHot);
        PrHot = -1;
    }
    return QHeaderView::viewportEvent(event);
}

TSLVListView::TSLVListView(TSortListView* owner) : TDropListView(owner), FOwner(owner)
{
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int iPosition) {
        if (OnScrollChange)
            OnScrollChange(this, iPosition);
    });
}

int TSLVListView::CompareItems(const TListItem& a, const TListItem& b) const
{
    return FOwner->CompareRows(a, b);
}

TSortListView::TSortListView(QWidget* parent) : QFrame(parent)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);

    PrSortListView = new TSLVListView(this);
    PrHeaderControl = new TSLVHeaderControl(PrSortListView);
    PrSortListView->setHeader(PrHeaderControl);
    // The list turns section clicks off with its own sorting; the header sorts here.
    PrHeaderControl->setSectionsClickable(true);
    PrHeaderControl->setSortIndicatorShown(false);
    PrSortListView->setFrameShape(QFrame::NoFrame);
    PrSortListView->setColumnCount(0);
    setFocusProxy(PrSortListView);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(PrSortListView);

    // The header keeps the font it was made with, whatever the list's font becomes.
    QFont headerFont = PrHeaderControl->font();
    headerFont.setResolveMask(QFont::AllPropertiesResolved);
    PrHeaderControl->setFont(headerFont);

    PrHeaderControl->OnDrawSection = [this](QPainter* painter, int iSection, const QRect& rect,
                                            bool bPressed) {
        HeaderDrawSection(painter, iSection, rect, bPressed);
    };
    connect(PrHeaderControl, &QHeaderView::sectionClicked, this, &TSortListView::HeaderSectionClick);
    connect(PrHeaderControl, &QHeaderView::sectionResized, this,
            [this] { PrHeaderControl->PrPressing = -1; });

    PrSortListView->OnChange = [this](QObject* Sender, TListItem* item, TItemChange change) {
        if (OnChange)
            OnChange(Sender, item, change);
    };
    PrSortListView->OnDblClick = [this](QObject* Sender) {
        if (OnDblClick)
            OnDblClick(Sender);
    };
    PrSortListView->OnFileDropOver = [this](QObject* Sender, TListItem* item, bool& bCancel) {
        if (OnFileDropOver)
            OnFileDropOver(Sender, item, bCancel);
    };
    PrSortListView->OnFileDrop = [this](QObject* Sender, TListItem* item, const QString& sFile) {
        if (OnFileDrop)
            OnFileDrop(Sender, item, sFile);
    };
    PrSortListView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(PrSortListView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (FPopupMenu != nullptr)
            FPopupMenu->popup(PrSortListView->viewport()->mapToGlobal(pos));
    });
}

TSortListView::~TSortListView() = default;

QFont TSortListView::Font() const
{
    return PrSortListView->font();
}

void TSortListView::SetFont(const QFont& font)
{
    PrSortListView->setFont(font);
    PrHeaderControl->viewport()->update();
}

int TSortListView::SectionCount() const
{
    return PrSortListView->columnCount();
}

void TSortListView::AddSection(const QString& sText, int iWidth)
{
    const int n = SectionCount();
    PrSortListView->setColumnCount(n + 1);
    PrSortListView->headerItem()->setText(n, sText);
    PrHeaderControl->resizeSection(n, iWidth);
}

void TSortListView::ClearSections()
{
    PrSortListView->setColumnCount(0);
}

QString TSortListView::SectionText(int iSection) const
{
    if (iSection < 0 || iSection >= SectionCount())
        return {};
    return PrSortListView->headerItem()->text(iSection);
}

void TSortListView::SetSectionText(int iSection, const QString& sText)
{
    if (iSection < 0 || iSection >= SectionCount())
        return;
    PrSortListView->headerItem()->setText(iSection, sText);
}

int TSortListView::SectionWidth(int iSection) const
{
    if (iSection < 0 || iSection >= SectionCount())
        return 0;
    return PrHeaderControl->sectionSize(iSection);
}

void TSortListView::SetSectionWidth(int iSection, int iWidth)
{
    if (iSection < 0 || iSection >= SectionCount())
        return;
    PrHeaderControl->resizeSection(iSection, iWidth);
}

void TSortListView::Sort()
{
    // The owner sorts from its change handler; a change raised while rows move
    // must not start a second sort inside this one.
    if (PrSorting)
        return;
    if (!SortKeysUsable(Keys(), SectionCount()))
        return;
    PrSorting = true;
    PrSortListView->FChangesHeld = true;
    PrSortListView->sortItems(0, Qt::AscendingOrder);
    PrSortListView->FChangesHeld = false;
    PrSorting = false;
    PrHeaderControl->viewport()->update();
}

int TSortListView::CompareRows(const TListItem& a, const TListItem& b) const
{
    return SortListViewCompare(Keys(), RowOf(a), RowOf(b));
}

void TSortListView::HeaderSectionClick(int iSection)
{
    TSortKeys keys = Keys();
    SortSectionClick(iSection, keys);
    FSortIndex = keys.SortIndex;
    FSortUpper = keys.SortUpper;
    Sort();
    PrHeaderControl->viewport()->update();
}

int TSortListView::MarkRoom() const
{
    const QFont font = Font();
    if (font.pointSize() > 0)
        return font.pointSize();
    return QFontInfo(font).pixelSize() * 72 / 96;
}

void TSortListView::HeaderDrawSection(QPainter* painter, int iSection, const QRect& rect, bool bPressed)
{
    const bool bSortColumn = iSection == FSortIndex;
    const QRect textRect = SortSectionTextRect(rect, bPressed, bSortColumn, MarkRoom());
    const QFontMetrics metrics(PrHeaderControl->font());
    const QString sCaption =
        SortShortenCaption(SectionText(iSection), textRect.width(),
                           [&](const QString& s) { return metrics.horizontalAdvance(s); });

    QStyleOptionHeader option;
    option.initFrom(PrHeaderControl);
    option.rect = rect;
    option.section = iSection;
    option.orientation = Qt::Horizontal;
    option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
    if (bPressed) {
        option.state |= QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
    } else if (PrHeaderControl->underMouse() &&
               rect.contains(PrHeaderControl->viewport()->mapFromGlobal(QCursor::pos()))) {
        option.state |= QStyle::State_MouseOver;
    } else {
        option.state &= ~QStyle::State_MouseOver;
    }
    painter->save();
    painter->setClipRect(rect);
    PrHeaderControl->style()->drawControl(QStyle::CE_HeaderSection, &option, painter, PrHeaderControl);
    painter->setFont(PrHeaderControl->font());
    painter->setPen(PrHeaderControl->palette().color(QPalette::ButtonText));
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, sCaption);
    if (bSortColumn) {
        const TSortMark mark = SortMarkLines(textRect, metrics.horizontalAdvance(sCaption), FSortUpper);
        painter->setPen(QPen(PrHeaderControl->palette().color(QPalette::Dark), 1));
        painter->drawPolyline(mark.Shadow.data(), int(mark.Shadow.size()));
        painter->setPen(QPen(PrHeaderControl->palette().color(QPalette::Light), 1));
        painter->drawPolyline(mark.Highlight.data(), int(mark.Highlight.size()));
    }
    painter->restore();
}
