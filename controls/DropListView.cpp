#include "DropListView.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <QUrl>

namespace {

// Paints the drop highlight like a selection, and hides the selection where
// the list's options ask for it.
class DropListDelegate : public QStyledItemDelegate {
public:
    explicit DropListDelegate(TDropListView* view) : QStyledItemDelegate(view), FView(view) {}

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const bool bSelected = option->state & QStyle::State_Selected;
        bool bShow = bSelected;
        if (bSelected && FView->HideSelection() && !FView->hasFocus())
            bShow = false;
        if (bSelected && !FView->RowSelect() && index.column() != 0)
            bShow = false;
        auto* item = static_cast<TListItem*>(FView->itemFromIndex(index));
        if (item != nullptr && FView->IsDropHighlighted(item))
            bShow = true;
        if (bShow)
            option->state |= QStyle::State_Selected;
        else
            option->state &= ~QStyle::State_Selected;
    }

private:
    TDropListView* FView;
};

} // namespace

TListItem::TListItem() : QTreeWidgetItem(ItemType) {}

TListItem::~TListItem()
{
    // Leave the list while this row is still whole: the removal raises change
    // notifications, and their handlers read the row's sub-items.
    if (TDropListView* view = ListView()) {
        const int i = view->indexOfTopLevelItem(this);
        if (i >= 0) {
            view->BeginRemoval();
            view->takeTopLevelItem(i);
            view->EndRemoval();
        }
    }
}

TDropListView* TListItem::ListView() const
{
    return qobject_cast<TDropListView*>(treeWidget());
}

void TListItem::SetCaption(const QString& sCaption)
{
    if (text(0) == sCaption)
        return;
    setText(0, sCaption);
}

void TListItem::SetSubItems(const QStringList& slSubItems)
{
    const qsizetype iOld = FSubItems.size();
    FSubItems = slSubItems;
    for (qsizetype k = 0; k < std::max(iOld, FSubItems.size()); ++k)
        setText(int(k) + 1, k < FSubItems.size() ? FSubItems[k] : QString());
    if (TDropListView* view = ListView())
        view->ItemChanged(this, TItemChange::ctText);
}

void TListItem::SetSubItem(int k, const QString& sText)
{
    if (k < 0)
        return;
    QStringList slSubItems = FSubItems;
    while (slSubItems.size() <= k)
        slSubItems.append(QString());
    slSubItems[k] = sText;
    SetSubItems(slSubItems);
}

void TListItem::SetImageIndex(int iIndex)
{
    if (FImageIndex == iIndex)
        return;
    FImageIndex = iIndex;
    emitDataChanged();
    if (TDropListView* view = ListView())
        view->ItemChanged(this, TItemChange::ctImage);
}

void TListItem::SetChecked(bool bChecked)
{
    if (FChecked == bChecked)
        return;
    FChecked = bChecked;
    emitDataChanged();
    if (TDropListView* view = ListView())
        view->ItemChanged(this, TItemChange::ctState);
}

QVariant TListItem::data(int column, int role) const
{
    if (column == 0 && role == Qt::DecorationRole) {
        TDropListView* view = ListView();
        if (view == nullptr || FImageIndex < 0 || FImageIndex >= view->SmallImages().size())
            return {};
        return view->SmallImages()[FImageIndex];
    }
    if (column == 0 && role == Qt::CheckStateRole) {
        TDropListView* view = ListView();
        if (view == nullptr || !view->Checkboxes())
            return {};
        return FChecked ? Qt::Checked : Qt::Unchecked;
    }
    return QTreeWidgetItem::data(column, role);
}

void TListItem::setData(int column, int role, const QVariant& value)
{
    // A click on the check box arrives here.
    if (column == 0 && role == Qt::CheckStateRole) {
        SetChecked(value.toInt() == Qt::Checked);
        return;
    }
    // The caption changes here both through SetCaption and through the list's own editor.
    const bool bCaption =
        column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole) && value.toString() != text(0);
    QTreeWidgetItem::setData(column, role, value);
    if (bCaption) {
        if (TDropListView* view = ListView())
            view->ItemChanged(this, TItemChange::ctText);
    }
}

bool TListItem::operator<(const QTreeWidgetItem& other) const
{
    TDropListView* view = ListView();
    if (view == nullptr || other.type() != ItemType)
        return false;
    return view->CompareItems(*this, static_cast<const TListItem&>(other)) < 0;
}

QString DropListDragFile(const QStringList& slNames)
{
    if (slNames.size() != 1)
        return {};
    return slNames.front();
}

QStringList DropListNamesFromUrls(const QList<QUrl>& urls)
{
    QStringList slNames;
    for (const QUrl& url : urls)
        slNames.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    return slNames;
}

bool DropListFileAcceptable(const QString& sPath)
{
    if (sPath.isEmpty())
        return false;
    // QFileInfo follows a link, so a link to a file counts and a broken link does not.
    const QFileInfo info(sPath);
    return info.exists() && info.isFile();
}

TDropListView::TDropListView(QWidget* parent) : QTreeWidget(parent)
{
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true);
    setSortingEnabled(false);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setItemDelegate(new DropListDelegate(this));
    SetMultiSelect(FMultiSelect);
    SetReadOnly(FReadOnly);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TDropListView::SelectionChanged);

    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current, QTreeWidgetItem*) {
        if (current != nullptr && current->type() == TListItem::ItemType)
            ItemChanged(static_cast<TListItem*>(current), TItemChange::ctState);
    });
}

TDropListView::~TDropListView() = default;

TListItem* TDropListView::Item(int iIndex) const
{
    QTreeWidgetItem* item = topLevelItem(iIndex);
    if (item == nullptr || item->type() != TListItem::ItemType)
        return nullptr;
    return static_cast<TListItem*>(item);
}

TListItem* TDropListView::AddItem()
{
    return InsertItem(ItemCount());
}

TListItem* TDropListView::InsertItem(int iIndex)
{
    auto* item = new TListItem;
    Qt::ItemFlags flags = item->flags() & ~Qt::ItemIsDropEnabled;
    flags.setFlag(Qt::ItemIsEditable, !FReadOnly);
    item->setFlags(flags);
    insertTopLevelItem(std::clamp(iIndex, 0, ItemCount()), item);
    return item;
}

void TDropListView::DeleteItem(TListItem* item)
{
    if (item == nullptr || item->treeWidget() != this)
        return;
    delete item;
}

void TDropListView::ClearItems()
{
    BeginRemoval();
    clear();
    EndRemoval();
}

void TDropListView::BeginRemoval()
{
    ++FRemoving;
}

void TDropListView::EndRemoval()
{
    if (--FRemoving == 0)
        RaiseDeferredChanges();
}

int TDropListView::IndexOf(const TListItem* item) const
{
    return item == nullptr ? -1 : indexOfTopLevelItem(const_cast<TListItem*>(item));
}

void TDropListView::SetSmallImages(const QList<QIcon>& images)
{
    FSmallImages = images;
    viewport()->update();
}

void TDropListView::SetCheckboxes(bool b)
{
    FCheckboxes = b;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        item->setFlags(item->flags().setFlag(Qt::ItemIsUserCheckable, b));
    }
    viewport()->update();
}

void TDropListView::SetMultiSelect(bool b)
{
    FMultiSelect = b;
    setSelectionMode(b ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
}

void TDropListView::SetRowSelect(bool b)
{
    FRowSelect = b;
    viewport()->update();
}

void TDropListView::SetReadOnly(bool b)
{
    FReadOnly = b;
    setEditTriggers(b ? QAbstractItemView::NoEditTriggers
                      : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        item->setFlags(item->flags().setFlag(Qt::ItemIsEditable, !b));
    }
}

void TDropListView::SetHideSelection(bool b)
{
    FHideSelection = b;
    viewport()->update();
}

int TDropListView::SelCount() const
{
    return int(selectionModel()->selectedRows().size());
}

TListItem* TDropListView::Selected() const
{
    for (int i = 0; i < topLevelItemCount(); ++i) {
        if (topLevelItem(i)->isSelected())
            return Item(i);
    }
    return nullptr;
}

void TDropListView::SetSelected(TListItem* item)
{
    clearSelection();
    if (item != nullptr && item->treeWidget() == this)
        item->setSelected(true);
}

TListItem* TDropListView::ItemFocused() const
{
    QTreeWidgetItem* item = currentItem();
    if (item == nullptr || item->type() != TListItem::ItemType)
        return nullptr;
    return static_cast<TListItem*>(item);
}

void TDropListView::SetItemFocused(TListItem* item)
{
    setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
}

TListItem* TDropListView::GetNextItem(TListItem* StartItem, TSearchDirection Direction,
                                      TItemStates States) const
{
    if (Direction == TSearchDirection::sdLeft || Direction == TSearchDirection::sdRight)
        return nullptr;
    const int iStart = StartItem == nullptr ? -1 : IndexOf(StartItem);
    const bool bUp = Direction == TSearchDirection::sdAbove;
    auto matches = [&](TListItem* item) {
        if ((States & isSelected) && !item->isSelected())
            return false;
        if ((States & isFocused) && item != ItemFocused())
            return false;
        if ((States & isDropHilited) && !IsDropHighlighted(item))
            return false;
        return true;
    };
    if (bUp) {
        for (int i = (iStart < 0 ? ItemCount() : iStart) - 1; i >= 0; --i) {
            if (TListItem* item = Item(i); item != nullptr && matches(item))
                return item;
        }
        return nullptr;
    }
    for (int i = iStart + 1; i < ItemCount(); ++i) {
        if (TListItem* item = Item(i); item != nullptr && matches(item))
            return item;
    }
    return nullptr;
}

TListItem* TDropListView::DropTarget() const
{
    if (!PrTargetItem.isValid())
        return nullptr;
    QTreeWidgetItem* item = itemFromIndex(PrTargetItem);
    if (item == nullptr || item->type() != TListItem::ItemType)
        return nullptr;
    return static_cast<TListItem*>(item);
}

bool TDropListView::IsDropHighlighted(const TListItem* item) const
{
    return item != nullptr && DropTarget() == item;
}

int TDropListView::CompareItems(const TListItem&, const TListItem&) const
{
    return 0;
}

void TDropListView::ItemChanged(TListItem* item, TItemChange change)
{
    if (FChangesHeld || !OnChange)
        return;
    if (FRemoving > 0) {
        FDeferred.append({QPersistentModelIndex(indexFromItem(item)), change});
        return;
    }
    OnChange(this, item, change);
}

void TDropListView::RaiseDeferredChanges()
{
    const auto deferred = std::exchange(FDeferred, {});
    for (const auto& [index, change] : deferred) {
        // A row removed meanwhile has nothing left to report.
        if (!index.isValid())
            continue;
        QTreeWidgetItem* item = itemFromIndex(index);
        if (item != nullptr && item->type() == TListItem::ItemType)
            ItemChanged(static_cast<TListItem*>(item), change);
    }
}

void TDropListView::SelectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    for (const QItemSelection* part : {&selected, &deselected}) {
        for (const QModelIndex& index : part->indexes()) {
            if (index.column() != 0)
                continue;
            QTreeWidgetItem* item = itemFromIndex(index);
            if (item != nullptr && item->type() == TListItem::ItemType)
                ItemChanged(static_cast<TListItem*>(item), TItemChange::ctState);
        }
    }
}

void TDropListView::SetDropTarget(TListItem* item)
{
    const QModelIndex old = PrTargetItem;
    PrTargetItem = item == nullptr ? QPersistentModelIndex() : QPersistentModelIndex(indexFromItem(item));
    if (old != QModelIndex(PrTargetItem))
        viewport()->update();
}

void TDropListView::dragEnterEvent(QDragEnterEvent* event)
{
    PrDropOk = false;
    PrDragFile.clear();
    const QMimeData* data = event->mimeData();
    if (data != nullptr && data->hasUrls()) {
        PrDragFile = DropListDragFile(DropListNamesFromUrls(data->urls()));
        PrDropOk = DropListFileAcceptable(PrDragFile);
    }
    // Taken in every case, so that the moves that follow can clear the selection
    // and show the refusal row by row.
    event->accept();
}

void TDropListView::dragMoveEvent(QDragMoveEvent* event)
{
    event->setDropAction(Qt::IgnoreAction);
    event->ignore();
    if (!selectedItems().isEmpty())
        clearSelection();
    QTreeWidgetItem* under = itemAt(event->position().toPoint());
    TListItem* item =
        under != nullptr && under->type() == TListItem::ItemType ? static_cast<TListItem*>(under) : nullptr;
    if (!PrDropOk)
        item = nullptr;
    if (item != nullptr) {
        bool bCancel = false;
        if (OnFileDropOver)
            OnFileDropOver(this, item, bCancel);
        // The handler may have removed the row.
        if (bCancel || item->treeWidget() != this)
            item = nullptr;
    }
    SetDropTarget(item);
    if (item != nullptr) {
        // The file is only read, so a copy is what is offered.
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void TDropListView::dragLeaveEvent(QDragLeaveEvent* event)
{
    SetDropTarget(nullptr);
    event->accept();
}

void TDropListView::dropEvent(QDropEvent* event)
{
    TListItem* item = DropTarget();
    if (item == nullptr) {
        SetDropTarget(nullptr);
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    const QString sFile = PrDragFile;
    if (OnFileDrop)
        OnFileDrop(this, item, sFile);
    SetDropTarget(nullptr);
}

void TDropListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeWidget::mouseDoubleClickEvent(event);
    if (OnDblClick)
        OnDblClick(this);
}

void TDropListView::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    if (FHideSelection)
        viewport()->update();
}

void TDropListView::focusOutEvent(QFocusEvent* event)
{
    QTreeWidget::focusOutEvent(event);
    if (FHideSelection)
        viewport()->update();
}
