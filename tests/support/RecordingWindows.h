#pragma once

// The program's windows as the main window reaches them, with every call
// recorded; for the programs that link the application.

#include "LogUnit.h"
#include "ProgramWindowUnits.h"
#include "SubUnit.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace TestSupport {

// The name of every routine that RecordingWindows records, one a line: a
// routine taken from TProgramWindows leaves here with its override.
inline const QSet<QString>& RecordedRoutines()
{
    static const QSet<QString> names{
        "LogWrite",
        "LogWriteLines",
        "LogFormShow",
        "LogWriteWait",
        "SendFormShow",
        "RecvFormShow",
        "RecvFormExists",
        "AbsenceFormShow",
        "NoticeAdd",
        "OptionFormShow",
        "EventSoundPlay",
        "MouseAnimationStart",
        "FileSendFormShow",
        "FileRecvFormShow",
        "UpdateFormShow",
        "UpdateFormStartCheck",
        "GlobalChatFormShow",
        "GlobalChatFormClose",
        "GlobalChatFormExists",
        "RequestFormShow",
        "DonationFormShow",
        "VersionFormShow",
        "ChatFormShow",
        "ChatFormClose",
        "ChatFormRelease",
        "HelpShow",
        "SingleWindowsRelease",
    };
    return names;
}

// The names among these that no routine of RecordingWindows has, sorted.
inline QStringList UnknownRoutines(const QSet<QString>& names)
{
    QStringList unknown;
    for (const QString& sName : names)
        if (!RecordedRoutines().contains(sName))
            unknown << sName;
    unknown.sort();
    return unknown;
}

// A name that no routine has would make a stand-in that never stands in, or a
// count that is always 0: the test stops there, naming it.
inline void RoutinesCheck(const QSet<QString>& names)
{
    const QStringList unknown = UnknownRoutines(names);
    if (!unknown.isEmpty())
        qFatal("RecordingWindows has no routine named %s", qPrintable(unknown.join(QStringLiteral(", "))));
}

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
        RoutinesCheck({sRoutine});
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
// others then run the program's own. The services the main window hands over
// are kept as the program's version keeps them, unrecorded: they are no window's
// routine.
class RecordingWindows : public TProgramWindowUnits {
public:
    explicit RecordingWindows(std::shared_ptr<WindowCalls> calls, QSet<QString> standIns = {})
        : FCalls(std::move(calls)), FStandIns(std::move(standIns))
    {
        RoutinesCheck(FStandIns);
    }

    void LogWrite(TLogKind iKind, const QString& sFrom, const QString& sTo, const QString& sText) override
    {
        Call("LogWrite", {Number(iKind), sFrom, sTo, sText},
             [&] { TProgramWindowUnits::LogWrite(iKind, sFrom, sTo, sText); });
    }
    // Each record as four arguments, one after another.
    void LogWriteLines(const QList<TLogLine>& lines) override
    {
        QStringList args;
        for (const TLogLine& line : lines)
            args << Number(line.iKind) << line.sFrom << line.sTo << line.sText;
        Call("LogWriteLines", args, [&] { TProgramWindowUnits::LogWriteLines(lines); });
    }
    void LogFormShow() override
    {
        Call("LogFormShow", {}, [&] { TProgramWindowUnits::LogFormShow(); });
    }
    void LogWriteWait() override
    {
        Call("LogWriteWait", {}, [&] { TProgramWindowUnits::LogWriteWait(); });
    }
    void SendFormShow(const QString& sMessage, bool bQuote, const QString& sMachines,
                      const QString& sDiscriminations) override
    {
        Call("SendFormShow", {sMessage, Number(bQuote), sMachines, sDiscriminations},
             [&] { TProgramWindowUnits::SendFormShow(sMessage, bQuote, sMachines, sDiscriminations); });
    }
    void RecvFormShow() override
    {
        Call("RecvFormShow", {}, [&] { TProgramWindowUnits::RecvFormShow(); });
    }
    bool RecvFormExists() override
    {
        bool bExists = FCalls->bRecvFormExists;
        Call("RecvFormExists", {}, [&] { bExists = TProgramWindowUnits::RecvFormExists(); });
        return bExists;
    }
    void AbsenceFormShow(const TPeer& peer, const QString& sAbsenceMessage, const QString& sRecvTime) override
    {
        Call("AbsenceFormShow", Peer(peer) << sAbsenceMessage << sRecvTime,
             [&] { TProgramWindowUnits::AbsenceFormShow(peer, sAbsenceMessage, sRecvTime); });
    }
    void NoticeAdd(const QString& sText) override
    {
        Call("NoticeAdd", {sText}, [&] { TProgramWindowUnits::NoticeAdd(sText); });
    }
    void OptionFormShow(const TOptionOwner& owner) override
    {
        Call("OptionFormShow", {owner.sMachineName}, [&] { TProgramWindowUnits::OptionFormShow(owner); });
    }
    void EventSoundPlay(int iIndex, const TPeer& peer) override
    {
        Call("EventSoundPlay", {Number(iIndex), peer.MachineName},
             [&] { TProgramWindowUnits::EventSoundPlay(iIndex, peer); });
    }
    void MouseAnimationStart(int iKind) override
    {
        Call("MouseAnimationStart", {Number(iKind)},
             [&] { TProgramWindowUnits::MouseAnimationStart(iKind); });
    }
    void FileSendFormShow(const QString& sFileName, const TPeer& peer) override
    {
        Call("FileSendFormShow", QStringList{sFileName} << Peer(peer),
             [&] { TProgramWindowUnits::FileSendFormShow(sFileName, peer); });
    }
    void FileRecvFormShow(const QString& sFileName, qint64 iFileByte, const QString& sComment, int iSocketNo,
                          const TPeer& peer) override
    {
        Call("FileRecvFormShow",
             QStringList{sFileName, QString::number(iFileByte), sComment, Number(iSocketNo)} << Peer(peer),
             [&] { TProgramWindowUnits::FileRecvFormShow(sFileName, iFileByte, sComment, iSocketNo, peer); });
    }
    void UpdateFormShow() override
    {
        Call("UpdateFormShow", {}, [&] { TProgramWindowUnits::UpdateFormShow(); });
    }
    void UpdateFormStartCheck() override
    {
        Call("UpdateFormStartCheck", {}, [&] { TProgramWindowUnits::UpdateFormStartCheck(); });
    }
    void GlobalChatFormShow() override
    {
        Call("GlobalChatFormShow", {}, [&] { TProgramWindowUnits::GlobalChatFormShow(); });
    }
    void GlobalChatFormClose() override
    {
        Call("GlobalChatFormClose", {}, [&] { TProgramWindowUnits::GlobalChatFormClose(); });
    }
    bool GlobalChatFormExists() override
    {
        bool bExists = FCalls->bGlobalChatFormExists;
        Call("GlobalChatFormExists", {}, [&] { bExists = TProgramWindowUnits::GlobalChatFormExists(); });
        return bExists;
    }
    void RequestFormShow() override
    {
        Call("RequestFormShow", {}, [&] { TProgramWindowUnits::RequestFormShow(); });
    }
    void DonationFormShow() override
    {
        Call("DonationFormShow", {}, [&] { TProgramWindowUnits::DonationFormShow(); });
    }
    void VersionFormShow() override
    {
        Call("VersionFormShow", {}, [&] { TProgramWindowUnits::VersionFormShow(); });
    }
    void ChatFormShow() override
    {
        Call("ChatFormShow", {}, [&] { TProgramWindowUnits::ChatFormShow(); });
    }
    void ChatFormClose() override
    {
        Call("ChatFormClose", {}, [&] { TProgramWindowUnits::ChatFormClose(); });
    }
    void ChatFormRelease() override
    {
        Call("ChatFormRelease", {}, [&] { TProgramWindowUnits::ChatFormRelease(); });
    }
    void HelpShow() override
    {
        Call("HelpShow", {}, [&] { TProgramWindowUnits::HelpShow(); });
    }
    void SingleWindowsRelease() override
    {
        Call("SingleWindowsRelease", {}, [&] { TProgramWindowUnits::SingleWindowsRelease(); });
    }

private:
    template <typename Run> void Call(const QString& sRoutine, QStringList args, Run run)
    {
        RoutinesCheck({sRoutine});
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
