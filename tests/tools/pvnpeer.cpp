// pvnpeer: one engine on a running event loop, driven over standard input
// and output, so that a test or any outside program can play a peer.
//
// Lines are TAB-separated fields; inside a field "\\", "\t", "\n" and "\r"
// stand for backslash, TAB, LF and CR. Texts are UTF-8, Booleans 1 and 0.
// Every command is answered by one line: "ok", "value V", "result V",
// "user F..." or "error REASON". Every event prints "event NAME PARAMS..."
// when it is raised, so events raised inside a call come before its answer.
//   set NAME VALUE        a read/write property
//   get NAME              any property; IPAddress in its text form
//   call OPERATION ARG... a public operation, arguments in their documented order
//   user INDEX            GetLoginUser
//   recv accept DIR       answer file offers by saving into DIR under the offered name
//   recv refuse           answer file offers by cancelling them (the default)
//   mute NAME             stop printing event NAME (a benchmark mutes the per-piece progress)
//   quit                  end the service and exit (end of input does the same)
#include "ParvaneNetwork.h"

#include <QCoreApplication>
#include <QDir>
#include <QSocketNotifier>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <unistd.h>

namespace {

QString Escape(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString Unescape(const QString& field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] != u'\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const QChar next = field[++i];
        switch (next.unicode()) {
        case u't':
            out += u'\t';
            break;
        case u'n':
            out += u'\n';
            break;
        case u'r':
            out += u'\r';
            break;
        default:
            out += next;
        }
    }
    return out;
}

// A value printed in a line: texts escaped, numbers in decimal, Booleans 1 and 0.
QString Field(const QString& v)
{
    return Escape(v);
}
QString Field(bool v)
{
    return v ? QStringLiteral("1") : QStringLiteral("0");
}
QString Field(int v)
{
    return QString::number(v);
}
QString Field(qint64 v)
{
    return QString::number(v);
}

void PrintLine(const QStringList& fields)
{
    const QByteArray line = (fields.join(u'\t') + u'\n').toUtf8();
    qsizetype done = 0;
    while (done < line.size()) {
        const ssize_t n =
            write(STDOUT_FILENO, line.constData() + done, static_cast<size_t>(line.size() - done));
        if (n <= 0)
            return;
        done += n;
    }
}

std::set<std::string>& MutedEvents()
{
    static std::set<std::string> muted;
    return muted;
}

template <class... A> void PrintEvent(const char* name, const A&... values)
{
    if (!MutedEvents().empty() && MutedEvents().count(name) != 0)
        return;
    PrintLine(QStringList{QStringLiteral("event"), QString::fromLatin1(name), Field(values)...});
}

bool ToBool(const QString& s)
{
    return s == QStringLiteral("1");
}

QString IPListText(const QStringList& list)
{
    QString text;
    for (const QString& a : list)
        text += a + QStringLiteral("\r\n");
    return text;
}

using Args = QStringList;

struct Property {
    std::function<QString(TParvaneNetwork&)> Get;
    std::function<void(TParvaneNetwork&, const QString&)> Set; // empty: read-only
};

struct Operation {
    int Arity;
    std::function<QString(TParvaneNetwork&, const Args&)> Call;
};

template <class T> std::function<QString(TParvaneNetwork&)> Getter(T (TParvaneNetwork::*get)() const)
{
    return [get](TParvaneNetwork& e) { return Field((e.*get)()); };
}

std::function<void(TParvaneNetwork&, const QString&)> TextSetter(void (TParvaneNetwork::*set)(const QString&))
{
    return [set](TParvaneNetwork& e, const QString& v) { (e.*set)(v); };
}
std::function<void(TParvaneNetwork&, const QString&)> IntSetter(void (TParvaneNetwork::*set)(int))
{
    return [set](TParvaneNetwork& e, const QString& v) { (e.*set)(v.toInt()); };
}
std::function<void(TParvaneNetwork&, const QString&)> BoolSetter(void (TParvaneNetwork::*set)(bool))
{
    return [set](TParvaneNetwork& e, const QString& v) { (e.*set)(ToBool(v)); };
}

const std::map<QString, Property>& Properties()
{
    using E = TParvaneNetwork;
    static const std::map<QString, Property> table = {
        {"Handle", {[](E& e) { return QString::number(e.Handle()); }, {}}},
        {"Discrimination", {Getter(&E::Discrimination), TextSetter(&E::SetDiscrimination)}},
        {"Version", {Getter(&E::Version), IntSetter(&E::SetVersion)}},
        {"SocketNo", {Getter(&E::SocketNo), {}}},
        {"FTPSocketNo", {Getter(&E::FTPSocketNo), {}}},
        {"PortNo", {Getter(&E::PortNo), IntSetter(&E::SetPortNo)}},
        {"FTPPortNo", {Getter(&E::FTPPortNo), IntSetter(&E::SetFTPPortNo)}},
        {"FTPSendByte", {Getter(&E::FTPSendByte), IntSetter(&E::SetFTPSendByte)}},
        {"FTPRecvByte", {Getter(&E::FTPRecvByte), IntSetter(&E::SetFTPRecvByte)}},
        {"BroadcastIP", {Getter(&E::BroadcastIP), TextSetter(&E::SetBroadcastIP)}},
        {"Security", {Getter(&E::Security), BoolSetter(&E::SetSecurity)}},
        {"MachineName", {Getter(&E::MachineName), {}}},
        {"HandleName", {Getter(&E::HandleName), TextSetter(&E::SetHandleName)}},
        {"Absence", {Getter(&E::Absence), BoolSetter(&E::SetAbsence)}},
        {"AbsenceTitle", {Getter(&E::AbsenceTitle), TextSetter(&E::SetAbsenceTitle)}},
        {"AbsenceMessage", {Getter(&E::AbsenceMessage), TextSetter(&E::SetAbsenceMessage)}},
        {"Menu", {Getter(&E::Menu), BoolSetter(&E::SetMenu)}},
        {"Chat", {Getter(&E::Chat), {}}},
        {"LoginStates", {Getter(&E::LoginStates), {}}},
        {"LoginCount", {Getter(&E::LoginCount), {}}},
        {"IPAddress", {[](E& e) { return Field(IPListText(e.IPAddress())); }, {}}},
    };
    return table;
}

// The public operations; a new one is one line here.
const std::map<QString, Operation>& Operations()
{
    using E = TParvaneNetwork;
    auto b = [](bool v) { return Field(v); };
    static const std::map<QString, Operation> table = {
        {"ServiceStart", {0, [b](E& e, const Args&) { return b(e.ServiceStart()); }}},
        {"ServiceEnd",
         {0,
          [](E& e, const Args&) {
              e.ServiceEnd();
              return QString();
          }}},
        {"Login", {0, [b](E& e, const Args&) { return b(e.Login()); }}},
        {"Logout", {0, [b](E& e, const Args&) { return b(e.Logout()); }}},
        {"InformationUpdate", {0, [b](E& e, const Args&) { return b(e.InformationUpdate()); }}},
        {"InformationReflesh", {0, [b](E& e, const Args&) { return b(e.InformationReflesh()); }}},
        {"ChatLogin", {0, [b](E& e, const Args&) { return b(e.ChatLogin()); }}},
        {"ChatLogout", {0, [b](E& e, const Args&) { return b(e.ChatLogout()); }}},
        {"ChatSend", {1, [](E& e, const Args& a) { return Field(e.ChatSend(a[0])); }}},
        {"MessageSend",
         {4, [](E& e, const Args& a) { return Field(e.MessageSend(a[0], a[1], a[2], ToBool(a[3]))); }}},
        {"MessageOpen", {3, [b](E& e, const Args& a) { return b(e.MessageOpen(a[0], a[1], a[2])); }}},
        {"AbsenceRequest", {2, [b](E& e, const Args& a) { return b(e.AbsenceRequest(a[0], a[1])); }}},
        {"MenuRequest", {2, [b](E& e, const Args& a) { return b(e.MenuRequest(a[0], a[1])); }}},
        {"InputSelect",
         {6, [b](E& e, const Args& a) { return b(e.InputSelect(a[0], a[1], a[2], a[3], a[4], a[5])); }}},
        {"InputLine",
         {6,
          [b](E& e, const Args& a) { return b(e.InputLine(a[0], a[1], a[2], a[3], a[4], ToBool(a[5]))); }}},
        {"InputText", {4, [b](E& e, const Args& a) { return b(e.InputText(a[0], a[1], a[2], a[3])); }}},
        {"InputReturn", {4, [b](E& e, const Args& a) { return b(e.InputReturn(a[0], a[1], a[2], a[3])); }}},
        {"InputMessage", {3, [b](E& e, const Args& a) { return b(e.InputMessage(a[0], a[1], a[2])); }}},
        {"FileSend", {4, [](E& e, const Args& a) { return Field(e.FileSend(a[0], a[1], a[2], a[3])); }}},
        {"FileSendCancel", {1, [b](E& e, const Args& a) { return b(e.FileSendCancel(a[0].toInt())); }}},
        {"FileRecvCancel", {1, [b](E& e, const Args& a) { return b(e.FileRecvCancel(a[0].toInt())); }}},
        {"StringSplit",
         {2,
          [](E&, const Args& a) {
              return Field(E::StringSplit(a[0], static_cast<std::uint8_t>(a[1].toInt())));
          }}},
        {"StringToPassword", {1, [](E&, const Args& a) { return Field(E::StringToPassword(a[0])); }}},
        {"PasswordToString", {1, [](E&, const Args& a) { return Field(E::PasswordToString(a[0])); }}},
        {"DomainToIPAddress", {1, [](E&, const Args& a) { return Field(E::DomainToIPAddress(a[0])); }}},
    };
    return table;
}

class Peer {
public:
    Peer()
    {
        BindEvents();
        FInput = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(FInput.get(), &QSocketNotifier::activated, [this] { ReadInput(); });
    }

private:
    void BindEvents()
    {
        using S = const QString&;
        E.OnLogin = [](TParvaneNetwork*, S h, S m, S ip, S d, int v, bool a, S t, bool menu, bool chat,
                       int port) { PrintEvent("OnLogin", h, m, ip, d, v, a, t, menu, chat, port); };
        E.OnLogout = [](TParvaneNetwork*, S h, S m, S ip, S d) { PrintEvent("OnLogout", h, m, ip, d); };
        E.OnInfoChange = [](TParvaneNetwork*, S m, S h, S ip, S d, int v, bool a, S t, bool menu, bool chat,
                            int port) { PrintEvent("OnInfoChange", m, h, ip, d, v, a, t, menu, chat, port); };
        E.OnMessage = [](TParvaneNetwork*, S msg, S id, bool letter, S h, S m, S d, S time) {
            PrintEvent("OnMessage", msg, id, letter, h, m, d, time);
        };
        E.OnMessageOk = [](TParvaneNetwork*, S id, S h, S m, S d) { PrintEvent("OnMessageOk", id, h, m, d); };
        E.OnMessageOpen = [](TParvaneNetwork*, S id, S h, S m, S d) {
            PrintEvent("OnMessageOpen", id, h, m, d);
        };
        E.OnAbsenceMessage = [](TParvaneNetwork*, S msg, S h, S m, S d, S time) {
            PrintEvent("OnAbsenceMessage", msg, h, m, d, time);
        };
        E.OnMenuRequest = [](TParvaneNetwork*, S h, S m, S d) { PrintEvent("OnMenuRequest", h, m, d); };
        E.OnMenuNothing = [](TParvaneNetwork*, S h, S m, S d) { PrintEvent("OnMenuNothing", h, m, d); };
        E.OnInputSelect = [](TParvaneNetwork*, S msg, S list, S ret, S sel, S h, S m, S d) {
            PrintEvent("OnInputSelect", msg, list, ret, sel, h, m, d);
        };
        E.OnInputLine = [](TParvaneNetwork*, S msg, S line, S ld, S h, S m, S d, bool password) {
            PrintEvent("OnInputLine", msg, line, ld, h, m, d, password);
        };
        E.OnInputText = [](TParvaneNetwork*, S msg, S td, S h, S m, S d) {
            PrintEvent("OnInputText", msg, td, h, m, d);
        };
        E.OnInputReturn = [](TParvaneNetwork*, S id, S ret, S h, S m, S d) {
            PrintEvent("OnInputReturn", id, ret, h, m, d);
        };
        E.OnInputMessage = [](TParvaneNetwork*, S msg, S h, S m, S d, S time) {
            PrintEvent("OnInputMessage", msg, h, m, d, time);
        };
        E.OnChatMessage = [](TParvaneNetwork*, S msg, S id, S h, S m, S d, S time) {
            PrintEvent("OnChatMessage", msg, id, h, m, d, time);
        };
        E.OnFileSendSocketChange = [](TParvaneNetwork*, int before, int after) {
            PrintEvent("OnFileSendSocketChange", before, after);
        };
        E.OnFileSendStart = [](TParvaneNetwork*, int s, S h, S m, S d, S f) {
            PrintEvent("OnFileSendStart", s, h, m, d, f);
        };
        E.OnFileSending = [](TParvaneNetwork*, int s, S h, S m, S d, S f, qint64 sent, qint64 size) {
            PrintEvent("OnFileSending", s, h, m, d, f, sent, size);
        };
        E.OnFileSendEnd = [](TParvaneNetwork*, int s, S h, S m, S d, S f) {
            PrintEvent("OnFileSendEnd", s, h, m, d, f);
        };
        E.OnFileRecvStart = [this](TParvaneNetwork*, int s, S h, S m, S d, QString& f, qint64 size, S comment,
                                   bool& cancel) {
            PrintEvent("OnFileRecvStart", s, h, m, d, f, size, comment, cancel);
            if (FAcceptDirectory.isEmpty())
                cancel = true;
            else
                f = QDir(FAcceptDirectory).filePath(f);
        };
        E.OnFileRecving = [](TParvaneNetwork*, int s, S h, S m, S d, S f, qint64 got, qint64 size) {
            PrintEvent("OnFileRecving", s, h, m, d, f, got, size);
        };
        E.OnIPAddressChange = [](TParvaneNetwork*) { PrintEvent("OnIPAddressChange"); };
        E.OnFileRecvEnd = [](TParvaneNetwork*, int s, S h, S m, S d, S f) {
            PrintEvent("OnFileRecvEnd", s, h, m, d, f);
        };
        E.OnErrorSend = [](TParvaneNetwork*, S msg, S id, S m, S d) {
            PrintEvent("OnErrorSend", msg, id, m, d);
        };
        E.OnErrorRecvOverflow = [](TParvaneNetwork*) { PrintEvent("OnErrorRecvOverflow"); };
        E.OnErrorFileRecvOverflow = [](TParvaneNetwork*) { PrintEvent("OnErrorFileRecvOverflow"); };
        E.OnErrorFileSend = [](TParvaneNetwork*, int s, S h, S m, S d, S f, int error) {
            PrintEvent("OnErrorFileSend", s, h, m, d, f, error);
        };
        E.OnErrorFileRecv = [](TParvaneNetwork*, int s, S h, S m, S d, S f, int error) {
            PrintEvent("OnErrorFileRecv", s, h, m, d, f, error);
        };
    }

    void ReadInput()
    {
        char buffer[65536];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            Quit();
            return;
        }
        FPending.append(buffer, n);
        qsizetype end;
        while ((end = FPending.indexOf('\n')) >= 0) {
            QByteArray line = FPending.left(end);
            FPending.remove(0, end + 1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (!line.isEmpty())
                Command(QString::fromUtf8(line));
            if (FQuitting)
                return;
        }
    }

    void Command(const QString& line)
    {
        QStringList f;
        for (const QString& raw : line.split(u'\t'))
            f.append(Unescape(raw));
        const QString verb = f.value(0);
        const Args args = f.mid(1);
        if (verb == QStringLiteral("set"))
            return Set(args);
        if (verb == QStringLiteral("get"))
            return Get(args);
        if (verb == QStringLiteral("call"))
            return Call(args);
        if (verb == QStringLiteral("user"))
            return User(args);
        if (verb == QStringLiteral("recv"))
            return Recv(args);
        if (verb == QStringLiteral("mute") && args.size() == 1) {
            MutedEvents().insert(args[0].toStdString());
            return PrintLine({QStringLiteral("ok")});
        }
        if (verb == QStringLiteral("quit"))
            return Quit();
        PrintLine({QStringLiteral("error"), QStringLiteral("unknown command")});
    }

    void Set(const Args& a)
    {
        auto p = Properties().find(a.value(0));
        if (a.size() != 2 || p == Properties().end())
            return PrintLine({QStringLiteral("error"), QStringLiteral("unknown property")});
        if (!p->second.Set)
            return PrintLine({QStringLiteral("error"), QStringLiteral("read-only property")});
        p->second.Set(E, a[1]);
        PrintLine({QStringLiteral("ok")});
    }

    void Get(const Args& a)
    {
        auto p = Properties().find(a.value(0));
        if (a.size() != 1 || p == Properties().end())
            return PrintLine({QStringLiteral("error"), QStringLiteral("unknown property")});
        PrintLine({QStringLiteral("value"), p->second.Get(E)});
    }

    void Call(const Args& a)
    {
        auto op = Operations().find(a.value(0));
        if (op == Operations().end())
            return PrintLine({QStringLiteral("error"), QStringLiteral("unknown operation")});
        if (a.size() - 1 != op->second.Arity)
            return PrintLine({QStringLiteral("error"), QStringLiteral("wrong number of arguments")});
        const QString result = op->second.Call(E, a.mid(1));
        PrintLine({QStringLiteral("result"), result});
    }

    void User(const Args& a)
    {
        bool ok = false;
        const int index = a.value(0).toInt(&ok);
        if (a.size() != 1 || !ok)
            return PrintLine({QStringLiteral("error"), QStringLiteral("index")});
        const TPVN_LoginUserInformation u = E.GetLoginUser(index);
        PrintLine({QStringLiteral("user"), Field(u.Handle), Field(u.Machine), Field(IPListText(u.IPAddress)),
                   Field(u.Discrimination), Field(u.Version), Field(u.Absence), Field(u.AbsenceTitle),
                   Field(u.Menu), Field(u.Chat), Field(u.FTPPort)});
    }

    void Recv(const Args& a)
    {
        if (a.size() == 2 && a[0] == QStringLiteral("accept") && !a[1].isEmpty()) {
            FAcceptDirectory = a[1];
        } else if (a.size() == 1 && a[0] == QStringLiteral("refuse")) {
            FAcceptDirectory.clear();
        } else {
            return PrintLine({QStringLiteral("error"), QStringLiteral("recv accept DIR or recv refuse")});
        }
        PrintLine({QStringLiteral("ok")});
    }

    void Quit()
    {
        if (FQuitting)
            return;
        FQuitting = true;
        FInput->setEnabled(false);
        E.ServiceEnd();
        PrintLine({QStringLiteral("ok")});
        QCoreApplication::exit(0);
    }

    TParvaneNetwork E;
    std::unique_ptr<QSocketNotifier> FInput;
    QByteArray FPending;
    QString FAcceptDirectory;
    bool FQuitting = false;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Peer peer;
    return app.exec();
}
