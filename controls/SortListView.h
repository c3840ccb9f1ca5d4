#pragma once

#include "DropListView.h"

#include <QFrame>
#include <QHeaderView>
#include <QList>
#include <QPoint>
#include <QRect>
#include <functional>

class QMenu;
class TSortListView;

// The two sort keys. Column 0 is the caption, column k >= 1 is sub-item k-1;
// a negative secondary column means no secondary key.
struct TSortKeys {
    int SortIndex = 0;
    bool SortUpper = true;
    int SortSecondIndex = 0;
    bool SortSecondUpper = true;
};

// Locale-aware, case-sensitive comparison of two cell texts (Japanese collation).
int SortListTextCompare(const QString& s1, const QString& s2);
// Compares two rows given as caption followed by their sub-items. A row that
// lacks the key column sorts before one that has it (ascending); when both lack
// it they are equal on that key, so that the order stays consistent.
int SortListViewCompare(const TSortKeys& keys, const QStringList& slRow1, const QStringList& slRow2);
// Sorting needs a primary column among the sections and a secondary one that is
// either none or among them.
bool SortKeysUsable(const TSortKeys& keys, int iSectionCount);
// A click on the sorted section turns its direction; a click on another sorts by it ascending.
void SortSectionClick(int iSection, TSortKeys& keys);
// The caption cut with "..." until it is narrower than iWidth; never shorter
// than its first character and "...".
QString SortShortenCaption(const QString& sCaption, int iWidth,
                           const std::function<int(const QString&)>& textWidth);
// The header's height for its font's character height in pixels.
int SortHeaderHeight(int iFontPixelHeight);
// Where a section's caption goes: inset from the section, pushed one pixel further
// when pressed, and narrowed for the sort mark on the sorted section.
QRect SortSectionTextRect(const QRect& section, bool bPressed, bool bSortColumn, int iFontPointSize);

// The sort mark: a triangle drawn as a shadow line and a highlight line.
struct TSortMark {
    QList<QPoint> Shadow;    // polyline in the shadow colour
    QList<QPoint> Highlight; // polyline in the highlight colour
};
TSortMark SortMarkLines(const QRect& textRect, int iTextWidth, bool bUpper);

// The visible header of the sortable list; its sections are the list's columns.
class TSLVHeaderControl : public QHeaderView {
    Q_OBJECT

public:
    explicit TSLVHeaderControl(QWidget* parent = nullptr);

    TNotifyEvent OnPaint;
    // Draws one section: the painter, the section, its rectangle and whether it is pressed.
    std::function<void(QPainter*, int, const QRect&, bool)> OnDrawSection;

    // The section pressed with the left button; -1 for none.
    int PrPressing = -1;
    // The section last drawn hot; -1 for none.
    int PrHot = -1;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    void RedrawSection(int iSection);
};

using TSLVScrollEvent = std::function<void(QObject* Sender, int iPosition)>;

// The inner list of the sortable list: its rows order themselves by the owner's keys.
class TSLVListView : public TDropListView {
    Q_OBJECT

public:
    explicit TSLVListView(TSortListView* owner);

    TSLVScrollEvent OnScrollChange;

    int CompareItems(const TListItem& a, const TListItem& b) const override;

private:
    friend class TSortListView;
    TSortListView* FOwner;
};

// A report-style list that sorts its rows by two columns on header clicks and
// marks the primary sort column with a small triangle.
class TSortListView : public QFrame {
    Q_OBJECT

public:
    explicit TSortListView(QWidget* parent = nullptr);
    ~TSortListView() override;

    // Writing the sort keys does not sort; call Sort.
    int SortIndex() const { return FSortIndex; }
    void SetSortIndex(int v) { FSortIndex = v; }
    bool SortUpper() const { return FSortUpper; }
    void SetSortUpper(bool v) { FSortUpper = v; }
    int SortSecondIndex() const { return FSortSecondIndex; }
    void SetSortSecondIndex(int v) { FSortSecondIndex = v; }
    bool SortSecondUpper() const { return FSortSecondUpper; }
    void SetSortSecondUpper(bool v) { FSortSecondUpper = v; }
    TSortKeys Keys() const { return {FSortIndex, FSortUpper, FSortSecondIndex, FSortSecondUpper}; }

    // The inner list's font; the header keeps its own.
    QFont Font() const;
    void SetFont(const QFont& font);

    // Sections of the header, one per column.
    int SectionCount() const;
    void AddSection(const QString& sText, int iWidth);
    void ClearSections();
    QString SectionText(int iSection) const;
    void SetSectionText(int iSection, const QString& sText);
    int SectionWidth(int iSection) const;
    void SetSectionWidth(int iSection, int iWidth);

    // Rows.
    int ItemCount() const { return PrSortListView->ItemCount(); }
    TListItem* Item(int iIndex) const { return PrSortListView->Item(iIndex); }
    TListItem* AddItem() { return PrSortListView->AddItem(); }
    TListItem* InsertItem(int iIndex) { return PrSortListView->InsertItem(iIndex); }
    void DeleteItem(TListItem* item) { PrSortListView->DeleteItem(item); }
    void ClearItems() { PrSortListView->ClearItems(); }
    int IndexOf(const TListItem* item) const { return PrSortListView->IndexOf(item); }

    // Pass-through properties of the inner list.
    bool Checkboxes() const { return PrSortListView->Checkboxes(); }
    void SetCheckboxes(bool b) { PrSortListView->SetCheckboxes(b); }
    const QList<QIcon>& LargeImages() const { return PrSortListView->LargeImages(); }
    void SetLargeImages(const QList<QIcon>& images) { PrSortListView->SetLargeImages(images); }
    const QList<QIcon>& SmallImages() const { return PrSortListView->SmallImages(); }
    void SetSmallImages(const QList<QIcon>& images) { PrSortListView->SetSmallImages(images); }
    bool MultiSelect() const { return PrSortListView->MultiSelect(); }
    void SetMultiSelect(bool b) { PrSortListView->SetMultiSelect(b); }
    bool RowSelect() const { return PrSortListView->RowSelect(); }
    void SetRowSelect(bool b) { PrSortListView->SetRowSelect(b); }
    bool ReadOnly() const { return PrSortListView->ReadOnly(); }
    void SetReadOnly(bool b) { PrSortListView->SetReadOnly(b); }
    bool HideSelection() const { return PrSortListView->HideSelection(); }
    void SetHideSelection(bool b) { PrSortListView->SetHideSelection(b); }
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* menu) { FPopupMenu = menu; }

    int SelCount() const { return PrSortListView->SelCount(); }
    TListItem* Selected() const { return PrSortListView->Selected(); }
    void SetSelected(TListItem* item) { PrSortListView->SetSelected(item); }
    TListItem* ItemFocused() const { return PrSortListView->ItemFocused(); }
    void SetItemFocused(TListItem* item) { PrSortListView->SetItemFocused(item); }
    TListItem* GetNextItem(TListItem* StartItem, TSearchDirection Direction, TItemStates States) const
    {
        return PrSortListView->GetNextItem(StartItem, Direction, States);
    }

    // Events of the inner list; they fire with the inner list as Sender.
    TLVChangeEvent OnChange;
    TNotifyEvent OnDblClick;
    TEventFileDropOver OnFileDropOver;
    TEventFileDrop OnFileDrop;

    // Sorts the rows by the current keys and redraws the sort mark. Does nothing
    // when a key is outside the sections, or when called again while sorting.
    void Sort();

    TSLVListView* ListView() const { return PrSortListView; }
    TSLVHeaderControl* HeaderControl() const { return PrHeaderControl; }

private:
    friend class TSLVListView;

    void HeaderSectionClick(int iSection);
    void HeaderDrawSection(QPainter* painter, int iSection, const QRect& rect, bool bPressed);
    int CompareRows(const TListItem& a, const TListItem& b) const;
    int MarkRoom() const;

    int FSortIndex = 0;
    bool FSortUpper = true;
    int FSortSecondIndex = 0;
    bool FSortSecondUpper = true;
    TSLVHeaderControl* PrHeaderControl = nullptr;
    TSLVListView* PrSortListView = nullptr;
    QMenu* FPopupMenu = nullptr;
    bool PrSorting = false;
};
