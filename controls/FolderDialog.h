#pragma once

#include <QDialog>
#include <QString>

class QFileDialog;
class QLabel;

// A folder chooser with a line of information above the folders, the path of
// the folder under selection as its status line, and a stay-on-top option.
class TFolderDialog : public QDialog {
    Q_OBJECT

public:
    explicit TFolderDialog(QWidget* parent = nullptr);

    // The text shown above the folders.
    QString Information() const { return FInformation; }
    void SetInformation(const QString& s);
    // The folder selected first, and the folder chosen afterwards.
    QString Path() const { return FPath; }
    void SetPath(const QString& s) { FPath = s; }

    // True only when a folder with a path was chosen; a cancel leaves Path.
    bool Execute();
    bool ExecuteEx(bool bTopMost);

    // The parts of the dialog, for a caller that drives it.
    QFileDialog* Browser() const { return PrBrowser; }
    QString StatusText() const;

private:
    bool Browse();
    void SelectionChanged(const QString& sPath);

    QString FInformation;
    QString FPath;
    QLabel* PrInformation = nullptr;
    QFileDialog* PrBrowser = nullptr;
    QLabel* PrStatus = nullptr;
};
