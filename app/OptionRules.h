#pragma once

#include "Settings.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// The rules of the options window and its input dialogs, without widgets: the
// checks of the apply, the checks of the three dialogs, and the move of the
// settings and log files between the shared and the per-user mode.

// ---- The apply's checks

enum class TOptionPage { Profile, Absence, Event, Sound, Customize, Network, Password };

struct TOptionEntries {
    QString sHandleName;
    const TAbsenceMessage* pAbsence = nullptr; // the window's working copy
    bool bNetworkPort = false;
    QString sPortNo;
    QString sFTPPortNo;
};

// The first check that fails: the page to show, the control to select, the away
// kind to show (-1 for none) and the warning.
struct TOptionRefusal {
    TOptionPage Page = TOptionPage::Profile;
    QString sControl;
    int iAbsenceIndex = -1;
    QString sText;
    bool operator==(const TOptionRefusal&) const = default;
};

std::optional<TOptionRefusal> OptionApplyCheck(const TOptionEntries& entries);

// A port edit's number; iFallback when the text is not one.
int OptionPortValue(const QString& sText, int iFallback);

// ---- The input dialogs: nullopt accepts, else the warning

// A new away kind: not empty, not a listed title (exact), none of the sequences.
std::optional<QString> AbsenceAddCheck(const QString& sTitle, const QStringList& slTitles);
// A new name of kind iSelected: as above, but its own name is not counted.
std::optional<QString> AbsenceNameCheck(const QString& sTitle, const QStringList& slTitles, int iSelected);

// What the address dialog makes of its text.
struct TNetworkAddCheck {
    enum TResult {
        Accept, // sAddress is to be added
        Refuse, // sText is the warning; the text is selected
        Ask     // the name does not resolve: sText is the question, Yes adds sAddress
    } Result = Refuse;
    QString sAddress;
    QString sText;
};
// slList: the addresses listed; resolve: the name's address, empty when it has none.
TNetworkAddCheck NetworkAddCheck(const QString& sText, const QStringList& slList,
                                 const std::function<QString(const QString&)>& resolve);
// Blanks and control characters at both ends removed.
QString AddressTrim(const QString& sText);

// ---- The move between the shared and the per-user files

// To replace the target by the source: copy the source over it, or, without a
// source, delete the target (an empty folder of that name too).
bool FileReplace(const QString& sSource, const QString& sTarget);
// The replace could not fail for want of rights: the target (or its folder) can be written.
bool FileReplaceable(const QString& sSource, const QString& sTarget);

struct TFilePair {
    QString sSource;
    QString sTarget;
};
enum class TFilesMove { Done, SettingsFailed, LogFailed };
// Both targets are checked before anything is copied, so a move that cannot be
// finished leaves every file as it was.
TFilesMove MultiUserFilesMove(const TFilePair& settings, const TFilePair& log);

// The messages of a failed move, switching on or off.
QString MultiUserMoveErrorText(TFilesMove result, bool bSwitchOn);

// Switches to multi-user mode (bMultiUser, the user named after sLoginName) or back
// to the shared files: the settings and log files go from the old place to the new,
// and WindowsUserName and FileBaseName point there. Nothing when the mode is already
// that one. nullopt when done; else the warning, with the mode and files unchanged.
std::optional<QString> MultiUserSwitch(bool bMultiUser, const QString& sLoginName);
