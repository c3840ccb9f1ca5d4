#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class QLineEdit;
class QPushButton;

// The common shape of the options window's three input dialogs: a prompt, the
// field's name, one edit, OK and Cancel. Each dialog checks its text in its
// own btOkClick; PrOkFlag tells the caller that the text was accepted.
class TOptionInputForm : public QDialog {
    Q_OBJECT

public:
    TOptionInputForm(const QString& sCaption, const QString& sPrompt, const QString& sField,
                     const QString& sEditName, int iClientWidth);

    virtual void btOkClick() = 0;
    void btCancelClick();

    // The edit's text as accepted (the address dialog puts its trimmed form there).
    QString Text() const;

    // Shown without blocking while the application's messages are processed, until closed.
    void RunWithLoop();

    QLabel* laAbsence1 = nullptr;
    QLabel* laProfile2 = nullptr;
    QLineEdit* edInput = nullptr;
    QPushButton* btOk = nullptr;
    QPushButton* btCancel = nullptr;
    bool PrOkFlag = false;

protected:
    // The text refused: the warning, the edit focused (its text selected when bSelect).
    void Refuse(const QString& sText, bool bSelect);
    void Accept();
};
