#pragma once

#include <QFileDialog>
#include <QString>
#include <functional>

using TDialogNotifyEvent = std::function<void(QObject* Sender)>;

// Turns a filter of "description|patterns|description|patterns" pairs, the
// stored form of the windows, into the dialog's filter lines.
QStringList DialogFilterLines(const QString& sFilter);

// An open dialog that can stay above windows that are themselves top-most, and
// tells its owner whether it is showing.
class TOpenDialogEx : public QFileDialog {
    Q_OBJECT

public:
    explicit TOpenDialogEx(QWidget* parent = nullptr);

    // True while the dialog is showing.
    bool DialogOpen() const { return FDialogOpen; }
    // The showing dialog's window when it was asked to stay on top; none otherwise.
    QWidget* DialogHandle() const { return FDialogHandle; }

    QString FileName() const { return FFileName; }
    void SetFileName(const QString& sFileName);
    QString Filter() const { return FFilter; }
    void SetFilter(const QString& sFilter);
    QString InitialDir() const { return FInitialDir; }
    void SetInitialDir(const QString& sDir) { FInitialDir = sDir; }
    QString Title() const { return windowTitle(); }
    void SetTitle(const QString& sTitle) { setWindowTitle(sTitle); }

    TDialogNotifyEvent OnShow;
    TDialogNotifyEvent OnClose;

    // Shows the dialog; True when the user confirmed a file. A later Execute
    // keeps the top-most request of the last ExecuteEx.
    bool ExecuteEx(bool bTopMost);
    bool Execute();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void DoShow();
    void DoClose();

    bool PrTopMost = false;
    bool FDialogOpen = false;
    QWidget* FDialogHandle = nullptr;
    QString FFileName;
    QString FFilter;
    QString FInitialDir;
};
