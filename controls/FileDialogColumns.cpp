#include "FileDialogColumns.h"

#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

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

// The size, kind and date columns follow what their rows show, the name takes the
// rest. Qt would open them at widths of its own, or at those the last dialog of any
// program left in the user's Qt settings, and cut the Japanese texts ("15…イト",
// "空の…ント"); it builds the view and puts that state back only as the dialog
// first shows, so the columns are set at each show.
class TColumnsFitter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        if (auto* view = watched->findChild<QTreeView*>(QStringLiteral("treeView")))
            for (int iColumn = 1; iColumn < view->header()->count(); ++iColumn)
                view->header()->setSectionResizeMode(iColumn, QHeaderView::ResizeToContents);
        return false;
    }
};

} // namespace

void TFileDialogColumns::Install(QFileDialog* dialog)
{
    dialog->setProxyModel(new TFileDialogColumns(dialog));
    dialog->installEventFilter(new TColumnsFitter(dialog));
}
