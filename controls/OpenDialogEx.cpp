#include "OpenDialogEx.h"

#include "FileDialogColumns.h"
#include "FileDialogCompletion.h"

#include <QFileInfo>
#include <QShowEvent>

QStringList DialogFilterLines(const QString& sFilter)
{
    QStringList slLines;
    const QStringList slParts = sFilter.split('|');
    for (qsizetype i = 0; i + 1 < slParts.size(); i += 2) {
        QString sPatterns = slParts[i + 1];
        sPatterns.replace(';', ' ');
        // The windows' "*.*" is every file; here it would leave out the names without a dot.
        QStringList slPatterns = sPatterns.split(u' ', Qt::SkipEmptyParts);
        for (QString& sPattern : slPatterns) {
            if (sPattern == QStringLiteral("*.*"))
                sPattern = QStringLiteral("*");
        }
        sPatterns = slPatterns.join(u' ');
        slLines.append(QStringLiteral("%1 (%2)").arg(slParts[i], sPatterns.simplified()));
    }
    return slLines;
}

TOpenDialogEx::TOpenDialogEx(QWidget* parent) : QFileDialog(parent)
{
    // The toolkit's own dialog, so that showing and closing can be seen and it
    // can be kept on top.
    setOption(QFileDialog::DontUseNativeDialog, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setLabelText(QFileDialog::LookIn, QStringLiteral("ファイルの場所:"));
    setLabelText(QFileDialog::FileName, QStringLiteral("ファイル名:"));
    setLabelText(QFileDialog::FileType, QStringLiteral("ファイルの種類:"));
    setLabelText(QFileDialog::Accept, QStringLiteral("開く"));
    setLabelText(QFileDialog::Reject, QStringLiteral("キャンセル"));
    // The windows' captions name their patterns themselves, as they are shown elsewhere.
    setOption(QFileDialog::HideNameFilterDetails, true);
    TFileDialogColumns::Install(this);
    FileDialogCompletionHideWith(this, this);
}

void TOpenDialogEx::SetFileName(const QString& sFileName)
{
    FFileName = sFileName;
}

void TOpenDialogEx::SetFilter(const QString& sFilter)
{
    FFilter = sFilter;
    setNameFilters(DialogFilterLines(sFilter));
}

bool TOpenDialogEx::ExecuteEx(bool bTopMost)
{
    PrTopMost = bTopMost;
    return Execute();
}

bool TOpenDialogEx::Execute()
{
    setWindowFlag(Qt::WindowStaysOnTopHint, PrTopMost);
    QString sDir = FInitialDir;
    QString sFile = FFileName;
    // A path of a file in place of a folder (the path a window's edit holds) opens its folder with it chosen.
    if (!sDir.isEmpty() && QFileInfo(sDir).isFile()) {
        sFile = sDir;
        sDir = QFileInfo(sDir).path();
    }
    if (sDir.isEmpty() && !sFile.isEmpty())
        sDir = QFileInfo(sFile).path();
    if (!sDir.isEmpty())
        setDirectory(sDir);
    if (!sFile.isEmpty())
        selectFile(QFileInfo(sFile).fileName());
    if (exec() != QDialog::Accepted)
        return false;
    const QStringList slFiles = selectedFiles();
    if (slFiles.isEmpty())
        return false;
    FFileName = slFiles.front();
    return true;
}

void TOpenDialogEx::showEvent(QShowEvent* event)
{
    QFileDialog::showEvent(event);
    if (!event->spontaneous())
        DoShow();
}

void TOpenDialogEx::hideEvent(QHideEvent* event)
{
    QFileDialog::hideEvent(event);
    if (!event->spontaneous() && FDialogOpen)
        DoClose();
}

void TOpenDialogEx::DoShow()
{
    if (PrTopMost)
        FDialogHandle = window();
    FDialogOpen = true;
    if (OnShow)
        OnShow(this);
}

void TOpenDialogEx::DoClose()
{
    FDialogHandle = nullptr;
    FDialogOpen = false;
    if (OnClose)
        OnClose(this);
}
