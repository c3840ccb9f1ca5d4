#include "PeerText.h"

#include "AnsiCodePage.h"

#include <QLabel>
#include <QWidget>

void LabelsPlainText(QWidget* window)
{
    for (QLabel* label : window->findChildren<QLabel*>())
        label->setTextFormat(Qt::PlainText);
}

QString MenuItemText(const QString& sText)
{
    return QString(sText).replace(u'&', QStringLiteral("&&"));
}

QString PeerTextInLine(const QString& sText)
{
    if (AnsiCodePage::ByteLength(sText) <= PeerTextLineMaxBytes)
        return sText;
    static const QString kEllipsis = QStringLiteral("…");
    return AnsiCodePage::LeftBytes(sText, PeerTextLineMaxBytes - AnsiCodePage::ByteLength(kEllipsis))
               .toString() +
           kEllipsis;
}
