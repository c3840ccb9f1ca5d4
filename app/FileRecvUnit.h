#pragma once

#include "FileTransferForm.h"

#include <QPointer>
#include <QString>
#include <memory>

class QEventLoop;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TMarkLabel;
class TSaveDialogEx;

// The user's answer to one offer. It outlives the window, so the wait can read
// it after an error has closed and freed the window.
struct TFileRecvAnswer {
    bool bAnswered = false; // the user has accepted or refused, or the offer has ended
    int iSocketNo = 0;      // the offer's socket while it stands; 0 once refused or ended
    QString sPath;          // the path accepted
    QPointer<QEventLoop> pWait;
};

// The file receive window: the offered file's name, size and comment, a proposed
// save path, and the user's answer; after an acceptance the reception until it
// ends. One window per offer; any number can be open at once.
class TFileRecvForm : public TFileTransferForm {
    Q_OBJECT

public:
    TFileRecvForm();
    ~TFileRecvForm() override;

    void sbFileSearchClick();
    void btRecvClick();
    void btCancelClick();

    void WMFileRecving(LPARAM lPercent);
    void WMFileRecvEnd();
    void WMErrorFileRecv(LPARAM lError);

    void SetSocketNo(int iSocketNo);
    // The answer flag: 0 while the offer waits for the user.
    int Tag() const { return PrAnswer->bAnswered ? 1 : 0; }
    std::shared_ptr<TFileRecvAnswer> Answer() const { return PrAnswer; }

    QLabel* Label2 = nullptr;
    QLabel* laHint = nullptr;
    TMarkLabel* MarkLabel1 = nullptr;
    QLabel* Label13 = nullptr;
    QLineEdit* mmSendFile = nullptr;
    QLabel* laFileSize = nullptr;
    QLineEdit* mmSendFileSize = nullptr;
    QLabel* Label4 = nullptr;
    QPlainTextEdit* mmComment = nullptr;
    TMarkLabel* MarkLabel2 = nullptr;
    QLineEdit* mmRecvFile = nullptr;
    QToolButton* sbFileSearch = nullptr;
    QPushButton* btRecv = nullptr;
    QPushButton* btCancel = nullptr;
    TSaveDialogEx* NSaveDialog = nullptr;

protected:
    void WindowMessageReceived(WindowMessage::Event& message) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Answered();

    std::shared_ptr<TFileRecvAnswer> PrAnswer = std::make_shared<TFileRecvAnswer>();
};

// Opens the window for an offer and returns only when the user has answered:
// the full path to save to, or empty for a refusal. The wait is a nested event
// loop, so everything else goes on meanwhile.
QString FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment, int iSocketNo,
                         const TPeer& peer);
