#pragma once

#include "OptionInputForm.h"

#include <QStringList>

// Asks for the title of a new away kind.
class TOptionAbsenceAddForm : public TOptionInputForm {
    Q_OBJECT

public:
    // slTitles: the kinds listed in the options window.
    explicit TOptionAbsenceAddForm(QStringList slTitles);
    void btOkClick() override;

private:
    QStringList PrTitles;
};
