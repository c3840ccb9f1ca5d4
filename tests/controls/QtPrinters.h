#pragma once

#include <QString>
#include <QStringList>
#include <ostream>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& sl, std::ostream* os)
{
    *os << '{';
    for (qsizetype i = 0; i < sl.size(); ++i)
        *os << (i ? ", " : "") << '"' << sl[i].toStdString() << '"';
    *os << '}';
}
