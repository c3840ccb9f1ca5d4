#include "AnsiStringList.h"

int TAnsiStringList::Add(const QByteArray& S)
{
    FStrings.append(S);
    return Count() - 1;
}

void TAnsiStringList::Delete(int I)
{
    if (I >= 0 && I < Count())
        FStrings.removeAt(I);
}

void TAnsiStringList::Clear()
{
    FStrings.clear();
}

QByteArray TAnsiStringList::Get(int I) const
{
    return I >= 0 && I < Count() ? FStrings.at(I) : QByteArray();
}

void TAnsiStringList::Put(int I, const QByteArray& S)
{
    if (I >= 0 && I < Count())
        FStrings[I] = S;
}

QByteArray TAnsiStringList::GetText() const
{
    qsizetype total = 0;
    for (const QByteArray& s : FStrings)
        total += s.size();
    QByteArray text;
    text.reserve(total);
    for (const QByteArray& s : FStrings)
        text.append(s);
    return text;
}
