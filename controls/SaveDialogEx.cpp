#include "SaveDialogEx.h"

TSaveDialogEx::TSaveDialogEx(QWidget* parent) : TOpenDialogEx(parent)
{
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(QFileDialog::AcceptSave);
    setLabelText(QFileDialog::LookIn, QStringLiteral("保存する場所:"));
    setLabelText(QFileDialog::Accept, QStringLiteral("保存"));
}
