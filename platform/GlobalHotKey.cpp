#include "GlobalHotKey.h"

#include "XConnection.h"

#include <QGuiApplication>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

// The Num Lock and Caps Lock states must not stop a shortcut; both are grabbed too.
constexpr unsigned short NumLockMask = XCB_MOD_MASK_2;
constexpr unsigned short IgnoredMasks[] = {0, XCB_MOD_MASK_LOCK, NumLockMask,
                                           XCB_MOD_MASK_LOCK | NumLockMask};

xcb_window_t RootWindow(xcb_connection_t* connection)
{
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    return screen ? screen->root : 0;
}

} // namespace

GlobalHotKey::GlobalHotKey(QObject* parent) : QObject(parent)
{
    if (qApp)
        qApp->installNativeEventFilter(this);
}

GlobalHotKey::~GlobalHotKey()
{
    UnregisterAll();
    if (qApp)
        qApp->removeNativeEventFilter(this);
}

unsigned GlobalHotKey::KeySymOfVirtualKey(unsigned iVirtualKey)
{
    if ((iVirtualKey >= '0' && iVirtualKey <= '9'))
        return iVirtualKey; // XK_0..XK_9
    if (iVirtualKey >= 'A' && iVirtualKey <= 'Z')
        return iVirtualKey + ('a' - 'A'); // XK_a..XK_z
    if (iVirtualKey >= 0x70 && iVirtualKey <= 0x87)
        return 0xffbe + (iVirtualKey - 0x70); // F1..F24
    if (iVirtualKey >= 0x60 && iVirtualKey <= 0x69)
        return 0xffb0 + (iVirtualKey - 0x60); // the keypad digits
    switch (iVirtualKey) {
    case 0x08:
        return 0xff08; // back space
    case 0x09:
        return 0xff09; // tab
    case 0x0d:
        return 0xff0d; // return
    case 0x13:
        return 0xff13; // pause
    case 0x1b:
        return 0xff1b; // escape
    case 0x20:
        return 0x0020; // space
    case 0x21:
        return 0xff55; // page up
    case 0x22:
        return 0xff56; // page down
    case 0x23:
        return 0xff57; // end
    case 0x24:
        return 0xff50; // home
    case 0x25:
        return 0xff51; // left
    case 0x26:
        return 0xff52; // up
    case 0x27:
        return 0xff53; // right
    case 0x28:
        return 0xff54; // down
    case 0x2d:
        return 0xff63; // insert
    case 0x2e:
        return 0xffff; // delete
    case 0x6a:
        return 0xffaa; // keypad *
    case 0x6b:
        return 0xffab; // keypad +
    case 0x6d:
        return 0xffad; // keypad -
    case 0x6e:
        return 0xffae; // keypad .
    case 0x6f:
        return 0xffaf; // keypad /
    case 0xba:
        return 0x003b; // ;
    case 0xbb:
        return 0x003d; // =
    case 0xbc:
        return 0x002c; // ,
    case 0xbd:
        return 0x002d; // -
    case 0xbe:
        return 0x002e; // .
    case 0xbf:
        return 0x002f; // /
    case 0xc0:
        return 0x0060; // `
    case 0xdb:
        return 0x005b; // [
    case 0xdc:
        return 0x005c; // backslash
    case 0xdd:
        return 0x005d; // ]
    case 0xde:
        return 0x0027; // '
    default:
        return 0;
    }
}

bool GlobalHotKey::Register(int iId, unsigned iModifiers, unsigned iVirtualKey)
{
    Unregister(iId);
    xcb_connection_t* connection = XConnection();
    const unsigned iKeySym = KeySymOfVirtualKey(iVirtualKey);
    if (!connection || iKeySym == 0)
        return false;
    const xcb_window_t root = RootWindow(connection);
    if (!root)
        return false;

    Grab grab;
    if (iModifiers & ModAlt)
        grab.iMask |= XCB_MOD_MASK_1;
    if (iModifiers & ModControl)
        grab.iMask |= XCB_MOD_MASK_CONTROL;
    if (iModifiers & ModShift)
        grab.iMask |= XCB_MOD_MASK_SHIFT;

    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
    if (!symbols)
        return false;
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, iKeySym);
    xcb_key_symbols_free(symbols);
    if (!keycodes)
        return false;
    for (xcb_keycode_t* k = keycodes; *k != XCB_NO_SYMBOL; ++k)
        grab.keycodes.push_back(*k);
    std::free(keycodes);
    if (grab.keycodes.empty())
        return false;

    bool bTaken = false;
    std::vector<xcb_void_cookie_t> cookies;
    for (unsigned char keycode : grab.keycodes)
        for (unsigned short ignored : IgnoredMasks)
            cookies.push_back(xcb_grab_key_checked(connection, 1, root, grab.iMask | ignored, keycode,
                                                   XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    // A combination another client holds answers with an access error.
    for (const xcb_void_cookie_t& cookie : cookies)
        if (xcb_generic_error_t* error = xcb_request_check(connection, cookie)) {
            bTaken = true;
            std::free(error);
        }
    if (bTaken) {
        Ungrab(grab);
        return false;
    }
    FGrabs[iId] = grab;
    return true;
}

void GlobalHotKey::Ungrab(const Grab& grab)
{
    xcb_connection_t* connection = XConnection();
    if (!connection)
        return;
    const xcb_window_t root = RootWindow(connection);
    for (unsigned char keycode : grab.keycodes)
        for (unsigned short ignored : IgnoredMasks)
            xcb_ungrab_key(connection, keycode, root, grab.iMask | ignored);
    xcb_flush(connection);
}

void GlobalHotKey::Unregister(int iId)
{
    const auto it = FGrabs.find(iId);
    if (it == FGrabs.end())
        return;
    const Grab grab = it->second;
    FGrabs.erase(it);
    // Two ids may share a combination only when one grab failed; never ungrab another id's keys.
    for (const auto& [id, other] : FGrabs)
        if (other.iMask == grab.iMask && other.keycodes == grab.keycodes)
            return;
    Ungrab(grab);
}

void GlobalHotKey::UnregisterAll()
{
    while (!FGrabs.empty())
        Unregister(FGrabs.begin()->first);
}

bool GlobalHotKey::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result)
{
    Q_UNUSED(result);
    if (eventType != "xcb_generic_event_t" || FGrabs.empty())
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_KEY_PRESS)
        return false;
    const auto* press = static_cast<const xcb_key_press_event_t*>(message);
    const unsigned short iState = press->state & (XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1);
    for (const auto& [id, grab] : FGrabs) {
        if (grab.iMask != iState)
            continue;
        for (unsigned char keycode : grab.keycodes)
            if (keycode == press->detail) {
                if (OnHotKey)
                    OnHotKey(id);
                return true;
            }
    }
    return false;
}
