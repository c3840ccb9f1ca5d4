#pragma once

#include <QPlainTextEdit>

// A multi-line edit with a maximum length in characters, as a line edit has one:
// a key that would go past it is refused and a paste or drop is cut to the room
// left, so what the user already wrote is never removed and undo keeps working.
// A text set by the program is not checked. A line break counts one character.
class TMemoEx : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TMemoEx(QWidget* parent = nullptr);

    // 0: no limit.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int iMaxLength) { FMaxLength = iMaxLength; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    // How many characters may replace the selection; -1 without a limit.
    int Room() const;
    // The part of sText that fits, never ending inside a surrogate pair.
    QString Fitting(const QString& sText) const;

    int FMaxLength = 0;
};
