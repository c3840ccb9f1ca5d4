#pragma once

#include <QMenu>
#include <QPointer>
#include <QTextBrowser>

// Whether the view drops this key unhandled: every Ctrl combination but the
// clipboard and select-all ones, the function keys, and the history keys of a
// browser, so that the view can neither find, print, open nor go back.
bool IEViewerKeySwallowed(int key, Qt::KeyboardModifiers modifiers);

// The view inside TIEViewer: shows one document, never navigates, loads
// nothing from outside and hands every followed link to the desktop.
class TIEViewerCore : public QTextBrowser {
    Q_OBJECT

public:
    explicit TIEViewerCore(QWidget* parent = nullptr);

    // Pops up on a right click; with none, the view shows no menu at all.
    QMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(QMenu* Value) { FPopupMenu = Value; }

    // Only what the document already holds (its own resources and data:
    // addresses); nothing is read from disk or the network.
    QVariant loadResource(int type, const QUrl& name) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void doSetSource(const QUrl& name, QTextDocument::ResourceType type) override;

private:
    // Guarded, so that a menu deleted by its owner leaves nothing dangling.
    QPointer<QMenu> FPopupMenu;
};
