#pragma once

// The program's windows as the main window reaches them, with every call
// recorded; for the programs that link the application.

#include "LogUnit.h"
#include "ProgramWindows.h"
#include "SubUnit.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace TestSupport {

// One call of a TProgramWindows routine: its name and its arguments as texts
// (a peer as its handle, machine and identifier; numbers and flags as numbers).
struct WindowCall {
    QString sRoutine;
    QStringList args;
};

// What a RecordingWindows saw. It is shared, so it outlives the main window
// that owns the windows, whose end still calls them.
struct WindowCalls {
    std::vector<WindowCall> calls;
    // What a stood-in RecvFormExists and GlobalChatFormExists answer.
    bool bRecvFormExists = false;
    bool bGlobalChatFormExists = false;
    // Run before each call and after it, once the program's routine (if it runs) has returned.
    std::function<void(const WindowCall&)> BeforeCall;
    std::function<void(const WindowCall&)> OnCalled;

    // The arguments of each call of the routine, in order.
    std::vector<QStringList> Of(const QString& sRoutine) const
    {
        std::vector<QStringList> found;
        for (const WindowCall& call : calls)
            if (call.sRoutine == sRoutine)
                found.push_back(call.args);
        return found;
    }
    int Count(const QString& sRoutine) const { return static_cast<int>(Of(sRoutine).size()); }
    // The first argument of each call of the routine.
    QStringList Firsts(const QString& sRoutine) const
    {
        QStringList firsts;
        for (const QStringList& args : Of(sRoutine))
            firsts << args.value(0);
        return firsts;
    }
};

// Records every routine; the routines named in standIns are only recorded, the
// others then run the program's own.
class RecordingWindows : public TProgramWindows {
public:
    explicit RecordingWindows(std::shared_ptr<WindowCalls> calls, QSet<QString> standIns = {})
        : FCalls(std::move(calls)), FStandIns(std::move(standIns))
    {
    }

    void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText) override
    {
        Call("LogWrite", {Number(iKind), sFrom, sTo, sText},
             [&] { TProgramWindows::LogWrite(iKind, sFrom, sTo, sText); });
    }
    // Each record as four arguments, one after another.
    void LogWriteLines(const QList<TLogLine>& lines) override
    {
        QStringList args;
        for (const TLogLine& line : lines)
            args << Number(line.iKind) << line.sFrom << line.sTo << line.sText;
        Call("LogWriteLines", args, [&] { TProgramWindows::LogWriteLines(lines); });
    }
    void LogFormShow() override
    {
        Call("LogFormShow", {}, [&] { TProgramWindows::LogFormShow(); });
    }
    void LogWriteWait() override
    {
        Call("LogWriteWait", {}, [&] { TProgramWindows::LogWriteWait(); });
    }
    void SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                      const QString& sDiscriminations) override
    {
        Call("SendFormShow", {sMessage, Number(bQuote), sMachines, sDiscriminations},
             [&] { TProgramWindows::SendFormShow(sMessage, bQuote, sMachines, sDiscriminations); });
    }
    void RecvFormShow() override
    {
        Call("RecvFormShow", {}, [&] { TProgramWindows::RecvFormShow(); });
    }
    bool RecvFormExists() override
    {
        bool bExists = FCalls->bRecvFormExists;
        Call("RecvFormExists", {}, [&] { bExists = TProgramWindows::RecvFormExists(); });
        return bExists;
    }
    void RecvFormUnread(int iWaiting) override
    {
        Call("RecvFormUnread", {Number(iWaiting)}, [&] { TProgramWindows::RecvFormUnread(iWaiting); });
    }
    void AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage, const QString& sRecvTime) override
    {
        Call("AbsenceFormShow", Peer(peer) << sAbsenceMessage << sRecvTime,
             [&] { TProgramWindows::AbsenceFormShow(peer, sAbsenceMessage, sRecvTime); });
    }
    void NoticeAdd(const QString& sText) override
    {
        Call("NoticeAdd", {sText}, [&] { TProgramWindows::NoticeAdd(sText); });
    }
    void OptionFormShow(const TOptionOwner& owner) override
    {
        Call("OptionFormShow", {owner.sMachineName}, [&] { TProgramWindows::OptionFormShow(owner); });
    }
    void EventSoundPlay(int iIndex, const TPeer& peer) override
    {
        Call("EventSoundPlay", {Number(iIndex), peer.MachineName},
             [&] { TProgramWindows::EventSoundPlay(iIndex, peer); });
    }
    void MouseAnimationStart(int iKind) override
    {
        Call("MouseAnimationStart", {Number(iKind)}, [&] { TProgramWindows::MouseAnimationStart(iKind); });
    }
    void FileSendFormShow(const QString& sFileName, const TPeer& peer) override
    {
        Call("FileSendFormShow", QStringList{sFileName} << Peer(peer),
             [&] { TProgramWindows::FileSendFormShow(sFileName, peer); });
    }
    void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment, int iSocketNo,
                          const TPeer& peer) override
    {
        Call("FileRecvFormShow",
             QStringList{sFileName, QString::number(iFileByte), sComment, Number(iSocketNo)} << Peer(peer),
             [&] { TProgramWindows::FileRecvFormShow(sFileName, iFileByte, sComment, iSocketNo, peer); });
    }
    void UpdateFormShow() override
    {
        Call("UpdateFormShow", {}, [&] { TProgramWindows::UpdateFormShow(); });
    }
    void UpdateFormStartCheck() override
    {
        Call("UpdateFormStartCheck", {}, [&] { TProgramWindows::UpdateFormStartCheck(); });
    }
    void GlobalChatFormShow() override
    {
        Call("GlobalChatFormShow", {}, [&] { TProgramWindows::GlobalChatFormShow(); });
    }
    void GlobalChatFormClose() override
    {
        Call("GlobalChatFormClose", {}, [&] { TProgramWindows::GlobalChatFormClose(); });
    }
    bool GlobalChatFormExists() override
    {
        bool bExists = FCalls->bGlobalChatFormExists;
        Call("GlobalChatFormExists", {}, [&] { bExists = TProgramWindows::GlobalChatFormExists(); });
        return bExists;
    }
    void RequestFormShow() override
    {
        Call("RequestFormShow", {}, [&] { TProgramWindows::RequestFormShow(); });
    }
    void DonationFormShow() override
    {
        Call("DonationFormShow", {}, [&] { TProgramWindows::DonationFormShow(); });
    }
    void VersionFormShow() override
    {
        Call("VersionFormShow", {}, [&] { TProgramWindows::VersionFormShow(); });
    }
    void ChatFormShow() override
    {
        Call("ChatFormShow", {}, [&] { TProgramWindows::ChatFormShow(); });
    }
    void ChatFormClose() override
    {
        Call("ChatFormClose", {}, [&] { TProgramWindows::ChatFormClose(); });
    }
    void ChatFormRelease() override
    {
        Call("ChatFormRelease", {}, [&] { TProgramWindows::ChatFormRelease(); });
    }
    void ChatMessageAdd(const QString& sMessage, const TPeer& peer) override
    {
        Call("ChatMessageAdd", QStringList{sMessage} << Peer(peer),
             [&] { TProgramWindows::ChatMessageAdd(sMessage, peer); });
    }
    void ChatUserLogin(const TPeer& peer, bool bAbsence) override
    {
        Call("ChatUserLogin", Peer(peer) << Number(bAbsence),
             [&] { TProgramWindows::ChatUserLogin(peer, bAbsence); });
    }
    void ChatUserLogout(const TPeer& peer) override
    {
        Call("ChatUserLogout", Peer(peer), [&] { TProgramWindows::ChatUserLogout(peer); });
    }
    void ChatUserNameChange(const TPeer& peer, const QString& sBeforeHandle) override
    {
        Call("ChatUserNameChange", Peer(peer) << sBeforeHandle,
             [&] { TProgramWindows::ChatUserNameChange(peer, sBeforeHandle); });
    }
    void ChatUserAbsenceChange(const TPeer& peer, bool bAbsence) override
    {
        Call("ChatUserAbsenceChange", Peer(peer) << Number(bAbsence),
             [&] { TProgramWindows::ChatUserAbsenceChange(peer, bAbsence); });
    }
    void ChatEventAdd(const QString& sText) override
    {
        Call("ChatEventAdd", {sText}, [&] { TProgramWindows::ChatEventAdd(sText); });
    }
    void HelpShow() override
    {
        Call("HelpShow", {}, [&] { TProgramWindows::HelpShow(); });
    }
    void SingleWindowsRelease() override
    {
        Call("SingleWindowsRelease", {}, [&] { TProgramWindows::SingleWindowsRelease(); });
    }

private:
    template <typename Run> void Call(const QString& sRoutine, QStringList args, Run run)
    {
        FCalls->calls.push_back({sRoutine, std::move(args)});
        // A copy: the program's routine may call again and move the list.
        const WindowCall call = FCalls->calls.back();
        if (FCalls->BeforeCall)
            FCalls->BeforeCall(call);
        if (!FStandIns.contains(sRoutine))
            run();
        if (FCalls->OnCalled)
            FCalls->OnCalled(call);
    }
    template <typename T> static QString Number(T value) { return QString::number(static_cast<int>(value)); }
    static QStringList Peer(const TPeer& peer)
    {
        return {peer.HandleName, peer.MachineName, peer.Discrimination};
    }

    std::shared_ptr<WindowCalls> FCalls;
    QSet<QString> FStandIns;
};

// The recording windows and what they see, for a test to keep the second while
// the main window takes the first.
inline std::pair<std::unique_ptr<RecordingWindows>, std::shared_ptr<WindowCalls>>
RecordingWindowsMade(QSet<QString> standIns = {})
{
    auto calls = std::make_shared<WindowCalls>();
    return {std::make_unique<RecordingWindows>(calls, std::move(standIns)), calls};
}

} // namespace TestSupport
