#pragma once

// The rules of the file send and file receive windows, kept apart from the
// windows so that tests can call them without showing one, and the seam through
// which both windows reach the engine.

#include "ParvaneNetwork.h"

#include <QString>

// ---- What the file windows ask of the engine

// The program's version asks MainForm->PVN and the main user list; tests install
// a fake with SetFileTransferEngine.
class TFileTransferEngine {
public:
    virtual ~TFileTransferEngine() = default;
    virtual bool LoginStates() const;
    // The engine's table holds the peer and it is away; false when it is not there.
    virtual bool PeerAbsent(const QString& sMachine, const QString& sDiscrimination) const;
    // The new transfer's number, 0 when none could be started.
    virtual int FileSend(const QString& sFileName, const QString& sComment, const QString& sMachine,
                         const QString& sDiscrimination);
    virtual bool FileSendCancel(int iSocketNo);
    // Also the refusal of an offer that waits for its answer.
    virtual bool FileRecvCancel(int iSocketNo);
    // Accepts a waiting offer: the file is made at sPath; with bReplace what is there is removed.
    virtual TParvaneNetwork::TFileRecvAcceptResult FileRecvAccept(int iSocketNo, const QString& sPath,
                                                                  bool bReplace);
    // The caption of the peer's row in the main user list; empty when the list does not show it.
    virtual QString UserHandle(const QString& sMachine, const QString& sDiscrimination) const;
};
TFileTransferEngine& FileTransferEngine();
// nullptr puts the program's version back.
void SetFileTransferEngine(TFileTransferEngine* engine);

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
