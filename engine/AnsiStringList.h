#pragma once

#include <QByteArray>
#include <QList>

// A growable list of byte strings: the fragments of one reassembly slot.
class TAnsiStringList {
public:
    TAnsiStringList() = default;
    ~TAnsiStringList() { Clear(); }

    int Add(const QByteArray& S);
    void Delete(int I);
    void Clear();
    int Count() const { return static_cast<int>(FStrings.size()); }
    QByteArray Get(int I) const;
    void Put(int I, const QByteArray& S);
    // Every item, concatenated without separators.
    QByteArray GetText() const;

private:
    QList<QByteArray> FStrings;
};
