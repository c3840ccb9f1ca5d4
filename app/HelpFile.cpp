#include "HelpFile.h"

#include "MessageBox.h"
#include "Settings.h"
#include "SubUnit.h"

#include <QDesktopServices>
#include <QDir>

namespace {

const QString kNotOpened = QStringLiteral("ヘルプファイルを開けませんでした。\r\n%1");

} // namespace

QUrl HelpFileUrl(int iTopic)
{
    QUrl url = QUrl::fromLocalFile(ProgramDirectory + HelpFileName);
    if (iTopic > 0)
        url.setFragment(QStringLiteral("topic%1").arg(iTopic));
    return url;
}

bool HelpShow(int iTopic)
{
    if (QDesktopServices::openUrl(HelpFileUrl(iTopic)))
        return true;
    // Where nothing on the desktop opens a page, the command would otherwise do nothing visible.
    MessageBoxShow(kNotOpened.arg(QDir::toNativeSeparators(ProgramDirectory + HelpFileName)),
                   ApplicationTitle, MessageBox::MB_ICONWARNING);
    return false;
}
