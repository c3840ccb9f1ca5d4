#include "CommandLine.h"

#include "IniFile.h"
#include "ParvaneNetwork.h"

namespace {

int PortValue(const QString& sArgument, int iLowest)
{
    const std::optional<int> value = IniFile::StringToInteger(QStringView(sArgument).mid(4));
    if (!value || *value < iLowest || *value > TParvaneNetwork::MaximumPortNo)
        return -1;
    return *value;
}

} // namespace

TCommandLinePorts CommandLinePorts(const QStringList& slArguments)
{
    TCommandLinePorts ports;
    for (qsizetype i = 1; i < slArguments.size(); ++i) {
        const QString& argument = slArguments[i];
        // Only ASCII letters change case; "/pm" and "/PM" are the same option.
        QString prefix = argument.left(3);
        for (QChar& c : prefix)
            if (c >= u'a' && c <= u'z')
                c = QChar(c.unicode() - (u'a' - u'A'));
        if (prefix == u"/PM")
            ports.iMsg = PortValue(argument, 1);
        else if (prefix == u"/PF")
            ports.iFile = PortValue(argument, 0);
    }
    if (ports.iMsg == -1 || ports.iFile == -1)
        ports = {};
    return ports;
}

QString InstanceGuardName(const TCommandLinePorts& ports)
{
    QString sName = QStringLiteral("Parvane 2");
    if (ports.iMsg != -1)
        sName += u'<' + QString::number(ports.iMsg) + u':' + QString::number(ports.iFile) + u'>';
    return sName;
}
