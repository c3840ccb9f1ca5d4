#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <optional>

// The settings file: an INI file in the ANSI code page that reads and writes the
// way the Windows profile-string functions do, so a file carried over from a
// Windows copy reads unchanged and a file written here reads there.
//
// - Section and key names compare without case; the first match wins.
// - A missing file, section or key gives the default; only a write creates the file.
// - Every write re-reads the file, changes it in place (unknown lines are kept
//   byte for byte) and saves it atomically with CR LF line ends.
// - A write that fails ends the writing pass: every later write through the same
//   object fails too without touching the file, as a writer that stops at the
//   first failed key would.
class IniFile {
public:
    // The profile functions read into a buffer of 2048 characters.
    static constexpr qsizetype MaxValueLength = 2047;

    explicit IniFile(QString sFileName);

    const QString& FileName() const { return FFileName; }

    QString ReadString(const QString& sSection, const QString& sIdent, const QString& sDefault) const;
    int ReadInteger(const QString& sSection, const QString& sIdent, int iDefault) const;
    bool ReadBool(const QString& sSection, const QString& sIdent, bool bDefault) const;
    bool ValueExists(const QString& sSection, const QString& sIdent) const;

    bool WriteString(const QString& sSection, const QString& sIdent, const QString& sValue);
    bool WriteInteger(const QString& sSection, const QString& sIdent, int iValue);
    bool WriteBool(const QString& sSection, const QString& sIdent, bool bValue);
    bool DeleteKey(const QString& sSection, const QString& sIdent);

    // True once a write of this object has failed.
    bool Failed() const { return FFailed; }

    // The standard integer conversion: leading blanks, a sign, then decimal digits or
    // hexadecimal digits after "$", "x" or "0x"; nothing may follow. Hexadecimal
    // takes all 32 bits ("$FFFFFFFF" is -1); decimal must fit in 32 bits.
    static std::optional<int> StringToInteger(QStringView sText);

private:
    // The lines as they stand in the file, without their line ends.
    QList<QByteArray> Load(bool* pbExists) const;
    bool Save(const QList<QByteArray>& lines);
    bool WritableOrFail();

    QString FFileName;
    bool FFailed = false;
};
