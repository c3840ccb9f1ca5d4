#pragma once

#include "CommonForm.h"
#include "SendRules.h"
#include "WindowServices.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class QPlainTextEdit;
class QPushButton;

// The send window: one message, written here and sent to each of its targets as
// a message or a sealed letter, then logged once. Any number can be open.
class TSendForm : public TCommonForm {
    Q_OBJECT

public:
    explicit TSendForm(const TWindowServicesRef& services = {});
    ~TSendForm() override;

    // Takes the targets from the two lists and names the listed ones in the header.
    void TargetSet(const QString& sMachine, const QString& sDiscrimination);
    // The edit's text in the wire's form (CR LF), and set from it.
    QString MessageText() const;
    void SetMessageText(const QString& sWire);

    // bLetter: the sealed-letter button.
    void btSendClick(bool bLetter);
    void btCancelClick();
    void mmSendMessageChange();

    QString TargetHandleNames() const { return PrHandleName; }
    const std::vector<TSendTarget>& Targets() const { return PrTargets; }

    QPlainTextEdit* mmSendMessage = nullptr;
    QPushButton* btSend = nullptr;
    QPushButton* btLetterSend = nullptr;
    QPushButton* btCancel = nullptr;

private:
    TWindowServicesRef PrServices;
    QString PrHandleName;
    std::vector<TSendTarget> PrTargets;
    // Each target's handle name in the list; none for a target the list does not show.
    std::vector<std::optional<QString>> PrTargetHandles;
    QString PrTitle;
};

// A new send window to the targets of the two "&|" lists, with sMessage in its
// edit (quoted when bQuote is on); shown and brought to the front. Without the
// engine of the services it sends nothing.
TSendForm* SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachine,
                        const QString& sDiscrimination, const TWindowServicesRef& services = {});
