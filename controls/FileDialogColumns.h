#pragma once

#include <QIdentityProxyModel>

class QFileDialog;

// The file list of a file or folder dialog with the sizes and dates written the
// Japanese way: Qt writes them in the session's language, which the program's
// Japanese interface does not follow.
class TFileDialogColumns : public QIdentityProxyModel {
    Q_OBJECT

public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override;

    // Puts the columns into the dialog's views; the dialog owns them.
    static void Install(QFileDialog* dialog);
};
