#include "SaveDialogEx.h"

TSaveDialogEx::TSaveDialogEx(QWidget* parent) : TOpenDialogEx(parent) {
    setFileMode(QFileDialog::AnyFile);
    setAcceptMode(QFileDialog::AcceptSave);
}
