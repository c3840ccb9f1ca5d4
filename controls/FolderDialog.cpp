#include "FolderDialog.h"

#include "FileDialogColumns.h"
#include "FileDialogCompletion.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Only one modal folder chooser runs at a time, so one request serves them all.
bool TopMostRequest = false;

} // namespace

TFolderDialog::TFolderDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("フォルダの参照"));
    PrInformation = new QLabel(this);
    PrInformation->setWordWrap(true);
    PrInformation->hide();
    PrBrowser = new QFileDialog(this);
    // Held inside this window so that the information and status lines sit around it.
    PrBrowser->setWindowFlags(Qt::Widget);
    PrBrowser->setOption(QFileDialog::DontUseNativeDialog, true);
    PrBrowser->setOption(QFileDialog::ShowDirsOnly, true);
    PrBrowser->setFileMode(QFileDialog::Directory);
    PrBrowser->setLabelText(QFileDialog::LookIn, QStringLiteral("場所:"));
    PrBrowser->setLabelText(QFileDialog::FileName, QStringLiteral("フォルダ:"));
    PrBrowser->setLabelText(QFileDialog::FileType, QStringLiteral("種類:"));
    PrBrowser->setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    PrBrowser->setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
    TFileDialogColumns::Install(PrBrowser);
    FileDialogCompletionHideWith(PrBrowser, this);
    PrStatus = new QLabel(this);
    PrStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PrInformation);
    layout->addWidget(PrBrowser, 1);
    layout->addWidget(PrStatus);

    connect(PrBrowser, &QFileDialog::currentChanged, this, &TFolderDialog::SelectionChanged);
    connect(PrBrowser, &QFileDialog::directoryEntered, this, &TFolderDialog::SelectionChanged);
    connect(PrBrowser, &QDialog::accepted, this, &QDialog::accept);
    connect(PrBrowser, &QDialog::rejected, this, &QDialog::reject);
}

void TFolderDialog::SetInformation(const QString& s)
{
    FInformation = s;
    PrInformation->setText(s);
    PrInformation->setVisible(!s.isEmpty());
}

QString TFolderDialog::StatusText() const
{
    return PrStatus->text();
}

bool TFolderDialog::Execute()
{
    TopMostRequest = false;
    return Browse();
}

bool TFolderDialog::ExecuteEx(bool bTopMost)
{
    TopMostRequest = bTopMost;
    return Browse();
}

void TFolderDialog::SelectionChanged(const QString& sPath)
{
    // Only a folder has a path to show; anything else leaves the line empty.
    PrStatus->setText(QFileInfo(sPath).isDir() ? QDir::toNativeSeparators(QFileInfo(sPath).absoluteFilePath())
                                               : QString());
}

bool TFolderDialog::Browse()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, TopMostRequest);
    PrStatus->clear();
    if (!FPath.isEmpty() && QFileInfo(FPath).isDir()) {
        PrBrowser->setDirectory(FPath);
        SelectionChanged(FPath);
    }
    PrBrowser->show();
    if (exec() != QDialog::Accepted)
        return false;
    const QStringList slChosen = PrBrowser->selectedFiles();
    if (slChosen.isEmpty() || slChosen.front().isEmpty())
        return false;
    FPath = slChosen.front();
    return true;
}
