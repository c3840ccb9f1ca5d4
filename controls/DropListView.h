#pragma once

#include <QIcon>
#include <QList>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <functional>
#include <utility>

class QUrl;
class TDropListView;

// One row of a report-style list: a caption (column 0), its sub-items (the
// columns after it) and an image index into the list's small images. The
// sub-item count is kept apart from the column count, because a row that
// lacks a sub-item sorts differently from one whose sub-item is empty.
class TListItem : public QTreeWidgetItem {
public:
    static constexpr int ItemType = QTreeWidgetItem::UserType + 101;

    TListItem();
    ~TListItem() override;

    QString Caption() const { return text(0); }
    void SetCaption(const QString& sCaption);
    const QStringList& SubItems() const { return FSubItems; }
    void SetSubItems(const QStringList& slSubItems);
    // Sets sub-item k, adding empty sub-items before it when the row is shorter.
    void SetSubItem(int k, const QString& sText);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int iIndex);
    bool Checked() const { return FChecked; }
    void SetChecked(bool bChecked);

    QVariant data(int column, int role) const override;
    void setData(int column, int role, const QVariant& value) override;
    bool operator<(const QTreeWidgetItem& other) const override;

private:
    TDropListView* ListView() const;

    QStringList FSubItems;
    int FImageIndex = -1;
    bool FChecked = false;
};

enum class TItemChange { ctText, ctImage, ctState };
enum class TSearchDirection { sdAbove, sdBelow, sdLeft, sdRight, sdAll };
enum TItemState {
    isNone = 0,
    isCut = 1,
    isDropHilited = 2,
    isFocused = 4,
    isSelected = 8,
    isActivating = 16
};
using TItemStates = int;

using TEventFileDropOver = std::function<void(QObject* Sender, TListItem* TargetListItem, bool& Cancel)>;
using TEventFileDrop =
    std::function<void(QObject* Sender, TListItem* TargetListItem, const QString& DropFileName)>;
using TLVChangeEvent = std::function<void(QObject* Sender, TListItem* Item, TItemChange Change)>;
using TNotifyEvent = std::function<void(QObject* Sender)>;

// The path that a drag carries: the only name of a one-name list, else empty.
QString DropListDragFile(const QStringList& slNames);
// The local paths of a drag's addresses; anything that is not a local file keeps
// its text, so that it is then refused as a missing file.
QStringList DropListNamesFromUrls(const QList<QUrl>& urls);
// A drag is accepted when its path names an existing regular file; a link counts by its target.
bool DropListFileAcceptable(const QString& sPath);

// A report-style list that accepts one file dropped on one of its rows.
class TDropListView : public QTreeWidget {
    Q_OBJECT

public:
    explicit TDropListView(QWidget* parent = nullptr);
    ~TDropListView() override;

    TEventFileDropOver OnFileDropOver;
    TEventFileDrop OnFileDrop;
    TLVChangeEvent OnChange;
    TNotifyEvent OnDblClick;

    // The list's rows, in display order. Rows are made here (not with a plain
    // QTreeWidgetItem), so that they sort and report their changes.
    int ItemCount() const { return topLevelItemCount(); }
    TListItem* Item(int iIndex) const;
    TListItem* AddItem();
    TListItem* InsertItem(int iIndex);
    void DeleteItem(TListItem* item);
    void ClearItems();
    int IndexOf(const TListItem* item) const;

    const QList<QIcon>& SmallImages() const { return FSmallImages; }
    void SetSmallImages(const QList<QIcon>& images);
    const QList<QIcon>& LargeImages() const { return FLargeImages; }
    void SetLargeImages(const QList<QIcon>& images) { FLargeImages = images; }
    bool Checkboxes() const { return FCheckboxes; }
    void SetCheckboxes(bool b);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool b);
    bool RowSelect() const { return FRowSelect; }
    void SetRowSelect(bool b);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool b);
    bool HideSelection() const { return FHideSelection; }
    void SetHideSelection(bool b);

    int SelCount() const;
    TListItem* Selected() const;
    // Selects only this row (none clears the selection).
    void SetSelected(TListItem* item);
    TListItem* ItemFocused() const;
    void SetItemFocused(TListItem* item);
    // The next row after StartItem (from the top when none) in the direction
    // that has every state of States.
    TListItem* GetNextItem(TListItem* StartItem, TSearchDirection Direction, TItemStates States) const;

    // The row that carries the drop highlight; none outside an accepted drag.
    TListItem* DropTarget() const;
    bool IsDropHighlighted(const TListItem* item) const;
    // The path the current drag carries, as the drag began.
    QString DragFile() const { return PrDragFile; }
    bool DropOk() const { return PrDropOk; }

    // Rows order themselves through this; equal rows keep their order.
    virtual int CompareItems(const TListItem& a, const TListItem& b) const;

    // Called by a row whose caption, sub-items or image changed.
    void ItemChanged(TListItem* item, TItemChange change);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Holds back change notifications, for a caller that moves rows about.
    bool FChangesHeld = false;

private:
    void SetDropTarget(TListItem* item);
    void SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    friend class TListItem;
    void BeginRemoval();
    void EndRemoval();
    void RaiseDeferredChanges();

    // Changes raised while rows are being removed wait until the removal is
    // over, so that no handler sorts the rows mid-removal or sees a dying row.
    int FRemoving = 0;
    QList<std::pair<QPersistentModelIndex, TItemChange>> FDeferred;

    QString PrDragFile;
    // Held as a model index so that a row removed during the drag leaves nothing dangling.
    QPersistentModelIndex PrTargetItem;
    bool PrDropOk = false;
    QList<QIcon> FSmallImages;
    QList<QIcon> FLargeImages;
    bool FCheckboxes = false;
    bool FMultiSelect = false;
    bool FRowSelect = false;
    bool FReadOnly = false;
    bool FHideSelection = true;
};
