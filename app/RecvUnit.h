#pragma once

#include "CommonForm.h"
#include "MessageRecvQueue.h"
#include "WindowServices.h"

#include <QString>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class TEditEx;

// How the receive window shows a message.
enum class TRecvView {
    Open,             // the text, with reply and next
    SealedPassword,   // a letter that opens with the password
    SealedNoPassword, // a letter that opens with one button
};
// A letter, or every message while CustomizeLetter is on, comes sealed.
TRecvView RecvViewChoice(bool bLetter, bool bCustomizeLetter, bool bSecurityLetter);
// Whether the typed password opens a letter; without SecurityLetter any text does.
bool LetterPasswordRight(bool bSecurityLetter, const QString& sTyped, const QString& sStored);
// The text a reply quotes: the selection, else the whole message; nothing when the setting is off.
QString ReplyQuoteSource(bool bRecvWithMessage, const QString& sSelected, const QString& sWhole);
// "受信メッセージ - Parvane 2", with the number still waiting when there is one.
QString RecvWindowCaptionText(int iWaiting);

// The receive window: the oldest unread message, plain or as a sealed letter
// that waits to be opened. There is at most one; it hears of arrivals through the
// services' TEngineEvents.
class TRecvForm : public TCommonForm {
    Q_OBJECT

public:
    explicit TRecvForm(const TWindowServicesRef& services = {});
    ~TRecvForm() override;

    // Fills the window with the message and shows it in the view given.
    void MessageSet(const QString& sWire, const QString& sRecvTime, TRecvView view);
    TRecvView View() const { return PrView; }
    // The message in the wire's form (CR LF).
    QString MessageText() const;

    // A message arrived: the next button and the caption learn of it.
    void Unread(int iWaiting);
    // Sends the read receipt of the message and removes it from the queue, where it
    // still is: a message dropped by later arrivals was read all the same.
    void MessageOpen(const TMessageRecvSub& message);

    void btLetterOpenClick();
    void btReturnClick();
    void btNextClick();
    void btCloseClick();

    QString PrMachine;
    QString PrDiscrimination;
    // The message on show: opening it acts on this one, wherever the queue has moved meanwhile.
    TMessageRecvSub PrShown;

    QPlainTextEdit* mmRecvMessage = nullptr;
    QWidget* pnLetterBack = nullptr;
    QWidget* pnLetter = nullptr;
    QLabel* laLetter = nullptr;
    TEditEx* neLetterPassword = nullptr;
    QPushButton* btLetterOpen = nullptr;
    QWidget* pnLetterNoPassword = nullptr;
    QLabel* laLetterNoPassword = nullptr;
    QPushButton* btLetterOpen2 = nullptr;
    QPushButton* btReturn = nullptr;
    QPushButton* btNext = nullptr;
    QPushButton* btClose = nullptr;

private:
    TWindowServicesRef PrServices;
    TRecvView PrView = TRecvView::Open;
};

// The one receive window while it exists.
inline TRecvForm* RecvForm = nullptr;

// Shows the oldest unread message in the receive window, making the window when
// there is none; a plain message counts as read at once. Nothing when none waits
// or without the main window, which keeps the queue's receipts.
void RecvFormShow(const TWindowServicesRef& services);
// Frees the receive window when it is open (the main window's close).
void RecvFormRelease();
