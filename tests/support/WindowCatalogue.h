#pragma once

// Every window of the program, opened as a user first meets it, at its design
// size: for the layout test and for the pictures of windowshots. Each entry opens
// its window (filled with the texts a user would see) and gives it back; the
// closing routine ends it again without a question. The main window needs an
// engine: the caller chooses how its service starts (TMainForm::ServiceStarter)
// before "main" opens. Only the application's test program and tools include it.
#include "AbsenceUnit.h"
#include "ChatUnit.h"
#include "DonationUnit.h"
#include "FileRecvUnit.h"
#include "FileSendUnit.h"
#include "GlobalChatUnit.h"
#include "LogUnit.h"
#include "MainUnit.h"
#include "MessageRecvQueue.h"
#include "OptionAbsenceAddUnit.h"
#include "OptionAbsenceNameUnit.h"
#include "OptionNetworkAddUnit.h"
#include "OptionUnit.h"
#include "PageControlEx.h"
#include "RecvUnit.h"
#include "RequestUnit.h"
#include "SendUnit.h"
#include "SubUnit.h"
#include "UpdateUnit.h"
#include "VersionUnit.h"
#include "WindowMessage.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace TestSupport {

struct TCatalogueWindow {
    QString sName;
    std::function<QWidget*()> open;
    std::function<void()> close;
};

inline const TPeer& CataloguePeer()
{
    static const TPeer peer{QStringLiteral("花子"), QStringLiteral("PVHOST2"), QStringLiteral("Parvane2")};
    return peer;
}

inline std::unique_ptr<TMainForm>& CatalogueMainForm()
{
    static std::unique_ptr<TMainForm> main;
    return main;
}

// What the windows are handed, as the program's windows hand it: the main window's services.
inline TWindowServicesRef CatalogueServices()
{
    return CatalogueMainForm() ? CatalogueMainForm()->Services() : TWindowServicesRef();
}

// The options open as the main window's command opens them, beside it; alone without it.
inline void CatalogueOptionsShow()
{
    const std::unique_ptr<TMainForm>& main = CatalogueMainForm();
    OptionFormShow(main ? main->OptionOwner() : TOptionOwner());
}

// Ends the main window, which stays (hidden) after its entry for the windows that ask it.
inline void CatalogueEnd()
{
    CatalogueMainForm().reset();
}

inline std::vector<TCatalogueWindow> WindowCatalogue()
{
    std::vector<TCatalogueWindow> windows;
    windows.push_back({QStringLiteral("main"),
                       [] {
                           std::unique_ptr<TMainForm>& main = CatalogueMainForm();
                           main = std::make_unique<TMainForm>();
                           main->OnTerminate = [] {};
                           main->show();
                           return main.get();
                       },
                       [] { CatalogueMainForm()->hide(); }});

    const struct {
        const char* sName;
        QWidget* TOptionForm::*page;
    } pages[] = {
        {"option-profile", &TOptionForm::tsProfile},     {"option-absence", &TOptionForm::tsAbsence},
        {"option-event", &TOptionForm::tsEvent},         {"option-sound", &TOptionForm::tsSound},
        {"option-customize", &TOptionForm::tsCustomize}, {"option-network", &TOptionForm::tsNetwork}};
    for (const auto& p : pages) {
        QWidget* TOptionForm::*page = p.page;
        windows.push_back({QString::fromLatin1(p.sName),
                           [page] {
                               CatalogueOptionsShow();
                               OptionForm->pcOption->setCurrentWidget(OptionForm->*page);
                               if (page == &TOptionForm::tsAbsence && OptionForm->cbAbsence->count() > 0) {
                                   OptionForm->cbAbsence->setCurrentIndex(0);
                                   OptionForm->cbAbsenceClick();
                               }
                               if (page == &TOptionForm::tsNetwork)
                                   OptionForm->lbNetworkList->addItems(
                                       {QStringLiteral("198.18.0.20"), QStringLiteral("host.example")});
                               return static_cast<QWidget*>(OptionForm);
                           },
                           [] { OptionFormRelease(); }});
    }
    windows.push_back({QStringLiteral("option-password"),
                       [] {
                           SecurityOption = true;
                           CatalogueOptionsShow();
                           SecurityOption = false;
                           return static_cast<QWidget*>(OptionForm);
                       },
                       [] { OptionFormRelease(); }});

    static QPointer<QWidget> dialog;
    const auto dialogClose = [] { delete dialog.data(); };
    windows.push_back({QStringLiteral("option-absence-add"),
                       [] {
                           dialog = new TOptionAbsenceAddForm({QStringLiteral("離席中")});
                           dialog->show();
                           return dialog.data();
                       },
                       dialogClose});
    windows.push_back({QStringLiteral("option-absence-name"),
                       [] {
                           auto* form = new TOptionAbsenceNameForm({QStringLiteral("離席中")}, 0);
                           form->edInput->setText(QStringLiteral("離席中"));
                           dialog = form;
                           dialog->show();
                           return dialog.data();
                       },
                       dialogClose});
    windows.push_back({QStringLiteral("option-network-add"),
                       [] {
                           dialog = new TOptionNetworkAddForm({});
                           dialog->show();
                           return dialog.data();
                       },
                       dialogClose});

    static QPointer<QWidget> several;
    const auto severalClose = [] { delete several.data(); };
    windows.push_back({QStringLiteral("send"),
                       [] {
                           several = SendFormShow(QString(), false, CataloguePeer().MachineName,
                                                  CataloguePeer().Discrimination, CatalogueServices());
                           return several.data();
                       },
                       severalClose});
    // The open message, and a letter as it comes sealed, with and without the password.
    const struct {
        const char* sName;
        bool bLetter;
        bool bPassword;
    } received[] = {
        {"recv", false, false}, {"recv-letter", true, false}, {"recv-letter-password", true, true}};
    for (const auto& r : received) {
        const bool bLetter = r.bLetter;
        const bool bPassword = r.bPassword;
        windows.push_back({QString::fromLatin1(r.sName),
                           [bLetter, bPassword] {
                               TMessageRecvSub message;
                               message.sMessage =
                                   QStringLiteral("会議は三時からです。\r\n資料を持ってきてください。");
                               message.sMessageID = QStringLiteral("1");
                               message.bLetter = bLetter;
                               message.sSendHandle = CataloguePeer().HandleName;
                               message.sSendMachine = CataloguePeer().MachineName;
                               message.sSendDiscrimination = CataloguePeer().Discrimination;
                               message.sRecvTime = QStringLiteral("2026/12/11 10:15:00");
                               MessageRecvQueue.Append(message);
                               SecurityLetter = bPassword;
                               RecvFormShow(CatalogueServices());
                               SecurityLetter = false;
                               return static_cast<QWidget*>(RecvForm);
                           },
                           [] {
                               RecvFormRelease();
                               MessageRecvQueue.Clear();
                           }});
    }
    windows.push_back({QStringLiteral("absence"),
                       [] {
                           several =
                               AbsenceFormShow(CataloguePeer(), QStringLiteral("席を外しています。"),
                                               QStringLiteral("2026/12/11 10:15:00"), CatalogueServices());
                           return several.data();
                       },
                       severalClose});
    windows.push_back({QStringLiteral("chat"),
                       [] {
                           ChatFormShow(CatalogueServices());
                           ChatUserLogin(CataloguePeer().HandleName, CataloguePeer().MachineName,
                                         CataloguePeer().Discrimination, false);
                           ChatMessageAdd(QStringLiteral("こんにちは。今日の会議は三時からです。"),
                                          CataloguePeer().HandleName, CataloguePeer().MachineName,
                                          CataloguePeer().Discrimination);
                           const QString sTyped =
                               QStringLiteral("了解しました、資料を持って三時に伺います。");
                           QWidget* input = ChatForm->findChild<QWidget*>(QStringLiteral("mmSendMessage"));
                           if (auto* line = qobject_cast<QLineEdit*>(input))
                               line->setText(sTyped);
                           else if (auto* memo = qobject_cast<QPlainTextEdit*>(input))
                               memo->setPlainText(sTyped);
                           return static_cast<QWidget*>(ChatForm);
                       },
                       [] { ChatFormRelease(); }});
    for (const bool bLocked : {false, true})
        windows.push_back({bLocked ? QStringLiteral("log-locked") : QStringLiteral("log"),
                           [bLocked] {
                               SecurityLog = bLocked;
                               LogFormShow();
                               SecurityLog = false;
                               return static_cast<QWidget*>(LogForm);
                           },
                           [] { LogFormRelease(); }});
    windows.push_back({QStringLiteral("filesend"),
                       [] {
                           several = FileSendFormShow(QStringLiteral("/home/hanako/資料/会議資料.pdf"),
                                                      CataloguePeer(), CatalogueServices());
                           return several.data();
                       },
                       severalClose});
    windows.push_back(
        {QStringLiteral("filerecv"),
         [] {
             constexpr int kSocket = 9;
             FileRecvFormShow(QStringLiteral("会議資料.pdf"), 1234567,
                              QStringLiteral("三時の会議の資料です。\r\n二枚目に地図があります。"), kSocket,
                              CataloguePeer(), CatalogueServices());
             several =
                 qobject_cast<QWidget*>(WindowMessage::WindowOf(FileWindowFind(FileRecvWindowList, kSocket)));
             return several.data();
         },
         [] {
             // Ended as the main window ends a transfer whose owner left: no question.
             if (several)
                 SendMessageW(WindowMessage::HandleOf(several.data()), WM_ERRORFILERECV, 0, 1);
             delete several.data();
         }});
    windows.push_back({QStringLiteral("update"),
                       [] {
                           UpdateFormShow();
                           return static_cast<QWidget*>(UpdateForm);
                       },
                       [] { UpdateFormRelease(); }});
    windows.push_back({QStringLiteral("request"),
                       [] {
                           RequestFormShow();
                           return static_cast<QWidget*>(RequestForm);
                       },
                       [] { RequestFormRelease(); }});
    windows.push_back({QStringLiteral("donation"),
                       [] {
                           DonationFormShow();
                           return static_cast<QWidget*>(DonationForm);
                       },
                       [] { DonationFormRelease(); }});
    windows.push_back({QStringLiteral("globalchat"),
                       [] {
                           GlobalChatFormShow(CatalogueServices());
                           return static_cast<QWidget*>(GlobalChatForm);
                       },
                       [] { GlobalChatFormRelease(); }});
    windows.push_back({QStringLiteral("version"),
                       [] {
                           dialog = new TVersionForm();
                           dialog->show();
                           return dialog.data();
                       },
                       dialogClose});
    return windows;
}

} // namespace TestSupport
