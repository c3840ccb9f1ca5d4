#pragma once

// The rules of the file send and file receive windows, kept apart from the
// windows so that tests can call them without showing one. The windows reach the
// engine through TFileTransferEngine (FileTransferEngine.h).

#include "ParvaneNetwork.h"

#include <QString>

// ---- The engine's error codes as the windows read them

inline constexpr int FileSendErrorNoAddress = TParvaneNetwork::FileSendErrorNoAddress;
inline constexpr int FileSendErrorClosed = TParvaneNetwork::FileSendErrorClosed;
inline constexpr int FileSendErrorCancelled = TParvaneNetwork::FileSendErrorCancelled;
inline constexpr int FileSendErrorFile = TParvaneNetwork::FileSendErrorFile;
inline constexpr int FileRecvErrorClosed = TParvaneNetwork::FileRecvErrorClosed;
inline constexpr int FileRecvErrorCancelled = TParvaneNetwork::FileRecvErrorCancelled;
inline constexpr int FileRecvErrorFile = TParvaneNetwork::FileRecvErrorFile;

// ---- Texts

// "1,234,567 Byte", with the locale's group separator; 64-bit.
QString FileSizeText(qint64 iBytes);
// The warning of a send error; empty for the cancel, which closes silently.
QString FileSendErrorText(int iError);
// The warning of a receive error; empty for the cancel and for unknown codes.
QString FileRecvErrorText(int iError);
// The warning of a request the engine refused; the same as that of error 0.
QString FileSendFailedText();

// ---- The file send window's checks

enum class TFileSendFocus { None, File, Comment };
struct TFileSendRefusal {
    QString sText; // empty: nothing refused
    TFileSendFocus Focus = TFileSendFocus::None;
};
// The checks before a request, in their order: logged in, the file exists and
// is a regular file, the comment holds none of the separators of the wire.
TFileSendRefusal FileSendRefusal(bool bLoggedIn, const QString& sFileName, const QString& sComment);
// The question asked before sending to a peer that is away.
QString FileSendAbsenceQuestion();

// ---- The file receive window's rules

// What an offered name is saved under: its last component, without control
// characters. Whatever is left may still be refused by FileRecvFullPathOk.
QString FileRecvSafeName(const QString& sOffered);
// The proposed save path: the folder chosen by iCustomizeFileSave (0 the program
// folder, 1 sLastPath, 2 sSetPath, else none), a "/" when it lacks one, and the
// safe name. Without a folder the name alone is proposed, which is no full path.
QString FileRecvProposedPath(int iCustomizeFileSave, const QString& sProgramDir, const QString& sLastPath,
                             const QString& sSetPath, const QString& sOffered);
// An absolute path that names a file: no "." or ".." part, no "//", no trailing "/".
bool FileRecvFullPathOk(const QString& sPath);
// The folder of a path: everything before its last "/", with that "/".
QString FileRecvFolder(const QString& sPath);
