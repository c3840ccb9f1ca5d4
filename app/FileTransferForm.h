#pragma once

#include "CommonForm.h"
#include "FileTransferEngine.h"

#include <QElapsedTimer>
#include <QTimer>

class QProgressBar;

// What the file send and file receive windows share: the progress bar in the
// middle panel of the status bar, the status text of the first panel, and a
// progress display that repaints at most a few dozen times a second however
// often the transfer reports.
class TFileTransferForm : public TCommonForm {
    Q_OBJECT

public:
    TFileTransferForm(TWindowKind kind, const QSize& designSize, const QString& sInitialStatus,
                      const TWindowServicesRef& services);

    QString StatusText() const;
    int ProgressShown() const;
    // The engine's number of this window's transfer or offer; 0 while none runs.
    int SocketNo() const { return PrSocketNo; }

    // The window's peer, its handle name (when the engine knows it) added to the
    // header's title after sLead, as " (送信先:NAME)".
    void PeerSet(const TPeer& peer, const QString& sLead);

    QString PrMachine;
    QString PrMachineDiscrimination;

    QProgressBar* pbProgress = nullptr;

protected:
    // The engine through the services the window was made with, or a test's.
    TFileTransferEngine& Engine() { return FileTransferEngine(PrEngine); }
    void StatusTextSet(const QString& sText);
    // The status "<sStatusLead>N% 完了" and the caption "N% <sCaptionTail>", now
    // or, when the last showing was very recent, a moment later.
    void ProgressSet(LPARAM lPercent, const QString& sStatusLead, const QString& sCaptionTail);
    // Shows a percentage that is still waiting, before an end or an error is shown.
    void ProgressFlush();
    // A minimised window comes back to normal and to the front, for an end or an error.
    void Foreground();
    // Asked on closing while a transfer runs: true when the user keeps it, and it still runs.
    bool TransferKept(const QString& sQuestion);
    // The last word of a transfer: to the front with the status and a box of the
    // text, when there is one; the window closes once its box is answered (at once
    // without a text). The word comes inside an engine event, so the box waits for
    // no answer there: each window has a box of its own, never stacked on another.
    void LastWordShow(const QString& sStatus, const QString& sText, int iIcon);

    int PrSocketNo = 0;

private:
    void ProgressLayout();

    TFileTransferEngine PrEngine;
    void ProgressApply();

    QElapsedTimer PrShownAt;
    QTimer PrProgressTimer;
    LPARAM PrPendingPercent = -1;
    LPARAM PrShownPercent = -1;
    QString PrStatusLead;
    QString PrCaptionTail;
    // This window's kind of last word, so that its box is its own.
    QString PrLastWordKind;
};
