#include "FileDialogColumns.h"

#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLocale>

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

void TFileDialogColumns::Install(QFileDialog* dialog)
{
    dialog->setProxyModel(new TFileDialogColumns(dialog));
}
