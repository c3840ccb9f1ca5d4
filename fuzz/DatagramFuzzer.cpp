// Fuzzes what peers send over UDP: reassembly in the 20 slots, unscrambling,
// the length header, the repeat history and the keyword dispatch of every
// record, with handlers that call back into the engine as the application's do.
// The input format is told in DatagramFuzzer.h.
#include "DatagramFuzzer.h"

#include "FuzzAccess.h"
#include "FuzzSupport.h"

#include <arpa/inet.h>
#include <deque>
#include <utility>

using namespace DatagramFuzz;
using Access = TParvaneNetworkFuzzAccess;

namespace {

// The copy under test and what its datagram socket would have carried.
constexpr quint32 kOwnAddress = 0xC6120001;       // 198.18.0.1
constexpr quint32 kOwnSecondAddress = 0xC6120002; // 198.18.0.2
// A real socket buffer drops what it cannot hold; so does the loop-back. Handlers
// that answer every record make the echoes grow from round to round, so one input
// gets a bounded number of them in all.
constexpr std::size_t kMaxLoopBack = 32;
constexpr int kMaxEchoesPerInput = 64;
constexpr std::size_t kMaxNested = 8;
constexpr qint64 kTickMs = 5000;
constexpr int kCommandsPerCheck = 8;
// All slots full of the largest fragments: the most reassembly may ever hold.
constexpr qsizetype kMaxHeldBytes = qsizetype(TParvaneNetwork::RecvDataBackCount) * 256 * (kMaxDatagram - 1);

struct World {
    TParvaneNetwork* Engine = nullptr;
    std::deque<QByteArray> Sent;
    std::deque<std::pair<QString, QByteArray>> Nested;
    int Reaction = kReactNothing;
    int Echoes = 0;
    int Commands = 0;
    int Depth = 0;
    qint64 Now = 1;
};

World* gWorld = nullptr;
volatile std::size_t gSink = 0;

void Touch(const QString& s)
{
    gSink = gSink + static_cast<std::size_t>(s.size());
}

template <typename... Texts> void TouchAll(const Texts&... texts)
{
    (Touch(texts), ...);
}

// What an application handler does once it has read what it was given.
void React(TParvaneNetwork* e, const QString& machine, const QString& dis)
{
    World& w = *gWorld;
    // A nested event loop inside the handler lets the next datagram in first.
    if (!w.Nested.empty() && w.Depth < int(kMaxNested)) {
        auto next = std::move(w.Nested.front());
        w.Nested.pop_front();
        ++w.Depth;
        Access::Fragment(*e, next.first, next.second);
        --w.Depth;
    }
    switch (w.Reaction) {
    case kReactLogout:
        e->Logout();
        break;
    case kReactRefresh:
        e->InformationReflesh();
        break;
    case kReactChatLogout:
        e->ChatLogout();
        break;
    case kReactMessageBack:
        e->MessageSend(QStringLiteral("answer"), machine, dis, false);
        break;
    case kReactAbsenceRequest:
        e->AbsenceRequest(machine, dis);
        break;
    case kReactReadTable:
        for (int i = 0; i < e->LoginCount(); ++i) {
            const TPVN_LoginUserInformation u = e->GetLoginUser(i);
            TouchAll(u.Handle, u.Machine, u.IPAddress.join(QString()), u.AbsenceTitle);
        }
        break;
    default:
        break;
    }
}

void BindHandlers(TParvaneNetwork& e)
{
    e.OnLogin = [](TParvaneNetwork* s, const QString& hdl, const QString& mch, const QString& ip,
                   const QString& dis, int, bool, const QString& title, bool, bool, int) {
        TouchAll(hdl, mch, ip, dis, title);
        React(s, mch, dis);
    };
    e.OnLogout = [](TParvaneNetwork* s, const QString& hdl, const QString& mch, const QString& ip,
                    const QString& dis) {
        TouchAll(hdl, mch, ip, dis);
        React(s, mch, dis);
    };
    e.OnInfoChange = [](TParvaneNetwork* s, const QString& mch, const QString& hdl, const QString& ip,
                        const QString& dis, int, bool, const QString& title, bool, bool, int) {
        TouchAll(hdl, mch, ip, dis, title);
        React(s, mch, dis);
    };
    e.OnMessage = [](TParvaneNetwork* s, const QString& msg, const QString& id, bool, const QString& hdl,
                     const QString& mch, const QString& dis, const QString& time) {
        TouchAll(msg, id, hdl, mch, dis, time);
        // The receive window reports the message as read.
        s->MessageOpen(id, mch, dis);
        React(s, mch, dis);
    };
    auto receipt = [](TParvaneNetwork* s, const QString& id, const QString& hdl, const QString& mch,
                      const QString& dis) {
        TouchAll(id, hdl, mch, dis);
        React(s, mch, dis);
    };
    e.OnMessageOk = receipt;
    e.OnMessageOpen = receipt;
    e.OnAbsenceMessage = [](TParvaneNetwork* s, const QString& msg, const QString& hdl, const QString& mch,
                            const QString& dis, const QString& time) {
        TouchAll(msg, hdl, mch, dis, time);
        React(s, mch, dis);
    };
    auto menu = [](TParvaneNetwork* s, const QString& hdl, const QString& mch, const QString& dis) {
        TouchAll(hdl, mch, dis);
        React(s, mch, dis);
    };
    e.OnMenuRequest = menu;
    e.OnMenuNothing = menu;
    e.OnInputSelect = [](TParvaneNetwork* s, const QString& msg, const QString& list, const QString& ret,
                         const QString& sel, const QString& hdl, const QString& mch, const QString& dis) {
        TouchAll(msg, list, ret, sel, hdl, mch, dis);
        React(s, mch, dis);
    };
    e.OnInputLine = [](TParvaneNetwork* s, const QString& msg, const QString& line, const QString& ld,
                       const QString& hdl, const QString& mch, const QString& dis, bool) {
        TouchAll(msg, line, ld, hdl, mch, dis);
        React(s, mch, dis);
    };
    e.OnInputText = [](TParvaneNetwork* s, const QString& msg, const QString& td, const QString& hdl,
                       const QString& mch, const QString& dis) {
        TouchAll(msg, td, hdl, mch, dis);
        React(s, mch, dis);
    };
    e.OnInputReturn = [](TParvaneNetwork* s, const QString& id, const QString& ret, const QString& hdl,
                         const QString& mch, const QString& dis) {
        TouchAll(id, ret, hdl, mch, dis);
        React(s, mch, dis);
    };
    e.OnInputMessage = [](TParvaneNetwork* s, const QString& msg, const QString& hdl, const QString& mch,
                          const QString& dis, const QString& time) {
        TouchAll(msg, hdl, mch, dis, time);
        React(s, mch, dis);
    };
    e.OnChatMessage = [](TParvaneNetwork* s, const QString& msg, const QString& id, const QString& hdl,
                         const QString& mch, const QString& dis, const QString& time) {
        TouchAll(msg, id, hdl, mch, dis, time);
        React(s, mch, dis);
    };
    e.OnErrorRecvOverflow = [](TParvaneNetwork*) { gSink = gSink + 1; };
    e.OnErrorSend = [](TParvaneNetwork*, const QString& msg, const QString& id, const QString& mch,
                       const QString& dis) { TouchAll(msg, id, mch, dis); };
}

// What must hold between any two datagrams, whatever peers sent. Not instrumented:
// its loops over all 256 peer entries would cost more than the engine's work and
// add nothing for the fuzzer to steer by.
__attribute__((no_sanitize("coverage"))) void CheckEngine(const TParvaneNetwork& e)
{
    qsizetype held = 0;
    for (int i = 0; i < TParvaneNetwork::RecvDataBackCount; ++i) {
        const TPVN_RecvDataBack& slot = Access::Slot(e, i);
        const TAnsiStringList& list = *slot.RecvData;
        Fuzz::Check(list.Count() <= 256, "a slot holds more fragments than the number byte can count");
        if (slot.HostName.isEmpty()) {
            Fuzz::Check(list.Count() == 0 && slot.RecvCount == 0 && slot.RecvTime == 0,
                        "a free slot still holds fragments");
            continue;
        }
        int filled = 0;
        for (int j = 0; j < list.Count(); ++j) {
            const QByteArray& fragment = list.Get(j);
            held += fragment.size();
            Fuzz::Check(fragment.size() < kMaxDatagram, "a fragment is longer than a datagram");
            filled += fragment.isEmpty() ? 0 : 1;
        }
        Fuzz::Check(filled == slot.RecvCount, "a slot's fragment count disagrees with its fragments");
        Fuzz::Check(filled > 0 && !list.Get(list.Count() - 1).isEmpty(), "a collecting slot ends in a gap");
    }
    Fuzz::Check(held <= kMaxHeldBytes, "reassembly holds more than its slots can");

    const int count = e.LoginCount();
    Fuzz::Check(count >= 0 && count <= TParvaneNetwork::LoginUserCapacity, "peer count out of range");
    Fuzz::Check(e.LoginStates() || (count == 0 && !e.Chat()), "logged out with peers listed or in the chat");
    for (int i = 0; i < TParvaneNetwork::LoginUserCapacity; ++i) {
        const TPVN_LoginUserInformation& entry = Access::Entry(e, i);
        if (i >= count) {
            Fuzz::Check(entry.Machine.isEmpty() && entry.IPAddress.isEmpty() && entry.Handle.isEmpty(),
                        "a peer entry beyond the count is not empty");
            continue;
        }
        for (int j = 0; j < i; ++j) {
            const TPVN_LoginUserInformation& other = Access::Entry(e, j);
            Fuzz::Check(other.Machine != entry.Machine || other.Discrimination != entry.Discrimination,
                        "one peer listed twice");
        }
    }
}

void UserOperation(TParvaneNetwork& e, int op)
{
    World& w = *gWorld;
    switch (op) {
    case kLogin:
        e.Login();
        break;
    case kLogout:
        e.Logout();
        break;
    case kChatLogin:
        e.ChatLogin();
        break;
    case kChatLogout:
        e.ChatLogout();
        break;
    case kRefresh:
        e.InformationReflesh();
        break;
    case kInformationUpdate:
        e.InformationUpdate();
        break;
    case kToggleAbsence:
        e.SetAbsence(!e.Absence());
        e.SetAbsenceTitle(e.Absence() ? QStringLiteral("会議中") : QString());
        e.SetAbsenceMessage(e.Absence() ? QStringLiteral("席を外しています\r\n三時に戻ります") : QString());
        e.InformationUpdate();
        break;
    case kToggleSecurity:
        e.SetSecurity(!e.Security());
        break;
    case kToggleMenu:
        e.SetMenu(!e.Menu());
        break;
    case kMessageToAddress:
        e.MessageSend(QStringLiteral("こんにちは"), SenderAddress(2), kDiscrimination, true);
        break;
    case kMessageToMachine:
        e.MessageSend(QStringLiteral("hello"), kPeerMachine, kDiscrimination, false);
        break;
    case kChatSend:
        e.ChatSend(QStringLiteral("chat line"));
        break;
    default:
        w.Reaction = op;
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    Fuzz::Initialise();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    Fuzz::ResetSources();
    World world;
    gWorld = &world;
    {
        TParvaneNetwork engine;
        world.Engine = &engine;
        engine.SetDiscrimination(kDiscrimination);
        engine.SetVersion(2200);
        engine.SetHandleName(QStringLiteral("fuzz"));
        Access::SetMonotonicClock(engine, [&world] { return world.Now; });
        Access::StartWithoutSockets(engine, kMachine, {SenderAddress(0), SenderAddress(1)},
                                    [&world](const QByteArray& datagram, quint32 address) {
                                        const bool heard = address == INADDR_BROADCAST ||
                                                           address == kOwnAddress ||
                                                           address == kOwnSecondAddress;
                                        if (heard && world.Sent.size() < kMaxLoopBack)
                                            world.Sent.push_back(datagram);
                                        return true;
                                    });
        BindHandlers(engine);
        engine.Login();

        Fuzz::Reader in(data, size);
        while (!in.AtEnd()) {
            const int c = in.Byte();
            const int op = c >> kOpShift;
            const int arg = c & kArgMask;
            if (op <= 3 || op == kOpNested) {
                const int length = in.Word() % (kMaxDatagram + 1);
                const QByteArray datagram = in.Bytes(static_cast<std::size_t>(length));
                if (op == kOpNested) {
                    if (world.Nested.size() < kMaxNested)
                        world.Nested.emplace_back(SenderAddress(arg), datagram);
                } else {
                    Access::Fragment(engine, SenderAddress(arg), datagram);
                }
            } else if (op == kOpTime) {
                world.Now += (arg + 1) * kTickMs;
                Access::Purge(engine);
            } else if (op == kOpUser) {
                UserOperation(engine, arg % kUserOpCount);
            } else {
                std::deque<QByteArray> echoes;
                echoes.swap(world.Sent);
                for (const QByteArray& datagram : echoes) {
                    if (++world.Echoes > kMaxEchoesPerInput)
                        break;
                    Access::Fragment(engine, SenderAddress(0), datagram);
                }
            }
            // Every few commands, so a broken state is caught near where it arose.
            if (++world.Commands % kCommandsPerCheck == 0)
                CheckEngine(engine);
        }
        CheckEngine(engine);
        world.Engine = nullptr;
    }
    gWorld = nullptr;
    return 0;
}
