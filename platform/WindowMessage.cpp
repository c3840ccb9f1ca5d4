#include "WindowMessage.h"

#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QVariant>

namespace WindowMessage {
namespace {

// Windows hand out even numbers well above zero; so do we, which keeps a stray
// small number (a socket number, a position) from naming a window by chance.
constexpr HWND kFirstHandle = 0x10010;
constexpr HWND kHandleStep = 2;
const char* const kHandleProperty = "pvWindowHandle";

struct Handles {
    QHash<HWND, QPointer<QObject>> windows;
    HWND next = kFirstHandle;
};

Handles& Table()
{
    static Handles table;
    return table;
}

} // namespace

Event::Event(unsigned uMsg, WPARAM wParamValue, LPARAM lParamValue)
    : QEvent(EventType()), Msg(uMsg), wParam(wParamValue), lParam(lParamValue)
{
}

QEvent::Type Event::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

HWND HandleOf(QObject* window)
{
    if (window == nullptr)
        return 0;
    const QVariant known = window->property(kHandleProperty);
    if (known.isValid())
        return known.value<HWND>();
    Handles& table = Table();
    const HWND handle = table.next;
    table.next += kHandleStep;
    table.windows.insert(handle, window);
    window->setProperty(kHandleProperty, QVariant::fromValue(handle));
    QObject::connect(window, &QObject::destroyed, [handle] { Table().windows.remove(handle); });
    return handle;
}

QObject* WindowOf(HWND hWindow)
{
    const auto found = Table().windows.constFind(hWindow);
    return found == Table().windows.constEnd() ? nullptr : found->data();
}

void Forget(HWND hWindow)
{
    Table().windows.remove(hWindow);
}

qintptr Send(HWND hWindow, unsigned uMsg, WPARAM wParam, LPARAM lParam)
{
    QObject* window = WindowOf(hWindow);
    if (window == nullptr)
        return 0;
    Event event(uMsg, wParam, lParam);
    QCoreApplication::sendEvent(window, &event);
    return event.Result;
}

} // namespace WindowMessage
