#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <functional>
#include <memory>
#include <optional>

class IniFileImage;
class IniFileWritingPass;

// The settings file: an INI file in the ANSI code page that reads and writes the
// way the Windows profile-string functions do, so a file carried over from a
// Windows copy reads unchanged and a file written here reads there.
//
// - Section and key names compare without case; the first match wins.
// - A missing file, section or key gives the default; only a write creates the file.
// - A write changes the file in place (unknown lines are kept byte for byte) and
//   saves it atomically with CR LF line ends: at once, or at the end of the
//   writing pass (IniFileWritingPass) that is open on the file.
// - A write happens only to a file that was read whole or is known not to be
//   there: a file that is there but cannot be read fails the write and stays as
//   it was, since saving what little was read would throw the rest away.
// - A write that fails is the object's last: every later write through the same
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

    // What reading a file whole gave.
    struct Content {
        enum Result { Whole, Missing, Unreadable } result = Missing;
        QByteArray bytes;
    };
    using ContentReader = std::function<Content(const QString& sFileName)>;
    // Reads the file with the system's calls: Missing only when it is not there.
    static Content ReadContent(const QString& sFileName);
    // Replaces the reading for tests, which cannot make a file unreadable to root;
    // an empty function restores ReadContent. Gives back the reader it replaced.
    static ContentReader SetContentReader(ContentReader reader);

private:
    // The image a write or read works on: the open pass's, or *pOwn loaded now.
    IniFileImage& Image(std::unique_ptr<IniFileImage>* pOwn) const;
    bool Write(const std::function<void(IniFileImage&)>& change);

    QString FFileName;
    bool FFailed = false;
};

// One writing pass over a file: from its start to its end, every IniFile of the
// thread that names the same file reads and writes one copy of it held in
// memory, and the end saves that copy once, atomically, when anything changed.
// A pass costs one read and one save however many keys it writes.
//
// A failure is reported once: a write that fails (the file could not be read
// whole, or must not be written) fails at once and its caller reports it as
// before; a save that fails at the end is reported through reportFailure, and
// the file is left as it was. A pass begun inside another on the same file
// joins it: its own end saves nothing, and the outer pass saves and reports.
//
//   const IniFileWritingPass pass(SettingsFileName(), SettingsSaveErrorShow);
class IniFileWritingPass {
public:
    explicit IniFileWritingPass(const QString& sFileName, std::function<void()> reportFailure = {});
    // Ends the pass as Commit() does, unless it has already ended.
    ~IniFileWritingPass();
    IniFileWritingPass(const IniFileWritingPass&) = delete;
    IniFileWritingPass& operator=(const IniFileWritingPass&) = delete;

    // Ends the pass now: saves the copy when it changed, reporting a failed save.
    // False when a write of the pass failed or the save did. Later writes of the
    // file are saved one by one again.
    bool Commit();

private:
    friend class IniFile;
    // The pass open on the file in this thread, or nullptr.
    static IniFileWritingPass* Open(const QString& sFileName);

    QString FKey;
    std::function<void()> FReportFailure;
    std::unique_ptr<IniFileImage> FImage;
    bool FJoined = false;
    bool FEnded = false;
    bool FResult = true;
};
