// hotkeyprobe: runs on a real X server (the platform test starts one) to try the global hot keys.
//   hotkeyprobe press   grab Ctrl+Alt+M, press it with xdotool, print "pressed ID"
//   hotkeyprobe taken   grab Ctrl+Alt+M from a second connection first; print
//                       "refused" when the registration then fails
// The exit code is 0 when the expected thing happened.
#include "GlobalHotKey.h"

#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

constexpr int HotKeyId = 0x8064;
constexpr unsigned VirtualKeyM = 'M';

bool GrabElsewhere(xcb_connection_t* other)
{
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, 'm');
    xcb_key_symbols_free(symbols);
    if (!keycodes || *keycodes == XCB_NO_SYMBOL)
        return false;
    xcb_generic_error_t* error =
        xcb_request_check(other, xcb_grab_key_checked(other, 1, root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1,
                                                      keycodes[0], XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    std::free(keycodes);
    std::free(error);
    return error == nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    const QString sMode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    GlobalHotKey hotKeys;

    if (sMode == u"taken") {
        xcb_connection_t* other = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(other) || !GrabElsewhere(other)) {
            std::puts("no second connection");
            return 2;
        }
        const bool bRegistered =
            hotKeys.Register(HotKeyId, GlobalHotKey::ModControl | GlobalHotKey::ModAlt, VirtualKeyM);
        std::puts(bRegistered ? "registered" : "refused");
        xcb_disconnect(other);
        return bRegistered ? 1 : 0;
    }

    if (!hotKeys.Register(HotKeyId, GlobalHotKey::ModControl | GlobalHotKey::ModAlt, VirtualKeyM)) {
        std::puts("not registered");
        return 1;
    }
    int iPressed = 0;
    hotKeys.OnHotKey = [&](int iId) {
        iPressed = iId;
        app.quit();
    };
    QProcess xdotool;
    QTimer::singleShot(200, [&] {
        xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+m")});
    });
    // A bound for a press that never comes, generous for a loaded machine; a press ends it at once.
    QTimer::singleShot(60000, &app, &QApplication::quit);
    app.exec();
    xdotool.waitForFinished(3000);
    if (iPressed == 0) {
        std::puts("not pressed");
        return 1;
    }
    std::printf("pressed %d\n", iPressed);
    return 0;
}
