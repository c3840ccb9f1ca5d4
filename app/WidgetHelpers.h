#pragma once

// Small widgets made as every window of the program makes them.

#include <QString>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

// A button that Return presses while it has the focus, as in a dialog.
QPushButton* AutoDefaultButton(const QString& sCaption, QWidget* parent);
// A message shown to be read: selectable by keyboard and mouse, not changed, Tab leaves it.
QPlainTextEdit* MessageViewCreate(const QString& sObjectName, QWidget* parent);
// An edit's right-click menu: the toolkit's own, its select-all item named as
// the windows name it, "すべてを選択(&A)" (Ctrl+A, selecting the edit's whole text).
void EditMenuSet(QLineEdit* edit);
void EditMenuSet(QPlainTextEdit* edit);
