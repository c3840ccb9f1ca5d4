#pragma once

// What a user does with the keyboard in an edit, sent as the key events that do it.
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace TestSupport {

inline void KeyPress(QWidget* target, int iKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
                     const QString& sText = QString())
{
    QKeyEvent press(QEvent::KeyPress, iKey, modifiers, sText);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, iKey, modifiers, sText);
    QApplication::sendEvent(target, &release);
}

// Each character as the key that types it.
inline void TypeText(QWidget* target, const QString& sText)
{
    for (const QChar c : sText)
        KeyPress(target, c.toUpper().unicode(), Qt::NoModifier, QString(c));
}

// The text through the clipboard and Ctrl+V.
inline void PasteText(QWidget* target, const QString& sText)
{
    QApplication::clipboard()->setText(sText);
    KeyPress(target, Qt::Key_V, Qt::ControlModifier);
}

} // namespace TestSupport
