#pragma once

#include "FileTransferForm.h"

#include <QString>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TMarkLabel;
class TSaveDialogEx;

// The file receive window: the offered file's name, size and comment, a proposed
// save path, and the user's answer, which it gives the engine itself; after an
// acceptance the reception until it ends. One window per offer; the engine
// caps how many offers wait at once.
class TFileRecvForm : public TFileTransferForm {
    Q_OBJECT

public:
    explicit TFileRecvForm(const TWindowServicesRef& services = {});
    ~TFileRecvForm() override;

    void sbFileSearchClick();
    void btRecvClick();
    void btCancelClick();

    void WMFileRecving(LPARAM lPercent);
    void WMFileRecvEnd();
    void WMErrorFileRecv(LPARAM lError);

    void SetSocketNo(int iSocketNo);
    // The answer flag: 0 while the offer waits for the user.
    int Tag() const { return PrAccepted ? 1 : 0; }

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
    bool PrAccepted = false;
};

// Opens the window for an offer and returns at once; the window accepts or
// refuses the offer through the engine when the user answers.
void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment, int iSocketNo,
                      const TPeer& peer, const TWindowServicesRef& services = {});
