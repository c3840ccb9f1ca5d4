#pragma once

#include <QColor>
#include <QLineEdit>
#include <QString>
#include <cstdint>
#include <functional>

// A hot key as the settings file keeps it: the virtual-key code in the low byte,
// with the Shift, Ctrl and Alt flags above it.
using TShortCut = std::uint16_t;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// Combinations the editor does not take as typed; they get Modifiers instead.
enum THKInvalidKey {
    hcNone = 1,
    hcShift = 2,
    hcCtrl = 4,
    hcAlt = 8,
    hcShiftCtrl = 16,
    hcShiftAlt = 32,
    hcCtrlAlt = 64,
    hcShiftCtrlAlt = 128
};
using THKInvalidKeys = int;
enum THKModifier { hkShift = 1, hkCtrl = 2, hkAlt = 4 };
using THKModifiers = int;

// The virtual-key code of a key as the toolkit reports it; 0 when the editor
// does not take it. Shifted symbols count as their key.
int HotKeyVirtualKey(int iQtKey, Qt::KeyboardModifiers modifiers);
// The toolkit key of a virtual-key code, for a caller that grabs the key; 0 when unknown.
int HotKeyQtKey(int iVirtualKey);
// The name shown for a virtual-key code; empty when unknown.
QString HotKeyKeyName(int iVirtualKey);
// The text the editor shows: "Ctrl + Shift + Alt + A", or "なし" for none.
QString HotKeyText(TShortCut hotKey);
// The text while only modifiers are held: "Ctrl + Shift + ".
QString HotKeyModifierText(Qt::KeyboardModifiers modifiers);

// What a key press does to the editor's value.
struct THotKeyPress {
    enum Kind { Ignore, Pending, Set, Clear } Result = Ignore;
    TShortCut HotKey = 0;
};
THotKeyPress HotKeyFromKeyPress(int iQtKey, Qt::KeyboardModifiers modifiers, THKInvalidKeys invalidKeys,
                                THKModifiers substitute);

using TOnUpdate = std::function<void(QObject* Sender)>;

// The editor of one global hot key: it catches the combination typed into it
// and reports every key press.
class THotKeyEx : public QLineEdit {
    Q_OBJECT

public:
    explicit THotKeyEx(QWidget* parent = nullptr);

    TShortCut HotKey() const { return FHotKey; }
    void SetHotKey(TShortCut hotKey);
    THKInvalidKeys InvalidKeys() const { return FInvalidKeys; }
    void SetInvalidKeys(THKInvalidKeys keys) { FInvalidKeys = keys; }
    THKModifiers Modifiers() const { return FModifiers; }
    void SetModifiers(THKModifiers modifiers) { FModifiers = modifiers; }
    QColor Color() const { return FColor; }
    void SetColor(const QColor& color);

    // Raised for every key press, before the press changes the value.
    TOnUpdate OnUpdate;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ShowValue();

    TShortCut FHotKey = 0;
    // Only modifiers are held and shown.
    bool FPending = false;
    THKInvalidKeys FInvalidKeys = hcNone | hcShift;
    THKModifiers FModifiers = hkAlt;
    QColor FColor;
};
