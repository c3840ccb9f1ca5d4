#include "SaveDialogEx.h"

#include "FileAccess.h"
#include "MessageBox.h"

#include <QFileInfo>

namespace {

const QString kReadOnlyFile =
    QStringLiteral("%1\nこのファイルは読み取り専用です。\n別のファイル名を指定してください。");

} // namespace

TSaveDialogEx::TSaveDialogEx(QWidget* parent) : TOpenDialogEx(parent)
{
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(QFileDialog::AcceptSave);
    setLabelText(QFileDialog::LookIn, QStringLiteral("保存する場所:"));
    setLabelText(QFileDialog::Accept, QStringLiteral("保存"));
    setOption(QFileDialog::DontConfirmOverwrite, true);
}

void TSaveDialogEx::accept()
{
    const QStringList slFiles = selectedFiles();
    const QFileInfo chosen(slFiles.value(0));
    if (chosen.isFile() && ReadOnlyFile(chosen)) {
        MessageBox::Show(kReadOnlyFile.arg(chosen.fileName()), windowTitle(), MessageBox::MB_ICONWARNING);
        return;
    }
    TOpenDialogEx::accept();
}
