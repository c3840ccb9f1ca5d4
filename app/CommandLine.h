#pragma once

#include <QString>
#include <QStringList>

// The ports given on the command line; -1 when not given, always both or neither.
inline int PortOverrideMsg = -1;
inline int PortOverrideFile = -1;

struct TCommandLinePorts {
    int iMsg = -1;
    int iFile = -1;
};

// Reads "/PM" and "/PF" from the arguments after the program name: the first three
// characters in any case, the value from the fifth character on. A later argument of
// a kind replaces an earlier one; a value that does not convert, or is no usable port
// (message 1..65535, file 0..65535, where 0 means no file listener), counts as not
// given, and unless both are given neither applies.
TCommandLinePorts CommandLinePorts(const QStringList& slArguments);

// "Parvane 2", or "Parvane 2<PM:PF>" when the ports were given.
QString InstanceGuardName(const TCommandLinePorts& ports);
