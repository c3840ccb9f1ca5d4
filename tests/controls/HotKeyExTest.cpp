#include "HotKeyEx.h"

#include "QtPrinters.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

// The toolkit's own first step for a typed key: the focused widget may claim it
// before the window's shortcuts see it. True when a shortcut took the key.
Q_GUI_EXPORT bool qt_sendShortcutOverrideEvent(QObject* o, ulong timestamp, int k, Qt::KeyboardModifiers mods,
                                               const QString& text = QString(), bool autorep = false,
                                               ushort count = 1);

namespace {

TEST(HotKeyText, ShowsModifiersInOrderThenTheKey)
{
    struct Case {
        TShortCut HotKey;
        const char* Expected;
    } cases[] = {
        {0, "なし"},
        {scCtrl | scAlt | 'S', "Ctrl + Alt + S"},
        {scShift | scCtrl | scAlt | 'S', "Ctrl + Shift + Alt + S"},
        {scAlt | '7', "Alt + 7"},
        {scCtrl | 0x70, "Ctrl + F1"},
        {scShift | scAlt | 0x87, "Shift + Alt + F24"},
        {scAlt | 0x20, "Alt + Space"},
        {scCtrl | 0x60, "Ctrl + Num 0"},
        {scCtrl | 0x6B, "Ctrl + Num +"},
        {scCtrl | 0xBB, "Ctrl + ="},
        {scAlt | 0x24, "Alt + Home"},
        {scCtrl | 0x07, "なし"}, // a code the editor never makes
        {scCtrl, "なし"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HotKeyText(c.HotKey), QString::fromUtf8(c.Expected)) << std::hex << c.HotKey;
}

TEST(HotKeyFromKeyPress, KeyTableAndModifiers)
{
    const THKInvalidKeys invalid = hcNone | hcShift;
    struct Case {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        THotKeyPress::Kind Result;
        TShortCut HotKey;
    } cases[] = {
        {Qt::Key_S, Qt::ControlModifier | Qt::AltModifier, THotKeyPress::Set,
         TShortCut(scCtrl | scAlt | 'S')},
        {Qt::Key_F5, Qt::ControlModifier, THotKeyPress::Set, TShortCut(scCtrl | 0x74)},
        {Qt::Key_Exclam, Qt::ControlModifier | Qt::ShiftModifier, THotKeyPress::Set,
         TShortCut(scCtrl | scShift | '1')},
        {Qt::Key_3, Qt::ControlModifier | Qt::KeypadModifier, THotKeyPress::Set, TShortCut(scCtrl | 0x63)},
        {Qt::Key_Plus, Qt::AltModifier | Qt::KeypadModifier, THotKeyPress::Set, TShortCut(scAlt | 0x6B)},
        {Qt::Key_Plus, Qt::AltModifier | Qt::ShiftModifier, THotKeyPress::Set,
         TShortCut(scAlt | scShift | 0xBB)},
        // Unmodified and Shift-only presses are not hot keys; Alt stands in.
        {Qt::Key_A, Qt::NoModifier, THotKeyPress::Set, TShortCut(scAlt | 'A')},
        {Qt::Key_A, Qt::ShiftModifier, THotKeyPress::Set, TShortCut(scAlt | 'A')},
        {Qt::Key_Control, Qt::ControlModifier, THotKeyPress::Pending, 0},
        {Qt::Key_Alt, Qt::AltModifier, THotKeyPress::Pending, 0},
        {Qt::Key_Backspace, Qt::NoModifier, THotKeyPress::Clear, 0},
        {Qt::Key_Delete, Qt::NoModifier, THotKeyPress::Clear, 0},
        {Qt::Key_Delete, Qt::ControlModifier | Qt::AltModifier, THotKeyPress::Set,
         TShortCut(scCtrl | scAlt | 0x2E)},
        {Qt::Key_VolumeUp, Qt::ControlModifier, THotKeyPress::Ignore, 0},
    };
    for (const Case& c : cases) {
        const THotKeyPress press = HotKeyFromKeyPress(c.Key, c.Modifiers, invalid, hkAlt);
        EXPECT_EQ(press.Result, c.Result) << std::hex << c.Key;
        EXPECT_EQ(press.HotKey, c.HotKey) << std::hex << c.Key;
    }
}

TEST(HotKeyQtKey, TableRoundTrips)
{
    for (int iKey : {int(Qt::Key_A), int(Qt::Key_Z), int(Qt::Key_5), int(Qt::Key_F12), int(Qt::Key_Home),
                     int(Qt::Key_Space), int(Qt::Key_Insert)}) {
        const int iVirtualKey = HotKeyVirtualKey(iKey, Qt::NoModifier);
        ASSERT_NE(iVirtualKey, 0) << std::hex << iKey;
        EXPECT_EQ(HotKeyQtKey(iVirtualKey), iKey) << std::hex << iKey;
        EXPECT_FALSE(HotKeyKeyName(iVirtualKey).isEmpty());
    }
}

class HotKeyExTest : public testing::Test {
protected:
    void SetUp() override
    {
        FEdit.show();
        FEdit.OnUpdate = [this](QObject* sender) {
            EXPECT_EQ(sender, &FEdit);
            FSeenValues.append(FEdit.HotKey());
        };
    }
    // Events as the window system makes them: a modifier key's own press and
    // release carry the modifiers held before it.
    void Press(int iKey, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent press(QEvent::KeyPress, iKey, modifiers);
        QApplication::sendEvent(&FEdit, &press);
    }
    void Release(int iKey, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent release(QEvent::KeyRelease, iKey, modifiers);
        QApplication::sendEvent(&FEdit, &release);
    }

    THotKeyEx FEdit;
    QList<TShortCut> FSeenValues;
};

TEST_F(HotKeyExTest, EveryPressIsReportedOnceBeforeTheValueChanges)
{
    EXPECT_EQ(FEdit.text(), QString("なし"));
    Press(Qt::Key_Control, Qt::NoModifier);
    EXPECT_EQ(FEdit.text(), QString("Ctrl + "));
    Press(Qt::Key_Alt, Qt::ControlModifier);
    EXPECT_EQ(FEdit.text(), QString("Ctrl + Alt + "));
    Press(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(FEdit.HotKey(), TShortCut(scCtrl | scAlt | 'S'));
    EXPECT_EQ(FEdit.text(), QString("Ctrl + Alt + S"));
    Release(Qt::Key_S, Qt::ControlModifier | Qt::AltModifier);
    Release(Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier);
    Release(Qt::Key_Control, Qt::ControlModifier);
    EXPECT_EQ(FEdit.text(), QString("Ctrl + Alt + S"));
    EXPECT_EQ(FSeenValues, (QList<TShortCut>{0, 0, 0})) << "three presses, each seen before it took effect";
}

TEST_F(HotKeyExTest, PressesWithAltHeldAreReported)
{
    Press(Qt::Key_K, Qt::AltModifier);
    Press(Qt::Key_F2, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(FSeenValues, (QList<TShortCut>{0, TShortCut(scAlt | 'K')}));
    EXPECT_EQ(FEdit.HotKey(), TShortCut(scShift | scAlt | 0x71));
}

TEST_F(HotKeyExTest, ModifiersLetGoWithoutAKeyBringTheValueBack)
{
    FEdit.SetHotKey(scCtrl | 'Q');
    Press(Qt::Key_Shift, Qt::NoModifier);
    EXPECT_EQ(FEdit.text(), QString("Shift + "));
    Release(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_EQ(FEdit.text(), QString("Ctrl + Q"));
    EXPECT_EQ(FEdit.HotKey(), TShortCut(scCtrl | 'Q'));
}

TEST_F(HotKeyExTest, BackspaceClearsTheValue)
{
    FEdit.SetHotKey(scCtrl | 'Q');
    Press(Qt::Key_Backspace, Qt::NoModifier);
    EXPECT_EQ(FEdit.HotKey(), 0);
    EXPECT_EQ(FEdit.text(), QString("なし"));
    EXPECT_EQ(FSeenValues.size(), 1);
}

TEST_F(HotKeyExTest, ColourIsTheFieldBackground)
{
    EXPECT_EQ(FEdit.Color(), FEdit.palette().color(QPalette::Base));
    FEdit.SetColor(QColor(255, 255, 200));
    EXPECT_EQ(FEdit.palette().color(QPalette::Base), QColor(255, 255, 200));
}

TEST(HotKeyExInWindow, AltPressReachesTheEditorBeforeTheWindowsShortcuts)
{
    QWidget window;
    THotKeyEx edit(&window);
    int iTriggered = 0;
    QAction action(&window);
    action.setShortcut(QKeySequence(Qt::ALT | Qt::Key_K));
    window.addAction(&action);
    QObject::connect(&action, &QAction::triggered, [&] { ++iTriggered; });
    int iUpdates = 0;
    edit.OnUpdate = [&](QObject*) { ++iUpdates; };
    window.show();
    QApplication::setActiveWindow(&window);
    edit.setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(edit.hasFocus());

    QKeyEvent press(QEvent::KeyPress, Qt::Key_K, Qt::AltModifier);
    const bool bTakenByShortcut =
        qt_sendShortcutOverrideEvent(&edit, press.timestamp(), Qt::Key_K, Qt::AltModifier);
    if (!bTakenByShortcut)
        QApplication::sendEvent(&edit, &press);
    EXPECT_FALSE(bTakenByShortcut);
    EXPECT_EQ(iTriggered, 0);
    EXPECT_EQ(iUpdates, 1);
    EXPECT_EQ(edit.HotKey(), TShortCut(scAlt | 'K'));
}

} // namespace
