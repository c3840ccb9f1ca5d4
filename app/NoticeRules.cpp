#include "NoticeRules.h"

#include <algorithm>

namespace {

bool KeptOpenWhileAway(const TNoticeSettings& settings)
{
    return settings.bAutoClose && settings.bAutoCloseAbsenceCancel;
}

} // namespace

bool NoticeSuppressed(const TNoticeSettings& settings, bool bAbsence)
{
    return settings.bAbsenceHide && bAbsence && !KeptOpenWhileAway(settings);
}

bool NoticeMessageAutoClose(const TNoticeSettings& settings, bool bAbsence)
{
    if (KeptOpenWhileAway(settings) && bAbsence)
        return false;
    return settings.bAutoClose;
}

void TNoticeFade::AddLine(qsizetype iCharacters)
{
    const qint64 iWait = qint64(FWaitCount) + qint64(PerCharacterMs) * iCharacters;
    FWaitCount = int(std::min<qint64>(iWait, MaxWaitMs));
    // Back from where it stands; the wait keeps its start.
    if (FPhase == TNoticeFadeAnimation::faOut)
        FPhase = TNoticeFadeAnimation::faIn;
}

bool TNoticeFade::Tick(quint32 iNowMs, bool bAutoClose)
{
    switch (FPhase) {
    case TNoticeFadeAnimation::faIn:
        FAlpha += Step;
        if (FAlpha >= MaxAlpha) {
            FAlpha = MaxAlpha;
            FPhase = TNoticeFadeAnimation::faWait;
        }
        return true;
    case TNoticeFadeAnimation::faWait:
        if (!bAutoClose)
            return true;
        if (!FWaitStarted) {
            FWaitStarted = true;
            FWaitStart = iNowMs;
        }
        if (Elapsed(iNowMs) >= FWaitCount)
            FPhase = TNoticeFadeAnimation::faOut;
        return true;
    case TNoticeFadeAnimation::faOut:
        FAlpha -= Step;
        if (FAlpha <= 0) {
            FAlpha = 0;
            return false;
        }
        return true;
    }
    return true;
}

int TNoticeFade::Elapsed(quint32 iNowMs) const
{
    if (!FWaitStarted)
        return 0;
    // A signed difference, so the clock's wrap after 49 days does not matter.
    const qint64 iDifference = std::abs(qint64(qint32(iNowMs - FWaitStart)));
    return int(std::min<qint64>(iDifference, FWaitCount));
}

int NoticeHeight(int iLines)
{
    return iLines * NoticeLineHeight + NoticeChromeHeight;
}

int NoticeLinesThatFit(int iWorkHeight)
{
    return std::max(1, (iWorkHeight - 2 * NoticeMargin - NoticeChromeHeight) / NoticeLineHeight);
}

QRect NoticePlacement(int iPosition, QSize size, const QRect& workArea)
{
    const int W = std::min(size.width(), workArea.width() - 2 * NoticeMargin);
    const int H = std::min(size.height(), workArea.height() - 2 * NoticeMargin);
    const int L = workArea.left();
    const int T = workArea.top();
    const int WW = workArea.width();
    const int WH = workArea.height();
    const int iCentreLeft = L + (WW - W - 15) / 2;
    const int iRight = L + WW - W - NoticeMargin;
    const int iBottom = T + WH - H - NoticeMargin;
    switch (iPosition) {
    case npTopLeft:
        return {L + NoticeMargin, T + NoticeMargin, W, H};
    case npTopCenter:
        return {iCentreLeft, T + NoticeMargin, W, H};
    case npTopRight:
        return {iRight, T + NoticeMargin, W, H};
    case npCenter:
        return {iCentreLeft, T + (WH - H - 15) / 2, W, H};
    case npBottomLeft:
        return {L + NoticeMargin, iBottom, W, H};
    case npBottomCenter:
        return {iCentreLeft, iBottom, W, H};
    default:
        return {iRight, iBottom, W, H};
    }
}
