#include "IEViewerCore.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QKeyEvent>

bool IEViewerKeySwallowed(int key, Qt::KeyboardModifiers modifiers)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return true;
    if (modifiers & Qt::ControlModifier)
        return key != Qt::Key_V && key != Qt::Key_C && key != Qt::Key_X && key != Qt::Key_A;
    // A text browser walks its history on these.
    if (key == Qt::Key_Backspace || key == Qt::Key_Back || key == Qt::Key_Forward)
        return true;
    if (modifiers & Qt::AltModifier)
        return key == Qt::Key_Left || key == Qt::Key_Right || key == Qt::Key_Up;
    return false;
}

TIEViewerCore::TIEViewerCore(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setAcceptDrops(false);
    setFrameShape(QFrame::NoFrame);
    connect(this, &QTextBrowser::anchorClicked, this, &QDesktopServices::openUrl);
}

QVariant TIEViewerCore::loadResource(int type, const QUrl& name)
{
    Q_UNUSED(type);
    // A null answer lets the document decode a data: address itself; for
    // anything else it would then read a local file on its own, so it gets an
    // empty answer, which draws as a missing picture.
    if (name.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0)
        return QVariant();
    return QVariant(QByteArray());
}

void TIEViewerCore::keyPressEvent(QKeyEvent* event)
{
    if (IEViewerKeySwallowed(event->key(), event->modifiers())) {
        event->accept();
        return;
    }
    QTextBrowser::keyPressEvent(event);
}

void TIEViewerCore::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
    if (FPopupMenu)
        FPopupMenu->popup(event->globalPos());
}

void TIEViewerCore::doSetSource(const QUrl& name, QTextDocument::ResourceType type)
{
    // The content comes only from the viewer; no path may load a page in its place.
    Q_UNUSED(name);
    Q_UNUSED(type);
}
