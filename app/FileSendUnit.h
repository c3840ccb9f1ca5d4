#pragma once

#include "FileTransferForm.h"

#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class TMarkLabel;
class TOpenDialogEx;

// The file send window: one file with a comment to one peer, then the transfer
// as the engine reports it, until it ends. Any number can be open at once.
class TFileSendForm : public TFileTransferForm {
    Q_OBJECT

public:
    explicit TFileSendForm(const TWindowServicesRef& services = {});
    ~TFileSendForm() override;

    void sbFileSearchClick();
    void btSendClick();
    void btCancelClick();

    void WMFileSendStart();
    void WMFileSending(LPARAM lPercent);
    void WMFileSendEnd();
    void WMErrorFileSend(LPARAM lError);
    void WMFileSendSocketChange(WPARAM wSocketNo);

    TMarkLabel* MarkLabel1 = nullptr;
    QLineEdit* mmSendFile = nullptr;
    QToolButton* sbFileSearch = nullptr;
    TMarkLabel* MarkLabel2 = nullptr;
    QPlainTextEdit* mmSendComment = nullptr;
    QPushButton* btSend = nullptr;
    QPushButton* btCancel = nullptr;
    TOpenDialogEx* NOpenDialog = nullptr;

protected:
    void WindowMessageReceived(WindowMessage::Event& message) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void InputsEnable(bool bEnabled);
    void SocketSet(int iSocketNo);
};

// Opens a new file send window for the peer with the path filled in (empty when none is known).
TFileSendForm* FileSendFormShow(const QString& sFileName, const TPeer& peer,
                                const TWindowServicesRef& services = {});
