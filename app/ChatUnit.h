#pragma once

#include "CommonForm.h"
#include "OncePerTurn.h"
#include "SubUnit.h"
#include "WindowServices.h"

#include <QList>
#include <QString>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QTreeWidget;
class QTreeWidgetItem;
class TIEViewer;

// One line said in the chat room, by whom.
struct TChatLine {
    QString sMessage;
    TPeer peer;
};

// The chat room: the members in a tree, the conversation as HTML, and the input
// line with its byte counter. It exists at most once; closing it leaves the chat.
// It hears the room's events through the services' TEngineEvents.
class TChatForm : public TCommonForm {
    Q_OBJECT

public:
    explicit TChatForm(const TWindowServicesRef& services = {});
    ~TChatForm() override;

    // Member list upkeep; a member is its machine name and identifier.
    void UserAdd(const QString& sMachine, const QString& sDiscrimination, const QString& sHandle,
                 bool bAbsence);
    void UserDelete(const QString& sMachine, const QString& sDiscrimination);
    void UserNameChange(const QString& sMachine, const QString& sDiscrimination, const QString& sAfterHandle);
    void UserAbsenceChange(const QString& sMachine, const QString& sDiscrimination, bool bAbsence);
    // The first node of the member; nullptr when it is not listed.
    QTreeWidgetItem* UserFind(const QString& sMachine, const QString& sDiscrimination) const;

    // Appends one line of HTML to the conversation and follows it when the view was at its end.
    void LineAppend(const QString& sHtml);
    void LinesAppend(const QStringList& html);
    // Said lines: the view, the log and the sound; the lines waiting go first.
    void LinesAdd(const QList<TChatLine>& lines);
    // A line that waits for the loop to come round.
    void LineQueue(const TChatLine& line);
    // An event line of the program's own; the lines waiting go first.
    void EventLineAdd(const QString& sText);

    // The room's events: an event line, then the member list.
    void MemberLogin(const TPeer& peer, bool bAbsence);
    void MemberLogout(const TPeer& peer);
    // The peer with its new handle name.
    void MemberRename(const TPeer& peer, const QString& sBeforeHandle);
    void MemberAbsenceChange(const TPeer& peer, bool bAbsence);

    void btSendClick();
    void mmSendMessageChange();
    void tvUserDblClick();
    void pmUserListPopup();
    void pmUserListMessageClick();
    void pmUserListFileSendClick();
    void pmUserListAbsenceClick();

    QTreeWidget* tvUser = nullptr;
    QSplitter* Splitter1 = nullptr;
    TIEViewer* wbLog = nullptr;
    QLabel* laSendMessage = nullptr;
    QLineEdit* mmSendMessage = nullptr;
    QPushButton* btSend = nullptr;
    QPushButton* btLogout = nullptr;
    QMenu* pmUserList = nullptr;
    QAction* pmUserListMessage = nullptr;
    QAction* pmUserListFileSend = nullptr;
    QAction* pmUserListAbsence = nullptr;
    QMenu* pmBrowser = nullptr;
    QAction* pmBrowserAllSelect = nullptr;
    QAction* pmBrowserCopy = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool WriteSectionExtra(IniFile& ini) override;

private:
    void UserSort();
    // The engine's own log-in (the user's lines and events).
    bool IsOwn(const TPeer& peer) const;

    TWindowServicesRef FServices;
    QList<TChatLine> FLinesWaiting;
    TOncePerTurn FLinesLater;
};

// The one chat window while it exists.
inline TChatForm* ChatForm = nullptr;

// Creates and shows the chat window or brings it forward; the chat command shows it checked.
void ChatFormShow(const TWindowServicesRef& services = {});
// Frees the chat window without asking (the main window's close and log-out).
void ChatFormRelease();

// The routines of the room's events, as the window hears them from the engine;
// each does nothing while there is no chat window.
// Adds one line at once: to the view, to the log, and its sound unless it is the user's own.
void ChatMessageAdd(const QString& sMessage, const QString& sHandle, const QString& sMachine,
                    const QString& sDiscrimination);
// Lines that came together, as ChatMessageAdd would add them one by one, in one
// append to the view, one batch of log records and one sound.
void ChatMessagesAdd(const QList<TChatLine>& lines);
void ChatUserLogin(const QString& sHandle, const QString& sMachine, const QString& sDiscrimination,
                   bool bAbsence);
void ChatUserLogout(const QString& sHandle, const QString& sMachine, const QString& sDiscrimination);
void ChatUserNameChange(const QString& sMachine, const QString& sDiscrimination, const QString& sBeforeHandle,
                        const QString& sAfterHandle);
void ChatUserAbsenceChange(const QString& sMachine, const QString& sDiscrimination, const QString& sHandle,
                           bool bAbsence);
void ChatEventAdd(const QString& sText);
