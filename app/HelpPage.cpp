#include "HelpPage.h"

#include "Settings.h"

#include <QDesktopServices>

QUrl HelpTopicUrl(int iHelpContext)
{
    QUrl url = QUrl::fromLocalFile(ProgramDirectory + QStringLiteral("Parvane2.html"));
    url.setFragment(QStringLiteral("topic%1").arg(iHelpContext));
    return url;
}

bool HelpTopicOpen(int iHelpContext)
{
    return QDesktopServices::openUrl(HelpTopicUrl(iHelpContext));
}
