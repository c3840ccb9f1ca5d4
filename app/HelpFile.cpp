#include "HelpFile.h"

#include "Settings.h"

#include <QDesktopServices>

QUrl HelpFileUrl(int iTopic)
{
    QUrl url = QUrl::fromLocalFile(ProgramDirectory + HelpFileName);
    if (iTopic > 0)
        url.setFragment(QStringLiteral("topic%1").arg(iTopic));
    return url;
}

bool HelpShow(int iTopic)
{
    return QDesktopServices::openUrl(HelpFileUrl(iTopic));
}
