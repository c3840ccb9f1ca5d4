#include "EditEx.h"

#include <QEvent>

TEditEx::TEditEx(QWidget* parent) : QLineEdit(parent) {}

void TEditEx::SetAlign(TAlign align)
{
    FAlign = align;
    Realign();
}

bool TEditEx::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange)
        Realign();
    return QLineEdit::event(event);
}

bool TEditEx::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FWatched && event->type() == QEvent::Resize)
        Realign();
    return QLineEdit::eventFilter(watched, event);
}

void TEditEx::Realign()
{
    QWidget* parent = parentWidget();
    if (FWatched != parent) {
        if (FWatched != nullptr)
            FWatched->removeEventFilter(this);
        FWatched = parent;
        if (FWatched != nullptr)
            FWatched->installEventFilter(this);
    }
    if (parent == nullptr || FAlign == TAlign::alNone)
        return;
    const QRect area = parent->contentsRect();
    const QRect own = geometry();
    switch (FAlign) {
    case TAlign::alTop:
        setGeometry(area.left(), area.top(), area.width(), own.height());
        break;
    case TAlign::alBottom:
        setGeometry(area.left(), area.bottom() + 1 - own.height(), area.width(), own.height());
        break;
    case TAlign::alLeft:
        setGeometry(area.left(), area.top(), own.width(), area.height());
        break;
    case TAlign::alRight:
        setGeometry(area.right() + 1 - own.width(), area.top(), own.width(), area.height());
        break;
    case TAlign::alClient:
        setGeometry(area);
        break;
    case TAlign::alNone:
        break;
    }
}
