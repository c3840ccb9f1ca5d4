#pragma once

#include "CommonForm.h"
#include "WindowServices.h"

#include <QString>

class QAction;
class QPlainTextEdit;
class QPushButton;

// The away-message window: another user's away message as it came back, with
// a way to write to that user. One window per answer.
class TAbsenceForm : public TCommonForm {
    Q_OBJECT

public:
    explicit TAbsenceForm(const TWindowServicesRef& services = {});
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

private:
    // Handed on to the send window it opens.
    TWindowServicesRef PrServices;
};

// A new away-message window for the absent peer, with the message as it came
// and the time it came at.
TAbsenceForm* AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage, const QString& sRecvTime,
                              const TWindowServicesRef& services = {});
