#include "WindowManager.h"

#include "XConnection.h"

#include <QEvent>
#include <QWidget>
#include <cstdint>
#include <cstdlib>

namespace {

// Motif's window manager hints: which parts of the record count, and the bits of them.
constexpr uint32_t kMotifFunctions = 0x1, kMotifDecorations = 0x2;
constexpr uint32_t kFunctionMove = 0x4, kFunctionMinimise = 0x8, kFunctionMaximise = 0x10,
                   kFunctionClose = 0x20;
constexpr uint32_t kDecorationBorder = 0x2, kDecorationTitle = 0x8, kDecorationMenu = 0x10,
                   kDecorationMinimise = 0x20, kDecorationMaximise = 0x40;

// Qt writes the window's Motif hints from its flags, and there always offers
// resizing and resize handles. A window of fixed border says it has neither, and
// offers only the buttons of its flags. Written as the window is about to show,
// so hints Qt wrote again at a change of the flags never reach the window manager.
class TFixedBorderHints : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show)
            if (auto* window = qobject_cast<QWidget*>(watched); window != nullptr && window->isWindow())
                Write(window);
        return false;
    }

private:
    static void Write(QWidget* window)
    {
        xcb_connection_t* connection = XConnection();
        if (connection == nullptr)
            return;
        const Qt::WindowFlags flags = window->windowFlags();
        uint32_t uFunctions = kFunctionMove;
        uint32_t uDecorations = kDecorationBorder | kDecorationTitle;
        if (flags & Qt::WindowSystemMenuHint)
            uDecorations |= kDecorationMenu;
        if (flags & Qt::WindowMinimizeButtonHint) {
            uFunctions |= kFunctionMinimise;
            uDecorations |= kDecorationMinimise;
        }
        if (flags & Qt::WindowMaximizeButtonHint) {
            uFunctions |= kFunctionMaximise;
            uDecorations |= kDecorationMaximise;
        }
        if (flags & Qt::WindowCloseButtonHint)
            uFunctions |= kFunctionClose;
        const uint32_t hints[5] = {kMotifFunctions | kMotifDecorations, uFunctions, uDecorations, 0, 0};
        static constexpr char kName[] = "_MOTIF_WM_HINTS";
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 0, sizeof(kName) - 1, kName), nullptr);
        if (reply == nullptr)
            return;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, xcb_window_t(window->winId()), reply->atom,
                            reply->atom, 32, 5, hints);
        free(reply);
        xcb_flush(connection);
    }
};

} // namespace

namespace WindowManager {

void BringToFront(QWidget* window)
{
    if (window == nullptr)
        return;
    window->raise();
    window->activateWindow();
}

void KeepOnlyClose(QWidget* window)
{
    if (window == nullptr)
        return;
    // Changing the flags of a shown window hides it; show it again where it was.
    const bool wasVisible = window->isVisible();
    window->setWindowFlags(
        (window->windowFlags() &
         ~(Qt::WindowMinMaxButtonsHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)) |
        Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    window->setFixedSize(window->size());
    static const QString sHints = QStringLiteral("FixedBorderHints");
    if (window->findChild<QObject*>(sHints, Qt::FindDirectChildrenOnly) == nullptr) {
        auto* hints = new TFixedBorderHints(window);
        hints->setObjectName(sHints);
        window->installEventFilter(hints);
    }
    if (wasVisible)
        window->show();
}

} // namespace WindowManager
