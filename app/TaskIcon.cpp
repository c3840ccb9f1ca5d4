#include "TaskIcon.h"

#include "ProjectImages.h"

#include <QSystemTrayIcon>

int TaskStateIcon(bool bLoginStates, bool bAbsence)
{
    return bLoginStates && !bAbsence ? TaskIconOnline : TaskIconOffline;
}

int TaskAnimationTick(int iKind, int& iTag, bool bLoginStates, bool bAbsence)
{
    // Taken at every tick, so going away or offline turns the animation grey at once.
    const int iBase = bLoginStates && !bAbsence ? 0 : 16;
    switch (iKind) {
    case 1:
        if (++iTag >= 10)
            iTag = 0;
        return iTag <= 4 ? iBase + 1 : 0;
    case 2:
        if (++iTag > 16)
            iTag = 1;
        return iBase + iTag;
    default:
        return iBase + 1;
    }
}

void TaskIconSet(bool Show, const QString& Tip, int IconIndex)
{
    if (!Show) {
        if (TaskIcon)
            TaskIcon->hide();
        TaskIconData.bAdded = false;
        return;
    }
    TaskIconData.sTip = Tip.left(TaskIconTipLength);
    TaskIconData.iIconIndex = IconIndex;
    TaskIconData.bAdded = true;
    if (!TaskIcon)
        return;
    TaskIcon->setIcon(ProjectImages::TaskIconImage(IconIndex));
    TaskIcon->setToolTip(TaskIconData.sTip);
    if (!TaskIcon->isVisible())
        TaskIcon->show();
}
