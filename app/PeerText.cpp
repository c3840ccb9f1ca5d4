#include "PeerText.h"

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
