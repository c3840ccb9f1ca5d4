#pragma once

#include "CommonForm.h"

#include <QString>

class QAction;
class QPlainTextEdit;
class QPushButton;

// The away-message window: another user's away message as it came back, with
// a way to write to that user. One window per answer.
class TAbsenceForm : public TCommonForm {
    Q_OBJECT

public:
    TAbsenceForm();
    ~TAbsenceForm() override;

    void pmRightPopup() override;
    void miSendClick();
    void btSendClick();
    void btCloseClick();

    QString PrMachine;
    QString PrDiscrimination;

    QPlainTextEdit* mmAbsenceMessage = nullptr;
    QPushButton* btSend = nullptr;
    QPushButton* btClose = nullptr;
    QAction* miSend = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// A new away-message window for the absent peer, with the message as it came
// and the time it came at.
TAbsenceForm* AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage, const QString& sRecvTime);
