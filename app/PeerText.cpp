#include "PeerText.h"

#include "AnsiCodePage.h"

#include <QLabel>
#include <QWidget>

namespace {

// A header shows about thirteen double-byte characters of a name after the window's
// own title at the receive and away windows' design width: cut there, its "…" is seen
// rather than the name clipped at the window's edge (the narrower send window shows
// a few characters less until it is widened).
constexpr int kHeaderNameMaxBytes = 26;

} // namespace

void LabelsPlainText(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

QString MenuItemText(const QString& sText)
{
    return QString(sText).replace(u'&', QStringLiteral("&&"));
}

QString PeerTextCut(const QString& sText, int iMaxBytes)
{
    if (AnsiCodePage::ByteLength(sText) <= iMaxBytes)
        return sText;
    static const QString kEllipsis = QStringLiteral("…");
    return AnsiCodePage::LeftBytes(sText, iMaxBytes - AnsiCodePage::ByteLength(kEllipsis)).toString() +
           kEllipsis;
}

QString PeerTextInLine(const QString& sText)
{
    return PeerTextCut(sText, PeerTextLineMaxBytes);
}

QString PeerHeaderText(const QString& sTitle, const QString& sLead, const QString& sName)
{
    return sTitle + QStringLiteral(" (") + sLead + u':' + PeerTextCut(sName, kHeaderNameMaxBytes) + u')';
}
