#pragma once

#include "CommonForm.h"
#include "LogFile.h"

#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TLogTableView;

// The log viewer: the whole log file as a table, newest first, with the number
// of records, an optional password lock, a refresh and a delete-all. It reads
// the file only when asked; records written meanwhile show at the next refresh.
class TLogForm : public TCommonForm {
    Q_OBJECT

public:
    TLogForm();
    ~TLogForm() override;

    // Reads the whole file and rebuilds the table and the status text.
    void LogLoad();
    // The records of the last load; -1 when the file could not be read.
    int RecordCount() const { return PrRecordCount; }
    QString StatusText() const;

    void btPasswordOkClick();
    void btRefreshClick();
    void btAllDeleteClick();
    void btCloseClick();
    void pmBrowserAllSelectClick();
    void pmBrowserCopyClick();

    TLogTableView* wbLog = nullptr;
    QWidget* pnPasswordBack = nullptr;
    QWidget* pnPassword = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* edPassword = nullptr;
    QPushButton* btPasswordOk = nullptr;
    QWidget* pnFooter = nullptr;
    QPushButton* btAllDelete = nullptr;
    QPushButton* btRefresh = nullptr;
    QPushButton* btClose = nullptr;
    QMenu* pmBrowser = nullptr;
    QAction* pmBrowserAllSelect = nullptr;
    QAction* pmBrowserCopy = nullptr;

private:
    void StatusTextSet(const QString& sText);

    int PrRecordCount = 0;
    // What the last load said, shown again once the lock is opened.
    QString PrLoadedStatus;
};

// The one log viewer while it is open.
inline TLogForm* LogForm = nullptr;

// Opens the log viewer, or brings the open one to the front.
void LogFormShow();
// Frees the log viewer when it is open (the main window's close).
void LogFormRelease();

// FileBaseName + ".LOG".
QString LogFileName();
// Adds one record at the top of the log file. The file is rewritten on a thread
// of its own, so the call returns at once; a failure loses the record and is
// told to the user by a message box soon after (or by LogWriteWait), not to the caller.
void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText);
// One record of the log: what LogWrite takes.
struct TLogLine {
    TLogKind iKind;
    QString sFrom;
    QString sTo;
    QString sText;
};
// Records that came together, oldest first, as LogWrite would add them one by one.
void LogWriteLines(const QList<TLogLine>& lines);
// Returns when every record given to LogWrite is in the file or lost, after
// telling the user of the losses not yet told. The program's end waits here.
void LogWriteWait();
