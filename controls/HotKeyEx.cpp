#include "HotKeyEx.h"

#include <QKeyEvent>
#include <array>

namespace {

struct KeyEntry {
    int QtKey;
    int VirtualKey;
    const char* Name;
    bool Keypad = false;
};

// Keys the editor takes, with the names it shows; letters, digits and function
// keys follow below by rule.
const KeyEntry KeyTable[] = {
    {Qt::Key_Backspace, 0x08, "Backspace"},
    {Qt::Key_Return, 0x0D, "Enter"},
    {Qt::Key_Enter, 0x0D, "Enter", true},
    {Qt::Key_Pause, 0x13, "Pause"},
    {Qt::Key_Escape, 0x1B, "Esc"},
    {Qt::Key_Space, 0x20, "Space"},
    {Qt::Key_PageUp, 0x21, "Page Up"},
    {Qt::Key_PageDown, 0x22, "Page Down"},
    {Qt::Key_End, 0x23, "End"},
    {Qt::Key_Home, 0x24, "Home"},
    {Qt::Key_Left, 0x25, "Left"},
    {Qt::Key_Up, 0x26, "Up"},
    {Qt::Key_Right, 0x27, "Right"},
    {Qt::Key_Down, 0x28, "Down"},
    {Qt::Key_Print, 0x2C, "Print Screen"},
    {Qt::Key_Insert, 0x2D, "Insert"},
    {Qt::Key_Delete, 0x2E, "Delete"},
    {Qt::Key_Asterisk, 0x6A, "Num *", true},
    {Qt::Key_Plus, 0x6B, "Num +", true},
    {Qt::Key_Minus, 0x6D, "Num -", true},
    {Qt::Key_Period, 0x6E, "Num Del", true},
    {Qt::Key_Slash, 0x6F, "Num /", true},
    {Qt::Key_NumLock, 0x90, "Num Lock"},
    {Qt::Key_ScrollLock, 0x91, "Scroll Lock"},
    {Qt::Key_Semicolon, 0xBA, ";"},
    {Qt::Key_Colon, 0xBA, ";"},
    {Qt::Key_Equal, 0xBB, "="},
    {Qt::Key_Plus, 0xBB, "="},
    {Qt::Key_Comma, 0xBC, ","},
    {Qt::Key_Less, 0xBC, ","},
    {Qt::Key_Minus, 0xBD, "-"},
    {Qt::Key_Underscore, 0xBD, "-"},
    {Qt::Key_Period, 0xBE, "."},
    {Qt::Key_Greater, 0xBE, "."},
    {Qt::Key_Slash, 0xBF, "/"},
    {Qt::Key_Question, 0xBF, "/"},
    {Qt::Key_QuoteLeft, 0xC0, "`"},
    {Qt::Key_AsciiTilde, 0xC0, "`"},
    {Qt::Key_BracketLeft, 0xDB, "["},
    {Qt::Key_BraceLeft, 0xDB, "["},
    {Qt::Key_Backslash, 0xDC, "\\"},
    {Qt::Key_Bar, 0xDC, "\\"},
    {Qt::Key_BracketRight, 0xDD, "]"},
    {Qt::Key_BraceRight, 0xDD, "]"},
    {Qt::Key_Apostrophe, 0xDE, "'"},
    {Qt::Key_QuoteDbl, 0xDE, "'"},
};

// The symbols of Shift with a digit, in the order of the digits 0 to 9.
const std::array<int, 10> ShiftedDigits = {
    Qt::Key_ParenRight, Qt::Key_Exclam,      Qt::Key_At,        Qt::Key_NumberSign, Qt::Key_Dollar,
    Qt::Key_Percent,    Qt::Key_AsciiCircum, Qt::Key_Ampersand, Qt::Key_Asterisk,   Qt::Key_ParenLeft};

bool IsModifierKey(int iQtKey)
{
    return iQtKey == Qt::Key_Shift || iQtKey == Qt::Key_Control || iQtKey == Qt::Key_Alt ||
           iQtKey == Qt::Key_Meta || iQtKey == Qt::Key_AltGr || iQtKey == Qt::Key_Super_L ||
           iQtKey == Qt::Key_Super_R;
}

// The invalid-combination flag of a set of modifiers.
int CombinationFlag(TShortCut mods)
{
    const bool s = mods & scShift, c = mods & scCtrl, a = mods & scAlt;
    if (s && c && a)
        return hcShiftCtrlAlt;
    if (c && a)
        return hcCtrlAlt;
    if (s && a)
        return hcShiftAlt;
    if (s && c)
        return hcShiftCtrl;
    if (a)
        return hcAlt;
    if (c)
        return hcCtrl;
    if (s)
        return hcShift;
    return hcNone;
}

const QString NoneText = QStringLiteral("なし");
const QString Joiner = QStringLiteral(" + ");

} // namespace

int HotKeyVirtualKey(int iQtKey, Qt::KeyboardModifiers modifiers)
{
    const bool bKeypad = modifiers & Qt::KeypadModifier;
    if (iQtKey >= Qt::Key_A && iQtKey <= Qt::Key_Z)
        return 0x41 + (iQtKey - Qt::Key_A);
    if (iQtKey >= Qt::Key_0 && iQtKey <= Qt::Key_9)
        return (bKeypad ? 0x60 : 0x30) + (iQtKey - Qt::Key_0);
    if (iQtKey >= Qt::Key_F1 && iQtKey <= Qt::Key_F24)
        return 0x70 + (iQtKey - Qt::Key_F1);
    if (!bKeypad) {
        for (int d = 0; d < 10; ++d) {
            if (ShiftedDigits[d] == iQtKey && (modifiers & Qt::ShiftModifier))
                return 0x30 + d;
        }
    }
    // A keypad key takes its keypad entry first, then any entry of the same key.
    for (const KeyEntry& e : KeyTable) {
        if (e.QtKey == iQtKey && e.Keypad == bKeypad)
            return e.VirtualKey;
    }
    for (const KeyEntry& e : KeyTable) {
        if (e.QtKey == iQtKey)
            return e.VirtualKey;
    }
    return 0;
}

int HotKeyQtKey(int iVirtualKey)
{
    if (iVirtualKey >= 0x41 && iVirtualKey <= 0x5A)
        return Qt::Key_A + (iVirtualKey - 0x41);
    if (iVirtualKey >= 0x30 && iVirtualKey <= 0x39)
        return Qt::Key_0 + (iVirtualKey - 0x30);
    if (iVirtualKey >= 0x60 && iVirtualKey <= 0x69)
        return Qt::Key_0 + (iVirtualKey - 0x60);
    if (iVirtualKey >= 0x70 && iVirtualKey <= 0x87)
        return Qt::Key_F1 + (iVirtualKey - 0x70);
    for (const KeyEntry& e : KeyTable) {
        if (e.VirtualKey == iVirtualKey)
            return e.QtKey;
    }
    return 0;
}

QString HotKeyKeyName(int iVirtualKey)
{
    if (iVirtualKey >= 0x41 && iVirtualKey <= 0x5A)
        return QString(QChar(iVirtualKey));
    if (iVirtualKey >= 0x30 && iVirtualKey <= 0x39)
        return QString(QChar(iVirtualKey));
    if (iVirtualKey >= 0x60 && iVirtualKey <= 0x69)
        return QStringLiteral("Num %1").arg(iVirtualKey - 0x60);
    if (iVirtualKey >= 0x70 && iVirtualKey <= 0x87)
        return QStringLiteral("F%1").arg(iVirtualKey - 0x70 + 1);
    for (const KeyEntry& e : KeyTable) {
        if (e.VirtualKey == iVirtualKey)
            return QString::fromLatin1(e.Name);
    }
    return {};
}

QString HotKeyText(TShortCut hotKey)
{
    const QString sKey = HotKeyKeyName(hotKey & 0xFF);
    if (sKey.isEmpty())
        return NoneText;
    QString s;
    if (hotKey & scCtrl)
        s += "Ctrl" + Joiner;
    if (hotKey & scShift)
        s += "Shift" + Joiner;
    if (hotKey & scAlt)
        s += "Alt" + Joiner;
    return s + sKey;
}

QString HotKeyModifierText(Qt::KeyboardModifiers modifiers)
{
    QString s;
    if (modifiers & Qt::ControlModifier)
        s += "Ctrl" + Joiner;
    if (modifiers & Qt::ShiftModifier)
        s += "Shift" + Joiner;
    if (modifiers & Qt::AltModifier)
        s += "Alt" + Joiner;
    return s;
}

THotKeyPress HotKeyFromKeyPress(int iQtKey, Qt::KeyboardModifiers modifiers, THKInvalidKeys invalidKeys,
                                THKModifiers substitute)
{
    if (IsModifierKey(iQtKey))
        return {THotKeyPress::Pending, 0};
    TShortCut mods = 0;
    if (modifiers & Qt::ShiftModifier)
        mods |= scShift;
    if (modifiers & Qt::ControlModifier)
        mods |= scCtrl;
    if (modifiers & Qt::AltModifier)
        mods |= scAlt;
    // Backspace and Delete alone empty the field, as the only way to have no key.
    if (mods == 0 && (iQtKey == Qt::Key_Backspace || iQtKey == Qt::Key_Delete))
        return {THotKeyPress::Clear, 0};
    const int iVirtualKey = HotKeyVirtualKey(iQtKey, modifiers);
    if (iVirtualKey == 0)
        return {};
    if (invalidKeys & CombinationFlag(mods)) {
        mods = 0;
        if (substitute & hkShift)
            mods |= scShift;
        if (substitute & hkCtrl)
            mods |= scCtrl;
        if (substitute & hkAlt)
            mods |= scAlt;
    }
    return {THotKeyPress::Set, TShortCut(mods | iVirtualKey)};
}

THotKeyEx::THotKeyEx(QWidget* parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    FColor = palette().color(QPalette::Base);
    ShowValue();
}

void THotKeyEx::SetHotKey(TShortCut hotKey)
{
    FHotKey = hotKey;
    ShowValue();
}

void THotKeyEx::SetColor(const QColor& color)
{
    FColor = color;
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    setPalette(p);
}

void THotKeyEx::ShowValue()
{
    FPending = false;
    setText(HotKeyText(FHotKey));
}

bool THotKeyEx::event(QEvent* event)
{
    // Tab and the shortcuts of the window would otherwise never reach the editor.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Tab && key->key() != Qt::Key_Backtab) {
            event->accept();
            return true;
        }
    }
    return QLineEdit::event(event);
}

void THotKeyEx::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    // Every press is reported, with Alt held too, before the value changes.
    if (OnUpdate)
        OnUpdate(this);
    const THotKeyPress press = HotKeyFromKeyPress(event->key(), event->modifiers(), FInvalidKeys, FModifiers);
    switch (press.Result) {
    case THotKeyPress::Pending:
        setText(HotKeyModifierText(event->modifiers()));
        FPending = true;
        break;
    case THotKeyPress::Set:
        SetHotKey(press.HotKey);
        break;
    case THotKeyPress::Clear:
        SetHotKey(0);
        break;
    case THotKeyPress::Ignore:
        break;
    }
    event->accept();
}

void THotKeyEx::keyReleaseEvent(QKeyEvent* event)
{
    if (!FPending) {
        event->accept();
        return;
    }
    // The released key may still be counted among the modifiers.
    Qt::KeyboardModifiers remain =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (event->key() == Qt::Key_Shift)
        remain &= ~Qt::ShiftModifier;
    else if (event->key() == Qt::Key_Control)
        remain &= ~Qt::ControlModifier;
    else if (event->key() == Qt::Key_Alt)
        remain &= ~Qt::AltModifier;
    // Letting go of the modifiers without a key brings the value back.
    if (remain == Qt::NoModifier)
        ShowValue();
    else
        setText(HotKeyModifierText(remain));
    event->accept();
}

void THotKeyEx::focusOutEvent(QFocusEvent* event)
{
    ShowValue();
    QLineEdit::focusOutEvent(event);
}

void THotKeyEx::contextMenuEvent(QContextMenuEvent* event)
{
    event->accept();
}
