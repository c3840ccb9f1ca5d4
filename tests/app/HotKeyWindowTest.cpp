// The main window's global hot keys on a real X server: held while the program
// runs, let go while the options window is open (so that its hot-key fields can
// take them), and held again with the new values when it closes. A key is seen
// as held when another client of the server cannot grab it.
#include "HotKeyEx.h"
#include "MainFormFixture.h"
#include "OptionUnit.h"
#include "OwnProcess.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <cstdlib>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

namespace {

// Whether Ctrl+Alt+letter is held by some client: a grab of it by another connection fails.
bool HeldElsewhere(char cLetter)
{
    xcb_connection_t* other = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(other)) {
        xcb_disconnect(other);
        ADD_FAILURE() << "no second connection to the X server";
        return false;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other)).data->root;
    xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(other);
    xcb_keycode_t* keycodes = xcb_key_symbols_get_keycode(symbols, xcb_keysym_t(cLetter - 'A' + 'a'));
    xcb_key_symbols_free(symbols);
    bool bHeld = false;
    if (keycodes != nullptr && *keycodes != XCB_NO_SYMBOL) {
        const uint16_t mask = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;
        xcb_generic_error_t* error =
            xcb_request_check(other, xcb_grab_key_checked(other, 1, root, mask, keycodes[0],
                                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        bHeld = error != nullptr;
        std::free(error);
    } else {
        ADD_FAILURE() << "no key code for " << cLetter;
    }
    std::free(keycodes);
    xcb_disconnect(other);
    return bHeld;
}

class HotKeyWindowTest : public MainFormFixture {
protected:
    void CloseWindows() override { OptionFormRelease(); }
};

TEST_F(HotKeyWindowTest, TheOptionsWindowLetsTheKeysGoAndItsCloseTakesTheNewOnes)
{
    if (!TestSupport::InOwnProcess()) {
        EXPECT_TRUE(TestSupport::RunInOwnProcessOnAnXServer());
        return;
    }
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    WriteIni("[Option]\r\nCustomizeStartLogin=0\r\n");
    TMainForm& form = Start();
    // The defaults: Ctrl+Alt+M, S, R, F and L.
    const std::pair<int, char> defaults[] = {{TMainForm::HotKeyShow, 'M'},
                                             {TMainForm::HotKeySend, 'S'},
                                             {TMainForm::HotKeyRecv, 'R'},
                                             {TMainForm::HotKeyFileSend, 'F'},
                                             {TMainForm::HotKeyLog, 'L'}};
    for (const auto& [iId, cLetter] : defaults) {
        EXPECT_TRUE(form.HotKeyRegistered(iId)) << cLetter;
        EXPECT_TRUE(HeldElsewhere(cLetter)) << cLetter;
    }

    OptionFormShow();
    ASSERT_NE(OptionForm, nullptr);
    for (const auto& [iId, cLetter] : defaults) {
        EXPECT_FALSE(form.HotKeyRegistered(iId)) << cLetter;
        EXPECT_FALSE(HeldElsewhere(cLetter)) << cLetter;
    }

    // Show moves to Q, send has none any more; the others stay.
    // Typed into the fields, as a user does.
    const auto type = [](QWidget* field, int iKey, Qt::KeyboardModifiers modifiers) {
        QKeyEvent press(QEvent::KeyPress, iKey, modifiers);
        QApplication::sendEvent(field, &press);
        QKeyEvent release(QEvent::KeyRelease, iKey, modifiers);
        QApplication::sendEvent(field, &release);
    };
    type(OptionForm->hkCustomizeHotKey[0], Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
    type(OptionForm->hkCustomizeHotKey[1], Qt::Key_Backspace, Qt::NoModifier);
    ASSERT_EQ(OptionForm->hkCustomizeHotKey[0]->HotKey(), scCtrl | scAlt | 'Q');
    ASSERT_EQ(OptionForm->hkCustomizeHotKey[1]->HotKey(), 0);
    OptionForm->btOkClick();
    ASSERT_TRUE(WaitUntil([] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return OptionForm == nullptr;
    }));
    EXPECT_TRUE(form.HotKeyRegistered(TMainForm::HotKeyShow));
    EXPECT_FALSE(form.HotKeyRegistered(TMainForm::HotKeySend));
    for (const char cLetter : {'Q', 'R', 'F', 'L'})
        EXPECT_TRUE(HeldElsewhere(cLetter)) << cLetter;
    for (const char cLetter : {'M', 'S'})
        EXPECT_FALSE(HeldElsewhere(cLetter)) << cLetter;
}

} // namespace
