#include "FileDialogColumns.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QListView>
#include <QLocale>
#include <QSplitter>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <algorithm>

namespace {

// The columns of the file system model.
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 3;

} // namespace

QVariant TFileDialogColumns::data(const QModelIndex& index, int role) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (role != Qt::DisplayRole || files == nullptr ||
        (index.column() != kSizeColumn && index.column() != kDateColumn))
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    if (index.column() == kDateColumn)
        return japanese.toString(files->lastModified(source), QLocale::ShortFormat);
    // Folders have no size, as in the model itself.
    if (files->isDir(source))
        return QIdentityProxyModel::data(index, role);
    return japanese.formattedDataSize(files->size(source));
}

namespace {

// The places beside the file list ("コンピュータ", the home folder) as wide as their
// widest name with its image.
void PlacesFit(QWidget* dialog)
{
    auto* places = dialog->findChild<QListView*>(QStringLiteral("sidebar"));
    auto* splitter = dialog->findChild<QSplitter*>(QStringLiteral("splitter"));
    if (places == nullptr || splitter == nullptr || places->model() == nullptr || splitter->count() < 2)
        return;
    int iWidest = 0;
    for (int iRow = 0; iRow < places->model()->rowCount(); ++iRow) {
        const QModelIndex index = places->model()->index(iRow, 0);
        QStyleOptionViewItem option;
        option.initFrom(places);
        option.features = QStyleOptionViewItem::HasDisplay | QStyleOptionViewItem::HasDecoration;
        option.decorationSize = places->iconSize().isValid() ? places->iconSize() : QSize(16, 16);
        iWidest = std::max(iWidest, places->itemDelegate()->sizeHint(option, index).width());
    }
    const int iNeeded = iWidest + places->width() - places->viewport()->width();
    QList<int> sizes = splitter->sizes();
    if (sizes[0] >= iNeeded)
        return;
    sizes[1] = std::max(0, sizes[1] - (iNeeded - sizes[0]));
    sizes[0] = iNeeded;
    splitter->setSizes(sizes);
}

// The size, kind and date columns follow what their rows show, the name takes the
// rest, and the places show their names. Qt would open them at widths of its own,
// or at those the last dialog of any program left in the user's Qt settings, and
// cut the Japanese texts ("15…イト", "空の…ント", "コン…"); it builds the view and
// puts that state back only as the dialog first shows, so they are set at each show.
class TColumnsFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto* dialog = static_cast<QWidget*>(watched);
        if (auto* view = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
            QHeaderView* header = view->header();
            header->setStretchLastSection(false);
            header->setSectionResizeMode(0, QHeaderView::Stretch);
            for (int iColumn = 1; iColumn < header->count(); ++iColumn)
                header->setSectionResizeMode(iColumn, QHeaderView::ResizeToContents);
        }
        PlacesFit(dialog);
        return false;
    }
};

} // namespace

void TFileDialogColumns::Install(QFileDialog* dialog)
{
    dialog->setProxyModel(new TFileDialogColumns(dialog));
    dialog->installEventFilter(new TColumnsFitter(dialog));
}
